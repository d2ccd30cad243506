// Reading a drive back after an operation: what its root really holds, so that a
// program which waits for its steps reports success only when the drive reads as asked.
#pragma once

#include <optional>

#include "drive_rules/drive_status.h"
#include "platform/filesystem.h"

namespace lockbay {

struct ProtectionReading {
    DriveStatus status = DriveStatus::Unprotected;
    bool folderHidden = false;  // the protection folder carries the Hidden attribute
    bool marker = false;        // the marker folder of Advanced protection is there
    bool markerHidden = false;
    // The protection folder's access list denies Everyone all access; nothing when the
    // list cannot be read or there is no folder.
    std::optional<bool> everyoneDenied;
};

// Reads the drive's root afresh.
ProtectionReading readProtection(platform::FileSystem& fs, wchar_t drive);

// A protected drive whose protection is Advanced: the marker folder is there, or the
// folder denies Everyone (a drive that went through the conversion has no marker).
bool isAdvancedProtection(platform::FileSystem& fs, wchar_t drive);

// What Protect asked for: the hidden folder; with Advanced also the deny entry and the
// hidden marker.
bool readsProtected(const ProtectionReading& reading, bool advanced);
// What Restore asked for: neither the folder nor the marker is there.
bool readsRestored(const ProtectionReading& reading);

}  // namespace lockbay
