// Facts about the running program behind platform::ProgramInfo: its file, folder and
// version, and whether it runs elevated.
#include <windows.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/win32.h"
#include "win32_handle.h"

namespace platform::win32 {

namespace {

// The full path of the running program file; empty when the system cannot tell.
std::wstring programPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        // The name was cut short; long paths reach 32767 characters at most.
        if (path.size() >= 32768) return {};
        path.resize(path.size() * 2);
    }
}

class Win32ProgramInfo final : public ProgramInfo {
public:
    std::optional<ProgramVersion> version() override {
        const std::wstring path = programPath();
        DWORD unused = 0;
        const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &unused);
        if (size == 0) return std::nullopt;
        std::vector<std::byte> data(size);
        if (!::GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return std::nullopt;
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        if (!::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) ||
            fixed == nullptr || length < sizeof(VS_FIXEDFILEINFO)) {
            return std::nullopt;
        }
        return ProgramVersion{HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                              HIWORD(fixed->dwFileVersionLS)};
    }

    std::wstring directory() override {
        std::wstring path = programPath();
        const auto separator = path.find_last_of(L"\\/");
        if (separator == std::wstring::npos) return path;
        path.resize(separator);
        // A program in a drive root lives in "C:\", as the system writes that folder.
        if (path.size() == 2 && path[1] == L':') path += L'\\';
        return path;
    }

    bool elevated() override {
        HANDLE opened = nullptr;
        if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &opened)) return false;
        const KernelHandle token(opened);
        TOKEN_ELEVATION elevation{};
        DWORD size = 0;
        return ::GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size) &&
               elevation.TokenIsElevated != 0;
    }
};

}  // namespace

std::wstring programFileName() {
    const std::wstring path = programPath();
    const auto separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

std::unique_ptr<ProgramInfo> makeProgramInfo() {
    return std::make_unique<Win32ProgramInfo>();
}


}  // namespace platform::win32
