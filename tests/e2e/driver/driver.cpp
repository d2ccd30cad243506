// The end-to-end test driver: finds our windows by class (and title), their controls by
// id, reads texts, visibility and list items, and acts with real mouse and keyboard
// input (SendInput), as a user would.
//
//   driver.exe <action> [arguments...]   one action; its result on standard output
//   driver.exe                           one action per line on standard input, one
//                                        result per line, in order
//
// Reading actions from standard input lets a test keep one driver running (one Wine
// start-up) and talk to it line by line. A window is named "<class>" or
// "<class>:<title>" ("<class>:<beginning of the title>*" for a title that changes at its
// end). Texts are printed in UTF-8 with backslash, CR and LF escaped as
// \\, \r and \n, so that every result is exactly one line (a list ends with "<end>").
// A failed action prints "error: <what failed>" and ends the driver with exit code 1.
// clang-format off
#include <windows.h>  // before every other Windows header
#include <dbt.h>
#include <oleacc.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <tlhelp32.h>
#include <winioctl.h>
// clang-format on

#include <cstring>
#include <cwctype>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr DWORD kDefaultTimeoutMs = 15000;
constexpr UINT kAnswerTimeoutMs = 10000;  // for a message to another program's window
constexpr DWORD kPollMs = 50;
constexpr char kListEnd[] = "<end>";

constexpr char kUsage[] =
    "actions (a window is <class>, <class>:<title> or <class>:<title's beginning>*; times in ms):\n"
    "  wait-window <window> [timeout]      a visible window appears\n"
    "  wait-gone <window> [timeout]        no visible window of that name is left\n"
    "  visible <window>                    1 or 0\n"
    "  title <window>\n"
    "  text <window> <id>                  the control's window text\n"
    "  wait-text <window> <id> <text> [timeout]\n"
    "  wait-text-start <window> <id> <start> [timeout]   a visible one whose text starts so; prints it\n"
    "  control-visible <window> <id>       1 or 0\n"
    "  wait-visible <window> <id> [timeout]\n"
    "  wait-hidden <window> <id> [timeout]\n"
    "  list-items <window> <id>            one item per line, then <end>\n"
    "  list-selected <window> <id>         index of the selected item, -1 for none\n"
    "  list-select <window> <id> <index>   clicks the item\n"
    "  click <window> <id>                 mouse down and up at the control's centre\n"
    "  press <window> <id>                 mouse down only\n"
    "  release                             mouse up\n"
    "  key <key> [window]                  a key (RETURN, SPACE, TAB, ESCAPE, A, 0x41...)\n"
    "  close <window>                      posts WM_CLOSE\n"
    "  foreground <window>\n"
    "  restore <window>                    a minimized window back to its size, in front\n"
    "  minimized <window>                  1 or 0\n"
    "  controls <window>                   id, class and text of each control, then <end>\n"
    "  rect <window> [id]                  left top width height on the screen\n"
    "  client-rect <window>                the client area, likewise\n"
    "  accessible <window> [id]            what a screen reader reads: role number, a tab, name\n"
    "  settle <window>                     waits until the window's thread is idle and painted\n"
    "  windows                             visible top-level windows, then <end>\n"
    "  drives                              each drive letter with its type and its root's\n"
    "                                      attributes, then <end>\n"
    "  mouse <window> <left|right|double> [x y]\n"
    "                                      a real click at the centre of a top-level window,\n"
    "                                      or at x, y in its client area\n"
    "  mount-drive <letter> <linux-folder> <removable|fixed>\n"
    "                                      a new drive letter for a folder, through Wine's\n"
    "                                      mount manager (as winecfg adds one): the running\n"
    "                                      programs' drive lists see it; announces nothing\n"
    "  unmount-drive <letter>              takes a drive letter away again (the folder stays)\n"
    "  volume-change <arrival|removal> <letters>\n"
    "                                      broadcasts WM_DEVICECHANGE for those drives to\n"
    "                                      every top-level window, as Windows does\n"
    "  process-running <exe-name>          1 or 0\n"
    "  setting-change <area>               WM_SETTINGCHANGE to every top-level window (\"Policy\")\n"
    "  process-count <exe-name>            how many processes run that program\n"
    "  wait-process <exe-name> [timeout]\n"
    "  wait-process-gone <exe-name> [timeout]\n"
    "  screenshot <file.bmp>\n"
    "  shell-open <file> <show-command>    ShellExecute \"open\", as a program starting another does\n"
    "  file-version <file>                 its version resource's file version, a.b.c.d\n"
    "  shortcut <file.lnk>                 the target, its arguments and working folder, a line each\n"
    "  make-shortcut <file.lnk> <target> [arguments] [working folder]   saved by the system's shell\n"
    "  sleep <ms>\n"
    "  hold-file <path> <ms>               keeps a file open, shared for reading only, for that long\n";

// ---- Text ------------------------------------------------------------------------

std::string toUtf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size, nullptr,
                        nullptr);
    return result;
}

std::wstring fromUtf8(const std::string& text) {
    if (text.empty()) return {};
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring result(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size);
    return result;
}

std::string escaped(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text) {
        if (c == L'\\') {
            out += L"\\\\";
        } else if (c == L'\r') {
            out += L"\\r";
        } else if (c == L'\n') {
            out += L"\\n";
        } else {
            out += c;
        }
    }
    return toUtf8(out);
}

