// Cleaning an infected drive. Protect removes an infected autorun.inf, but what that file
// started is still on the drive, usually hidden, and worms of this family also hide the
// user's folders (Hidden and System) and put shortcuts of the same names beside them
// that start the virus. Three steps, each usable on its own:
//
//   1. readInfectedAutorun: before autorun.inf is removed, read it (at most 64 KB).
//   2. scanDrive: what the drive carries: the files autorun.inf starts, the decoy
//      shortcuts beside hidden folders and the programs they start, and those folders.
//      It only reads.
//   3. cleanDrive: moves every file found into "<drive>:\Lockbay quarantine\<date time>\"
//      (same relative path, ".quarantined" added), never deleting anything, with a copy
//      of autorun.inf and a README.txt listing each file, and shows the hidden folders
//      again. Only ever after the user said yes.
//
// Nothing outside the drive is ever read or written: every path goes through the rules
// of drive_paths.h. Every move stays on the drive, so a full drive cannot leave a file
// half-copied.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "drive_rules/autorun_file.h"
#include "drive_rules/drive_paths.h"
#include "platform/filesystem.h"
#include "platform/local_time.h"
#include "texts/language_file.h"

namespace lockbay {

// An infected autorun.inf as it was before Protect removed it.
struct AutorunRead {
    bool present = false;    // the drive had one (a normal file, as in the INFECTED status)
    bool readable = false;   // its bytes could be read
    std::string bytes;       // its first kAutorunReadLimit bytes
    std::uint64_t size = 0;  // its whole size
    AutorunFile parsed;
    // OffDrive when the autorun.inf is a link: it is never read through.
    PathRefusal refusal = PathRefusal::None;
};

// Reads the autorun.inf file that removeInfectedFile() would remove; `present` is false
// when there is none. Call it before the removal.
AutorunRead readInfectedAutorun(platform::FileSystem& fs, wchar_t drive);

// The same from bytes kept elsewhere (a program that removed the file and hands its first
// kAutorunReadLimit bytes on); `size` is the whole file's.
AutorunRead autorunFromBytes(std::string bytes, std::uint64_t size);

// Something the drive names or holds that Lockbay leaves alone, with the reason: a name
// in autorun.inf or a shortcut that leads off the drive or to nothing on it, or a file or
// folder of the drive that is a link or leads off the drive. Shown to the user as not
// moved, with the reason.
struct RefusedName {
    // Where the name was read: an autorun.inf key ("open", "shell\open\command"...), or
    // the full path of the shortcut; empty for an entry of the drive itself.
    std::wstring key;
    std::wstring name;  // as the file names it, or the entry's full path
    PathRefusal reason = PathRefusal::None;
};

struct Infection {
    wchar_t drive = L'C';
    AutorunRead autorun;
    std::vector<std::wstring> programs;       // full paths of files autorun.inf or a decoy starts
    std::vector<std::wstring> shortcuts;      // decoy shortcuts (.lnk) beside hidden folders
    std::vector<std::wstring> hiddenFolders;  // the folders those shortcuts pose as
    std::vector<RefusedName> refused;         // left alone, each with its reason

    // Nothing to clean (refused names may still be there to report).
    bool empty() const { return programs.empty() && shortcuts.empty() && hiddenFolders.empty(); }
    // The files that cleaning would move.
    std::size_t fileCount() const { return programs.size() + shortcuts.size(); }
};

// The decoy shortcuts a scan opened, kept open for a cleaning that follows without
// asking anyone in between (lockbay-cli protect --clean): the cleaning reads and moves
// each through the opening the scan checked instead of opening it again. While they are
// kept, no one can rename or remove those files and the stick is in use: never keep them
// across a question to the user.
class KeptOpenings {
public:
    // At most `most` are kept: each holds a file of the drive open, and a stick may carry
    // tens of thousands of decoys. The rest are opened again by the cleaning.
    explicit KeptOpenings(std::size_t most = 4096) : most_(most) {}

