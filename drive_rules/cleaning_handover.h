// Handing a drive to clean over to Lockbay. The watcher (and the command line without
// --clean) removes an infected autorun.inf, and with it the only record of what the file
// started; Lockbay, opened later, could no longer find those programs. So the program
// that removed the file keeps its first bytes in the user's registry under kHandoverKey,
// one value per volume, named after the letter it had and its serial number
// ("E: 1A2B3C4D"). The entry is about that volume under whatever letter it comes back,
// and never about a different stick that later gets the same letter.
//
// The value is REG_BINARY: the serial (4 bytes, little-endian), 1 when an autorun.inf's
// bytes follow or 0 when the drive had none that could be read (its decoys alone are
// to be cleaned), the file's whole size (8 bytes, little-endian), when the entry was
// written (8 bytes, little-endian, seconds since 1970 UTC), then the file's first bytes
// (at most kAutorunReadLimit). Anything else in the key is not an entry.
//
// Every program of the user can write that key, and Lockbay runs elevated: an entry
// counts only for a drive that the watcher itself would watch, and the names its bytes
// give pass the same rules as those read from a drive's autorun.inf.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "drive_rules/cleaning.h"
#include "platform/filesystem.h"
#include "platform/registry.h"

namespace lockbay {

inline constexpr wchar_t kHandoverKey[] = L"Software\\Lockbay\\Drives to clean";
// An entry whose stick has not come back within this time is dropped.
inline constexpr std::int64_t kHandoverLifetimeSeconds = 30LL * 24 * 60 * 60;
// The most values of the key that are looked at: more are dropped unread.
inline constexpr std::size_t kMostHandoverValues = 64;

// The drives the watcher looks after, and the only ones a hand-over can be about:
// removable drives and fixed disks on the USB bus. Never the drive Windows runs from
// (it may run from a USB disk), and never a network, optical, RAM or unknown drive.
bool isWatchedDrive(wchar_t drive, const platform::DriveDetails& details, std::optional<wchar_t> systemDrive);

struct HandedOver {
    std::wstring name;  // the value's name
    wchar_t drive = L'C';
    std::uint32_t serial = 0;
    std::int64_t storedAt = 0;  // seconds since 1970 UTC
    AutorunRead autorun;        // not `present` when the drive had no readable autorun.inf
};

// The value name of a volume's entry: "E: 1A2B3C4D".
std::wstring handoverName(wchar_t drive, std::uint32_t serial);
platform::RegistryValue handoverValue(std::uint32_t serial, const AutorunRead& autorun, std::int64_t now);
// Nothing when the name and value are not an entry as handoverName() and handoverValue()
// make them.
std::optional<HandedOver> parseHandover(const std::wstring& name, const platform::RegistryValue& value);

// Now, in seconds since 1970 UTC, as the entries record it.
std::int64_t handoverClockNow();

// Keeps what a drive still carries for Lockbay, replacing every earlier entry of that volume.
platform::RegistryStatus storeHandover(platform::Registry& registry, wchar_t drive, std::uint32_t serial,
                                       const AutorunRead& autorun, std::int64_t now);
// Removes every entry of the volume, and the key once it holds no entry any more. Done
// also when there was none.
platform::RegistryStatus dropHandover(platform::Registry& registry, std::uint32_t serial);

// Every entry of the key. What is not an entry, and an entry older than
// kHandoverLifetimeSeconds (or written in the future), is dropped on the way.
std::vector<HandedOver> handedOverEntries(platform::Registry& registry, std::int64_t now);

// What the entry of the volume in `drive` hands over (the entry stays), when the drive is
// one the watcher would watch. An entry of a volume that is here in a drive the watcher
// would not watch is dropped.
std::optional<AutorunRead> handoverFor(platform::Registry& registry, platform::FileSystem& fs, wchar_t drive,
                                       std::int64_t now);

}  // namespace lockbay
