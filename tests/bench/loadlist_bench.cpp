// Benchmark of the main window's drive list rebuild (Form1::loadlist) on the real
// platform, against the floor: the bare file-system calls that one rebuild needs per
// drive and nothing else. Both run in this one process on the same drives, in
// interleaved rounds, so that drift and the machine's load touch both alike.
//
//   loadlist_bench.exe <result-file> [rounds]
//
// First the rebuild and its floor alternate, round after round, on the main window
// loaded but not shown:
//   loadlist  Form1::loadlist()
//   floor     per drive: CreateDirectoryW X:\a, GetFileAttributesW X:\a,
//             RemoveDirectoryW X:\a (only when it was made), GetFileAttributesW
//             X:\autorun.inf and, when that is no folder, FindFirstFileW/FindNextFileW/
//             FindClose on X:\autorun.inf
// then, to tell where the rebuild's time goes, its parts (each round in a rotating order):
//   rules     the drive rules alone through the platform layer (isWritable and
//             classifyDrive per drive): loadlist without its list box
//   list      the list box alone through the runtime: clear, one addItem per line, the
//             four hides
//   rawlist   the list box's own messages: LB_RESETCONTENT, one LB_ADDSTRING per line
//   rawlist_redraw_off       the same inside one WM_SETREDRAW off/on
//   rawlist_each_redraw_off  WM_SETREDRAW off/on around each LB_ADDSTRING
// and both again once the main window is shown ("_shown"), as the Refresh button
// rebuilds the list; the window paints between the timed calls.
//
// The result file holds "key value" lines (times in microseconds): the medians, the
// median of the per-round ratios, and the file-system calls one rebuild makes.
#include <windows.h>
// After <windows.h>, which it builds on.
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "drive_rules/drive_status.h"
#include "lockbay/app/lockbay_app.h"
#include "lockbay/ui/form1.h"
#include "platform/platform.h"

#include "bench_clock.h"

namespace {

// ---- Counting the file-system calls ------------------------------------------------

// Passes every call on to the real file system and counts it by name.
class CountingFileSystem final : public platform::FileSystem {
public:
    explicit CountingFileSystem(platform::FileSystem& real) : real_(real) {}

    std::map<std::string, long> counts;

