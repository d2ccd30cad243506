// Handing a drive to clean over to Lockbay. The watcher (and the command line without
// --clean) removes an infected autorun.inf, and with it the only record of what the file
// started; Lockbay, opened later, could no longer find those programs. So the program
// that removed the file keeps its first bytes in the user's registry, one value per drive
// letter under kHandoverKey, together with the volume's serial number, so that a different
// stick that later gets the same letter is never taken for it.
//
// The value is REG_BINARY: the serial (4 bytes, little-endian), 1 when an autorun.inf's
// bytes follow or 0 when the drive had none that could be read (its decoys alone are
// to be cleaned), the file's whole size (8 bytes, little-endian), then its first bytes (at
// most kAutorunReadLimit). Anything else under that name is not an entry, and is ignored.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "lockbay/protection/cleaning.h"
#include "platform/registry.h"

namespace lockbay {

inline constexpr wchar_t kHandoverKey[] = L"Software\\Lockbay\\Drives to clean";

struct HandedOver {
    wchar_t drive = L'C';
    std::uint32_t serial = 0;
    AutorunRead autorun;  // not `present` when the drive had no readable autorun.inf
};

// The value name of a drive's entry: "E:".
std::wstring handoverName(wchar_t drive);
platform::RegistryValue handoverValue(std::uint32_t serial, const AutorunRead& autorun);
// Nothing when the value is not an entry as handoverValue() writes it.
std::optional<HandedOver> parseHandover(wchar_t drive, const platform::RegistryValue& value);

// Keeps what a drive still carries for Lockbay, replacing an earlier entry of that letter.
platform::RegistryStatus storeHandover(platform::Registry& registry, wchar_t drive, std::uint32_t serial,
                                       const AutorunRead& autorun);
// Removes a drive's entry, and the key once it holds no entry any more. Done also when
// there was none.
platform::RegistryStatus dropHandover(platform::Registry& registry, wchar_t drive);

// What the drive's entry hands over, when it is one and belongs to the volume with
// `serial` (the entry stays). An entry of another volume, or bad data, is dropped: the
// stick it was about is not there.
std::optional<AutorunRead> handoverFor(platform::Registry& registry, wchar_t drive, std::uint32_t serial);

}  // namespace lockbay
