// Reading an infected autorun.inf and scanning the drive for what it started, the decoy
// shortcuts and the folders they hide: see cleaning.h.
#include "drive_rules/cleaning.h"

#include <algorithm>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "drive_rules/drive_status.h"
#include "drive_rules/shell_link.h"

namespace lockbay {

namespace {

namespace attr = platform::attr;

// Folders of the system or of Lockbay itself that are never shown again, even beside a
// decoy: a hidden recycle bin or volume information folder is meant to be hidden.
bool isSystemFolder(std::wstring_view name) {
    static constexpr std::wstring_view kFolders[] = {
        L"System Volume Information", L"$RECYCLE.BIN",      L"RECYCLER", L"RECYCLED", L"autorun.inf",
        L"advancedlockbay",           kQuarantineFolderName};
    return std::any_of(std::begin(kFolders), std::end(kFolders),
                       [&](std::wstring_view f) { return sameName(name, f); });
}

// A list of paths that holds each name once (case-insensitively, as sameName), with its
// names indexed: a root of many thousand entries is scanned in time linear in its size.
class OnceList {
public:
    explicit OnceList(std::vector<std::wstring>& list) : list_(list) {
        for (const std::wstring& path : list_) keys_.insert(nameKey(path));
    }
    void add(const std::wstring& path) {
        if (keys_.insert(nameKey(path)).second) list_.push_back(path);
    }
    bool contains(std::wstring_view path) const { return keys_.contains(nameKey(path)); }

private:
    std::vector<std::wstring>& list_;
    std::unordered_set<std::wstring> keys_;
};

class Scan {
public:
    Scan(platform::FileSystem& fs, wchar_t drive, Infection& found, KeptOpenings* keep = nullptr)
        : fs_(fs),
          keep_(keep),
          drive_(drive),
          root_(driveRoot(drive)),
          found_(found),
          programs_(found.programs),
          shortcuts_(found.shortcuts),
          hiddenFolders_(found.hiddenFolders) {}

    // The programs one command line starts: the program itself when it lies on the
    // drive, and when it is a launcher (cmd, rundll32...), the files its arguments name.
    // The refusal of the program's first name, when nothing on the drive was found for it.
    PathRefusal addCommand(std::wstring_view command, std::wstring_view base) {
        const CommandLine split = splitCommandLine(command);
        PathRefusal firstRefusal = PathRefusal::Empty;
        for (std::size_t i = 0; i < split.programCandidates.size(); ++i) {
            const std::wstring& candidate = split.programCandidates[i];
            const DrivePath program = findFileOnDrive(fs_, drive_, candidate, base);
            if (i == 0) firstRefusal = program.refusal;
            if (program.accepted()) addProgram(program.path);
            if (isLauncher(candidate)) {
                addArguments(split.arguments[i], base);
                return PathRefusal::None;
            }
            if (program.accepted()) return PathRefusal::None;
        }
        return firstRefusal;
    }

    // The files an argument text names on the drive; true when it named any.
    bool addArguments(std::wstring_view arguments, std::wstring_view base) {
        bool any = false;
        for (const std::wstring& name : argumentNames(arguments)) {
            DrivePath file = findFileOnDrive(fs_, drive_, name, base);
            if (!file.accepted() && file.refusal == PathRefusal::Missing &&
                fileNameOf(name).find(L'.') == std::wstring::npos)
                file = findFileOnDrive(fs_, drive_, name + L".exe", base);
            if (file.accepted()) {
                addProgram(file.path);
                any = true;
            }
        }
        return any;
    }

    void addProgram(const std::wstring& path) { programs_.add(path); }
    void addHiddenFolder(const std::wstring& path) { hiddenFolders_.add(path); }
    bool isShortcut(const std::wstring& path) const { return shortcuts_.contains(path); }

