// Benchmark of "lockbay-cli list" on the real platform, against its floor: the bare
// Win32 calls that listing the drives needs and nothing else. Both run in this one
// process on the same drives, in interleaved rounds, as the drive list benchmark does.
//
//   cli_list_bench.exe <result-file> [rounds]
//
//   list   cli::run({"list"}): the drives, the write probe, each drive's status, type,
//          file system and Advanced flag, and the table, written to a console that keeps it
//   floor  GetLogicalDrives, then per drive: CreateDirectoryW X:\a, GetFileAttributesW
//          X:\a, RemoveDirectoryW X:\a (when made), GetFileAttributesW X:\autorun.inf and,
//          when that is no folder, FindFirstFileW/FindNextFileW/FindClose on it;
//          GetDriveTypeW and GetVolumeInformationW (the file system); for a protected
//          drive GetFileAttributesW X:\advancedlockbay and, without the marker, its
//          folder's access list (GetNamedSecurityInfoW)
//
// The result file holds "key value" lines (times in microseconds): the medians and the
// median of the per-round ratios, and the rows the list printed.
#include <windows.h>
// After <windows.h>, which they build on.
#include <aclapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_clock.h"
#include "cli/cli_program.h"
#include "platform/console.h"

namespace {

class KeptConsole final : public platform::Console {
public:
    std::wstring text;
    void out(std::wstring_view part) override { text += part; }
    void err(std::wstring_view part) override { text += part; }
    std::optional<std::wstring> readLine() override { return std::nullopt; }
};

// Exactly the calls that listing one drive needs.
void floorDrive(wchar_t letter) {
    const std::wstring root = std::wstring(1, letter) + L":\\";
    const std::wstring probe = root + L"a";
    const std::wstring protection = root + L"autorun.inf";
    const bool made = CreateDirectoryW(probe.c_str(), nullptr) != FALSE;
    const DWORD probeAttributes = GetFileAttributesW(probe.c_str());
    if (probeAttributes == INVALID_FILE_ATTRIBUTES || !(probeAttributes & FILE_ATTRIBUTE_DIRECTORY)) return;
    if (made) RemoveDirectoryW(probe.c_str());
    const DWORD attributes = GetFileAttributesW(protection.c_str());
    const bool isProtected = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    if (!isProtected) {
        WIN32_FIND_DATAW entry{};
        const HANDLE search = FindFirstFileW(protection.c_str(), &entry);
        if (search != INVALID_HANDLE_VALUE) {
            constexpr DWORD kExcluded = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
            while ((entry.dwFileAttributes & kExcluded) != 0 && FindNextFileW(search, &entry)) {
            }
            FindClose(search);
        }
    }
    GetDriveTypeW(root.c_str());
    wchar_t name[MAX_PATH + 1] = {};
    GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, nullptr, name, MAX_PATH + 1);
    if (isProtected && GetFileAttributesW((root + L"advancedlockbay").c_str()) == INVALID_FILE_ATTRIBUTES) {
        PACL list = nullptr;
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        if (GetNamedSecurityInfoW(protection.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                  &list, nullptr, &descriptor) == ERROR_SUCCESS) {
            LocalFree(descriptor);
        }
    }
}

void floorList() {
    const DWORD present = GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
        if (present & (DWORD{1} << i)) floorDrive(static_cast<wchar_t>(L'A' + i));
    }
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace

int platform::consoleMain(platform::ConsolePlatform& real, const std::vector<std::wstring>& arguments) {
    if (arguments.empty()) return 2;
    const int rounds = arguments.size() > 1 ? std::max(3, _wtoi(arguments[1].c_str())) : 31;
    FILE* out = nullptr;
    if (_wfopen_s(&out, arguments[0].c_str(), L"w") != 0 || !out) return 3;

    KeptConsole console;
    platform::ConsolePlatform p{console, real.fs, real.processes, real.program, real.registry};
    const std::vector<std::wstring> list = {L"list"};
    const auto runList = [&] {
        console.text.clear();
        cli::run(p, list);
    };
    runList();
    std::string rows;
    for (const wchar_t c : console.text) rows.push_back(c == L'\n' ? '|' : static_cast<char>(c));
    std::fprintf(out, "rows %s\n", rows.c_str());

    std::vector<double> listTimes;
    std::vector<double> floorTimes;
    std::vector<double> ratios;
    constexpr int kWarmUp = 3;
    for (int round = 0; round < kWarmUp + rounds; ++round) {
        double listTime = 0;
        double floorTime = 0;
        for (int half = 0; half < 2; ++half) {
            // Each round starts with the other one than the round before.
            const bool listNow = (half == 0) == (round % 2 == 0);
            const LARGE_INTEGER start = bench::counterNow();
            if (listNow) {
                runList();
                listTime = bench::secondsSince(start) * 1e6;
            } else {
                floorList();
                floorTime = bench::secondsSince(start) * 1e6;
            }
        }
        if (round < kWarmUp) continue;
        listTimes.push_back(listTime);
        floorTimes.push_back(floorTime);
        if (floorTime > 0) ratios.push_back(listTime / floorTime);
    }
    std::fprintf(out, "rounds %d\nmedian_list_us %.1f\nmedian_floor_us %.1f\npaired_ratio_list_floor %.3f\ndone 1\n",
                 rounds, median(listTimes), median(floorTimes), median(ratios));
    std::fclose(out);
    return 0;
}
