// The entry point of the window programs, in a file of its own so that a console
// program, which links the same services, does not take it in.
#include <windows.h>

#include <exception>
#include <string>

#include "platform/encoding.h"
#include "platform/platform.h"
#include "platform/win32.h"

// Both programs start here: the real services are built and handed to the program's
// own entry point, whose result is the exit code.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // First of all: a DLL loaded later by name (the system's own libraries load some
    // while they run) comes from the system folder only, never from this program's folder
    // or the working folder, where another account might put a DLL of that name.
    ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    // No "insert a disk" or "cannot open file" boxes from the system: drive queries on
    // empty drives simply fail, as the program expects.
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    try {
        namespace win32 = platform::win32;
        const auto backend = win32::makeBackend();
        platform::ui::Runtime runtime(*backend);
        const auto fileSystem = win32::makeFileSystem();
        const auto processes = win32::makeProcesses();
        const auto http = win32::makeHttpClient();
        const auto program = win32::makeProgramInfo();
        const auto registry = win32::makeRegistry();
        platform::Platform platform{runtime, *fileSystem, *processes, *http, *program, *registry};
        return platform::programMain(platform);
    } catch (const std::exception& failure) {
        // The last resort for a failure that no window handled: say what it was rather
        // than vanish.
        const std::wstring text = platform::fromUtf8(failure.what());
        ::MessageBoxW(nullptr, text.c_str(), platform::win32::programFileName().c_str(),
                      MB_OK | MB_ICONERROR);
        return 1;
    }
}
