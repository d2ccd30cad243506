// The file-system steps of Protect and Restore: see drive_steps.h.
#include "drive_rules/drive_steps.h"

#include "drive_rules/best_effort.h"
#include "drive_rules/drive_commands.h"
#include "drive_rules/drive_status.h"

namespace lockbay {

AutorunRemoval removeInfectedFile(platform::FileSystem& fs, wchar_t drive, const TextOf& text,
                                  const platform::LocalTime& when) {
    const std::wstring file = protectionFolder(drive);
    const auto attributes = fs.attributes(file);
    if (!attributes || (*attributes & platform::attr::kDirectory)) return {FileRemoval::NoFile, true};
    // A link of that name leads off the drive: its target is never changed or moved, and
    // removing it removes the link alone, which holds nothing of the user's. A file that is
    // no link yet lies outside the drive (a drive made with subst) is left alone: deleting
    // it would delete the user's file elsewhere, and without a copy.
    switch (fs.checkOnDrive(file)) {
        case platform::DrivePathCheck::Link:
            if (fs.deleteFile(file) && !hasAutorunFile(fs, drive)) return {FileRemoval::Removed, true};
            return {FileRemoval::Failed, true};
        case platform::DrivePathCheck::OffDrive:
            return {FileRemoval::Failed, true};
        default:
            break;
    }
    // Read-only stops a deletion, and the README tells what the file had.
    constexpr std::uint32_t kTakenOff =
        platform::attr::kReadOnly | platform::attr::kHidden | platform::attr::kSystem;
    if (*attributes & kTakenOff) ignoreFailure(fs.setAttributes(file, platform::attr::kNormal));
    switch (quarantineAutorun(fs, drive, *attributes, text, when)) {
        case AutorunQuarantine::Moved:
            return {FileRemoval::Removed, true};
        case AutorunQuarantine::NotMoved:
            return {FileRemoval::Failed, true};
        case AutorunQuarantine::NoFolder:
            break;
    }
    // Read afresh: a medium that cannot be written may accept the deletion and keep the file.
    if (fs.deleteFile(file) && !hasAutorunFile(fs, drive)) return {FileRemoval::Removed, false};
    return {FileRemoval::Failed, false};
}

bool infectedFileGone(platform::FileSystem& fs, wchar_t drive) {
    const auto attributes = fs.attributes(protectionFolder(drive));
    return !attributes || (*attributes & platform::attr::kDirectory);
}

void makeHiddenFolder(platform::FileSystem& fs, const std::wstring& path) {
    namespace attr = platform::attr;
    ignoreFailure(fs.makeDirectory(path));
    const auto attributes = fs.attributes(path);
    // A folder that is hidden and nothing else already (protected before) stays as it is.
    if (!attributes || !(*attributes & attr::kDirectory) ||
        (*attributes & ~attr::kDirectory) == attr::kHidden)
        return;
    // A link of that name (to a folder elsewhere) keeps its target's attributes as they are.
    if (fs.checkOnDrive(path) == platform::DrivePathCheck::OnDrive)
        ignoreFailure(fs.setAttributes(path, attr::kHidden));
}

AutorunRemoval removeInfectedFileAgain(platform::FileSystem& fs, wchar_t drive, const TextOf& text,
                                       const platform::LocalTime& when) {
    if (infectedFileGone(fs, drive)) return {FileRemoval::Removed, true};
    AutorunRemoval removal = removeInfectedFile(fs, drive, text, when);
    if (removal.outcome == FileRemoval::NoFile || infectedFileGone(fs, drive))
        removal.outcome = FileRemoval::Removed;
    return removal;
}

bool makeProtectionFolder(platform::FileSystem& fs, wchar_t drive) {
    makeHiddenFolder(fs, protectionFolder(drive));
    return isDirectory(fs, protectionFolder(drive));
}

void makeMarkerFolder(platform::FileSystem& fs, wchar_t drive) {
    makeHiddenFolder(fs, markerFolder(drive));
}

bool isNtfs(platform::FileSystem& fs, wchar_t drive) {
    return fs.fileSystemName(drive) == L"NTFS";
}

bool hasRoomToConvert(platform::FileSystem& fs, wchar_t drive) {
    return freeMegabytes(fs, drive) >= kConversionMinimumMegabytes;
}

bool canConvertToNtfs(const std::wstring& fileSystem) {
    return fileSystem == L"FAT" || fileSystem == L"FAT32";
}

AdvancedMarking markAdvancedWhenDenied(platform::FileSystem& fs, wchar_t drive) {
    if (!fs.everyoneDenied(protectionFolder(drive)).value_or(false)) return AdvancedMarking::NotDenied;
    makeMarkerFolder(fs, drive);
    return hasAdvancedMarker(fs, drive) ? AdvancedMarking::Marked : AdvancedMarking::MarkerNotMade;
}

bool hasAdvancedMarker(platform::FileSystem& fs, wchar_t drive) {
    return isDirectory(fs, markerFolder(drive));
}

bool removeMarkerFolder(platform::FileSystem& fs, wchar_t drive) {
    return fs.removeDirectory(markerFolder(drive));
}

bool removeProtectionFolder(platform::FileSystem& fs, wchar_t drive) {
    return fs.removeDirectory(protectionFolder(drive));
}

}  // namespace lockbay
