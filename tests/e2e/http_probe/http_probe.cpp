// Watches the platform's HTTP client use WinINet, for the end-to-end tests.
//
//   http_probe.exe <port>
//
// The program replaces its own import entries of the WinINet functions that take a
// handle with recorders, so it sees every call the client makes, on which thread, and
// every handle that is opened and closed. It then runs transfers against the loopback
// server on <port> (the e2e server, scripted by the test) in which a cancel falls between
// the transfer thread announcing a wait on the network and its next WinINet call: the
// recorders hold that thread there a while, as a busy machine might. Then it waits until
// every handle is closed and checks:
//   - no WinINet call took a handle that had been closed before it (a closed handle's
//     value may already name another object);
//   - a transfer whose time runs out returns at once, without waiting for its transfer
//     thread (held far longer than the limit, with a wide margin either way);
//   - a transfer limited to N bytes asked the server for bytes 0 to N (a Range header)
//     and never read more than N + 1 bytes.
// It prints what it saw, one line per finding, and "ok" or "FAILED: ..."; the exit code
// is 0 when every check held.
// clang-format off
#include <windows.h>  // before every other Windows header
#include <wininet.h>
// clang-format on

#include <chrono>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "platform/win32.h"

namespace {

// ---- What the recorders saw -------------------------------------------------------------

std::mutex recordLock;
std::set<HINTERNET> openHandles;
std::map<HINTERNET, DWORD> closedBy;  // handles closed and not handed out again: by thread
std::vector<std::string> violations;
std::string rangeHeaders;          // every header text sent, joined
unsigned long long readAsked = 0;  // bytes asked of InternetReadFile, in total
DWORD callerThread = 0;

// Where the recorders hold the transfer thread: before the n-th call of a function.
struct Hold {
    const char* function = nullptr;
    int call = 0;  // 1 for the first call
    DWORD ms = 0;
};
Hold hold;
std::map<std::string, int> calls;

void holdIfAsked(const char* function) {
    int call = 0;
    {
        const std::lock_guard lock(recordLock);
        call = ++calls[function];
    }
    if (hold.function && std::strcmp(hold.function, function) == 0 && hold.call == call &&
        GetCurrentThreadId() != callerThread) {
        Sleep(hold.ms);
    }
}

void used(const char* function, HINTERNET handle) {
    const std::lock_guard lock(recordLock);
    const auto closed = closedBy.find(handle);
    if (closed == closedBy.end()) return;
    char text[200];
    std::snprintf(text, sizeof text, "%s on thread %lu took handle %p, closed before on thread %lu%s",
                  function, GetCurrentThreadId(), static_cast<void*>(handle), closed->second,
                  closed->second == GetCurrentThreadId() ? "" : " (another thread)");
    violations.emplace_back(text);
}

void opened(HINTERNET handle) {
    if (!handle) return;
    const std::lock_guard lock(recordLock);
    openHandles.insert(handle);
    closedBy.erase(handle);
}

// ---- The recorders -----------------------------------------------------------------------

decltype(&InternetOpenW) realOpen;
decltype(&InternetConnectW) realConnect;
decltype(&HttpOpenRequestW) realOpenRequest;
decltype(&HttpSendRequestW) realSend;
decltype(&InternetQueryDataAvailable) realQueryAvailable;
decltype(&InternetReadFile) realRead;
decltype(&HttpQueryInfoW) realQueryInfo;
decltype(&InternetSetOptionW) realSetOption;
decltype(&InternetSetStatusCallbackW) realSetCallback;
decltype(&InternetCloseHandle) realClose;

HINTERNET WINAPI recordOpen(LPCWSTR agent, DWORD access, LPCWSTR proxy, LPCWSTR bypass, DWORD flags) {
    const HINTERNET handle = realOpen(agent, access, proxy, bypass, flags);
    opened(handle);
    return handle;
}

HINTERNET WINAPI recordConnect(HINTERNET session, LPCWSTR server, INTERNET_PORT port, LPCWSTR user,
                               LPCWSTR password, DWORD service, DWORD flags, DWORD_PTR context) {
    used("InternetConnectW", session);
    const HINTERNET handle = realConnect(session, server, port, user, password, service, flags, context);
    opened(handle);
    return handle;
}

HINTERNET WINAPI recordOpenRequest(HINTERNET connection, LPCWSTR verb, LPCWSTR object, LPCWSTR version,
                                   LPCWSTR referrer, LPCWSTR* accept, DWORD flags, DWORD_PTR context) {
    used("HttpOpenRequestW", connection);
    const HINTERNET handle =
        realOpenRequest(connection, verb, object, version, referrer, accept, flags, context);
    opened(handle);
    return handle;
}

BOOL WINAPI recordSend(HINTERNET request, LPCWSTR headers, DWORD length, LPVOID optional,
                       DWORD optionalLength) {
    if (headers) {
        const std::wstring text =
            length == static_cast<DWORD>(-1) ? std::wstring(headers) : std::wstring(headers, length);
        const std::lock_guard lock(recordLock);
        for (wchar_t c : text) rangeHeaders.push_back(static_cast<char>(c));
    }
    holdIfAsked("HttpSendRequestW");
    used("HttpSendRequestW", request);
    return realSend(request, headers, length, optional, optionalLength);
}

BOOL WINAPI recordQueryAvailable(HINTERNET request, LPDWORD available, DWORD flags, DWORD_PTR context) {
    holdIfAsked("InternetQueryDataAvailable");
    used("InternetQueryDataAvailable", request);
    return realQueryAvailable(request, available, flags, context);
}

BOOL WINAPI recordRead(HINTERNET request, LPVOID buffer, DWORD wanted, LPDWORD read) {
    {
        const std::lock_guard lock(recordLock);
        readAsked += wanted;
    }
    holdIfAsked("InternetReadFile");
    used("InternetReadFile", request);
    return realRead(request, buffer, wanted, read);
}

BOOL WINAPI recordQueryInfo(HINTERNET request, DWORD level, LPVOID buffer, LPDWORD length, LPDWORD index) {
    used("HttpQueryInfoW", request);
    return realQueryInfo(request, level, buffer, length, index);
}

BOOL WINAPI recordSetOption(HINTERNET handle, DWORD option, LPVOID buffer, DWORD length) {
    if (handle) used("InternetSetOptionW", handle);
    return realSetOption(handle, option, buffer, length);
}

INTERNET_STATUS_CALLBACK WINAPI recordSetCallback(HINTERNET handle, INTERNET_STATUS_CALLBACK callback) {
    used("InternetSetStatusCallbackW", handle);
    return realSetCallback(handle, callback);
}

BOOL WINAPI recordClose(HINTERNET handle) {
    used("InternetCloseHandle", handle);
    {
        const std::lock_guard lock(recordLock);
        openHandles.erase(handle);
        closedBy[handle] = GetCurrentThreadId();
    }
    return realClose(handle);
}

// ---- Replacing the import entries ------------------------------------------------------------

template <typename Function>
void replaceImport(const char* name, Function recorder, Function& real) {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    const auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* module = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
         module->Name; ++module) {
        if (_stricmp(reinterpret_cast<const char*>(base + module->Name), "wininet.dll") != 0) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), name) != 0) continue;
            DWORD protection = 0;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &protection);
            real = reinterpret_cast<Function>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(recorder);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
            return;
        }
    }
    // Not imported: the client does not call it, so there is nothing to watch.
}

