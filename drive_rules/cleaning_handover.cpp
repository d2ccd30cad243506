// A drive to clean, handed over to Lockbay through the user's registry: see
// cleaning_handover.h.
#include "drive_rules/cleaning_handover.h"

#include <chrono>
#include <cstdio>

#include "drive_rules/best_effort.h"

namespace lockbay {

namespace {

using platform::RegistryRoot;

constexpr std::size_t kSerialBytes = 4;
constexpr std::size_t kSizeBytes = 8;
constexpr std::size_t kTimeBytes = 8;
constexpr std::size_t kHeaderBytes = kSerialBytes + 1 + kSizeBytes + kTimeBytes;

void appendLittleEndian(std::string& out, std::uint64_t number, std::size_t bytes) {
    for (std::size_t i = 0; i < bytes; ++i) out.push_back(static_cast<char>((number >> (8 * i)) & 0xFF));
}

std::uint64_t readLittleEndian(const std::string& data, std::size_t at, std::size_t bytes) {
    std::uint64_t number = 0;
    for (std::size_t i = bytes; i > 0; --i)
        number = (number << 8) | static_cast<unsigned char>(data[at + i - 1]);
    return number;
}

void dropValue(platform::Registry& registry, const std::wstring& name) {
    ignoreFailure(registry.remove(RegistryRoot::CurrentUser, kHandoverKey, name));
}

}  // namespace

bool isWatchedDrive(wchar_t drive, const platform::DriveDetails& details,
                    std::optional<wchar_t> systemDrive) {
    if (systemDrive && *systemDrive == drive) return false;
    switch (details.kind) {
        case platform::DriveKind::Removable:
            return true;
        case platform::DriveKind::Fixed:
            return details.usbBus;
        default:
            return false;
    }
}

std::wstring handoverName(wchar_t drive, std::uint32_t serial) {
    wchar_t text[16];
    std::swprintf(text, 16, L"%lc: %08X", static_cast<wint_t>(drive), static_cast<unsigned>(serial));
    return text;
}

platform::RegistryValue handoverValue(std::uint32_t serial, const AutorunRead& autorun, std::int64_t now) {
    const bool withFile = autorun.present && autorun.readable;
    platform::RegistryValue value{platform::regtype::kBinary, {}};
    appendLittleEndian(value.data, serial, kSerialBytes);
    value.data.push_back(withFile ? '\1' : '\0');
    appendLittleEndian(value.data, withFile ? autorun.size : 0, kSizeBytes);
    appendLittleEndian(value.data, static_cast<std::uint64_t>(now), kTimeBytes);
    if (withFile) value.data += autorun.bytes.substr(0, kAutorunReadLimit);
    return value;
}

std::optional<HandedOver> parseHandover(const std::wstring& name, const platform::RegistryValue& value) {
    const std::string& data = value.data;
    if (value.type != platform::regtype::kBinary || data.size() < kHeaderBytes) return std::nullopt;
    HandedOver entry;
    entry.name = name;
    entry.serial = static_cast<std::uint32_t>(readLittleEndian(data, 0, kSerialBytes));
    // The name is the one handoverName() gives this volume, under any letter.
    const wchar_t letter = name.empty() ? L'\0' : name[0];
    if (letter < L'A' || letter > L'Z' || name != handoverName(letter, entry.serial)) return std::nullopt;
    entry.drive = letter;
    const char withFile = data[kSerialBytes];
    const std::uint64_t size = readLittleEndian(data, kSerialBytes + 1, kSizeBytes);
    entry.storedAt =
        static_cast<std::int64_t>(readLittleEndian(data, kSerialBytes + 1 + kSizeBytes, kTimeBytes));
    const std::size_t kept = data.size() - kHeaderBytes;
    if (withFile == '\0') {
        if (kept != 0 || size != 0) return std::nullopt;
        return entry;
    }
    if (withFile != '\1' || kept > kAutorunReadLimit || size < kept) return std::nullopt;
    entry.autorun = autorunFromBytes(data.substr(kHeaderBytes), size);
    return entry;
}

std::int64_t handoverClockNow() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

platform::RegistryStatus storeHandover(platform::Registry& registry, wchar_t drive, std::uint32_t serial,
                                       const AutorunRead& autorun, std::int64_t now) {
    const std::wstring name = handoverName(drive, serial);
    for (const HandedOver& entry : handedOverEntries(registry, now)) {
        if (entry.serial == serial && entry.name != name) dropValue(registry, entry.name);
    }
    return registry.write(RegistryRoot::CurrentUser, kHandoverKey, name, handoverValue(serial, autorun, now));
}

platform::RegistryStatus dropHandover(platform::Registry& registry, std::uint32_t serial) {
    platform::RegistryStatus status = platform::RegistryStatus::Done;
    // Without the key there is nothing to drop: one question instead of a read per letter.
    if (!registry.keyExists(RegistryRoot::CurrentUser, kHandoverKey)) return status;
    for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) {
        const std::wstring name = handoverName(letter, serial);
        if (!registry.read(RegistryRoot::CurrentUser, kHandoverKey, name)) continue;
        if (const auto removed = registry.remove(RegistryRoot::CurrentUser, kHandoverKey, name);
            removed != platform::RegistryStatus::Done)
            status = removed;
    }
    // The key stays while other volumes have entries in it.
    ignoreFailure(registry.removeEmptyKey(RegistryRoot::CurrentUser, kHandoverKey));
    return status;
}

std::vector<HandedOver> handedOverEntries(platform::Registry& registry, std::int64_t now) {
    std::vector<HandedOver> entries;
    // One more than are read: a key that holds more is not all entries, and the rest goes.
    const std::vector<std::wstring> names =
        registry.valueNames(RegistryRoot::CurrentUser, kHandoverKey, kMostHandoverValues + 1);
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::wstring& name = names[i];
        const auto value = i < kMostHandoverValues
                               ? registry.read(RegistryRoot::CurrentUser, kHandoverKey, name)
                               : std::nullopt;
        auto entry = value ? parseHandover(name, *value) : std::nullopt;
        if (!entry || entry->storedAt > now || now - entry->storedAt > kHandoverLifetimeSeconds) {
            dropValue(registry, name);
            continue;
        }
        entries.push_back(std::move(*entry));
    }
    if (entries.empty()) ignoreFailure(registry.removeEmptyKey(RegistryRoot::CurrentUser, kHandoverKey));
    return entries;
}

std::optional<AutorunRead> handoverFor(platform::Registry& registry, platform::FileSystem& fs, wchar_t drive,
                                       std::int64_t now) {
    if (!registry.keyExists(RegistryRoot::CurrentUser, kHandoverKey)) return std::nullopt;
    const platform::DriveDetails details = fs.driveDetails(drive);
    for (HandedOver& entry : handedOverEntries(registry, now)) {
        if (entry.serial != details.serial) continue;
        if (!isWatchedDrive(drive, details, fs.systemDrive())) {
            ignoreFailure(dropHandover(registry, entry.serial));
            return std::nullopt;
        }
        return std::move(entry.autorun);
    }
    return std::nullopt;
}

}  // namespace lockbay
