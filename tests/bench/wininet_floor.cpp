// The download benchmark's reference for what WinINet itself reaches under this system:
// one GET, read with InternetReadFile straight into a file, on one thread, with nothing
// else. It prints "ms <elapsed>" and "bytes <received>".
//
//   wininet_floor.exe <url> <file> [available]
//
// Reads 64 KB blocks; with "available", asks InternetQueryDataAvailable before each read
// and reads only what it reports (at most 64 KB), as a reader that bounds the wait for
// each next byte does.
#include <windows.h>
// After <windows.h>, which it builds on.
#include <wininet.h>

#include <cstdio>
#include <string>
#include <vector>

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 2;
    LARGE_INTEGER frequency{}, start{}, end{};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const HINTERNET session = InternetOpenW(L"bench", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    const HINTERNET request = InternetOpenUrlW(session, argv[1], nullptr, 0,
                                               INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0);
    if (!request) {
        std::printf("error %lu\n", GetLastError());
        return 1;
    }
    const HANDLE file =
        CreateFileW(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    const bool askFirst = argc > 3 && std::wstring(argv[3]) == L"available";
    std::vector<char> buffer(64 * 1024);
    unsigned long long total = 0;
    unsigned long long reads = 0;
    for (;;) {
        DWORD wanted = static_cast<DWORD>(buffer.size());
        if (askFirst) {
            DWORD available = 0;
            if (!InternetQueryDataAvailable(request, &available, 0, 0)) break;
            if (available == 0) available = 1;
            if (available < wanted) wanted = available;
        }
        DWORD got = 0;
        if (!InternetReadFile(request, buffer.data(), wanted, &got) || got == 0) break;
        ++reads;
        DWORD written = 0;
        WriteFile(file, buffer.data(), got, &written, nullptr);
        total += got;
    }
    CloseHandle(file);
    InternetCloseHandle(request);
    InternetCloseHandle(session);
    QueryPerformanceCounter(&end);
    std::printf("ms %.1f\n", static_cast<double>(end.QuadPart - start.QuadPart) * 1000.0 /
                                 static_cast<double>(frequency.QuadPart));
    std::printf("bytes %llu\n", total);
    std::printf("reads %llu\n", reads);
    return 0;
}
