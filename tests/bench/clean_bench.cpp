// Benchmark of cleaning a stick with a large root, on the real platform, against its
// floor: the bare Win32 calls the same job needs. Both run in this one process on the
// same drive, in interleaved rounds, as the drive list benchmarks do.
//
//   clean_bench.exe <result-file> <drive letter> <decoy .lnk file> <rounds> <entries>...
//
// For each size (ascending) the drive's root is staged with that many entries: a tenth
// of them folders with Hidden and System set, each with a decoy shortcut of its name
// beside it (the given .lnk, which starts .\RECYCLER\S-1-5-21\autorun.exe), the folder
// RECYCLER holding that program, the protection folder autorun.inf, and plain files for
// the rest. Before every timed run the stick is put back as the worm left it (not timed).
//
//   clean        cli::run({"protect", "X:", "--clean", "--json"}), its output kept in memory
//   clean floor  what protect asks of a drive protected already: GetLogicalDrives,
//                GetDriveTypeW, the write probe (CreateDirectoryW, GetFileAttributesW,
//                RemoveDirectoryW of X:\a), GetVolumeInformationW (the serial number a
//                hand-over is stored under), the administrator's policies and the
//                hand-over key (RegOpenKeyExW each), GetFileAttributesW of autorun.inf
//                and of the Advanced marker, the folder's access list
//                (GetNamedSecurityInfoW); then the root listed once
//                (FindFirstFileExW/FindNextFileW) into an index by name; per
//                hidden folder with its shortcut: the shortcut opened, to be read and
//                moved, without following a link (CreateFileW, GetFileInformationByHandleEx
//                for its attributes, GetFinalPathNameByHandleW), read and parsed, each
//                target it names opened the same way once; then the quarantine's two
//                folders made (CreateDirectoryW), each file read again from its start
//                through that opening (the program opened as above) and hashed, renamed
//                through its handle (SetFileInformationByHandle), each folder opened
//                and checked as the files are and shown through that opening
//                (SetFileInformationByHandle), README.txt written
//   scan         lockbay::scanDrive as the watcher runs it after an arrival (only reads)
//   scan floor   the floor's listing and shortcut and target reads, without the moves
//
// The result file holds "key value" lines (times in microseconds) per size, with the
// medians, the median of the per-round ratios and whether every run cleaned all of it.
#include <aclapi.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "bench_clock.h"
#include "cli/cli_program.h"
#include "drive_rules/cleaning.h"
#include "drive_rules/sha256.h"
#include "drive_rules/shell_link.h"
#include "platform/console.h"

namespace {

class KeptConsole final : public platform::Console {
public:
    std::wstring text;
    void out(std::wstring_view part) override { text += part; }
    void err(std::wstring_view part) override { text += part; }
    std::optional<std::wstring> readLine() override { return std::nullopt; }
};

std::wstring numbered(const wchar_t* stem, std::size_t n) {
    wchar_t name[32];
    std::swprintf(name, 32, L"%ls%05zu", stem, n);
    return name;
}

bool writeFile(const std::wstring& path, const std::string& bytes, DWORD disposition = CREATE_ALWAYS) {
    const HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_EXISTS;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return written == bytes.size();
}

// Removes a folder and everything in it.
void removeTree(const std::wstring& folder) {
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeTree(path);
            } else {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

class Stick {
public:
    Stick(wchar_t drive, std::string decoy)
        : root_(std::wstring(1, drive) + L":\\"), decoy_(std::move(decoy)) {}

    // The root with `entries` entries, as the worm leaves it.
    void stage(std::size_t entries) {
        folders_ = entries / 10;
        const std::size_t files = entries - 2 * folders_ - 2;  // RECYCLER and autorun.inf
        for (; filler_ < files; ++filler_)
            writeFile(root_ + numbered(L"file", filler_) + L".txt", "a file of the user");
        restore();
    }

    // Puts back what a cleaning moved or showed.
    void restore() {
        removeTree(root_ + L"Lockbay quarantine");
        CreateDirectoryW((root_ + L"RECYCLER").c_str(), nullptr);
        CreateDirectoryW((root_ + L"RECYCLER\\S-1-5-21").c_str(), nullptr);
        writeFile(root_ + L"RECYCLER\\S-1-5-21\\autorun.exe", "MZ the worm", CREATE_NEW);
        for (std::size_t i = 0; i < folders_; ++i) {
            const std::wstring folder = root_ + numbered(L"Folder", i);
            CreateDirectoryW(folder.c_str(), nullptr);
            SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
            writeFile(folder + L".lnk", decoy_, CREATE_NEW);
        }
    }

    // True when every decoy and the program are gone from their places and every folder shows.
    bool cleaned() const {
        if (GetFileAttributesW((root_ + L"RECYCLER\\S-1-5-21\\autorun.exe").c_str()) !=
            INVALID_FILE_ATTRIBUTES)
            return false;
        for (std::size_t i = 0; i < folders_; ++i) {
            const std::wstring folder = root_ + numbered(L"Folder", i);
            if (GetFileAttributesW((folder + L".lnk").c_str()) != INVALID_FILE_ATTRIBUTES) return false;
            const DWORD attributes = GetFileAttributesW(folder.c_str());
            if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_HIDDEN)) return false;
        }
        return true;
    }