// A failed action: the message says what was looked for and what was found.
class ActionError : public std::runtime_error {
public:
    explicit ActionError(const std::wstring& message) : std::runtime_error(toUtf8(message)) {}
};

// Output goes straight to the handle, unbuffered and without CR LF translation, so that
// a test reading line by line sees each result at once.
void writeOut(const std::string& text) {
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD written = 0;
    WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

void writeLine(const std::string& line) {
    writeOut(line + "\n");
}

void writeError(const std::string& message) {
    const std::string line = "error: " + message + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written,
              nullptr);
}

// ---- Arguments -------------------------------------------------------------------

unsigned long parseNumber(const std::wstring& text, const wchar_t* what) {
    size_t used = 0;
    unsigned long value = 0;
    try {
        value = std::stoul(text, &used, 0);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != text.size())
        throw ActionError(std::wstring(what) + L" is not a number: " + text);
    return value;
}

class Arguments {
public:
    Arguments(std::wstring action, std::vector<std::wstring> values)
        : action_(std::move(action)), values_(std::move(values)) {}

    const std::wstring& action() const { return action_; }

    const std::wstring& required(size_t index, const wchar_t* what) const {
        if (index >= values_.size()) throw ActionError(action_ + L": missing argument <" + what + L">");
        return values_[index];
    }

    int id(size_t index) const {
        return static_cast<int>(parseNumber(required(index, L"id"), L"control id"));
    }

    DWORD timeout(size_t index) const {
        if (index >= values_.size()) return kDefaultTimeoutMs;
        return parseNumber(values_[index], L"time-out");
    }

    bool has(size_t index) const { return index < values_.size(); }

    void atMost(size_t count) const {
        if (values_.size() > count) throw ActionError(action_ + L": too many arguments");
    }

private:
    std::wstring action_;
    std::vector<std::wstring> values_;
};

// Splits an input line into words at blanks; "double quotes" keep blanks, and inside
// them \" and \\ stand for a quote and a backslash.
std::vector<std::wstring> splitWords(const std::wstring& line) {
    std::vector<std::wstring> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == L' ' || line[i] == L'\t')) ++i;
        if (i >= line.size()) break;
        std::wstring word;
        if (line[i] == L'"') {
            ++i;
            bool closed = false;
            while (i < line.size()) {
                if (line[i] == L'\\' && i + 1 < line.size() &&
                    (line[i + 1] == L'"' || line[i + 1] == L'\\')) {
                    word += line[i + 1];
                    i += 2;
                } else if (line[i] == L'"') {
                    ++i;
                    closed = true;
                    break;
                } else {
                    word += line[i++];
                }
            }
            if (!closed) throw ActionError(L"unclosed quote in: " + line);
        } else {
            while (i < line.size() && line[i] != L' ' && line[i] != L'\t') word += line[i++];
        }
        words.push_back(word);
    }
    return words;
}

// ---- Finding windows and controls ---------------------------------------------------

struct WindowName {
    std::wstring className;
    std::optional<std::wstring> title;

    std::wstring describe() const { return title ? className + L" titled \"" + *title + L"\"" : className; }
};

WindowName parseWindowName(const std::wstring& text) {
    const size_t colon = text.find(L':');
    if (colon == std::wstring::npos) return {text, std::nullopt};
    return {text.substr(0, colon), text.substr(colon + 1)};
}

std::wstring classOf(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

std::wstring textOf(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &length)) {
        throw ActionError(L"the window of class " + classOf(window) + L" does not answer");
    }
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    DWORD_PTR copied = 0;
    // A window that stops answering between the two questions is reported, not read as
    // an empty text.
    if (!SendMessageTimeoutW(window, WM_GETTEXT, static_cast<WPARAM>(text.size()),
                             reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, kAnswerTimeoutMs,
                             &copied)) {
        throw ActionError(L"the window of class " + classOf(window) + L" does not answer");
    }
    text.resize(static_cast<size_t>(copied));
    return text;
}

struct TopLevelSearch {
    const WindowName* name;
    bool visibleOnly;
    HWND found;
};

BOOL CALLBACK matchTopLevel(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<TopLevelSearch*>(param);
    if (search->visibleOnly && !IsWindowVisible(window)) return TRUE;
    if (classOf(window) != search->name->className) return TRUE;
    if (search->name->title) {
        wchar_t text[512] = {};
        GetWindowTextW(window, text, 512);
        // "Title*" stands for every title that begins with "Title".
        const std::wstring& wanted = *search->name->title;
        const std::wstring_view title(text);
        if (!wanted.empty() && wanted.back() == L'*') {
            if (title.substr(0, wanted.size() - 1) != std::wstring_view(wanted).substr(0, wanted.size() - 1))
                return TRUE;
        } else if (wanted != title) {
            return TRUE;
        }
    }
    search->found = window;
    return FALSE;
}

