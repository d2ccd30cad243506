// Registry values of the common types: see registry.h.
#include "platform/registry.h"

namespace platform {

RegistryValue stringValue(std::wstring_view text) {
    RegistryValue value{regtype::kString, {}};
    value.data.reserve((text.size() + 1) * 2);
    for (wchar_t c : text) {
        const auto unit = static_cast<std::uint16_t>(c);
        value.data.push_back(static_cast<char>(unit & 0xFF));
        value.data.push_back(static_cast<char>(unit >> 8));
    }
    value.data.append(2, '\0');
    return value;
}

RegistryValue dwordValue(std::uint32_t number) {
    RegistryValue value{regtype::kDword, {}};
    for (int shift = 0; shift < 32; shift += 8)
        value.data.push_back(static_cast<char>((number >> shift) & 0xFF));
    return value;
}

std::optional<std::wstring> stringOf(const RegistryValue& value) {
    if (value.type != regtype::kString && value.type != regtype::kExpandString) return std::nullopt;
    std::wstring text;
    for (std::size_t i = 0; i + 1 < value.data.size(); i += 2) {
        const auto unit = static_cast<wchar_t>(static_cast<unsigned char>(value.data[i]) |
                                               (static_cast<unsigned char>(value.data[i + 1]) << 8));
        // The stored text may or may not carry its terminating zero; it ends at the first.
        if (unit == L'\0') break;
        text.push_back(unit);
    }
    return text;
}

std::optional<std::uint32_t> dwordOf(const RegistryValue& value) {
    if (value.type != regtype::kDword || value.data.size() != 4) return std::nullopt;
    std::uint32_t number = 0;
    for (int i = 3; i >= 0; --i)
        number = (number << 8) | static_cast<unsigned char>(value.data[static_cast<std::size_t>(i)]);
    return number;
}

}  // namespace platform