    const std::wstring& root() const { return root_; }
    std::size_t folders() const { return folders_; }

private:
    std::wstring root_;
    std::string decoy_;
    std::size_t folders_ = 0;
    std::size_t filler_ = 0;
};

// ---- The floor ---------------------------------------------------------------------------

std::wstring upperName(std::wstring name) {
    for (wchar_t& c : name) c = static_cast<wchar_t>(towupper(c));
    return name;
}

// Opens a file or folder of the drive without following a link, and checks that it is
// no link and lies on the drive; INVALID_HANDLE_VALUE when not.
HANDLE openChecked(const std::wstring& path, DWORD access) {
    const HANDLE file =
        CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return file;
    // The attributes alone (FileBasicInfo): GetFileInformationByHandle also asks for the
    // volume's serial number, which no check needs and Wine answers slowly.
    FILE_BASIC_INFO information{};
    wchar_t final[MAX_PATH + 8];
    if (!GetFileInformationByHandleEx(file, FileBasicInfo, &information, sizeof information) ||
        (information.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        GetFinalPathNameByHandleW(file, final, MAX_PATH + 8, 0) == 0) {
        CloseHandle(file);
        return INVALID_HANDLE_VALUE;
    }
    return file;
}

std::string readAll(HANDLE file, lockbay::Sha256* hash) {
    std::string content;
    char buffer[64 * 1024];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        if (hash) hash->update(std::string_view(buffer, got));
        content.append(buffer, got);
    }
    return content;
}

struct FloorFound {
    std::vector<std::wstring> files;    // the program, then the shortcuts
    std::vector<HANDLE> openings;       // for a cleaning, each shortcut's opening (the program's none)
    std::vector<std::wstring> folders;  // the hidden folders
};