HWND findTopLevel(const WindowName& name, bool visibleOnly) {
    TopLevelSearch search{&name, visibleOnly, nullptr};
    EnumWindows(matchTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A visible window of that name if there is one, else a hidden one.
HWND requireWindow(const std::wstring& text) {
    const WindowName name = parseWindowName(text);
    if (HWND window = findTopLevel(name, true)) return window;
    if (HWND window = findTopLevel(name, false)) return window;
    throw ActionError(L"no window " + name.describe());
}

struct ControlSearch {
    int id;
    HWND found;
};

BOOL CALLBACK matchControl(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<ControlSearch*>(param);
    if (GetDlgCtrlID(window) != search->id) return TRUE;
    search->found = window;
    return FALSE;
}

// Controls may lie on other controls (a label on a picture box), so the search covers
// every descendant, not only the direct children.
HWND requireControl(const std::wstring& windowText, int id) {
    HWND top = requireWindow(windowText);
    ControlSearch search{id, nullptr};
    EnumChildWindows(top, matchControl, reinterpret_cast<LPARAM>(&search));
    if (!search.found) throw ActionError(L"no control with id " + std::to_wstring(id) + L" in " + windowText);
    return search.found;
}

// ---- Waiting -----------------------------------------------------------------------

template <typename Condition>
bool waitFor(DWORD timeoutMs, Condition&& condition) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition()) return true;
        if (GetTickCount64() >= end) return false;
        Sleep(kPollMs);
    }
}

// ---- Input -------------------------------------------------------------------------

void sendMouse(DWORD flags, POINT at = {}) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    if (flags & MOUSEEVENTF_ABSOLUTE) {
        const int width = GetSystemMetrics(SM_CXSCREEN);
        const int height = GetSystemMetrics(SM_CYSCREEN);
        input.mi.dx = MulDiv(at.x, 65535, width > 1 ? width - 1 : 1);
        input.mi.dy = MulDiv(at.y, 65535, height > 1 ? height - 1 : 1);
    }
    if (SendInput(1, &input, sizeof input) != 1) throw ActionError(L"SendInput refused the mouse event");
}

POINT centreOf(const RECT& rect) {
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

void moveMouse(POINT at) {
    SetCursorPos(at.x, at.y);
    sendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, at);
    Sleep(30);
}

// The point must reach `target` (or a control on it); when another top-level window
// covers it, the target's window is brought to the front first.
void ensureReachable(HWND target, POINT at) {
    HWND top = GetAncestor(target, GA_ROOT);
    auto reaches = [&] {
        HWND hit = WindowFromPoint(at);
        return hit && GetAncestor(hit, GA_ROOT) == top;
    };
    if (reaches()) return;
    // A tooltip that the pointer's rest has raised goes away once the pointer leaves.
    if (HWND hit = WindowFromPoint(at); hit && classOf(hit) == L"tooltips_class32") {
        moveMouse({GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1});
        if (waitFor(3000, reaches)) return;
    }
    SetForegroundWindow(top);
    BringWindowToTop(top);
    if (waitFor(2000, reaches)) return;
    HWND hit = WindowFromPoint(at);
    throw ActionError(L"the point (" + std::to_wstring(at.x) + L"," + std::to_wstring(at.y) +
                      L") of the control " + L"lies under a window of class " +
                      (hit ? classOf(hit) : std::wstring(L"(none)")));
}

void pressAt(HWND target, POINT at) {
    ensureReachable(target, at);
    moveMouse(at);
    sendMouse(MOUSEEVENTF_LEFTDOWN);
    Sleep(50);
}

void release() {
    sendMouse(MOUSEEVENTF_LEFTUP);
    Sleep(50);
}

void requireVisible(HWND control, const std::wstring& what) {
    if (!IsWindowVisible(control)) throw ActionError(what + L" is not visible, so it cannot be clicked");
}

WORD parseKey(const std::wstring& text) {
    struct Named {
        const wchar_t* name;
        WORD key;
    };
    static const Named names[] = {
        {L"RETURN", VK_RETURN}, {L"ENTER", VK_RETURN}, {L"SPACE", VK_SPACE}, {L"TAB", VK_TAB},
        {L"ESCAPE", VK_ESCAPE}, {L"ESC", VK_ESCAPE},   {L"UP", VK_UP},       {L"DOWN", VK_DOWN},
        {L"LEFT", VK_LEFT},     {L"RIGHT", VK_RIGHT},  {L"HOME", VK_HOME},   {L"END", VK_END},
        {L"SHIFT", VK_SHIFT},   {L"F1", VK_F1},        {L"BACK", VK_BACK},   {L"DELETE", VK_DELETE},
    };
    std::wstring upper = text;
    for (wchar_t& c : upper) c = static_cast<wchar_t>(std::towupper(c));
    for (const Named& named : names) {
        if (upper == named.name) return named.key;
    }
    if (upper.size() == 1 &&
        ((upper[0] >= L'A' && upper[0] <= L'Z') || (upper[0] >= L'0' && upper[0] <= L'9'))) {
        return upper[0];
    }
    return static_cast<WORD>(parseNumber(text, L"key"));
}

void sendKey(WORD key) {
    INPUT inputs[2] = {};
    inputs[0].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = key;
    inputs[1] = inputs[0];
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    if (SendInput(1, &inputs[0], sizeof(INPUT)) != 1) throw ActionError(L"SendInput refused the key");
    Sleep(30);
    SendInput(1, &inputs[1], sizeof(INPUT));
    Sleep(50);
}

// ---- List boxes --------------------------------------------------------------------

LRESULT askList(HWND list, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(list, message, wParam, lParam, SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &result)) {
        throw ActionError(L"the list box does not answer");
    }
    return static_cast<LRESULT>(result);
}

