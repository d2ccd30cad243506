// The download benchmark's reference for what WinINet itself reaches under this system:
// one GET, read with InternetReadFile straight into a file, on one thread, with nothing
// else. It prints "ms <elapsed>" and "bytes <received>".
//
//   wininet_floor.exe <url> <file> <block KB> [flush]
//
// Reads blocks of the given size; with "flush", the file is flushed to the disk before
// it is closed, as the updater does before it moves its file into place.
#include <windows.h>
// After <windows.h>, which it builds on.
#include <wininet.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) return 2;
    const unsigned long blockKb = std::wcstoul(argv[3], nullptr, 10);
    if (blockKb == 0) return 2;
    const bool flush = argc > 4 && std::wstring(argv[4]) == L"flush";
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
    std::vector<char> buffer(blockKb * 1024);
    unsigned long long total = 0;
    unsigned long long reads = 0;
    for (;;) {
        const DWORD wanted = static_cast<DWORD>(buffer.size());
        DWORD got = 0;
        if (!InternetReadFile(request, buffer.data(), wanted, &got) || got == 0) break;
        ++reads;
        DWORD written = 0;
        WriteFile(file, buffer.data(), got, &written, nullptr);
        total += got;
    }
    if (flush) FlushFileBuffers(file);
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
