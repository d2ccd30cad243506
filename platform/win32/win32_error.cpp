// The system's texts for its error codes: see win32_error.h.
#include "win32_error.h"

#include <cwctype>

#include "platform/message_text.h"
#include "win32_handle.h"

namespace platform::win32 {

namespace {

// WinINet keeps the texts of its own error codes (12000 to 12999) in wininet.dll.
constexpr DWORD kFirstWinInetError = 12000;
constexpr DWORD kLastWinInetError = 12999;

// The system's inserts ("%1") are never expanded by FormatMessageW: with no arguments
// to take them from it would read garbage. errorMessage fills the one it knows.
std::wstring formatMessage(DWORD flags, const void* source, DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD length =
        ::FormatMessageW(flags | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS, source, code,
                         0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    const LocalMemory owner(buffer);
    if (length == 0 || buffer == nullptr) return {};
    return std::wstring(buffer, length);
}

}  // namespace

std::wstring errorMessage(DWORD code) {
    std::wstring text;
    if (code >= kFirstWinInetError && code <= kLastWinInetError) {
        if (const HMODULE wininet = ::GetModuleHandleW(L"wininet.dll")) {
            text = formatMessage(FORMAT_MESSAGE_FROM_HMODULE, wininet, code);
        }
    }
    if (text.empty()) text = formatMessage(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code);
    while (!text.empty() && std::iswspace(text.back())) text.pop_back();
    if (text.empty()) text = L"Error " + std::to_wstring(code) + L".";
    return text;
}

std::wstring errorMessage(DWORD code, std::wstring_view subject) {
    return fillFirstInsert(errorMessage(code), subject);
}


}  // namespace platform::win32
