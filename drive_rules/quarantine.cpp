// Cleaning a drive: the quarantine folder, the moves, the copy of autorun.inf, the
// README.txt and showing the hidden folders again. See cleaning.h.
#include <algorithm>
#include <cstdio>

#include "drive_rules/best_effort.h"
#include "drive_rules/cleaning.h"
#include "drive_rules/drive_status.h"
#include "drive_rules/sha256.h"
#include "platform/encoding.h"
#include "texts/text_inserts.h"

namespace lockbay {

namespace {

namespace attr = platform::attr;

constexpr std::wstring_view kQuarantinedSuffix = L".quarantined";
constexpr std::wstring_view kReadmeName = L"README.txt";
constexpr std::wstring_view kAutorunCopyName = L"autorun.inf.quarantined";

std::wstring twoDigits(int n) {
    wchar_t text[8];
    std::swprintf(text, 8, L"%02d", n);
    return text;
}

// "2026-12-09 14:03:22", for people.
std::wstring readableTime(const platform::LocalTime& when) {
    return std::to_wstring(when.year) + L"-" + twoDigits(when.month) + L"-" + twoDigits(when.day) + L" " +
           twoDigits(when.hour) + L":" + twoDigits(when.minute) + L":" + twoDigits(when.second);
}

// Makes `folder` and every missing folder above it, up to `top` (which exists).
bool makeFolders(platform::FileSystem& fs, const std::wstring& top, const std::wstring& folder) {
    for (std::size_t slash = folder.find(L'\\', top.size() + 1);; slash = folder.find(L'\\', slash + 1)) {
        const std::wstring level = folder.substr(0, slash);
        if (!fs.makeDirectory(level) && !isDirectory(fs, level)) return false;
        if (slash == std::wstring::npos) return true;
    }
}

bool leadsOffDrive(platform::DrivePathCheck check) {
    return check == platform::DrivePathCheck::Link || check == platform::DrivePathCheck::OffDrive;
}

// True when the drive's own `path` is a link or leads off the drive.
bool leadsOffDrive(platform::FileSystem& fs, const std::wstring& path) {
    return leadsOffDrive(fs.checkOnDrive(path));
}

// A new folder for this cleaning: "<stamp>", or "<stamp> (2)" and on when a cleaning in
// the same second made one already. Empty when none can be made, and when the quarantine
// folder is a link (then `refused` names it): nothing is ever written through one.
std::wstring makeQuarantineFolder(platform::FileSystem& fs, wchar_t drive, const platform::LocalTime& when,
                                  std::vector<RefusedName>& refused) {
    const std::wstring top = quarantineRoot(drive);
    if (!fs.makeDirectory(top) && !isDirectory(fs, top)) return {};
    if (leadsOffDrive(fs, top)) {
        refused.push_back({{}, top, PathRefusal::OffDrive});
        return {};
    }
    const std::wstring stamp = top + L"\\" + quarantineStamp(when);
    for (int n = 1; n <= 99; ++n) {
        const std::wstring folder = n == 1 ? stamp : stamp + L" (" + std::to_wstring(n) + L")";
        if (fs.makeDirectory(folder)) return folder;
        if (!fs.attributes(folder)) return {};  // not there, yet it could not be made
    }
    return {};
}

// The size and SHA-256 of a file's content; an empty digest when it cannot be read.
void measure(platform::DriveEntry& file, CleanedItem& item) {
    Sha256 hash;
    std::uint64_t size = 0;
    const bool read = file.readInPieces([&](std::string_view piece) {
        hash.update(piece);
        size += piece.size();
        return true;
    });
    if (!read) return;
    item.size = size;
    item.sha256 = hash.hexDigest();
}

// A file in the quarantine is never Hidden or System: whoever opens the folder sees it.
void showQuarantinedFile(platform::FileSystem& fs, const CleanedItem& item) {
    if (!(item.attributes & (attr::kHidden | attr::kSystem))) return;
    std::uint32_t shown = item.attributes & ~(attr::kHidden | attr::kSystem | attr::kDirectory);
    ignoreFailure(fs.setAttributes(item.newPath, shown == 0 ? attr::kNormal : shown));
}

// "+R +H +S": the attributes a file had that attrib gives back.
std::wstring attribFlags(std::uint32_t attributes) {
    std::wstring flags;
    const std::pair<std::uint32_t, const wchar_t*> known[] = {
        {attr::kReadOnly, L"+R"}, {attr::kHidden, L"+H"}, {attr::kSystem, L"+S"}};
    for (const auto& [bit, flag] : known) {
        if (!(attributes & bit)) continue;
        if (!flags.empty()) flags += L" ";
        flags += flag;
    }
    return flags;
}

// Reads, measures and moves the file `path` through `file`, its one opening.
CleanedItem moveIntoQuarantine(platform::FileSystem& fs, platform::DriveEntry& file, CleanedItem::Kind kind,
                               const std::wstring& path, const std::wstring& folder) {
    CleanedItem item;
    item.kind = kind;
    item.oldPath = path;
    // The path below the root ("RECYCLER\x.exe") is kept below the quarantine folder.
    item.newPath = folder + L"\\" + path.substr(3) + std::wstring(kQuarantinedSuffix);
    measure(file, item);
    const std::wstring parent = item.newPath.substr(0, item.newPath.rfind(L'\\'));
    // A failure without a reason from the system leaves `error` empty: the summary's
    // heading says what did not happen.
    if (parent != folder && !makeFolders(fs, folder, parent)) return item;
    item.attributes = file.attributes().value_or(0);
    item.done = file.moveWithinDrive(item.newPath, item.error);
    if (item.done) showQuarantinedFile(fs, item);
    return item;
}

CleanedItem copyAutorun(platform::FileSystem& fs, const AutorunRead& autorun, wchar_t drive,
                        const std::wstring& folder) {
    CleanedItem item;
    item.kind = CleanedItem::Kind::AutorunCopy;
    item.oldPath = protectionFolder(drive);
    item.newPath = folder + L"\\" + std::wstring(kAutorunCopyName);
    item.size = autorun.bytes.size();
    item.sha256 = sha256Hex(autorun.bytes);
    // Written under a temporary name and moved into place: a full drive leaves no part.
    item.done = platform::writeWholeFile(fs, item.newPath, autorun.bytes, item.error);
    return item;
}

CleanedItem showFolder(platform::DriveEntry& entry, const std::wstring& folder) {
    CleanedItem item;
    item.kind = CleanedItem::Kind::HiddenFolder;
    item.oldPath = folder;
    const auto attributes = entry.attributes();
    if (!attributes || !(*attributes & attr::kDirectory)) return item;
    std::uint32_t shown = *attributes & ~(attr::kHidden | attr::kSystem | attr::kDirectory);
    if (shown == 0) shown = attr::kNormal;
    item.done = entry.setAttributes(shown);
    return item;
}

std::wstring readmeText(const CleanReport& report, const AutorunRead& autorun, const TextOf& text,
                        const platform::LocalTime& when) {
    const std::wstring drive(1, report.drive);
    const bool autorunAlone = report.items.size() == 1 && report.items[0].kind == CleanedItem::Kind::Autorun;
    std::wstring out = fillInserts(
        text(autorunAlone ? CaptionLine::kQuarantineReadmeAutorunIntro : CaptionLine::kQuarantineReadmeIntro),
        {drive, readableTime(when)});
    out += L"\r\n\r\n" + text(CaptionLine::kQuarantineReadmeHowToRestore) + L"\r\n";
    const auto describe = [&](const CleanedItem& item) {
        out += fillInserts(text(CaptionLine::kQuarantineReadmeOldPath), {item.oldPath}) + L"\r\n";
        out += fillInserts(text(CaptionLine::kQuarantineReadmeNewPath), {item.newPath}) + L"\r\n";
        out += fillInserts(text(CaptionLine::kQuarantineReadmeSize), {std::to_wstring(item.size)}) + L"\r\n";
        out += fillInserts(text(CaptionLine::kQuarantineReadmeSha256), {platform::fromUtf8(item.sha256)}) +
               L"\r\n";
        if (const std::wstring flags = attribFlags(item.attributes); !flags.empty()) {
            out +=
                fillInserts(text(CaptionLine::kQuarantineReadmeAttributes), {flags, item.oldPath}) + L"\r\n";
        }
    };
    for (const CleanedItem& item : report.items) {
        if (item.kind == CleanedItem::Kind::AutorunCopy || item.kind == CleanedItem::Kind::HiddenFolder)
            continue;
        out += L"\r\n";
        if (item.done) {
            describe(item);
        } else {
            out += fillInserts(text(CaptionLine::kQuarantineReadmeNotMoved), {item.oldPath}) + L"\r\n";
            if (!item.error.empty()) out += item.error + L"\r\n";
        }
    }
    if (!report.refused.empty()) out += L"\r\n" + text(CaptionLine::kCleanRefusedHeading) + L"\r\n";
    for (const RefusedName& refused : report.refused) out += refusedLine(refused, text) + L"\r\n";
    for (const CleanedItem& item : report.items) {
        if (item.kind != CleanedItem::Kind::AutorunCopy || !item.done) continue;
        out += L"\r\n" + text(CaptionLine::kQuarantineReadmeAutorunCopy) + L"\r\n";
        describe(item);
        if (autorun.size > autorun.bytes.size()) {
            out += fillInserts(text(CaptionLine::kQuarantineReadmeAutorunCut),
                               {std::to_wstring(autorun.bytes.size()), std::to_wstring(autorun.size)}) +
                   L"\r\n";
        }
    }
    return out;
}

}  // namespace

std::wstring quarantineStamp(const platform::LocalTime& when) {
    return std::to_wstring(when.year) + L"-" + twoDigits(when.month) + L"-" + twoDigits(when.day) + L" " +
           twoDigits(when.hour) + L"." + twoDigits(when.minute) + L"." + twoDigits(when.second);
}

bool CleanReport::quarantineIsLink() const {
    return std::any_of(refused.begin(), refused.end(), [&](const RefusedName& r) {
        return r.key.empty() && r.name == quarantineRoot(drive);
    });
}

std::size_t CleanReport::failures() const {
    std::size_t count = quarantined() && !readmeWritten ? 1 : 0;
    for (const CleanedItem& item : items) count += item.done ? 0 : 1;
    return count;
}

AutorunQuarantine quarantineAutorun(platform::FileSystem& fs, wchar_t drive, std::uint32_t attributes,
                                    const TextOf& text, const platform::LocalTime& when) {
    CleanReport report;
    report.drive = drive;
    report.quarantineFolder = makeQuarantineFolder(fs, drive, when, report.refused);
    if (!report.quarantined()) return AutorunQuarantine::NoFolder;
    const std::wstring autorunPath = protectionFolder(drive);
    CleanedItem item =
        moveIntoQuarantine(fs, *fs.openDriveEntry(autorunPath, platform::DriveEntryUse::ReadAndMove),
                           CleanedItem::Kind::Autorun, autorunPath, report.quarantineFolder);
    if (!item.done) {
        // Nothing stays behind for a retry that may move the file into a folder of its own.
        ignoreFailure(fs.removeDirectory(report.quarantineFolder));
        ignoreFailure(fs.removeDirectory(quarantineRoot(drive)));  // only when it is empty
        return AutorunQuarantine::NotMoved;
    }
    // What it had before Lockbay took Read-only, Hidden and System off.
    item.attributes = attributes;
    report.items.push_back(std::move(item));
    const std::string bytes = "\xEF\xBB\xBF" + platform::toUtf8(readmeText(report, {}, text, when));
    std::wstring error;
    ignoreFailure(platform::writeWholeFile(fs, report.quarantineFolder + L"\\" + std::wstring(kReadmeName),
                                           bytes, error));
    return AutorunQuarantine::Moved;
}

CleanReport cleanDrive(platform::FileSystem& fs, const Infection& found, const TextOf& text,
                       const platform::LocalTime& when, KeptOpenings* kept) {
    CleanReport report;
    report.drive = found.drive;
    report.refused = found.refused;
    report.quarantineFolder = makeQuarantineFolder(fs, found.drive, when, report.refused);
    // The quarantine folder and the folders on its way, held open for the whole cleaning:
    // each move into it and each check of it need not open them again.
    const std::unique_ptr<platform::DriveFolderHold> held =
        report.quarantined() ? fs.holdDriveFolder(report.quarantineFolder) : nullptr;
    const auto files = {std::pair{CleanedItem::Kind::Program, &found.programs},
                        std::pair{CleanedItem::Kind::Shortcut, &found.shortcuts}};
    for (const auto& [kind, paths] : files) {
        for (const std::wstring& path : *paths) {
            // Checked again: the drive may have changed while the user was asked. It is read
            // and moved through what was checked: the scan's opening where it kept one, which
            // no one could rename or replace since.
            std::unique_ptr<platform::DriveEntry> file = kept ? kept->take(path) : nullptr;
            if (!file) file = fs.openDriveEntry(path, platform::DriveEntryUse::ReadAndMove);
            if (leadsOffDrive(file->check())) {
                report.refused.push_back({{}, path, PathRefusal::OffDrive});
            } else if (report.quarantined()) {
                report.items.push_back(moveIntoQuarantine(fs, *file, kind, path, report.quarantineFolder));
            } else {
                // No quarantine folder: nothing is moved (the summary says why).
                report.items.push_back({kind, path, {}, 0, {}, false, {}});
            }
        }
    }
    if (report.quarantined() && found.autorun.readable &&
        fs.checkOnDrive(report.quarantineFolder) == platform::DrivePathCheck::OnDrive) {
        report.items.push_back(copyAutorun(fs, found.autorun, found.drive, report.quarantineFolder));
    }
    for (const std::wstring& folder : found.hiddenFolders) {
        const auto entry = fs.openDriveEntry(folder, platform::DriveEntryUse::SetAttributes);
        if (leadsOffDrive(entry->check())) {
            report.refused.push_back({{}, folder, PathRefusal::OffDrive});
        } else {
            report.items.push_back(showFolder(*entry, folder));
        }
    }

    // The quarantine folder is checked once more before anything is written into it.
    if (report.quarantined() &&
        fs.checkOnDrive(report.quarantineFolder) == platform::DrivePathCheck::OnDrive) {
        // UTF-8 with a byte-order mark and CR LF: Notepad shows every path correctly.
        const std::string bytes =
            "\xEF\xBB\xBF" + platform::toUtf8(readmeText(report, found.autorun, text, when));
        report.readmeWritten = platform::writeWholeFile(
            fs, report.quarantineFolder + L"\\" + std::wstring(kReadmeName), bytes, report.readmeError);
    }
    return report;
}

}  // namespace lockbay
