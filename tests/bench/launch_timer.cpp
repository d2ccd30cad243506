// Starts a Windows program and measures it from the outside, so that the time Wine
// needs to start any process is common to the program under test and its baseline.
// Every figure is printed as a "key value" line on standard output.
//
//   launch_timer.exe visible <program> <working-dir> <window-class> [options]
//       Time from CreateProcess to a visible top-level window of that class.
//       --timeout-ms N    give up after N ms (default 60000)
//       --ping-class C    meanwhile, every 200 ms, ask the window of class C (when there)
//                         for a WM_NULL round trip (SendMessageTimeout) and invalidate it
//                         and wait until it has repainted: is its thread responsive?
//       --idle-ms N       afterwards wait 1 s, then measure the program's processor time
//                         over N ms (GetProcessTimes)
//       --hold-ms N       keep the program running N ms more before ending it
//   launch_timer.exe update <program> <working-dir> <file> [--timeout-ms N]
//       Time from CreateProcess until <file> exists and until the program has ended,
//       with the program's peak memory (sampled every 10 ms).
//
// The program started is ended (TerminateProcess) when the measurement is done.
#include <windows.h>
// After <windows.h>, which it builds on.
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "bench_clock.h"

namespace {

double millisecondsSince(const LARGE_INTEGER& start) {
    return bench::secondsSince(start) * 1000.0;
}

LARGE_INTEGER now() {
    return bench::counterNow();
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

struct Options {
    double timeoutMs = 60000;
    std::wstring pingClass;
    double idleMs = 0;
    double holdMs = 0;
};

struct Child {
    PROCESS_INFORMATION info{};
    LARGE_INTEGER started{};
};

bool start(const std::wstring& program, const std::wstring& directory, Child& child) {
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    child.started = now();
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        directory.c_str(), &startup, &child.info)) {
        std::printf("error CreateProcess failed (%lu)\n", GetLastError());
        return false;
    }
    std::printf("pid %lu\n", child.info.dwProcessId);
    return true;
}

void end(Child& child) {
    if (WaitForSingleObject(child.info.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(child.info.hProcess, 0);
        WaitForSingleObject(child.info.hProcess, 10000);
    }
    CloseHandle(child.info.hThread);
    CloseHandle(child.info.hProcess);
}

bool running(const Child& child) {
    return WaitForSingleObject(child.info.hProcess, 0) == WAIT_TIMEOUT;
}

HWND visibleWindow(const std::wstring& windowClass) {
    const HWND window = FindWindowW(windowClass.c_str(), nullptr);
    return window && IsWindowVisible(window) ? window : nullptr;
}

void printMemory(const Child& child, const char* prefix) {
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(child.info.hProcess, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                             sizeof memory)) {
        std::printf("%speak_working_set_kb %zu\n", prefix, memory.PeakWorkingSetSize / 1024);
        std::printf("%sprivate_kb %zu\n", prefix, memory.PrivateUsage / 1024);
        std::printf("%speak_pagefile_kb %zu\n", prefix, memory.PeakPagefileUsage / 1024);
    }
}

double processorMilliseconds(HANDLE process) {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return -1;
    const auto value = [](const FILETIME& time) {
        return static_cast<double>((static_cast<unsigned long long>(time.dwHighDateTime) << 32) |
                                   time.dwLowDateTime);
    };
    return (value(kernel) + value(user)) / 10000.0;
}

// One responsiveness check of a window owned by another thread: a WM_NULL round trip,
// then an invalidation and the wait until the window has painted it.
struct Ping {
    std::vector<double> roundTrips;
    std::vector<double> repaints;
    int failed = 0;
    int repaintsPending = 0;  // checks in which the invalidation was seen before the paint
    int repaintsLate = 0;     // invalidations not painted within 2 s

    void check(HWND window) {
        const LARGE_INTEGER sent = now();
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &result)) {
            // A window that went away meanwhile (the splash closes) did not fail to answer.
            if (IsWindow(window)) ++failed;
            return;
        }
        roundTrips.push_back(millisecondsSince(sent));
        const LARGE_INTEGER invalidated = now();
        if (!InvalidateRect(window, nullptr, FALSE)) return;
        bool pendingSeen = false;
        while (IsWindow(window) && GetUpdateRect(window, nullptr, FALSE)) {
            pendingSeen = true;
            if (millisecondsSince(invalidated) > 2000) {
                ++repaintsLate;
                return;
            }
            Sleep(1);
        }
        if (pendingSeen) ++repaintsPending;
        repaints.push_back(millisecondsSince(invalidated));
    }

    void print() const {
        std::printf("ping_count %zu\n", roundTrips.size());
        std::printf("ping_failed %d\n", failed);
        std::printf("ping_median_ms %.1f\n", median(roundTrips));
        std::printf("ping_max_ms %.1f\n",
                    roundTrips.empty() ? 0.0 : *std::max_element(roundTrips.begin(), roundTrips.end()));
        std::printf("repaint_count %zu\n", repaints.size());
        std::printf("repaint_pending_seen %d\n", repaintsPending);
        std::printf("repaint_late %d\n", repaintsLate);
        std::printf("repaint_max_ms %.1f\n",
                    repaints.empty() ? 0.0 : *std::max_element(repaints.begin(), repaints.end()));
    }
};