    // A shortcut beside a hidden folder is a decoy when it starts a program on the drive,
    // or a launcher with arguments that name files on the drive.
    bool addDecoy(const std::wstring& shortcutPath) {
        std::unique_ptr<platform::DriveEntry> opening;
        const auto bytes = readShortcut(shortcutPath, opening);
        if (!bytes) return false;
        const auto link = parseShellLink(*bytes);
        if (!link) return false;

        std::vector<std::wstring> programs;
        bool launcher = false;
        bool targetFound = false;
        std::optional<RefusedName> refusedTarget;
        for (const std::wstring* target : {&link->environmentTarget, &link->localPath, &link->relativePath}) {
            if (target->empty()) continue;
            if (isLauncher(*target)) {
                launcher = true;
                continue;
            }
            const DrivePath& program = targetOnDrive(*target);
            targetFound = targetFound || program.accepted();
            if (program.accepted() && hasProgramExtension(program.path)) addOnce(programs, program.path);
            // A target through a link is named, when none of its forms leads to a file here;
            // one elsewhere is what a user's own shortcut names too, and left unsaid.
            if (program.refusal == PathRefusal::OffDrive && !refusedTarget)
                refusedTarget = RefusedName{shortcutPath, *target, program.refusal};
        }
        if (!targetFound && !launcher && refusedTarget) found_.refused.push_back(*refusedTarget);
        if (launcher) {
            // The arguments are taken from the link's working folder when it lies on the
            // drive, and from the folder of the link (the root) otherwise.
            std::wstring base = root_;
            if (!link->workingFolder.empty()) {
                const DrivePath folder = normalizeOnDrive(drive_, link->workingFolder, root_);
                if (folder.accepted()) base = folder.path;
            }
            Infection launched;
            Scan arguments(fs_, drive_, launched);
            arguments.addArguments(link->arguments, base);
            for (const std::wstring& program : launched.programs) addOnce(programs, program);
        }
        if (programs.empty()) return false;
        for (const std::wstring& program : programs) addProgram(program);
        shortcuts_.add(shortcutPath);
        if (opening) keep_->keep(shortcutPath, std::move(opening));
        return true;
    }

    // A shortcut's first bytes, one more than a shortcut may have. With openings to keep
    // it is read through an opening that may also move it, handed back in `opening`.
    std::optional<std::string> readShortcut(const std::wstring& path,
                                            std::unique_ptr<platform::DriveEntry>& opening) {
        constexpr std::size_t kLimit = kMaxShellLinkSize + 1;
        if (!keep_ || keep_->full()) return fs_.readDriveFilePrefix(path, kLimit);
        opening = fs_.openDriveEntry(path, platform::DriveEntryUse::ReadAndMove);
        if (opening->check() != platform::DrivePathCheck::OnDrive) return std::nullopt;
        std::string bytes;
        const bool whole = opening->readInPieces([&](std::string_view piece) {
            bytes.append(piece.substr(0, kLimit - bytes.size()));
            return bytes.size() < kLimit;
        });
        if (!whole && bytes.size() < kLimit) return std::nullopt;
        return bytes;
    }

    // A shortcut's target as findFileOnDrive finds it from the root, each name looked up
    // once per scan: the decoys of a stick mostly start the same program.
    const DrivePath& targetOnDrive(const std::wstring& target) {
        auto known = targets_.find(target);
        if (known == targets_.end())
            known = targets_.emplace(target, findFileOnDrive(fs_, drive_, target, root_)).first;
        return known->second;
    }

    static void addOnce(std::vector<std::wstring>& list, const std::wstring& path) {
        if (std::none_of(list.begin(), list.end(), [&](const std::wstring& p) { return sameName(p, path); }))
            list.push_back(path);
    }