std::vector<std::wstring> listItems(HWND list) {
    const LRESULT count = askList(list, LB_GETCOUNT);
    if (count == LB_ERR) throw ActionError(L"the control is not a list box");
    std::vector<std::wstring> items;
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = askList(list, LB_GETTEXTLEN, static_cast<WPARAM>(i));
        std::wstring item(static_cast<size_t>(length < 0 ? 0 : length) + 1, L'\0');
        const LRESULT copied =
            askList(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item.data()));
        item.resize(static_cast<size_t>(copied < 0 ? 0 : copied));
        items.push_back(item);
    }
    return items;
}

// ---- Processes ---------------------------------------------------------------------

int processCount(const std::wstring& exeName) {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) throw ActionError(L"cannot list the processes");
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (lstrcmpiW(entry.szExeFile, exeName.c_str()) == 0) ++count;
    }
    CloseHandle(snapshot);
    return count;
}

bool processRunning(const std::wstring& exeName) {
    return processCount(exeName) > 0;
}

// ---- Device notifications ----------------------------------------------------------

// The broadcast Windows sends to every top-level window when volumes are mounted or
// taken away: WM_DEVICECHANGE with a DEV_BROADCAST_VOLUME naming the drive letters.
void broadcastVolumeChange(const std::wstring& event, const std::wstring& letters) {
    WPARAM kind = 0;
    if (event == L"arrival") {
        kind = DBT_DEVICEARRIVAL;
    } else if (event == L"removal") {
        kind = DBT_DEVICEREMOVECOMPLETE;
    } else {
        throw ActionError(L"volume-change: the event is arrival or removal, not " + event);
    }
    DEV_BROADCAST_VOLUME volume{};
    volume.dbcv_size = sizeof volume;
    volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
    for (wchar_t letter : letters) {
        const wchar_t upper = static_cast<wchar_t>(std::towupper(letter));
        if (upper < L'A' || upper > L'Z') throw ActionError(L"volume-change: not a drive letter: " + letters);
        volume.dbcv_unitmask |= DWORD{1} << (upper - L'A');
    }
    // Sent, not posted: the structure travels with the message. (Wine's
    // BroadcastSystemMessageW reaches no window from a console program; a send to
    // HWND_BROADCAST reaches every top-level window, hidden ones included.)
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(HWND_BROADCAST, WM_DEVICECHANGE, kind, reinterpret_cast<LPARAM>(&volume),
                             SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &answer)) {
        throw ActionError(L"the broadcast of WM_DEVICECHANGE failed");
    }
}

// ---- Wine's mount manager -----------------------------------------------------------

// A drive letter mapped onto a folder while programs run. A symbolic link in dosdevices
// alone reaches the files, but the running Wine keeps its list of drive letters
// (GetLogicalDrives) from its start; Wine's mount manager updates both, as winecfg does.
// The request is Wine's own (include/ddk/mountmgr.h), not a Windows one.
struct WineUnixDrive {
    ULONG size;
    ULONG type;  // DRIVE_REMOVABLE, DRIVE_FIXED, ... or DRIVE_NO_ROOT_DIR to remove the letter
    ULONG fsType;
    DWORD serial;
    ULONGLONG unixDevice;
    WCHAR letter;
    USHORT mountPointOffset;  // a Linux path in the bytes after the structure
    USHORT deviceOffset;
    USHORT labelOffset;
};
constexpr DWORD kDefineUnixDrive = CTL_CODE(0x6D, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);

void defineWineDrive(wchar_t letter, const std::string& linuxFolder, ULONG type) {
    const wchar_t lower = static_cast<wchar_t>(std::towlower(letter));
    if (lower < L'a' || lower > L'z') throw ActionError(L"not a drive letter: " + std::wstring(1, letter));
    std::vector<char> request(sizeof(WineUnixDrive) + linuxFolder.size() + 1, '\0');
    WineUnixDrive drive{};
    drive.size = static_cast<ULONG>(request.size());
    drive.type = type;
    drive.letter = lower;
    if (!linuxFolder.empty()) {
        drive.mountPointOffset = sizeof(WineUnixDrive);
        std::memcpy(request.data() + sizeof(WineUnixDrive), linuxFolder.c_str(), linuxFolder.size() + 1);
    }
    std::memcpy(request.data(), &drive, sizeof drive);
    const HANDLE manager =
        CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (manager == INVALID_HANDLE_VALUE) throw ActionError(L"Wine's mount manager cannot be reached");
    DWORD returned = 0;
    const BOOL done = DeviceIoControl(manager, kDefineUnixDrive, request.data(),
                                      static_cast<DWORD>(request.size()), nullptr, 0, &returned, nullptr);
    CloseHandle(manager);
    if (!done) throw ActionError(L"Wine's mount manager refused the drive " + std::wstring(1, letter));
}

// ---- Screenshot --------------------------------------------------------------------

void saveScreenshot(const std::wstring& path) {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up, as a .bmp file stores it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    const BOOL copied = BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    GdiFlush();
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    const DWORD imageSize = stride * static_cast<DWORD>(height);
    info.bmiHeader.biSizeImage = imageSize;
    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;  // "BM"
    header.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    header.bfSize = header.bfOffBits + imageSize;

    bool written = false;
    if (copied && bits) {
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD done = 0;
            written = WriteFile(file, &header, sizeof header, &done, nullptr) &&
                      WriteFile(file, &info.bmiHeader, sizeof(BITMAPINFOHEADER), &done, nullptr) &&
                      WriteFile(file, bits, imageSize, &done, nullptr);
            CloseHandle(file);
        }
    }
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (!written) throw ActionError(L"cannot save a screenshot to " + path);
}

// ---- Actions -----------------------------------------------------------------------