int timeVisible(const std::wstring& program, const std::wstring& directory, const std::wstring& windowClass,
                const Options& options) {
    Child child;
    if (!start(program, directory, child)) return 1;
    Ping ping;
    double pingVisibleMs = -1;
    double nextPing = 0;
    double visibleMs = -1;
    while (true) {
        const double elapsed = millisecondsSince(child.started);
        if (visibleWindow(windowClass)) {
            visibleMs = elapsed;
            break;
        }
        if (elapsed > options.timeoutMs || !running(child)) break;
        if (!options.pingClass.empty() && elapsed >= nextPing) {
            if (const HWND window = visibleWindow(options.pingClass)) {
                if (pingVisibleMs < 0) pingVisibleMs = elapsed;
                ping.check(window);
                nextPing = millisecondsSince(child.started) + 200;
            }
        }
        Sleep(2);
    }
    if (visibleMs < 0) {
        std::printf("error no visible window of class %ls within %.0f ms\n", windowClass.c_str(),
                    options.timeoutMs);
        end(child);
        return 1;
    }
    std::printf("visible_ms %.1f\n", visibleMs);
    if (!options.pingClass.empty()) {
        std::printf("ping_window_visible_ms %.1f\n", pingVisibleMs);
        ping.print();
    }
    printMemory(child, "mem_");
    if (options.idleMs > 0) {
        Sleep(1000);
        const double before = processorMilliseconds(child.info.hProcess);
        const LARGE_INTEGER idleStart = now();
        Sleep(static_cast<DWORD>(options.idleMs));
        const double after = processorMilliseconds(child.info.hProcess);
        std::printf("idle_wall_ms %.1f\n", millisecondsSince(idleStart));
        std::printf("idle_cpu_ms %.1f\n", after - before);
        std::printf("cpu_total_ms %.1f\n", after);
    }
    if (options.holdMs > 0) {
        std::printf("holding 1\n");
        std::fflush(stdout);
        Sleep(static_cast<DWORD>(options.holdMs));
    }
    std::printf("still_running %d\n", running(child) ? 1 : 0);
    end(child);
    return 0;
}

int timeUpdate(const std::wstring& program, const std::wstring& directory, const std::wstring& file,
               const Options& options) {
    Child child;
    if (!start(program, directory, child)) return 1;
    double fileMs = -1;
    double exitMs = -1;
    SIZE_T peakWorkingSet = 0, peakPrivate = 0, peakPagefile = 0;
    int samples = 0;
    while (true) {
        PROCESS_MEMORY_COUNTERS_EX memory{};
        memory.cb = sizeof memory;
        if (GetProcessMemoryInfo(child.info.hProcess, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                                 sizeof memory)) {
            ++samples;
            peakWorkingSet = std::max(peakWorkingSet, memory.PeakWorkingSetSize);
            peakPrivate = std::max(peakPrivate, memory.PrivateUsage);
            peakPagefile = std::max(peakPagefile, memory.PeakPagefileUsage);
        }
        if (fileMs < 0 && GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES) {
            fileMs = millisecondsSince(child.started);
        }
        if (WaitForSingleObject(child.info.hProcess, 10) == WAIT_OBJECT_0) {
            exitMs = millisecondsSince(child.started);
            if (fileMs < 0 && GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES) fileMs = exitMs;
            break;
        }
        if (millisecondsSince(child.started) > options.timeoutMs) break;
    }
    std::printf("file_ms %.1f\n", fileMs);
    std::printf("exit_ms %.1f\n", exitMs);
    std::printf("mem_samples %d\n", samples);
    std::printf("mem_peak_working_set_kb %zu\n", peakWorkingSet / 1024);
    std::printf("mem_peak_private_kb %zu\n", peakPrivate / 1024);
    std::printf("mem_peak_pagefile_kb %zu\n", peakPagefile / 1024);
    end(child);
    return fileMs >= 0 && exitMs >= 0 ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // Every line goes out at once: the script that runs this reads them as they come.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc < 5) {
        std::printf("usage: launch_timer visible|update <program> <working-dir> <class-or-file> [options]\n");
        return 2;
    }
    const std::wstring mode = argv[1];
    Options options;
    for (int i = 5; i + 1 < argc; i += 2) {
        const std::wstring name = argv[i];
        const wchar_t* value = argv[i + 1];
        if (name == L"--timeout-ms") {
            options.timeoutMs = _wtof(value);
        } else if (name == L"--ping-class") {
            options.pingClass = value;
        } else if (name == L"--idle-ms") {
            options.idleMs = _wtof(value);
        } else if (name == L"--hold-ms") {
            options.holdMs = _wtof(value);
        } else {
            std::printf("error unknown option %ls\n", name.c_str());
            return 2;
        }
    }
    int status = 2;
    if (mode == L"visible") status = timeVisible(argv[2], argv[3], argv[4], options);
    if (mode == L"update") status = timeUpdate(argv[2], argv[3], argv[4], options);
    std::fflush(stdout);
    return status;
}
