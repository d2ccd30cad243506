// Times the watcher from a drive's arrival to its protection, and reads its memory.
// Every figure is printed as a "key value" line on standard output.
//
//   watch_bench.exe <letter> <rounds>
//
// The running lockbay-watch.exe must look after drive <letter> (a removable drive). Each
// round is measured twice, interleaved: the volume arrival broadcast as Windows sends it
// (WM_DEVICECHANGE to every top-level window), and the same message sent to the
// watcher's window alone (its own share of the time). Before each, the protection folder
// is taken away again and the watcher left to be idle; the time runs from the send to
// the folder <letter>:\autorun.inf on the drive, polled every millisecond on a thread
// of its own.
// At the end: the watcher's working set and private bytes (GetProcessMemoryInfo; under
// Wine the private bytes are the pagefile figure, the process's anonymous resident memory).
#include <windows.h>
// After <windows.h>, which they build on.
#include <dbt.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_clock.h"

namespace {

constexpr DWORD kGiveUpMs = 5000;

bool isFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

DWORD watcherProcessId() {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    DWORD found = 0;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !found;
         more = Process32NextW(snapshot, &entry)) {
        if (lstrcmpiW(entry.szExeFile, L"lockbay-watch.exe") == 0) found = entry.th32ProcessID;
    }
    CloseHandle(snapshot);
    return found;
}

// What the polling thread looks for, and when it saw it (ms from `start`; -1: never).
struct FolderPoll {
    std::wstring folder;
    LARGE_INTEGER start;
    double foundMs;
};

DWORD WINAPI pollForFolder(void* parameter) {
    auto* poll = static_cast<FolderPoll*>(parameter);
    for (;;) {
        const double elapsed = bench::secondsSince(poll->start) * 1000.0;
        if (isFolder(poll->folder)) {
            poll->foundMs = elapsed;
            return 0;
        }
        if (elapsed >= kGiveUpMs) return 0;
        Sleep(1);
    }
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: watch_bench.exe <letter> <rounds>\n");
        return 2;
    }
    const wchar_t letter = static_cast<wchar_t>(towupper(argv[1][0]));
    const int rounds = _wtoi(argv[2]);
    const std::wstring folder = std::wstring(1, letter) + L":\\autorun.inf";

    DEV_BROADCAST_VOLUME volume{};
    volume.dbcv_size = sizeof volume;
    volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
    volume.dbcv_unitmask = DWORD{1} << (letter - L'A');

    const HWND watcher = FindWindowW(L"LockbayWatch", nullptr);
    if (!watcher) {
        std::printf("error no watcher window\n");
        return 1;
    }
    std::vector<double> broadcast;
    std::vector<double> direct;
    std::vector<double> roundTrip;
    int missed = 0;
    // One arrival: sent to `target` (HWND_BROADCAST or the watcher); the time to the folder.
    auto measure = [&](HWND target, std::vector<double>& times) {
        // The watcher has finished with the last arrival (its notification may wait for
        // the notification area) before the folder is taken away.
        Sleep(300);
        DWORD_PTR idle = 0;
        SendMessageTimeoutW(watcher, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &idle);
        RemoveDirectoryW(folder.c_str());
        if (isFolder(folder)) return false;
        // The folder is looked for on a thread of its own from before the send, so that
        // a folder made while the broadcast still goes round other windows counts then.
        FolderPoll poll{folder, bench::counterNow(), -1};
        const HANDLE poller = CreateThread(nullptr, 0, &pollForFolder, &poll, 0, nullptr);
        if (!poller) return false;
        DWORD_PTR answer = 0;
        SendMessageTimeoutW(target, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&volume),
                            SMTO_ABORTIFHUNG, 5000, &answer);
        if (target == HWND_BROADCAST) roundTrip.push_back(bench::secondsSince(poll.start) * 1000.0);
        WaitForSingleObject(poller, INFINITE);
        CloseHandle(poller);
        if (poll.foundMs < 0) {
            ++missed;
        } else {
            times.push_back(poll.foundMs);
        }
        return true;
    };
    for (int round = 0; round < rounds; ++round) {
        if (!measure(HWND_BROADCAST, broadcast) || !measure(watcher, direct)) {
            std::printf("error the folder %ls cannot be taken away\n", folder.c_str());
            return 1;
        }
    }
    std::printf("rounds %d\n", rounds);
    std::printf("missed %d\n", missed);
    auto report = [](const char* name, std::vector<double> times) {
        if (times.empty()) return;
        std::sort(times.begin(), times.end());
        std::printf("%s_min_ms %.2f\n", name, times.front());
        std::printf("%s_median_ms %.2f\n", name, median(times));
        // The 90th percentile: the time that nine arrivals in ten stay within.
        const std::size_t p90 = (times.size() * 9 + 9) / 10 - 1;
        std::printf("%s_p90_ms %.2f\n", name, times[p90]);
        std::printf("%s_max_ms %.2f\n", name, times.back());
    };
    report("broadcast", broadcast);
    report("direct", direct);
    report("round_trip", roundTrip);

    if (const DWORD id = watcherProcessId()) {
        const HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id);
        PROCESS_MEMORY_COUNTERS_EX memory{};
        memory.cb = sizeof memory;
        if (process && GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                                            sizeof memory)) {
            std::printf("working_set_kb %zu\n", memory.WorkingSetSize / 1024);
            std::printf("peak_working_set_kb %zu\n", memory.PeakWorkingSetSize / 1024);
            std::printf("private_kb %zu\n", memory.PrivateUsage / 1024);
            std::printf("pagefile_kb %zu\n", memory.PagefileUsage / 1024);
        }
        if (process) CloseHandle(process);
    }
    std::printf("done 1\n");
    return 0;
}