    bool full() const { return entries_.size() >= most_; }
    void keep(const std::wstring& path, std::unique_ptr<platform::DriveEntry> entry);
    // The opening kept for `path` (names compared as sameName compares them), handed
    // over; nothing when none is kept.
    std::unique_ptr<platform::DriveEntry> take(const std::wstring& path);

private:
    std::size_t most_;
    std::unordered_map<std::wstring, std::unique_ptr<platform::DriveEntry>> entries_;
};

// What the drive carries; `autorun` is what readInfectedAutorun() gave (an empty one
// when it had none: then only the decoys and their folders are looked for). Only reads.
// With `keep`, each decoy found is read through an opening that may also move it, and
// that opening is kept there for cleanDrive, while `keep` has room.
Infection scanDrive(platform::FileSystem& fs, wchar_t drive, AutorunRead autorun = {},
                    KeptOpenings* keep = nullptr);

struct CleanedItem {
    enum class Kind {
        Program,       // moved into the quarantine
        Shortcut,      // moved into the quarantine
        Autorun,       // the removed autorun.inf itself, moved into the quarantine
        AutorunCopy,   // the copy of the removed autorun.inf, written into the quarantine
        HiddenFolder,  // its Hidden and System attributes cleared
    };
    Kind kind = Kind::Program;
    std::wstring oldPath;    // where it was (for the copy: the removed autorun.inf)
    std::wstring newPath;    // where it is now, for files; empty for folders
    std::uint64_t size = 0;  // files
    std::string sha256;      // files; empty when it could not be read
    bool done = false;
    std::wstring error;  // why not, when !done
    // Files: the attributes it had before; a quarantined file loses Hidden and System, so
    // that it shows in the folder, and README.txt tells how to give them back.
    std::uint32_t attributes = 0;
};

struct CleanReport {
    wchar_t drive = L'C';
    std::wstring
        quarantineFolder;  // "E:\Lockbay quarantine\2026-12-09 14.03.22"; empty when it could not be made
    std::vector<CleanedItem> items;  // the files in the order of the Infection, the copy, then the folders
    // What was left alone: the Infection's refused names, then what cleaning itself found to
    // be a link or off the drive (the quarantine folder, a file or folder to move or show).
    std::vector<RefusedName> refused;
    bool readmeWritten = false;
    std::wstring readmeError;

    bool quarantined() const { return !quarantineFolder.empty(); }
    // The drive's quarantine folder is a link, and nothing was written through it.
    bool quarantineIsLink() const;
    // Items not done, and a README.txt that could not be written.
    std::size_t failures() const;
};

// The texts of the README.txt, in the user's language: Module1::text in Lockbay, and
// textOrEnglish on readSelectedLanguage() in the other programs.
using TextOf = std::function<const std::wstring&(CaptionLine)>;

// Quarantines every file of `found` and shows its folders again, reporting each item.
// The quarantine folder is named after `when`. A file that cannot be moved stays where it
// is; when the quarantine folder cannot be made, no file is moved (the folders are still
// shown again).
// `kept` holds the openings scanDrive kept for this cleaning, if it kept any.
CleanReport cleanDrive(platform::FileSystem& fs, const Infection& found, const TextOf& text,
                       const platform::LocalTime& when, KeptOpenings* kept = nullptr);

// Why a name was left alone, for people: "leads off the drive", "no such file on the drive"...
const std::wstring& refusalText(PathRefusal reason, const TextOf& text);
// One refused name for people, with where it was named and why it was left alone:
// "open=..\..\x.exe (leads off the drive)".
std::wstring refusedLine(const RefusedName& refused, const TextOf& text);
// Moves the drive's autorun.inf file into a new quarantine folder, with a README.txt
// that lists it. `attributes` are the ones it had before Lockbay took any off. A folder
// whose move failed is removed again.
enum class AutorunQuarantine {
    Moved,
    NotMoved,  // the folder was made, but the file could not be moved (locked, in use)
    NoFolder,  // no quarantine folder can be made on the drive
};
AutorunQuarantine quarantineAutorun(platform::FileSystem& fs, wchar_t drive, std::uint32_t attributes,
                                    const TextOf& text, const platform::LocalTime& when);

// "2026-12-09 14.03.22": the name of a quarantine folder (no ":" in a file name).
std::wstring quarantineStamp(const platform::LocalTime& when);

}  // namespace lockbay
