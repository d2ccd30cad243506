// The entry point of console programs: the real services, standard output and error
// that show every character (a console gets wide text, a file or pipe gets UTF-8) and
// typed answers, handed to the program's consoleMain, whose result is the exit code.
#include <windows.h>

#include <algorithm>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/console.h"
#include "platform/encoding.h"
#include "platform/win32.h"

namespace platform::win32 {

namespace {

bool isConsole(HANDLE handle) {
    DWORD mode = 0;
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode);
}

void writeTo(DWORD which, std::wstring_view text) {
    const HANDLE handle = ::GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || text.empty()) return;
    DWORD written = 0;
    if (isConsole(handle)) {
        // A console shows wide text as it is, whatever its code page.
        while (!text.empty()) {
            const auto chunk = static_cast<DWORD>(std::min<std::size_t>(text.size(), 8192));
            if (!::WriteConsoleW(handle, text.data(), chunk, &written, nullptr) || written == 0) return;
            text.remove_prefix(written);
        }
        return;
    }
    const std::string bytes = toUtf8(text);
    std::string_view rest = bytes;
    while (!rest.empty()) {
        if (!::WriteFile(handle, rest.data(), static_cast<DWORD>(rest.size()), &written, nullptr) ||
            written == 0)
            return;
        rest.remove_prefix(written);
    }
}

class Win32Console final : public Console {
public:
    void out(std::wstring_view text) override { writeTo(STD_OUTPUT_HANDLE, text); }
    void err(std::wstring_view text) override { writeTo(STD_ERROR_HANDLE, text); }

    std::optional<std::wstring> readLine() override {
        const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
        if (input == nullptr || input == INVALID_HANDLE_VALUE) return std::nullopt;
        std::wstring line;
        bool any = false;
        if (isConsole(input)) {
            wchar_t c = 0;
            DWORD read = 0;
            while (::ReadConsoleW(input, &c, 1, &read, nullptr) && read == 1) {
                any = true;
                if (c == L'\n') break;
                if (c != L'\r') line.push_back(c);
            }
        } else {
            // One byte at a time: whatever follows the line stays for the next reader.
            std::string bytes;
            char c = 0;
            DWORD read = 0;
            while (::ReadFile(input, &c, 1, &read, nullptr) && read == 1) {
                any = true;
                if (c == '\n') break;
                if (c != '\r') bytes.push_back(c);
            }
            line = fromUtf8(bytes);
        }
        if (!any) return std::nullopt;
        return line;
    }
};

}  // namespace

}  // namespace platform::win32

int wmain(int argc, wchar_t** argv) {
    // First of all: a DLL loaded later by name (the system's own libraries load some
    // while they run) comes from the system folder only, never from this program's folder
    // or the working folder, where another account might put a DLL of that name.
    ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    // No "insert a disk" boxes from the system: drive queries on empty drives just fail.
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    platform::win32::Win32Console console;
    try {
        namespace win32 = platform::win32;
        const auto fileSystem = win32::makeFileSystem();
        const auto processes = win32::makeProcesses();
        const auto program = win32::makeProgramInfo();
        const auto registry = win32::makeRegistry();
        platform::ConsolePlatform platform{console, *fileSystem, *processes, *program, *registry};
        const std::vector<std::wstring> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
        return platform::consoleMain(platform, arguments);
    } catch (const std::exception& failure) {
        // The last resort for a failure that nothing handled: say what it was.
        console.err(platform::fromUtf8(failure.what()) + L"\n");
        return 1;
    }
}
