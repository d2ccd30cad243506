// A stand-in for the system tools cacls, takeown and convert in the end-to-end tests:
// copied under each tool's name into a folder that comes first on the search path, it
// records its own command line exactly as it received it (trailing blanks included) as
// one UTF-8 line in the file named by LOCKBAY_STANDIN_LOG, and succeeds. It changes
// nothing on any drive.
#include <windows.h>

#include <string>

namespace {

std::string toUtf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size, nullptr,
                        nullptr);
    return result;
}

std::wstring environmentValue(const wchar_t* name) {
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) return {};
    std::wstring value(size, L'\0');
    const DWORD length = GetEnvironmentVariableW(name, value.data(), size);
    value.resize(length);
    return value;
}

// Several stand-ins may start at once; one appending write per line keeps lines whole,
// and a sharing conflict is waited out.
bool appendLine(const std::wstring& path, const std::string& line) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            const BOOL ok = WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            CloseHandle(file);
            return ok && written == line.size();
        }
        if (GetLastError() != ERROR_SHARING_VIOLATION) return false;
        Sleep(20);
    }
    return false;
}

}  // namespace

int wmain() {
    const std::wstring log = environmentValue(L"LOCKBAY_STANDIN_LOG");
    if (log.empty()) {
        // Nothing to record into: say so where a person running it by hand sees it.
        const char message[] = "stand-in: LOCKBAY_STANDIN_LOG is not set, nothing recorded\n";
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_ERROR_HANDLE), message, sizeof message - 1, &written, nullptr);
        return 0;
    }
    appendLine(log, toUtf8(GetCommandLineW()) + "\n");
    return 0;
}
