// The file-system steps of Protect and Restore: see drive_steps.h.
#include "lockbay/protection/drive_steps.h"

#include "lockbay/protection/best_effort.h"
#include "lockbay/protection/drive_status.h"

namespace lockbay {

FileRemoval removeInfectedFile(platform::FileSystem& fs, wchar_t drive) {
    const std::wstring file = protectionFolder(drive);
    if (!fs.normalFileExists(file)) return FileRemoval::NoFile;
    return fs.deleteFile(file) ? FileRemoval::Removed : FileRemoval::Failed;
}

bool infectedFileGone(platform::FileSystem& fs, wchar_t drive) {
    const auto attributes = fs.attributes(protectionFolder(drive));
    return !attributes || (*attributes & platform::attr::kDirectory);
}

void makeHiddenFolder(platform::FileSystem& fs, const std::wstring& path) {
    ignoreFailure(fs.makeDirectory(path));
    // A link of that name (to a folder elsewhere) keeps its target's attributes as they are.
    if (isDirectory(fs, path) && fs.checkOnDrive(path) == platform::DrivePathCheck::OnDrive)
        ignoreFailure(fs.setAttributes(path, platform::attr::kHidden));
}

bool removeInfectedFileAgain(platform::FileSystem& fs, wchar_t drive) {
    return infectedFileGone(fs, drive) || fs.deleteFile(protectionFolder(drive)) ||
           infectedFileGone(fs, drive);
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
