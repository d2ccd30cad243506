// Runs a command line with the rights a standard user has under UAC, for the end-to-end
// tests: the limited token linked to the caller's elevated one (Wine runs programs
// elevated). The program gets this program's standard handles, and its exit code is
// this program's exit code (127 when it could not be started).
//
//   as_standard_user.exe <command line...>
#include <windows.h>

#include <cstdio>
#include <string>

int wmain() {
    // Everything after this program's own name, exactly as it was written.
    std::wstring line = GetCommandLineW();
    const bool quoted = !line.empty() && line[0] == L'"';
    std::size_t end = quoted ? line.find(L'"', 1) : line.find(L' ');
    if (end == std::wstring::npos) {
        std::fputs("usage: as_standard_user.exe <command line>\n", stderr);
        return 127;
    }
    line = line.substr(end + 1);
    while (!line.empty() && line[0] == L' ') line.erase(0, 1);

    HANDLE token = nullptr;
    TOKEN_LINKED_TOKEN linked{};
    DWORD size = 0;
    HANDLE primary = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) ||
        !GetTokenInformation(token, TokenLinkedToken, &linked, sizeof linked, &size) ||
        !DuplicateTokenEx(linked.LinkedToken, MAXIMUM_ALLOWED, nullptr, SecurityImpersonation, TokenPrimary,
                          &primary)) {
        std::fprintf(stderr, "as_standard_user: no limited token (error %lu)\n", GetLastError());
        return 127;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION started{};
    if (!CreateProcessAsUserW(primary, nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                              &started)) {
        std::fprintf(stderr, "as_standard_user: cannot start the program (error %lu)\n", GetLastError());
        return 127;
    }
    WaitForSingleObject(started.hProcess, INFINITE);
    DWORD code = 127;
    GetExitCodeProcess(started.hProcess, &code);
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    CloseHandle(primary);
    CloseHandle(linked.LinkedToken);
    CloseHandle(token);
    return static_cast<int>(code);
}