// The role (a ROLE_SYSTEM_* number) and name that a screen reader gets for a window, as
// it gets them: AccessibleObjectFromWindow, from this other process.
std::string accessibleDescription(HWND window) {
    static const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(com)) throw ActionError(L"COM could not be initialized");
    IAccessible* object = nullptr;
    const HRESULT found =
        // __uuidof, not IID_IAccessible: mingw's import library gives that name the address
        // of an import thunk instead of the GUID, and the other process is then asked for
        // an interface that does not exist (E_NOINTERFACE).
        AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                   reinterpret_cast<void**>(&object));
    if (FAILED(found) || !object) {
        wchar_t code[16];
        swprintf(code, 16, L"%08lX", static_cast<unsigned long>(found));
        throw ActionError(std::wstring(L"the window gives no accessible object (") + code + L")");
    }
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    VARIANT role{};
    const HRESULT roleRead = object->get_accRole(self, &role);
    BSTR name = nullptr;
    const HRESULT nameRead = object->get_accName(self, &name);
    object->Release();
    if (FAILED(roleRead) || role.vt != VT_I4) throw ActionError(L"the accessible object gives no role");
    std::wstring text = SUCCEEDED(nameRead) && name ? std::wstring(name, SysStringLen(name)) : std::wstring();
    SysFreeString(name);
    return std::to_string(role.lVal) + "\t" + escaped(text);
}

// ---- Files and the shell -----------------------------------------------------------

std::string fileVersion(const std::wstring& path) {
    DWORD unused = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &unused);
    if (size == 0) throw ActionError(L"no version resource in " + path);
    std::vector<BYTE> data(size);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data()) ||
        !VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) || !fixed) {
        throw ActionError(L"the version resource of " + path + L" cannot be read");
    }
    return std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
           std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
           std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." +
           std::to_string(LOWORD(fixed->dwFileVersionLS));
}

// Reads a shortcut the way the shell does: target, arguments, working folder.
std::vector<std::wstring> readShortcut(const std::wstring& path) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) throw ActionError(L"COM is not available");
    IShellLinkW* link = nullptr;
    IPersistFile* file = nullptr;
    std::vector<std::wstring> fields;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link))) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
        SUCCEEDED(file->Load(path.c_str(), STGM_READ))) {
        wchar_t text[MAX_PATH * 2] = {};
        link->GetPath(text, MAX_PATH * 2, nullptr, 0);
        fields.emplace_back(text);
        text[0] = L'\0';
        link->GetArguments(text, MAX_PATH * 2);
        fields.emplace_back(text);
        text[0] = L'\0';
        link->GetWorkingDirectory(text, MAX_PATH * 2);
        fields.emplace_back(text);
    }
    if (file) file->Release();
    if (link) link->Release();
    CoUninitialize();
    if (fields.empty()) throw ActionError(L"the shortcut " + path + L" cannot be read");
    return fields;
}

// Saves a shortcut through the system's own IShellLinkW and IPersistFile: a second writer
// beside the tests' generator, so that a misreading shared by writer and reader shows.
void makeShortcut(const std::wstring& path, const std::wstring& target, const std::wstring& arguments,
                  const std::wstring& workingFolder) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) throw ActionError(L"COM is not available");
    IShellLinkW* link = nullptr;
    IPersistFile* file = nullptr;
    const bool saved =
        SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link))) &&
        SUCCEEDED(link->SetPath(target.c_str())) && SUCCEEDED(link->SetArguments(arguments.c_str())) &&
        (workingFolder.empty() || SUCCEEDED(link->SetWorkingDirectory(workingFolder.c_str()))) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
        SUCCEEDED(file->Save(path.c_str(), TRUE));
    if (file) file->Release();
    if (link) link->Release();
    CoUninitialize();
    if (!saved) throw ActionError(L"the shortcut " + path + L" cannot be saved");
}

std::string flag(bool value) {
    return value ? "1" : "0";
}

