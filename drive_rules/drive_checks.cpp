// Reading a drive back: see drive_checks.h.
#include "drive_rules/drive_checks.h"

#include "drive_rules/drive_steps.h"

namespace lockbay {

namespace {
bool hidden(platform::FileSystem& fs, const std::wstring& path) {
    const auto attributes = fs.attributes(path);
    return attributes && (*attributes & platform::attr::kHidden);
}
}  // namespace

ProtectionReading readProtection(platform::FileSystem& fs, wchar_t drive) {
    ProtectionReading reading;
    reading.status = classifyDrive(fs, drive);
    if (reading.status == DriveStatus::Protected) {
        reading.folderHidden = hidden(fs, protectionFolder(drive));
        reading.everyoneDenied = fs.everyoneDenied(protectionFolder(drive));
    }
    reading.marker = hasAdvancedMarker(fs, drive);
    if (reading.marker) reading.markerHidden = hidden(fs, markerFolder(drive));
    return reading;
}

bool isAdvancedProtection(platform::FileSystem& fs, wchar_t drive) {
    return hasAdvancedMarker(fs, drive) || fs.everyoneDenied(protectionFolder(drive)).value_or(false);
}

bool readsProtected(const ProtectionReading& reading, bool advanced) {
    if (reading.status != DriveStatus::Protected || !reading.folderHidden) return false;
    return !advanced || (reading.everyoneDenied.value_or(false) && reading.marker && reading.markerHidden);
}

bool readsRestored(const ProtectionReading& reading) {
    return reading.status != DriveStatus::Protected && !reading.marker;
}

}  // namespace lockbay
