// A small Windows program that the updater's end-to-end test serves as the setup
// program: when started it writes a mark file (LOCKBAY_SETUP_MARK, by default
// C:\setup-ran.txt) holding its command line, and ends. The test checks the mark.
#include <windows.h>

#include <string>

namespace {

std::wstring markPath() {
    wchar_t value[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(L"LOCKBAY_SETUP_MARK", value, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return L"C:\\setup-ran.txt";
    return value;
}

std::string toUtf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size, nullptr,
                        nullptr);
    return result;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const std::string content = "setup ran: " + toUtf8(GetCommandLineW()) + "\r\n";
    HANDLE file = CreateFileW(markPath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
    return ok ? 0 : 1;
}
