// A stand-in for the system tools cacls, takeown and convert in the end-to-end tests:
// copied under each tool's name into a folder that comes first on the search path, it
// records its own command line exactly as it received it (trailing blanks included) as
// one UTF-8 line in the file named by LOCKBAY_STANDIN_LOG, and succeeds.
//
// Settings for the tests that wait for the tools:
//   LOCKBAY_STANDIN_FAIL=cacls,...   these tools record their line and exit with code 5.
//   LOCKBAY_E2E_ACCESS=<folder>      cacls writes its entry for real (deny Everyone all
//                                    access for /d, full access again for /g Everyone:F) and
//                                    also records it there, because Wine keeps no access
//                                    list: the e2e build of Lockbay reads it back from
//                                    <folder>\<path, ':' and '\' as '_'>.txt, last line.
//   LOCKBAY_STANDIN_CONVERT_TO_NTFS=1  convert turns the drive's staged volume facts
//                                    (%LOCKBAY_E2E_VOLUMES%\<letter>.txt) into NTFS.
//   LOCKBAY_STANDIN_CONVERT=refuse   convert refuses, as it does for a user without
//                                    administrator rights: exit code 1, nothing changed.
//   LOCKBAY_STANDIN_CONVERT_<letter>=...  the same for one drive only.
//   LOCKBAY_STANDIN_CONVERT=label:X  convert asks for the volume label on its standard
//                                    input, as the real one does for a labelled drive, and
//                                    waits for the line: X converts (as above), anything
//                                    else (or the input's end) fails with exit code 1.
//   LOCKBAY_STANDIN_HOLD=<file>      the tool waits while that file exists (at most 2
//                                    minutes) before it acts, so a test sees it running.
// Otherwise it changes nothing on any drive.
#include <windows.h>
// After <windows.h>, which they build on.
#include <aclapi.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <string>
#include <vector>

namespace {

std::string toUtf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size, nullptr,
                        nullptr);
    return result;
}

std::wstring environmentValue(const wchar_t* name) {
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) return {};
    std::wstring value(size, L'\0');
    const DWORD length = GetEnvironmentVariableW(name, value.data(), size);
    value.resize(length);
    return value;
}

// Several stand-ins may start at once; one appending write per line keeps lines whole,
// and a sharing conflict is waited out.
bool appendLine(const std::wstring& path, const std::string& line) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            const BOOL ok = WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            CloseHandle(file);
            return ok && written == line.size();
        }
        if (GetLastError() != ERROR_SHARING_VIOLATION) return false;
        Sleep(20);
    }
    return false;
}

// The tool this copy stands in for: its own file name without ".exe", in lower case.
std::wstring toolName() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name = path;
    name = name.substr(name.find_last_of(L"\\/") + 1);
    if (name.size() > 4) name.resize(name.size() - 4);
    for (wchar_t& c : name) c = static_cast<wchar_t>(std::towlower(c));
    return name;
}

bool listed(const std::wstring& list, const std::wstring& name) {
    std::wstring padded = L"," + list + L",";
    for (wchar_t& c : padded) c = static_cast<wchar_t>(std::towlower(c));
    return padded.find(L"," + name + L",") != std::wstring::npos;
}

std::vector<std::wstring> arguments() {
    int count = 0;
    LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::wstring> result;
    for (int i = 1; i < count; ++i) result.emplace_back(words[i]);
    LocalFree(words);
    return result;
}

// cacls <path> /e /c /d Everyone  or  cacls <path> /e /c /g Everyone:F, done for real.
void applyAccessEntry(const std::vector<std::wstring>& args, const std::wstring& record) {
    if (args.empty()) return;
    const std::wstring& path = args[0];
    const bool deny = std::find(args.begin(), args.end(), L"/d") != args.end();
    const bool grant = std::find(args.begin(), args.end(), L"/g") != args.end();
    if (!deny && !grant) return;
    PACL old = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &old,
                              nullptr, &descriptor) == ERROR_SUCCESS) {
        EXPLICIT_ACCESSW entry{};
        entry.grfAccessPermissions = GENERIC_ALL;
        entry.grfAccessMode = deny ? DENY_ACCESS : SET_ACCESS;  // a grant replaces the deny
        entry.grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
        entry.Trustee.TrusteeForm = TRUSTEE_IS_NAME;
        entry.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
        wchar_t everyone[] = L"Everyone";
        entry.Trustee.ptstrName = everyone;
        PACL updated = nullptr;
        if (SetEntriesInAclW(1, &entry, old, &updated) == ERROR_SUCCESS) {
            SetNamedSecurityInfoW(const_cast<wchar_t*>(path.c_str()), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                  nullptr, nullptr, updated, nullptr);
            LocalFree(updated);
        }
        LocalFree(descriptor);
    }
    if (record.empty()) return;
    std::wstring name = path;
    std::replace(name.begin(), name.end(), L':', L'_');
    std::replace(name.begin(), name.end(), L'\\', L'_');
    appendLine(record + L"\\" + name + L".txt", deny ? "deny Everyone\n" : "grant Everyone\n");
}