    const std::wstring& root() const { return root_; }

private:
    platform::FileSystem& fs_;
    KeptOpenings* keep_;
    wchar_t drive_;
    std::wstring root_;
    Infection& found_;
    OnceList programs_;
    OnceList shortcuts_;
    OnceList hiddenFolders_;
    std::unordered_map<std::wstring, DrivePath> targets_;
};

}  // namespace

AutorunRead readInfectedAutorun(platform::FileSystem& fs, wchar_t drive) {
    AutorunRead read;
    const std::wstring path = protectionFolder(drive);
    // The same test as the INFECTED status and removeInfectedFile().
    if (!hasAutorunFile(fs, drive)) return read;
    read.present = true;
    // A link of that name is never read through: what it leads to is not the drive's.
    if (const auto check = fs.checkOnDrive(path);
        check == platform::DrivePathCheck::Link || check == platform::DrivePathCheck::OffDrive) {
        read.refusal = PathRefusal::OffDrive;
        return read;
    }
    if (auto bytes = fs.readDriveFilePrefix(path, kAutorunReadLimit)) {
        const std::size_t readSize = bytes->size();
        read = autorunFromBytes(std::move(*bytes), readSize);
    }
    // A file cut at the limit may be longer: its listing tells its whole size.
    if (read.bytes.size() == kAutorunReadLimit) {
        if (const auto entries = fs.listFolder(driveRoot(drive))) {
            for (const platform::FolderEntry& entry : *entries) {
                if (sameName(entry.name, L"autorun.inf") && !(entry.attributes & attr::kDirectory))
                    read.size = entry.size;
            }
        }
    }
    return read;
}

const std::wstring& refusalText(PathRefusal reason, const TextOf& text) {
    switch (reason) {
        case PathRefusal::Missing:
            return text(CaptionLine::kRefusedMissing);
        case PathRefusal::Folder:
            return text(CaptionLine::kRefusedFolder);
        case PathRefusal::Quarantined:
            return text(CaptionLine::kRefusedQuarantined);
        case PathRefusal::Empty:
        case PathRefusal::DeviceName:
        case PathRefusal::BadName:
        case PathRefusal::TooLong:
            return text(CaptionLine::kRefusedBadName);
        case PathRefusal::None:
        case PathRefusal::Network:
        case PathRefusal::OtherDrive:
        case PathRefusal::Variable:
        case PathRefusal::LeavesRoot:
        case PathRefusal::OffDrive:
            break;
    }
    return text(CaptionLine::kRefusedOffDrive);
}

std::wstring refusedLine(const RefusedName& refused, const TextOf& text) {
    // A name from a hostile file may be as long as a line of it: it is cut for the eye.
    constexpr std::size_t kShownNameLength = 120;
    std::wstring name = refused.name;
    if (name.size() > kShownNameLength) name = name.substr(0, kShownNameLength - 3) + L"...";
    std::wstring line;
    if (refused.key.size() > 2 && refused.key[1] == L':') {
        line = refused.key + L" -> " + name;  // a shortcut and its target
    } else if (!refused.key.empty()) {
        line = refused.key.substr(0, kShownNameLength) + L"=" + name;  // an autorun.inf entry
    } else {
        line = name;
    }
    return line + L" (" + refusalText(refused.reason, text) + L")";
}

AutorunRead autorunFromBytes(std::string bytes, std::uint64_t size) {
    AutorunRead read;
    read.present = true;
    read.readable = true;
    read.bytes = std::move(bytes);
    read.bytes.resize(std::min<std::size_t>(read.bytes.size(), kAutorunReadLimit));
    read.size = std::max<std::uint64_t>(size, read.bytes.size());
    read.parsed = parseAutorunFile(read.bytes);
    return read;
}

void KeptOpenings::keep(const std::wstring& path, std::unique_ptr<platform::DriveEntry> entry) {
    entries_[nameKey(path)] = std::move(entry);
}

std::unique_ptr<platform::DriveEntry> KeptOpenings::take(const std::wstring& path) {
    const auto kept = entries_.find(nameKey(path));
    if (kept == entries_.end()) return nullptr;
    std::unique_ptr<platform::DriveEntry> entry = std::move(kept->second);
    entries_.erase(kept);
    return entry;
}

Infection scanDrive(platform::FileSystem& fs, wchar_t drive, AutorunRead autorun, KeptOpenings* keep) {
    Infection found;
    found.drive = drive;
    found.autorun = std::move(autorun);
    Scan scan(fs, drive, found, keep);
    if (found.autorun.refusal != PathRefusal::None)
        found.refused.push_back({{}, protectionFolder(drive), found.autorun.refusal});

    for (const AutorunEntry& entry : found.autorun.parsed.entries) {
        PathRefusal refusal = PathRefusal::None;
        if (entry.kind == AutorunEntry::Kind::Command) {
            refusal = scan.addCommand(entry.value, scan.root());
        } else {
            const DrivePath file = findFileOnDrive(fs, drive, entry.value, scan.root());
            if (file.accepted()) scan.addProgram(file.path);
            refusal = file.refusal;
        }
        if (refusal != PathRefusal::None) found.refused.push_back({entry.key, entry.value, refusal});
    }

    // Folders with both Hidden and System set, each beside a shortcut of the same name.
    const auto entries = fs.listFolder(scan.root());
    if (entries) {
        // The root's files by name, each name's first in the listing: one pass, then each
        // folder finds its shortcut at once.
        std::unordered_map<std::wstring, std::size_t> files;
        for (std::size_t i = 0; i < entries->size(); ++i) {
            if (!((*entries)[i].attributes & attr::kDirectory))
                files.try_emplace(nameKey((*entries)[i].name), i);
        }
        constexpr std::uint32_t kHiddenSystem = attr::kHidden | attr::kSystem;
        for (const platform::FolderEntry& folder : *entries) {
            if (!(folder.attributes & attr::kDirectory) ||
                (folder.attributes & kHiddenSystem) != kHiddenSystem)
                continue;
            const auto shortcut = files.find(nameKey(folder.name + L".lnk"));
            if (shortcut == files.end()) continue;
            if (!scan.addDecoy(scan.root() + (*entries)[shortcut->second].name) ||
                isSystemFolder(folder.name))
                continue;
            // A folder that is a link is never shown again: its attributes are another's.
            if (folder.attributes & attr::kReparsePoint) {
                found.refused.push_back({{}, scan.root() + folder.name, PathRefusal::OffDrive});
            } else {
                scan.addHiddenFolder(scan.root() + folder.name);
            }
        }
    }

    // A decoy's shortcut is listed as a shortcut, not also as a program; autorun.inf itself
    // is never a program to move (Protect removes it, and a copy goes with the rest).
    const std::wstring autorunPath = protectionFolder(drive);
    std::erase_if(found.programs, [&](const std::wstring& program) {
        return sameName(program, autorunPath) || scan.isShortcut(program);
    });
    return found;
}

}  // namespace lockbay