// The reads: listing, index, each decoy and its target. For a cleaning that follows at
// once, each decoy is opened so that it can also be moved, and that opening is kept.
FloorFound floorScan(const std::wstring& root, bool forCleaning = false) {
    FloorFound found;
    std::vector<WIN32_FIND_DATAW> entries;
    WIN32_FIND_DATAW entry{};
    const HANDLE search = FindFirstFileExW((root + L"*").c_str(), FindExInfoBasic, &entry,
                                           FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE) return found;
    do {
        entries.push_back(entry);
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    std::unordered_map<std::wstring, std::size_t> files;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (!(entries[i].dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            files.emplace(upperName(entries[i].cFileName), i);
    }
    GetFileAttributesW((root + L"autorun.inf").c_str());
    bool programFound = false;
    std::unordered_map<std::wstring, bool> targets;  // each target checked once
    for (const WIN32_FIND_DATAW& folder : entries) {
        constexpr DWORD kHiddenSystem = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
        if (!(folder.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
            (folder.dwFileAttributes & kHiddenSystem) != kHiddenSystem)
            continue;
        const auto shortcut = files.find(upperName(std::wstring(folder.cFileName) + L".lnk"));
        if (shortcut == files.end()) continue;
        const std::wstring shortcutPath = root + entries[shortcut->second].cFileName;
        const HANDLE file = openChecked(shortcutPath, forCleaning ? GENERIC_READ | DELETE : GENERIC_READ);
        if (file == INVALID_HANDLE_VALUE) continue;
        const auto link = lockbay::parseShellLink(readAll(file, nullptr));
        if (!link || !forCleaning) CloseHandle(file);
        if (!link) continue;
        const std::wstring target = root + link->relativePath.substr(2);  // ".\RECYCLER\..."
        auto checked = targets.find(target);
        if (checked == targets.end()) {
            const HANDLE program = openChecked(target, FILE_READ_ATTRIBUTES);
            if (program != INVALID_HANDLE_VALUE) CloseHandle(program);
            checked = targets.emplace(target, program != INVALID_HANDLE_VALUE).first;
        }
        if (!checked->second) {
            if (forCleaning) CloseHandle(file);
            continue;
        }
        if (!programFound) {
            found.files.push_back(target);
            found.openings.push_back(INVALID_HANDLE_VALUE);
        }
        programFound = true;
        found.files.push_back(shortcutPath);
        found.openings.push_back(forCleaning ? file : INVALID_HANDLE_VALUE);
        found.folders.push_back(root + folder.cFileName);
    }
    return found;
}

// What protect itself asks of a drive that is protected already, before it scans: the
// drive is there, no optical drive, writable, its serial number, whether the policies
// or a hand-over say anything, and the protection's reading.
void floorProtection(const std::wstring& root) {
    volatile DWORD answers = GetLogicalDrives() + GetDriveTypeW(root.c_str());
    const std::wstring probe = root + L"a";
    if (CreateDirectoryW(probe.c_str(), nullptr) &&
        GetFileAttributesW(probe.c_str()) != INVALID_FILE_ATTRIBUTES)
        RemoveDirectoryW(probe.c_str());
    DWORD serial = 0;
    GetVolumeInformationW(root.c_str(), nullptr, 0, &serial, nullptr, nullptr, nullptr, 0);
    for (const auto& [hive, name] : {std::pair{HKEY_LOCAL_MACHINE, L"Software\\Policies\\Lockbay"},
                                     std::pair{HKEY_CURRENT_USER, L"Software\\Lockbay\\Drives to clean"}}) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(hive, name, 0, KEY_READ, &key) == ERROR_SUCCESS) RegCloseKey(key);
    }
    const std::wstring folder = root + L"autorun.inf";
    answers = answers + GetFileAttributesW(folder.c_str()) +
              GetFileAttributesW((root + L"advancedlockbay").c_str());
    PACL access = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(folder.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                              &access, nullptr, &descriptor) == ERROR_SUCCESS)
        LocalFree(descriptor);
}