void replaceImports() {
    replaceImport("InternetOpenW", &recordOpen, realOpen);
    replaceImport("InternetConnectW", &recordConnect, realConnect);
    replaceImport("HttpOpenRequestW", &recordOpenRequest, realOpenRequest);
    replaceImport("HttpSendRequestW", &recordSend, realSend);
    replaceImport("InternetQueryDataAvailable", &recordQueryAvailable, realQueryAvailable);
    replaceImport("InternetReadFile", &recordRead, realRead);
    replaceImport("HttpQueryInfoW", &recordQueryInfo, realQueryInfo);
    replaceImport("InternetSetOptionW", &recordSetOption, realSetOption);
    replaceImport("InternetSetStatusCallbackW", &recordSetCallback, realSetCallback);
    replaceImport("InternetCloseHandle", &recordClose, realClose);
}

// ---- The transfers ------------------------------------------------------------------------------

// Waits until every handle the client opened is closed (its transfer thread may finish
// after the call returned), at most `ms`.
bool allClosedWithin(DWORD ms) {
    for (DWORD waited = 0;; waited += 50) {
        {
            const std::lock_guard lock(recordLock);
            if (openHandles.empty()) return true;
        }
        if (waited >= ms) return false;
        Sleep(50);
    }
}

void startTransfer(const char* what, Hold where) {
    const std::lock_guard lock(recordLock);
    calls.clear();
    hold = where;
    std::printf("%s\n", what);
}

}  // namespace

