// The registry behind platform::Registry: raw values through the wide Reg* functions,
// always in the 64-bit view of the machine's keys.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/win32.h"
#include "win32_handle.h"

namespace platform::win32 {

namespace {

struct RegistryKeyTraits {
    using Type = HKEY;
    static Type none() { return nullptr; }
    static bool valid(Type key) { return key != nullptr; }
    static void close(Type key) { ::RegCloseKey(key); }
};
using RegistryKey = UniqueHandle<RegistryKeyTraits>;

HKEY rootKey(RegistryRoot root) {
    return root == RegistryRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

RegistryStatus statusOf(LSTATUS result) {
    if (result == ERROR_SUCCESS) return RegistryStatus::Done;
    return result == ERROR_ACCESS_DENIED ? RegistryStatus::AccessDenied : RegistryStatus::Failed;
}

RegistryKey openKey(RegistryRoot root, const std::wstring& key, REGSAM access, LSTATUS& result) {
    HKEY opened = nullptr;
    result = ::RegOpenKeyExW(rootKey(root), key.c_str(), 0, access | KEY_WOW64_64KEY, &opened);
    return RegistryKey(result == ERROR_SUCCESS ? opened : nullptr);
}

class Win32Registry final : public Registry {
public:
    std::optional<RegistryValue> read(RegistryRoot root, const std::wstring& key,
                                      const std::wstring& name) override {
        LSTATUS result = ERROR_SUCCESS;
        const RegistryKey opened = openKey(root, key, KEY_QUERY_VALUE, result);
        if (!opened) return std::nullopt;
        // The value may grow between asking its size and reading it; ask again then.
        for (int attempt = 0; attempt < 4; ++attempt) {
            DWORD type = 0;
            DWORD size = 0;
            if (::RegQueryValueExW(opened.get(), name.c_str(), nullptr, &type, nullptr, &size) !=
                ERROR_SUCCESS) {
                return std::nullopt;
            }
            std::vector<BYTE> data(size);
            result = ::RegQueryValueExW(opened.get(), name.c_str(), nullptr, &type, data.data(), &size);
            if (result == ERROR_MORE_DATA) continue;
            if (result != ERROR_SUCCESS) return std::nullopt;
            return RegistryValue{type, std::string(reinterpret_cast<const char*>(data.data()), size)};
        }
        return std::nullopt;
    }

    RegistryStatus write(RegistryRoot root, const std::wstring& key, const std::wstring& name,
                         const RegistryValue& value) override {
        HKEY created = nullptr;
        const LSTATUS result =
            ::RegCreateKeyExW(rootKey(root), key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &created, nullptr);
        if (result != ERROR_SUCCESS) return statusOf(result);
        const RegistryKey owner(created);
        return statusOf(::RegSetValueExW(owner.get(), name.c_str(), 0, value.type,
                                         reinterpret_cast<const BYTE*>(value.data.data()),
                                         static_cast<DWORD>(value.data.size())));
    }

    RegistryStatus remove(RegistryRoot root, const std::wstring& key, const std::wstring& name) override {
        LSTATUS result = ERROR_SUCCESS;
        const RegistryKey opened = openKey(root, key, KEY_SET_VALUE, result);
        if (!opened) return result == ERROR_FILE_NOT_FOUND ? RegistryStatus::Done : statusOf(result);
        result = ::RegDeleteValueW(opened.get(), name.c_str());
        return result == ERROR_FILE_NOT_FOUND ? RegistryStatus::Done : statusOf(result);
    }

    bool keyExists(RegistryRoot root, const std::wstring& key) override {
        LSTATUS result = ERROR_SUCCESS;
        return static_cast<bool>(openKey(root, key, KEY_QUERY_VALUE, result));
    }

    std::vector<std::wstring> valueNames(RegistryRoot root, const std::wstring& key,
                                         std::size_t limit) override {
        std::vector<std::wstring> names;
        LSTATUS result = ERROR_SUCCESS;
        const RegistryKey opened = openKey(root, key, KEY_QUERY_VALUE, result);
        if (!opened) return names;
        // A value name holds at most 16,383 characters.
        std::vector<wchar_t> name(16384);
        for (DWORD index = 0; names.size() < limit; ++index) {
            DWORD length = static_cast<DWORD>(name.size());
            result = ::RegEnumValueW(opened.get(), index, name.data(), &length, nullptr, nullptr, nullptr,
                                     nullptr);
            if (result != ERROR_SUCCESS) break;
            names.emplace_back(name.data(), length);
        }
        return names;
    }

    RegistryStatus removeEmptyKey(RegistryRoot root, const std::wstring& key) override {
        LSTATUS result = ERROR_SUCCESS;
        {
            const RegistryKey opened = openKey(root, key, KEY_QUERY_VALUE, result);
            if (!opened) return result == ERROR_FILE_NOT_FOUND ? RegistryStatus::Done : statusOf(result);
            DWORD subkeys = 0;
            DWORD values = 0;
            result = ::RegQueryInfoKeyW(opened.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                                        &values, nullptr, nullptr, nullptr, nullptr);
            if (result != ERROR_SUCCESS) return statusOf(result);
            if (subkeys != 0 || values != 0) return RegistryStatus::Failed;
        }
        result = ::RegDeleteKeyExW(rootKey(root), key.c_str(), KEY_WOW64_64KEY, 0);
        return result == ERROR_FILE_NOT_FOUND ? RegistryStatus::Done : statusOf(result);
    }
};

}  // namespace

std::unique_ptr<Registry> makeRegistry() {
    return std::make_unique<Win32Registry>();
}

}  // namespace platform::win32
