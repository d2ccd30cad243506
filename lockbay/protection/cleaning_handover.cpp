// A drive to clean, handed over to Lockbay through the user's registry: see
// cleaning_handover.h.
#include "lockbay/protection/cleaning_handover.h"

#include "lockbay/protection/best_effort.h"

namespace lockbay {

namespace {

using platform::RegistryRoot;

constexpr std::size_t kSerialBytes = 4;
constexpr std::size_t kSizeBytes = 8;
constexpr std::size_t kHeaderBytes = kSerialBytes + 1 + kSizeBytes;

void appendLittleEndian(std::string& out, std::uint64_t number, std::size_t bytes) {
    for (std::size_t i = 0; i < bytes; ++i) out.push_back(static_cast<char>((number >> (8 * i)) & 0xFF));
}

std::uint64_t readLittleEndian(const std::string& data, std::size_t at, std::size_t bytes) {
    std::uint64_t number = 0;
    for (std::size_t i = bytes; i > 0; --i)
        number = (number << 8) | static_cast<unsigned char>(data[at + i - 1]);
    return number;
}

}  // namespace

std::wstring handoverName(wchar_t drive) {
    return {drive, L':'};
}

platform::RegistryValue handoverValue(std::uint32_t serial, const AutorunRead& autorun) {
    const bool withFile = autorun.present && autorun.readable;
    platform::RegistryValue value{platform::regtype::kBinary, {}};
    appendLittleEndian(value.data, serial, kSerialBytes);
    value.data.push_back(withFile ? '\1' : '\0');
    appendLittleEndian(value.data, withFile ? autorun.size : 0, kSizeBytes);
    if (withFile) value.data += autorun.bytes.substr(0, kAutorunReadLimit);
    return value;
}

std::optional<HandedOver> parseHandover(wchar_t drive, const platform::RegistryValue& value) {
    const std::string& data = value.data;
    if (value.type != platform::regtype::kBinary || data.size() < kHeaderBytes) return std::nullopt;
    const char withFile = data[kSerialBytes];
    const std::uint64_t size = readLittleEndian(data, kSerialBytes + 1, kSizeBytes);
    const std::size_t kept = data.size() - kHeaderBytes;
    HandedOver entry;
    entry.drive = drive;
    entry.serial = static_cast<std::uint32_t>(readLittleEndian(data, 0, kSerialBytes));
    if (withFile == '\0') {
        if (kept != 0 || size != 0) return std::nullopt;
        return entry;
    }
    if (withFile != '\1' || kept > kAutorunReadLimit || size < kept) return std::nullopt;
    entry.autorun = autorunFromBytes(data.substr(kHeaderBytes), size);
    return entry;
}

platform::RegistryStatus storeHandover(platform::Registry& registry, wchar_t drive, std::uint32_t serial,
                                       const AutorunRead& autorun) {
    return registry.write(RegistryRoot::CurrentUser, kHandoverKey, handoverName(drive),
                          handoverValue(serial, autorun));
}

platform::RegistryStatus dropHandover(platform::Registry& registry, wchar_t drive) {
    const platform::RegistryStatus status =
        registry.remove(RegistryRoot::CurrentUser, kHandoverKey, handoverName(drive));
    // The key stays while other drives have entries in it.
    ignoreFailure(registry.removeEmptyKey(RegistryRoot::CurrentUser, kHandoverKey));
    return status;
}

std::optional<AutorunRead> handoverFor(platform::Registry& registry, wchar_t drive, std::uint32_t serial) {
    const auto value = registry.read(RegistryRoot::CurrentUser, kHandoverKey, handoverName(drive));
    if (!value) return std::nullopt;
    auto entry = parseHandover(drive, *value);
    if (!entry || entry->serial != serial) {
        ignoreFailure(dropHandover(registry, drive));
        return std::nullopt;
    }
    return std::move(entry->autorun);
}

}  // namespace lockbay