// The platform library's entry point calls this for windowed programs; this console
// program starts at wmain and never gets there.
int platform::programMain(platform::Platform&) {
    return 1;
}

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: http_probe.exe <port>\n");
        return 2;
    }
    const std::wstring base = std::wstring(L"http://127.0.0.1:") + argv[1];
    callerThread = GetCurrentThreadId();
    replaceImports();
    if (!realClose || !realSend || !realRead) {
        std::printf("FAILED: the program imports no WinINet functions to watch\n");
        return 1;
    }
    const auto http = platform::win32::makeHttpClient();
    const auto noteResult = [](const platform::HttpResult& result,
                               std::chrono::steady_clock::time_point start) {
        const auto took =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        std::printf("  returned after %lld ms: %s, status %d\n", static_cast<long long>(took.count()),
                    result.completed ? "completed" : "not completed", result.status);
    };

    // 1. The whole transfer's time runs out while the transfer thread is about to send.
    startTransfer("1. time runs out before the request is sent", {"HttpSendRequestW", 1, 3000});
    auto start = std::chrono::steady_clock::now();
    noteResult(
        http->get(
            base + L"/answer", [](std::string_view) { return true; }, platform::HttpLimits{.totalMs = 300}),
        start);
    // The caller's limit holds whatever the transfer thread is doing: it does not wait for
    // that thread (held for 3 s here) to notice.
    const bool firstInTime = std::chrono::steady_clock::now() - start < std::chrono::milliseconds(1500);
    const bool firstClosed = allClosedWithin(30000);

    // 2. The caller stops the transfer after the first piece (taking a moment over it),
    // while the transfer thread is about to wait for the next one.
    startTransfer("2. the caller stops after the first piece", {"InternetQueryDataAvailable", 2, 1500});
    start = std::chrono::steady_clock::now();
    noteResult(http->get(base + L"/trickle",
                         [](std::string_view) {
                             Sleep(300);
                             return false;
                         }),
               start);
    const bool secondClosed = allClosedWithin(30000);

    // 3. A transfer limited to 64 bytes of a long answer.
    startTransfer("3. at most 64 bytes of a long answer", {});
    {
        const std::lock_guard lock(recordLock);
        rangeHeaders.clear();
        readAsked = 0;
    }
    std::size_t received = 0;
    start = std::chrono::steady_clock::now();
    noteResult(http->get(
                   base + L"/long",
                   [&](std::string_view piece) {
                       received += piece.size();
                       return true;
                   },
                   platform::HttpLimits{.totalMs = 15000, .maxBodyBytes = 64}),
               start);
    const bool thirdClosed = allClosedWithin(30000);

    const std::lock_guard lock(recordLock);
    std::vector<std::string> failures = violations;
    if (!firstClosed || !secondClosed || !thirdClosed)
        failures.emplace_back("a handle was still open after 30 s");
    if (!firstInTime) failures.emplace_back("the transfer limited to 300 ms took 1.5 s or more to return");
    if (rangeHeaders.find("Range: bytes=0-64\r\n") == std::string::npos) {
        failures.push_back("the 64-byte transfer sent no \"Range: bytes=0-64\" header (headers: [" +
                           rangeHeaders + "])");
    }
    std::printf("  the 64-byte transfer asked InternetReadFile for %llu bytes and received %zu\n", readAsked,
                received);
    if (readAsked > 65) failures.emplace_back("the 64-byte transfer asked WinINet for more than 65 bytes");
    if (received > 65) failures.emplace_back("the 64-byte transfer handed over more than 65 bytes");
    for (const std::string& failure : failures) std::printf("FAILED: %s\n", failure.c_str());
    if (failures.empty()) std::printf("ok\n");
    std::fflush(stdout);
    // Ends here: a transfer thread left behind must not keep the process.
    ExitProcess(failures.empty() ? 0 : 1);
}