// convert E: /FS:NTFS /X : the drive's staged facts now say NTFS, with its free space.
void convertStagedVolume(const std::vector<std::wstring>& args) {
    const std::wstring volumes = environmentValue(L"LOCKBAY_E2E_VOLUMES");
    if (volumes.empty() || args.empty() || args[0].size() != 2) return;
    const std::wstring file = volumes + L"\\" + args[0][0] + L".txt";
    unsigned long long freeBytes = 1ull << 30;
    if (FILE* staged = _wfopen(file.c_str(), L"rb")) {
        char name[64] = {};
        char state[16] = {};
        if (std::fscanf(staged, "%63s %llu %15s", name, &freeBytes, state) != 3) freeBytes = 1ull << 30;
        std::fclose(staged);
    }
    if (FILE* staged = _wfopen(file.c_str(), L"wb")) {
        std::fprintf(staged, "NTFS %llu ready\r\n", freeBytes);
        std::fclose(staged);
    }
}

// One line of the standard input, without its line end; nothing at the input's end.
bool readInputLine(std::string& line) {
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    char c = 0;
    DWORD got = 0;
    bool any = false;
    while (ReadFile(input, &c, 1, &got, nullptr) && got == 1) {
        any = true;
        if (c == '\n') return true;
        if (c != '\r') line.push_back(c);
    }
    return any;
}

void say(const std::string& text) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written,
              nullptr);
}

// What the test steers convert to do: its exit code.
int convert(const std::vector<std::wstring>& args) {
    std::wstring mode =
        args.empty() ? L"" : environmentValue((L"LOCKBAY_STANDIN_CONVERT_" + args[0].substr(0, 1)).c_str());
    if (mode.empty()) mode = environmentValue(L"LOCKBAY_STANDIN_CONVERT");
    if (mode == L"refuse") {
        say("Access denied as you do not have sufficient privileges.\r\n");
        return 1;
    }
    if (mode.rfind(L"label:", 0) == 0) {
        say("Enter current volume label for drive " + toUtf8(args.empty() ? L"" : args[0]) + " ");
        std::string typed;
        if (!readInputLine(typed) || typed != toUtf8(mode.substr(6))) {
            say("An incorrect volume label was entered for this drive.\r\n");
            return 1;
        }
        convertStagedVolume(args);
        return 0;
    }
    if (!environmentValue(L"LOCKBAY_STANDIN_CONVERT_TO_NTFS").empty()) convertStagedVolume(args);
    return 0;
}

}  // namespace

int wmain() {
    const std::wstring log = environmentValue(L"LOCKBAY_STANDIN_LOG");
    if (log.empty()) {
        // Nothing to record into: say so where a person running it by hand sees it.
        const char message[] = "stand-in: LOCKBAY_STANDIN_LOG is not set, nothing recorded\n";
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_ERROR_HANDLE), message, sizeof message - 1, &written, nullptr);
        return 0;
    }
    appendLine(log, toUtf8(GetCommandLineW()) + "\n");
    const std::wstring tool = toolName();
    const std::wstring hold = environmentValue(L"LOCKBAY_STANDIN_HOLD");
    for (int waited = 0; !hold.empty() && waited < 1200; ++waited) {
        if (GetFileAttributesW(hold.c_str()) == INVALID_FILE_ATTRIBUTES) break;
        Sleep(100);
    }
    if (listed(environmentValue(L"LOCKBAY_STANDIN_FAIL"), tool)) return 5;
    if (tool == L"cacls") {
        const std::wstring record = environmentValue(L"LOCKBAY_E2E_ACCESS");
        if (!record.empty()) applyAccessEntry(arguments(), record);
    }
    if (tool == L"convert") return convert(arguments());
    return 0;
}