void runAction(const Arguments& args) {
    const std::wstring& action = args.action();

    if (action == L"wait-window") {
        args.atMost(2);
        const WindowName name = parseWindowName(args.required(0, L"class"));
        if (!waitFor(args.timeout(1), [&] { return findTopLevel(name, true) != nullptr; })) {
            throw ActionError(L"no visible window " + name.describe() + L" appeared within " +
                              std::to_wstring(args.timeout(1)) + L" ms");
        }
        writeLine("ok");
    } else if (action == L"wait-gone") {
        args.atMost(2);
        const WindowName name = parseWindowName(args.required(0, L"class"));
        if (!waitFor(args.timeout(1), [&] { return findTopLevel(name, true) == nullptr; })) {
            throw ActionError(L"the window " + name.describe() + L" is still visible after " +
                              std::to_wstring(args.timeout(1)) + L" ms");
        }
        writeLine("ok");
    } else if (action == L"visible") {
        args.atMost(1);
        writeLine(flag(findTopLevel(parseWindowName(args.required(0, L"class")), true) != nullptr));
    } else if (action == L"title") {
        args.atMost(1);
        writeLine(escaped(textOf(requireWindow(args.required(0, L"class")))));
    } else if (action == L"text") {
        args.atMost(2);
        writeLine(escaped(textOf(requireControl(args.required(0, L"class"), args.id(1)))));
    } else if (action == L"control-visible") {
        args.atMost(2);
        writeLine(flag(IsWindowVisible(requireControl(args.required(0, L"class"), args.id(1)))));
    } else if (action == L"wait-visible" || action == L"wait-hidden") {
        args.atMost(3);
        const bool wanted = action == L"wait-visible";
        HWND control = requireControl(args.required(0, L"class"), args.id(1));
        if (!waitFor(args.timeout(2), [&] { return (IsWindowVisible(control) != FALSE) == wanted; })) {
            throw ActionError(L"control " + std::to_wstring(args.id(1)) + L" of " +
                              args.required(0, L"class") +
                              (wanted ? L" did not become visible" : L" did not become hidden") +
                              L" within " + std::to_wstring(args.timeout(2)) + L" ms");
        }
        writeLine("ok");
    } else if (action == L"wait-text") {
        args.atMost(4);
        HWND control = requireControl(args.required(0, L"class"), args.id(1));
        const std::wstring& wanted = args.required(2, L"text");
        std::wstring last;
        if (!waitFor(args.timeout(3), [&] { return (last = textOf(control)) == wanted; })) {
            throw ActionError(L"control " + std::to_wstring(args.id(1)) + L" of " +
                              args.required(0, L"class") + L" reads \"" + last + L"\", not \"" + wanted +
                              L"\", after " + std::to_wstring(args.timeout(3)) + L" ms");
        }
        writeLine("ok");
    } else if (action == L"wait-text-start") {
        // Windows may come and go meanwhile (a message box that follows another): each
        // look finds the visible window afresh.
        args.atMost(4);
        const WindowName name = parseWindowName(args.required(0, L"class"));
        const std::wstring& start = args.required(2, L"text");
        std::wstring last;
        const bool found = waitFor(args.timeout(3), [&] {
            HWND top = findTopLevel(name, true);
            if (!top) return false;
            ControlSearch search{args.id(1), nullptr};
            EnumChildWindows(top, matchControl, reinterpret_cast<LPARAM>(&search));
            if (!search.found) return false;
            last = textOf(search.found);
            return last.starts_with(start);
        });
        if (!found) {
            throw ActionError(L"no visible " + args.required(0, L"class") + L" whose control " +
                              std::to_wstring(args.id(1)) + L" starts with \"" + start + L"\" (last read: \"" +
                              last + L"\")");
        }
        writeLine(escaped(last));
    } else if (action == L"list-items") {
        args.atMost(2);
        for (const std::wstring& item : listItems(requireControl(args.required(0, L"class"), args.id(1)))) {
            writeLine(escaped(item));
        }
        writeLine(kListEnd);
    } else if (action == L"list-selected") {
        args.atMost(2);
        writeLine(
            std::to_string(askList(requireControl(args.required(0, L"class"), args.id(1)), LB_GETCURSEL)));
    } else if (action == L"list-select") {
        args.atMost(3);
        HWND list = requireControl(args.required(0, L"class"), args.id(1));
        requireVisible(list, L"the list box");
        const long index = static_cast<long>(parseNumber(args.required(2, L"index"), L"index"));
        const LRESULT count = askList(list, LB_GETCOUNT);
        if (index >= count) {
            throw ActionError(L"the list has " + std::to_wstring(count) + L" items, no item " +
                              std::to_wstring(index));
        }
        RECT item{};
        askList(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
        RECT client{};
        GetClientRect(list, &client);
        if (item.top < client.top || item.bottom > client.bottom) {
            // Scrolled out of sight: bring it into view as the scroll bar would.
            askList(list, LB_SETTOPINDEX, static_cast<WPARAM>(index));
            askList(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
        }
        POINT at = centreOf(item);
        MapWindowPoints(list, nullptr, &at, 1);
        pressAt(list, at);
        release();
        if (!waitFor(5000, [&] { return askList(list, LB_GETCURSEL) == index; })) {
            throw ActionError(L"clicking item " + std::to_wstring(index) + L" did not select it");
        }
        writeLine("ok");
    } else if (action == L"click" || action == L"press") {
        args.atMost(2);
        HWND control = requireControl(args.required(0, L"class"), args.id(1));
        requireVisible(control, L"control " + std::to_wstring(args.id(1)));
        RECT rect{};
        GetWindowRect(control, &rect);
        pressAt(control, centreOf(rect));
        if (action == L"click") release();
        writeLine("ok");
    } else if (action == L"release") {
        args.atMost(2);
        release();
        writeLine("ok");
    } else if (action == L"key") {
        args.atMost(2);
        if (args.has(1)) SetForegroundWindow(requireWindow(args.required(1, L"class")));
        sendKey(parseKey(args.required(0, L"key")));
        writeLine("ok");
    } else if (action == L"close") {
        args.atMost(1);
        // Posted, not sent: the close handler may show a modal message box.
        PostMessageW(requireWindow(args.required(0, L"class")), WM_CLOSE, 0, 0);
        writeLine("ok");
    } else if (action == L"foreground") {
        args.atMost(1);
        HWND window = requireWindow(args.required(0, L"class"));
        SetForegroundWindow(window);
        BringWindowToTop(window);
        writeLine("ok");
    } else if (action == L"restore") {
        args.atMost(1);
        HWND window = requireWindow(args.required(0, L"class"));
        ShowWindow(window, SW_RESTORE);
        SetForegroundWindow(window);
        writeLine("ok");
    } else if (action == L"minimized") {
        args.atMost(1);
        writeLine(flag(IsIconic(requireWindow(args.required(0, L"class"))) != FALSE));
    } else if (action == L"controls") {
        args.atMost(1);
        EnumChildWindows(
            requireWindow(args.required(0, L"class")),
            [](HWND control, LPARAM) -> BOOL {
                writeLine(escaped(std::to_wstring(GetDlgCtrlID(control)) + L"\t" + classOf(control) + L"\t" +
                                  (IsWindowVisible(control) ? L"visible\t" : L"hidden\t") + textOf(control)));
                return TRUE;
            },
            0);
        writeLine(kListEnd);
    } else if (action == L"shell-open") {
        args.atMost(2);
        const std::wstring& file = args.required(0, L"file");
        const int show = static_cast<int>(parseNumber(args.required(1, L"show-command"), L"show command"));
        const auto result =
            reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", file.c_str(), nullptr, nullptr, show));
        if (result <= 32)
            throw ActionError(L"the shell could not open " + file + L" (" + std::to_wstring(result) + L")");
        writeLine("ok");
    } else if (action == L"file-version") {
        args.atMost(1);
        writeLine(fileVersion(args.required(0, L"file")));
    } else if (action == L"shortcut") {
        args.atMost(1);
        for (const std::wstring& field : readShortcut(args.required(0, L"file"))) writeLine(escaped(field));
    } else if (action == L"make-shortcut") {
        args.atMost(4);
        makeShortcut(args.required(0, L"file"), args.required(1, L"target"),
                     args.has(2) ? args.required(2, L"") : L"", args.has(3) ? args.required(3, L"") : L"");
        writeLine("ok");
    } else if (action == L"rect") {
        args.atMost(2);
        HWND window = args.has(1) ? requireControl(args.required(0, L"class"), args.id(1))
                                  : requireWindow(args.required(0, L"class"));
        RECT rect{};
        GetWindowRect(window, &rect);
        writeLine(std::to_string(rect.left) + " " + std::to_string(rect.top) + " " +
                  std::to_string(rect.right - rect.left) + " " + std::to_string(rect.bottom - rect.top));
    } else if (action == L"settle") {
        args.atMost(1);
        // Answers only when the window's thread takes messages again, that is when it
        // has finished what it was doing; then what is still to be painted is painted.
        HWND window = requireWindow(args.required(0, L"class"));
        auto ping = [&] {
            DWORD_PTR ignored = 0;
            if (!SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, kAnswerTimeoutMs, &ignored)) {
                throw ActionError(L"the window " + args.required(0, L"class") + L" does not answer");
            }
        };
        ping();
        RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        ping();
        Sleep(100);
        writeLine("ok");
    } else if (action == L"accessible") {
        args.atMost(2);
        writeLine(accessibleDescription(args.has(1) ? requireControl(args.required(0, L"class"), args.id(1))
                                                    : requireWindow(args.required(0, L"class"))));
    } else if (action == L"client-rect") {
        args.atMost(1);
        HWND window = requireWindow(args.required(0, L"class"));
        RECT rect{};
        GetClientRect(window, &rect);
        MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rect), 2);
        writeLine(std::to_string(rect.left) + " " + std::to_string(rect.top) + " " +
                  std::to_string(rect.right - rect.left) + " " + std::to_string(rect.bottom - rect.top));
    } else if (action == L"windows") {
        args.atMost(0);
        EnumWindows(
            [](HWND window, LPARAM) -> BOOL {
                if (IsWindowVisible(window)) {
                    wchar_t title[512] = {};
                    GetWindowTextW(window, title, 512);
                    writeLine(escaped(classOf(window) + L"\t" + title));
                }
                return TRUE;
            },
            0);
        writeLine(kListEnd);
    } else if (action == L"drives") {
        args.atMost(0);
        const DWORD letters = GetLogicalDrives();
        for (int i = 0; i < 26; ++i) {
            if (!(letters & (1u << i))) continue;
            const wchar_t root[] = {static_cast<wchar_t>(L'A' + i), L':', L'\\', L'\0'};
            const DWORD attributes = GetFileAttributesW(root);
            writeLine(toUtf8(root) + " type " + std::to_string(GetDriveTypeW(root)) + " attributes " +
                      (attributes == INVALID_FILE_ATTRIBUTES ? "none, error " + std::to_string(GetLastError())
                                                             : std::to_string(attributes)));
        }
        writeLine(kListEnd);
    } else if (action == L"mouse") {
        args.atMost(4);
        HWND window = requireWindow(args.required(0, L"class"));
        const std::wstring& button = args.required(1, L"button");
        POINT at{};
        if (args.has(2)) {
            at = {static_cast<LONG>(parseNumber(args.required(2, L"x"), L"x")),
                  static_cast<LONG>(parseNumber(args.required(3, L"y"), L"y"))};
            ClientToScreen(window, &at);
        } else {
            RECT rect{};
            GetWindowRect(window, &rect);
            at = centreOf(rect);
        }
        ensureReachable(window, at);
        moveMouse(at);
        if (button == L"left" || button == L"double") {
            for (int click = 0; click < (button == L"double" ? 2 : 1); ++click) {
                sendMouse(MOUSEEVENTF_LEFTDOWN);
                Sleep(30);
                sendMouse(MOUSEEVENTF_LEFTUP);
                Sleep(30);
            }
        } else if (button == L"right") {
            sendMouse(MOUSEEVENTF_RIGHTDOWN);
            Sleep(50);
            sendMouse(MOUSEEVENTF_RIGHTUP);
        } else {
            throw ActionError(L"mouse: the button is left, right or double, not " + button);
        }
        Sleep(50);
        writeLine("ok");
    } else if (action == L"mount-drive") {
        args.atMost(3);
        const std::wstring& kind = args.required(2, L"kind");
        if (kind != L"removable" && kind != L"fixed") {
            throw ActionError(L"mount-drive: the kind is removable or fixed, not " + kind);
        }
        defineWineDrive(args.required(0, L"letter")[0], toUtf8(args.required(1, L"linux-folder")),
                        kind == L"removable" ? DRIVE_REMOVABLE : DRIVE_FIXED);
        writeLine("ok");
    } else if (action == L"unmount-drive") {
        args.atMost(1);
        defineWineDrive(args.required(0, L"letter")[0], {}, DRIVE_NO_ROOT_DIR);
        writeLine("ok");
    } else if (action == L"volume-change") {
        args.atMost(2);
        broadcastVolumeChange(args.required(0, L"event"), args.required(1, L"letters"));
        writeLine("ok");
    } else if (action == L"setting-change") {
        args.atMost(1);
        // Sent, as Windows does; whoever hears it shows it by what it does.
        DWORD_PTR answer = 0;
        SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0,
                            reinterpret_cast<LPARAM>(args.required(0, L"area").c_str()), SMTO_ABORTIFHUNG,
                            kAnswerTimeoutMs, &answer);
        writeLine("ok");
    } else if (action == L"process-count") {
        args.atMost(1);
        writeLine(std::to_string(processCount(args.required(0, L"exe-name"))));
    } else if (action == L"process-running") {
        args.atMost(1);
        writeLine(flag(processRunning(args.required(0, L"exe-name"))));
    } else if (action == L"wait-process" || action == L"wait-process-gone") {
        args.atMost(2);
        const bool wanted = action == L"wait-process";
        const std::wstring& name = args.required(0, L"exe-name");
        if (!waitFor(args.timeout(1), [&] { return processRunning(name) == wanted; })) {
            throw ActionError(L"the process " + name + (wanted ? L" did not start" : L" did not end") +
                              L" within " + std::to_wstring(args.timeout(1)) + L" ms");
        }
        writeLine("ok");
    } else if (action == L"screenshot") {
        args.atMost(1);
        saveScreenshot(args.required(0, L"file"));
        writeLine("ok");
    } else if (action == L"sleep") {
        args.atMost(1);
        Sleep(parseNumber(args.required(0, L"ms"), L"sleep"));
        writeLine("ok");
    } else if (action == L"hold-file") {
        // A file in use, as a running program holds its own: open for reading, shared for
        // reading only, so no other process can move, delete or write it meanwhile.
        args.atMost(2);
        const std::wstring& path = args.required(0, L"path");
        HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) throw ActionError(L"cannot open " + path);
        writeLine("held");
        Sleep(parseNumber(args.required(1, L"ms"), L"hold-file"));
        CloseHandle(file);
        writeLine("ok");
    } else if (action == L"help") {
        writeOut(kUsage);
    } else {
        throw ActionError(L"unknown action: " + action + L" (try: driver.exe help)");
    }
}

