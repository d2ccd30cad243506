// The Windows registry: values read and written as the system stores them (a type and
// raw bytes), so that a value can be saved and later put back exactly as it was.
// Machine-wide keys are always the 64-bit view, whatever the program's own bitness.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class RegistryRoot {
    CurrentUser,   // HKEY_CURRENT_USER: the signed-in user's own settings
    LocalMachine,  // HKEY_LOCAL_MACHINE: settings for every user; writing needs administrator rights
};

// The registry's own type numbers.
namespace regtype {
inline constexpr std::uint32_t kString = 1;        // REG_SZ
inline constexpr std::uint32_t kExpandString = 2;  // REG_EXPAND_SZ
inline constexpr std::uint32_t kBinary = 3;        // REG_BINARY
inline constexpr std::uint32_t kDword = 4;         // REG_DWORD
inline constexpr std::uint32_t kMultiString = 7;   // REG_MULTI_SZ
inline constexpr std::uint32_t kQword = 11;        // REG_QWORD
}  // namespace regtype

struct RegistryValue {
    std::uint32_t type = regtype::kBinary;
    std::string data;  // the bytes as stored; strings are UTF-16LE with their terminating zero

    bool operator==(const RegistryValue&) const = default;
};

enum class RegistryStatus {
    Done,
    AccessDenied,  // the caller lacks the rights (a machine-wide key without elevation)
    Failed,        // any other reason
};

class Registry {
public:
    virtual ~Registry() = default;
    // A value of `key` (a path such as L"Software\\Lockbay"); an empty name is the key's
    // default value. Nothing when the key or the value is not there.
    virtual std::optional<RegistryValue> read(RegistryRoot root, const std::wstring& key,
                                              const std::wstring& name) = 0;
    // Creates the key and the keys above it as needed.
    virtual RegistryStatus write(RegistryRoot root, const std::wstring& key, const std::wstring& name,
                                 const RegistryValue& value) = 0;
    // Done also when the value (or its key) was not there.
    virtual RegistryStatus remove(RegistryRoot root, const std::wstring& key, const std::wstring& name) = 0;
    virtual bool keyExists(RegistryRoot root, const std::wstring& key) = 0;
    // The names of the values of `key`, in no particular order; none when it is not there.
    // At most `limit` names: a key anyone can write may hold any number.
    virtual std::vector<std::wstring> valueNames(RegistryRoot root, const std::wstring& key,
                                                 std::size_t limit) = 0;
    // Removes a key that holds neither values nor subkeys; Done also when it was not there.
    // A key that is not empty stays (Failed).
    virtual RegistryStatus removeEmptyKey(RegistryRoot root, const std::wstring& key) = 0;
};

// Values of the common types, and their contents back.
RegistryValue stringValue(std::wstring_view text);
RegistryValue dwordValue(std::uint32_t number);
// The text of a REG_SZ or REG_EXPAND_SZ value (unexpanded), without its terminating zero.
std::optional<std::wstring> stringOf(const RegistryValue& value);
// The number of a REG_DWORD value.
std::optional<std::uint32_t> dwordOf(const RegistryValue& value);

}  // namespace platform