void floorClean(const std::wstring& root, int round) {
    floorProtection(root);
    const FloorFound found = floorScan(root, true);
    const std::wstring quarantine = root + L"Lockbay quarantine";
    const std::wstring folder = quarantine + L"\\floor " + std::to_wstring(round);
    CreateDirectoryW(quarantine.c_str(), nullptr);
    CreateDirectoryW(folder.c_str(), nullptr);
    std::string readme = "Lockbay moved these files here\r\n";
    for (std::size_t i = 0; i < found.files.size(); ++i) {
        const std::wstring& path = found.files[i];
        const std::wstring below = path.substr(3);
        if (const std::size_t slash = below.rfind(L'\\'); slash != std::wstring::npos) {
            // The folders on its way are made in the quarantine, as the path is kept.
            for (std::size_t at = below.find(L'\\'); at != std::wstring::npos; at = below.find(L'\\', at + 1))
                CreateDirectoryW((folder + L"\\" + below.substr(0, at)).c_str(), nullptr);
        }
        const std::wstring to = L"\\??\\" + folder + L"\\" + below + L".quarantined";
        HANDLE file = found.openings[i];
        if (file == INVALID_HANDLE_VALUE) file = openChecked(path, GENERIC_READ | DELETE);
        if (file == INVALID_HANDLE_VALUE) continue;
        SetFilePointer(file, 0, nullptr, FILE_BEGIN);
        lockbay::Sha256 hash;
        readAll(file, &hash);
        std::vector<std::byte> buffer(sizeof(FILE_RENAME_INFO) + to.size() * sizeof(wchar_t));
        auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
        rename->ReplaceIfExists = FALSE;
        rename->RootDirectory = nullptr;
        rename->FileNameLength = static_cast<DWORD>(to.size() * sizeof(wchar_t));
        std::memcpy(rename->FileName, to.c_str(), rename->FileNameLength);
        SetFileInformationByHandle(file, FileRenameInfo, rename, static_cast<DWORD>(buffer.size()));
        CloseHandle(file);
        readme += "Old path: " + std::string(path.begin(), path.end()) + "\r\nSHA-256: " + hash.hexDigest() +
                  "\r\n";
    }
    // Each folder checked as the files are before it is shown, and shown through that opening.
    for (const std::wstring& hidden : found.folders) {
        const HANDLE opened = openChecked(hidden, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES);
        if (opened == INVALID_HANDLE_VALUE) continue;
        FILE_BASIC_INFO shown{};
        shown.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        SetFileInformationByHandle(opened, FileBasicInfo, &shown, sizeof shown);
        CloseHandle(opened);
    }
    writeFile(folder + L"\\README.txt", readme);
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace

int platform::consoleMain(platform::ConsolePlatform& real, const std::vector<std::wstring>& arguments) {
    if (arguments.size() < 5) return 2;
    FILE* out = nullptr;
    if (_wfopen_s(&out, arguments[0].c_str(), L"w") != 0 || !out) return 3;
    const wchar_t drive = arguments[1][0];
    const HANDLE decoyFile =
        CreateFileW(arguments[2].c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (decoyFile == INVALID_HANDLE_VALUE) return 4;
    const std::string decoy = readAll(decoyFile, nullptr);
    CloseHandle(decoyFile);
    const int rounds = std::max(1, _wtoi(arguments[3].c_str()));

    KeptConsole console;
    platform::ConsolePlatform p{console, real.fs, real.processes, real.program, real.registry};
    const std::vector<std::wstring> protect = {L"protect", std::wstring(1, drive) + L":", L"--clean",
                                               L"--json"};
    Stick stick(drive, decoy);
    int floorRound = 0;
    for (std::size_t a = 4; a < arguments.size(); ++a) {
        const std::size_t entries = static_cast<std::size_t>(_wtoi(arguments[a].c_str()));
        stick.stage(entries);
        std::vector<double> cleanTimes, floorTimes, ratios, scanTimes, scanFloorTimes, scanRatios;
        bool allCleaned = true;
        std::size_t found = 0;
        // One round first that is not counted: it makes the protection folder and warms the caches.
        for (int round = -1; round < rounds; ++round) {
            double cleanTime = 0, floorTime = 0, scanTime = 0, scanFloorTime = 0;
            for (int half = 0; half < 2; ++half) {
                const bool productNow = (half == 0) == (round % 2 == 0);
                stick.restore();
                LARGE_INTEGER start = bench::counterNow();
                if (productNow) {
                    const lockbay::Infection infection =
                        lockbay::scanDrive(real.fs, drive, lockbay::readInfectedAutorun(real.fs, drive));
                    scanTime = bench::secondsSince(start) * 1e6;
                    found = infection.fileCount() + infection.hiddenFolders.size();
                    console.text.clear();
                    start = bench::counterNow();
                    cli::run(p, protect);
                    cleanTime = bench::secondsSince(start) * 1e6;
                } else {
                    floorScan(stick.root());
                    scanFloorTime = bench::secondsSince(start) * 1e6;
                    start = bench::counterNow();
                    floorClean(stick.root(), ++floorRound);
                    floorTime = bench::secondsSince(start) * 1e6;
                }
                allCleaned = allCleaned && stick.cleaned();
            }
            if (round < 0) continue;
            cleanTimes.push_back(cleanTime);
            floorTimes.push_back(floorTime);
            scanTimes.push_back(scanTime);
            scanFloorTimes.push_back(scanFloorTime);
            if (floorTime > 0) ratios.push_back(cleanTime / floorTime);
            if (scanFloorTime > 0) scanRatios.push_back(scanTime / scanFloorTime);
        }
        std::fprintf(out,
                     "size_%zu_rounds %d\nsize_%zu_found %zu\nsize_%zu_cleaned %d\nsize_%zu_json_chars %zu\n"
                     "size_%zu_clean_us %.1f\nsize_%zu_clean_floor_us %.1f\nsize_%zu_clean_ratio %.3f\n"
                     "size_%zu_scan_us %.1f\nsize_%zu_scan_floor_us %.1f\nsize_%zu_scan_ratio %.3f\n",
                     entries, rounds, entries, found, entries, allCleaned ? 1 : 0, entries,
                     console.text.size(), entries, median(cleanTimes), entries, median(floorTimes), entries,
                     median(ratios), entries, median(scanTimes), entries, median(scanFloorTimes), entries,
                     median(scanRatios));
        std::string start;  // ASCII, for the eye, when a cleaning went wrong
        for (std::size_t i = 0; i < console.text.size() && i < 300; ++i)
            start.push_back(
                console.text[i] < 0x80 && console.text[i] >= 0x20 ? static_cast<char>(console.text[i]) : ' ');
        std::fprintf(out, "size_%zu_json_start %s\n", entries, start.c_str());
        std::fflush(out);
    }
    stick.restore();
    std::fprintf(out, "done 1\n");
    std::fclose(out);
    return 0;
}