// In line mode the error is also the action's result line, so that a reader waiting
// for one line gets it.
bool runGuarded(const Arguments& args, bool lineMode) {
    try {
        runAction(args);
        return true;
    } catch (const std::exception& failure) {
        if (lineMode) writeLine(std::string("error: ") + failure.what());
        writeError(failure.what());
        return false;
    }
}

// Reads standard input line by line (LF or CR LF) and runs each line as it arrives.
int runLines() {
    const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    std::string pending;
    char buffer[4096];
    bool atEnd = false;
    while (!atEnd || !pending.empty()) {
        size_t newline = pending.find('\n');
        if (newline == std::string::npos && !atEnd) {
            DWORD got = 0;
            if (!ReadFile(in, buffer, sizeof buffer, &got, nullptr) || got == 0) {
                atEnd = true;
            } else {
                pending.append(buffer, got);
            }
            continue;
        }
        if (newline == std::string::npos) newline = pending.size();
        std::string line = pending.substr(0, newline);
        pending.erase(0, newline + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();

        std::vector<std::wstring> words;
        try {
            words = splitWords(fromUtf8(line));
        } catch (const std::exception& failure) {
            writeLine(std::string("error: ") + failure.what());
            writeError(failure.what());
            return 1;
        }
        if (words.empty() || words[0][0] == L'#') continue;
        const std::wstring action = words[0];
        words.erase(words.begin());
        if (!runGuarded(Arguments(action, std::move(words)), true)) return 1;
    }
    return 0;
}

void becomeDpiAware() {
    // Coordinates must be physical pixels, as the per-monitor aware programs use them.
    using SetContext = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT);
    if (HMODULE user32 = GetModuleHandleW(L"user32.dll")) {
        if (FARPROC proc = GetProcAddress(user32, "SetProcessDpiAwarenessContext")) {
            auto setContext = reinterpret_cast<SetContext>(reinterpret_cast<void (*)()>(proc));
            setContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
            return;
        }
    }
    SetProcessDPIAware();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    becomeDpiAware();
    if (argc < 2) return runLines();
    std::vector<std::wstring> values(argv + 2, argv + argc);
    if (!runGuarded(Arguments(argv[1], std::move(values)), false)) return 1;
    return 0;
}
