// The path rules for what an infected drive names: a path that autorun.inf or a
// shortcut gives is acted on only when it leads to a file on that same drive. It may be
// relative to a folder of the drive (the root, for autorun.inf) or absolute on the drive;
// it is refused when it leaves the root through "..", names another drive, a variable
// (%windir%), a device (CON, NUL, COM1), a network path, a stream or a folder, or is
// longer than a Windows path can be. Also the splitting of the command lines those files
// hold into a program and its arguments.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/filesystem.h"

namespace lockbay {

// The longest path, in characters, that the rules accept (MAX_PATH without its NUL).
inline constexpr std::size_t kMaxPathLength = 259;

enum class PathRefusal {
    None,         // accepted
    Empty,        // nothing is named
    Network,      // \\server\share\..., or a device path such as \\.\ or \\?\ .
    OtherDrive,   // a path on another drive letter
    Variable,     // %windir% and the like: a place that is not on the drive
    LeavesRoot,   // ".." above the drive root
    DeviceName,   // CON, PRN, AUX, NUL, COM1..9, LPT1..9, also with an extension
    BadName,      // a character no file name holds (<>:"|?* or a control character), or a stream
    TooLong,      // longer than kMaxPathLength
    Missing,      // the drive holds nothing of that name
    Folder,       // a folder, not a file
    Quarantined,  // inside the drive's quarantine folder: already dealt with
    OffDrive,     // through a link (junction, symbolic link, mount point), or to an object off the drive
};

// A short stable name for each refusal ("leaves-root", "other-drive"...), for reports that
// programs read, such as the command line's JSON.
std::wstring_view refusalName(PathRefusal refusal);

struct DrivePath {
    std::wstring path;  // the full path, such as "E:\RECYCLER\x.exe", when accepted
    PathRefusal refusal = PathRefusal::None;
    bool accepted() const { return refusal == PathRefusal::None; }
};

// "E:\".
std::wstring driveRoot(wchar_t drive);

// The rules on the text alone: where `raw` (blanks and one pair of quotes around it are
// taken off) leads on drive `drive`. A relative name is taken from `base`, a folder of the
// drive given in full ("E:\" or "E:\Tools"); "\x.exe" and "E:x.exe" stay on the drive.
// The result is normalised: "\" between the parts, no "." or ".." parts, and no trailing
// dots or blanks on a part (Windows drops those too).
DrivePath normalizeOnDrive(wchar_t drive, std::wstring_view raw, std::wstring_view base);

// The text rules, then the drive: the result must name an existing file, outside the
// quarantine folder, that passes FileSystem::checkOnDrive (no link on its way).
DrivePath findFileOnDrive(platform::FileSystem& fs, wchar_t drive, std::wstring_view raw,
                          std::wstring_view base);

// The most words of an unquoted command line tried as the program's name.
inline constexpr std::size_t kMaxProgramWords = 8;

// A command line, such as autorun.inf's "open=" holds, split the way Windows starts it.
struct CommandLine {
    // The names the program may have, in the order Windows tries them: a quoted first
    // part alone; otherwise each run of words up to a blank ("My", "My Program.exe", ...,
    // at most kMaxProgramWords words), and each without an extension also with ".exe".
    std::vector<std::wstring> programCandidates;
    // What follows each candidate (same index).
    std::vector<std::wstring> arguments;
};
CommandLine splitCommandLine(std::wstring_view command);

// The parts of an argument text that may name a file: split at blanks (a quoted part
// stays whole, without its quotes) and at the characters that cmd and rundll32 use
// between names (, & | < > ( ) ^ ;). Switches ("/c", "-open") are left out. At most
// `limit` parts.
std::vector<std::wstring> argumentNames(std::wstring_view arguments, std::size_t limit = 64);

// True for the programs that run what their arguments name: cmd, rundll32 and the
// script hosts wscript and cscript, in any folder, with or without ".exe".
bool isLauncher(std::wstring_view program);

// True for a name whose extension marks something Windows runs: a program (.exe, .com,
// .scr, .pif), a batch or script file, a control panel item, an installer or a library.
bool hasProgramExtension(std::wstring_view name);

// The last part of a path, after its last "\" or "/".
std::wstring_view fileNameOf(std::wstring_view path);

// Case-insensitive comparison of two names or paths (ASCII letters and Latin-1).
bool sameName(std::wstring_view a, std::wstring_view b);
// The name as sameName compares it (its letters upper-cased): two names are the same
// name exactly when their keys are equal, so a set or map of keys finds one at once.
std::wstring nameKey(std::wstring_view name);

// The folder in every drive root where cleaning moves what it finds: "E:\Lockbay quarantine".
inline constexpr const wchar_t* kQuarantineFolderName = L"Lockbay quarantine";
std::wstring quarantineRoot(wchar_t drive);

}  // namespace lockbay
