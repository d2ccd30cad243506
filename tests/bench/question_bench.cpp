// Benchmark of the cleaning question on a drive that carries many items: the time from
// the scan's end (the Infection in hand) to the question's first screen, the window shown
// with its list drawn.
//
//   question_bench.exe <result-file> <rounds> <items>...
//
// For each number of items an Infection is made with one program, and shortcuts and
// hidden folders for the rest (half each). The window thread builds the question's texts
// and lines (cleaningIntro, cleaningGroups, cleaningQuestion) and asks
// (CleaningQuestion::ask); a thread of its own polls every millisecond for the question's
// window and its list both visible with nothing left to paint, reads the list's line count,
// and closes the window (the answer "no").
//
// The result file holds "key value" lines: per number of items the median and longest
// time in milliseconds, and the lines the list held.
#include <windows.h>
// After <windows.h>, which it builds on.
#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "bench_clock.h"
#include "lockbay/app/lockbay_app.h"
#include "lockbay/operations/cleaning_offer.h"
#include "lockbay/operations/cleaning_question.h"
#include "platform/platform.h"
#include "texts/language_file.h"

namespace {

std::vector<std::wstring> arguments() {
    int count = 0;
    LPWSTR* values = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::wstring> result;
    for (int i = 0; i < count; ++i) result.emplace_back(values[i]);
    LocalFree(values);
    return result;
}

lockbay::Infection manyItems(std::size_t items) {
    lockbay::Infection found;
    found.drive = L'E';
    found.programs.push_back(L"E:\\RECYCLER\\S-1-5-21\\autorun.exe");
    for (std::size_t i = 1; i < items; ++i) {
        wchar_t name[40];
        std::swprintf(name, 40, L"E:\\Folder%05zu", i / 2);
        if (i % 2) {
            found.shortcuts.push_back(std::wstring(name) + L".lnk");
        } else {
            found.hiddenFolders.push_back(name);
        }
    }
    return found;
}

// Waits for the question's first screen, then closes it; the time it was seen, in
// seconds of the bench clock, and the list's line count.
struct Watch {
    std::atomic<double> shownAt{0};
    std::atomic<long> lines{-1};
    int listId = 0;

    void run() {
        for (;;) {
            Sleep(1);
            const HWND window = FindWindowW(L"Lockbay_CleaningQuestion", nullptr);
            if (!window || !IsWindowVisible(window)) continue;
            const HWND list = GetDlgItem(window, listId);
            if (!list || !IsWindowVisible(list) || GetUpdateRect(window, nullptr, FALSE) ||
                GetUpdateRect(list, nullptr, FALSE))
                continue;
            shownAt = bench::secondsSince({});
            lines = static_cast<long>(SendMessageW(list, LB_GETCOUNT, 0, 0));
            PostMessageW(window, WM_CLOSE, 0, 0);
            return;
        }
    }
};

}  // namespace

int platform::programMain(platform::Platform& real) {
    const std::vector<std::wstring> args = arguments();
    if (args.size() < 4) return 2;
    FILE* out = nullptr;
    if (_wfopen_s(&out, args[1].c_str(), L"w") != 0 || !out) return 3;
    const int rounds = std::max(1, _wtoi(args[2].c_str()));

    lockbay::LockbayApp app(real);
    lockbay::CleaningQuestion& question = app.cleaningQuestion();
    const lockbay::TextOf text = [](lockbay::CaptionLine line) -> const std::wstring& {
        return lockbay::englishText(line);
    };
    for (std::size_t a = 3; a < args.size(); ++a) {
        const std::size_t items = static_cast<std::size_t>(_wtoi(args[a].c_str()));
        const lockbay::Infection found = manyItems(items);
        std::vector<double> times;
        long lines = -1;
        for (int round = -1; round < rounds; ++round) {  // the first round is not counted
            Watch watch;
            watch.listId = question.List1.id();
            std::thread watcher([&watch] { watch.run(); });
            const double start = bench::secondsSince({});
            question.ask(lockbay::cleaningIntro(found, text), lockbay::cleaningGroups(found, text),
                         lockbay::cleaningQuestion(found, text));
            watcher.join();
            lines = watch.lines;
            if (round >= 0) times.push_back((watch.shownAt - start) * 1000);
        }
        std::sort(times.begin(), times.end());
        std::fprintf(out, "items_%zu_lines %ld\nitems_%zu_median_ms %.1f\nitems_%zu_longest_ms %.1f\n", items,
                     lines, items, times[times.size() / 2], items, times.back());
        std::fflush(out);
    }
    std::fprintf(out, "done 1\n");
    std::fclose(out);
    return 0;
}