    std::vector<wchar_t> driveLetters() override { return count("driveLetters"), real_.driveLetters(); }
    std::optional<std::uint32_t> attributes(const std::wstring& path) override {
        return count("attributes"), real_.attributes(path);
    }
    bool setAttributes(const std::wstring& path, std::uint32_t value) override {
        return count("setAttributes"), real_.setAttributes(path, value);
    }
    bool makeDirectory(const std::wstring& path) override {
        return count("makeDirectory"), real_.makeDirectory(path);
    }
    bool removeDirectory(const std::wstring& path) override {
        return count("removeDirectory"), real_.removeDirectory(path);
    }
    bool deleteFile(const std::wstring& path) override { return count("deleteFile"), real_.deleteFile(path); }
    bool normalFileExists(const std::wstring& path) override {
        return count("normalFileExists"), real_.normalFileExists(path);
    }
    std::optional<bool> everyoneDenied(const std::wstring& path) override {
        return count("everyoneDenied"), real_.everyoneDenied(path);
    }
    std::wstring everyoneGroupName() override { return real_.everyoneGroupName(); }
    std::vector<wchar_t> drivesAnswering(const std::vector<wchar_t>& drives, int timeoutMs) override {
        return count("drivesAnswering"), real_.drivesAnswering(drives, timeoutMs);
    }
    std::wstring fileSystemName(wchar_t drive) override {
        return count("fileSystemName"), real_.fileSystemName(drive);
    }
    std::uint64_t freeBytes(wchar_t drive) override { return count("freeBytes"), real_.freeBytes(drive); }
    bool isReady(wchar_t drive) override { return count("isReady"), real_.isReady(drive); }
    platform::DriveKind driveKind(wchar_t drive) override { return count("driveKind"), real_.driveKind(drive); }
    platform::DriveDetails driveDetails(wchar_t drive) override {
        return count("driveDetails"), real_.driveDetails(drive);
    }
    std::optional<wchar_t> systemDrive() override { return count("systemDrive"), real_.systemDrive(); }
    std::optional<std::string> readFilePrefix(const std::wstring& path, std::size_t maxBytes) override {
        return count("readFile"), real_.readFilePrefix(path, maxBytes);
    }
    platform::DrivePathCheck checkOnDrive(const std::wstring& path) override {
        return count("checkOnDrive"), real_.checkOnDrive(path);
    }
    std::optional<std::string> readDriveFilePrefix(const std::wstring& path, std::size_t maxBytes) override {
        return count("readDriveFilePrefix"), real_.readDriveFilePrefix(path, maxBytes);
    }
    std::unique_ptr<platform::OutputFile> createReplacing(const std::wstring& path,
                                                          std::wstring& error) override {
        return count("createReplacing"), real_.createReplacing(path, error);
    }
    bool readFileInPieces(const std::wstring& path,
                          const std::function<bool(std::string_view)>& onPiece) override {
        return count("readFileInPieces"), real_.readFileInPieces(path, onPiece);
    }
    std::optional<std::vector<platform::FolderEntry>> listFolder(const std::wstring& path) override {
        return count("listFolder"), real_.listFolder(path);
    }
    bool moveWithinDrive(const std::wstring& from, const std::wstring& to, std::wstring& error) override {
        return count("moveWithinDrive"), real_.moveWithinDrive(from, to, error);
    }

private:
    void count(const char* name) { ++counts[name]; }
    platform::FileSystem& real_;
};

// ---- The floor -----------------------------------------------------------------------

struct FloorCounts {
    long calls = 0;
};

// Exactly the calls one rebuild needs for one drive; true when the drive is listed.
bool floorDrive(wchar_t letter, FloorCounts& counts) {
    const std::wstring probe = std::wstring(1, letter) + L":\\a";
    const std::wstring protection = std::wstring(1, letter) + L":\\autorun.inf";
    const bool made = CreateDirectoryW(probe.c_str(), nullptr) != FALSE;
    const DWORD probeAttributes = GetFileAttributesW(probe.c_str());
    counts.calls += 2;
    if (probeAttributes == INVALID_FILE_ATTRIBUTES || !(probeAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    if (made) {
        RemoveDirectoryW(probe.c_str());
        ++counts.calls;
    }
    const DWORD attributes = GetFileAttributesW(protection.c_str());
    ++counts.calls;
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
    WIN32_FIND_DATAW entry{};
    const HANDLE search = FindFirstFileW(protection.c_str(), &entry);
    ++counts.calls;
    if (search == INVALID_HANDLE_VALUE) return true;
    constexpr DWORD kExcluded = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    while ((entry.dwFileAttributes & kExcluded) != 0 && FindNextFileW(search, &entry)) ++counts.calls;
    FindClose(search);
    ++counts.calls;
    return true;
}

// ---- Timing --------------------------------------------------------------------------

double microsecondsSince(const LARGE_INTEGER& start) {
    return bench::secondsSince(start) * 1e6;
}

double timeOnce(const std::function<void()>& work) {
    const LARGE_INTEGER start = bench::counterNow();
    work();
    return microsecondsSince(start);
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void pumpMessages() {
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// The list box itself, driven with its own messages and nothing of the runtime: what
// any program pays to refill it, with and without redrawing switched off meanwhile.
void refillListBox(HWND list, const std::vector<std::wstring>& lines, bool redrawOff) {
    if (redrawOff) SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    for (const std::wstring& line : lines)
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    if (redrawOff) {
        SendMessageW(list, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list, nullptr, TRUE);
    }
}

struct Variant {
    std::string name;
    std::function<void()> work;
    std::vector<double> times;
};

// Runs `rounds` rounds; each times every variant once, starting with a different one
// each round. The first rounds warm the caches and are not kept.
void runRounds(std::vector<Variant>& variants, int rounds, int warmUp, bool pumpBetween) {
    for (int round = 0; round < warmUp + rounds; ++round) {
        for (std::size_t i = 0; i < variants.size(); ++i) {
            Variant& variant = variants[(i + static_cast<std::size_t>(round)) % variants.size()];
            const double time = timeOnce(variant.work);
            if (round >= warmUp) variant.times.push_back(time);
            if (pumpBetween) pumpMessages();
        }
    }
}

double pairedRatio(const Variant& over, const Variant& under) {
    std::vector<double> ratios;
    for (std::size_t i = 0; i < over.times.size() && i < under.times.size(); ++i) {
        if (under.times[i] > 0) ratios.push_back(over.times[i] / under.times[i]);
    }
    return median(ratios);
}

std::vector<std::wstring> arguments() {
    int count = 0;
    wchar_t** values = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::wstring> result;
    for (int i = 0; i < count; ++i) result.emplace_back(values[i]);
    LocalFree(values);
    return result;
}

}  // namespace

int platform::programMain(platform::Platform& real) {
    const std::vector<std::wstring> args = arguments();
    if (args.size() < 2) return 2;
    const int rounds = args.size() > 2 ? std::max(3, _wtoi(args[2].c_str())) : 31;
    FILE* out = nullptr;
    if (_wfopen_s(&out, args[1].c_str(), L"w") != 0 || !out) return 3;

    CountingFileSystem fs(real.fs);
    platform::Platform platform{real.ui, fs, real.processes, real.http, real.program, real.registry};
    lockbay::LockbayApp app(platform);
    lockbay::Form1& form = app.form1();
    form.load();  // created hidden; its load handler reads the drives and builds the list once

    const std::vector<wchar_t> letters = form.Drive1;
    std::string drives;
    for (std::size_t i = 1; i < letters.size(); ++i) drives += static_cast<char>(letters[i]);
    std::fprintf(out, "drives %s\n", drives.c_str());
    std::fprintf(out, "drive_count %zu\n", letters.size() - 1);
    std::fprintf(out, "listed %zu\n", form.List1.items().size());
    for (const std::wstring& item : form.List1.items()) {
        std::string line;  // the lines are ASCII
        for (const wchar_t c : item) line.push_back(static_cast<char>(c));
        std::fprintf(out, "item %s\n", line.c_str());
    }

    // The file-system calls of one rebuild, product and floor.
    fs.counts.clear();
    form.loadlist();
    long productCalls = 0;
    for (const auto& [name, count] : fs.counts) {
        std::fprintf(out, "calls_loadlist_%s %ld\n", name.c_str(), count);
        productCalls += count;
    }
    FloorCounts floorCounts;
    for (std::size_t i = 1; i < letters.size(); ++i) floorDrive(letters[i], floorCounts);
    std::fprintf(out, "calls_loadlist_platform %ld\n", productCalls);
    std::fprintf(out, "calls_floor_win32 %ld\n", floorCounts.calls);

    // The lines the list box variants add: the ones the rebuild made.
    const std::vector<std::wstring> lines = form.List1.items();
    const HWND listWindow = GetDlgItem(FindWindowW(L"Lockbay_Form1", nullptr), form.List1.id());
    std::fprintf(out, "list_window_found %d\n", listWindow ? 1 : 0);

    const auto loadlist = [&form] { form.loadlist(); };
    const auto floor = [&letters] {
        FloorCounts unused;
        for (std::size_t i = 1; i < letters.size(); ++i) floorDrive(letters[i], unused);
    };
    const auto rules = [&letters, &fs] {
        for (std::size_t i = 1; i < letters.size(); ++i) {
            const wchar_t d = static_cast<wchar_t>(std::towupper(letters[i]));
            if (!lockbay::isWritable(fs, d)) continue;
            static_cast<void>(lockbay::classifyDrive(fs, d));
        }
    };
    const auto list = [&form, &lines] {
        form.List1.clear();
        for (const std::wstring& line : lines) form.List1.addItem(line);
        form.Picture7.setVisible(false);
        form.Picture6.setVisible(false);
        form.Picture1.setVisible(false);
        form.Picture2.setVisible(false);
    };
    const auto rawList = [listWindow, &lines] { refillListBox(listWindow, lines, false); };
    const auto rawListRedrawOff = [listWindow, &lines] { refillListBox(listWindow, lines, true); };
    // Redrawing switched off around each single change, as a runtime that applies every
    // addItem at once would do it.
    const auto rawListEachRedrawOff = [listWindow, &lines] {
        refillListBox(listWindow, {}, true);
        for (const std::wstring& line : lines) {
            SendMessageW(listWindow, WM_SETREDRAW, FALSE, 0);
            SendMessageW(listWindow, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
            SendMessageW(listWindow, WM_SETREDRAW, TRUE, 0);
            InvalidateRect(listWindow, nullptr, TRUE);
        }
    };

    const auto report = [out](const std::vector<Variant>& variants, const char* suffix) {
        for (const Variant& variant : variants) {
            std::fprintf(out, "median_%s%s_us %.1f\n", variant.name.c_str(), suffix, median(variant.times));
            std::fprintf(out, "min_%s%s_us %.1f\n", variant.name.c_str(), suffix,
                         *std::min_element(variant.times.begin(), variant.times.end()));
        }
    };
    std::fprintf(out, "rounds %d\n", rounds);

    // The window loaded but not shown: first the rebuild and its floor, alternating, then
    // the parts of the rebuild one by one, to tell where its time goes.
    std::vector<Variant> hidden{{"loadlist", loadlist, {}}, {"floor", floor, {}}};
    runRounds(hidden, rounds, 3, false);
    report(hidden, "");
    std::fprintf(out, "paired_ratio_loadlist_floor %.3f\n", pairedRatio(hidden[0], hidden[1]));
    std::vector<Variant> parts{{"rules", rules, {}},
                               {"floor", floor, {}},
                               {"list", list, {}},
                               {"rawlist", rawList, {}},
                               {"rawlist_redraw_off", rawListRedrawOff, {}},
                               {"rawlist_each_redraw_off", rawListEachRedrawOff, {}}};
    runRounds(parts, rounds, 1, false);
    report(parts, "_parts");
    std::fprintf(out, "paired_ratio_rules_floor %.3f\n", pairedRatio(parts[0], parts[1]));

    // The same on the shown window, as the Refresh button rebuilds it; the window paints
    // between the timed calls.
    form.show();
    pumpMessages();
    std::vector<Variant> shown{{"loadlist", loadlist, {}}, {"floor", floor, {}}};
    runRounds(shown, rounds, 3, true);
    report(shown, "_shown");
    std::fprintf(out, "paired_ratio_loadlist_shown_floor %.3f\n", pairedRatio(shown[0], shown[1]));
    std::vector<Variant> shownParts{{"rules", rules, {}},
                                    {"floor", floor, {}},
                                    {"list", list, {}},
                                    {"rawlist", rawList, {}},
                                    {"rawlist_redraw_off", rawListRedrawOff, {}},
                                    {"rawlist_each_redraw_off", rawListEachRedrawOff, {}}};
    runRounds(shownParts, rounds, 1, true);
    report(shownParts, "_shown_parts");
    std::fprintf(out, "paired_ratio_rules_shown_floor %.3f\n", pairedRatio(shownParts[0], shownParts[1]));
    form.loadlist();
    std::fprintf(out, "done 1\n");
    std::fclose(out);
    return 0;
}
