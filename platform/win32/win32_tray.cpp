// The notification-area host on Windows: the per-user single instance (a named mutex),
// the hidden top-level window that hears WM_DEVICECHANGE (a message-only window hears
// no broadcasts), the icon, its menu and its notifications (Shell_NotifyIconW), and the
// stop request that another process sends to that window.
// clang-format off
#include <windows.h>  // before every other Windows header
#include <commctrl.h>
#include <dbt.h>
#include <sddl.h>
#include <shellapi.h>
// clang-format on

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/encoding.h"
#include "platform/tray.h"
#include "platform/win32.h"
#include "win32_classes.h"
#include "win32_desktop_shell.h"
#include "win32_error.h"
#include "win32_handle.h"

namespace platform::win32 {

namespace {

using detail::exceptionsStopHere;
using detail::thisModule;

// The icon's callback message, and the hand-over of arrived drives from the broadcast
// to the message loop.
constexpr UINT kIconMessage = WM_APP + 1;
constexpr UINT kDrivesArrived = WM_APP + 2;
constexpr UINT kPolicyChanged = WM_APP + 3;
constexpr UINT kIconId = 1;

struct MenuTraits {
    using Type = HMENU;
    static Type none() { return nullptr; }
    static bool valid(Type menu) { return menu != nullptr; }
    static void close(Type menu) { ::DestroyMenu(menu); }
};
using ScopedMenu = UniqueHandle<MenuTraits>;

// The signed-in user's security identifier as text ("S-1-5-21-..."); it makes the names
// of the instance's mutex and window the user's own. Empty when it cannot be read.
std::wstring userSid() {
    HANDLE raw = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) return {};
    const KernelHandle token(raw);
    DWORD size = 0;
    ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    if (size == 0) return {};
    std::vector<unsigned char> buffer(size);
    if (!::GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size)) return {};
    wchar_t* text = nullptr;
    if (!::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) return {};
    const LocalMemory owner(text);
    return text;
}

// Copies `text` into a fixed buffer of the notification structure, cut to fit.
template <std::size_t N>
void copyInto(wchar_t (&buffer)[N], const std::wstring& text) {
    const std::size_t length = std::min(text.size(), N - 1);
    std::copy_n(text.begin(), length, buffer);
    buffer[length] = L'\0';
}

// A menu shows "&" as the mark of its access key; a text's own "&" is doubled.
std::wstring menuText(const std::wstring& text) {
    std::wstring escaped;
    for (const wchar_t c : text) {
        escaped += c;
        if (c == L'&') escaped += L'&';
    }
    return escaped;
}

#ifdef LOCKBAY_E2E_NOTIFICATIONS
// End-to-end test builds only: every notification handed to the notification area is
// also appended, as "<title>\t<text>" in UTF-8, to the file that
// %LOCKBAY_E2E_NOTIFICATIONS% names, so that the tests read exactly what it showed.
void recordNotification(const std::wstring& title, const std::wstring& text) {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = ::GetEnvironmentVariableW(L"LOCKBAY_E2E_NOTIFICATIONS", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    const KernelHandle file(::CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    const std::string line = toUtf8(title + L"\t" + text + L"\n");
    DWORD written = 0;
    ::WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}
#endif

class Win32TrayHost final : public TrayHost {
public:
    explicit Win32TrayHost(std::wstring name)
        : className_(name),
          // The window's title carries the user, so that a stop request from this user
          // finds this user's instance and no other.
          instanceName_(name + L"-" + userSid()),
          stopMessage_(::RegisterWindowMessageW((name + L".Stop").c_str())),
          taskbarCreated_(::RegisterWindowMessageW(L"TaskbarCreated")) {}

    Win32TrayHost(const Win32TrayHost&) = delete;
    Win32TrayHost& operator=(const Win32TrayHost&) = delete;

    ~Win32TrayHost() override {
        removeIcon();
        if (window_) {
            ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
            ::DestroyWindow(window_);
        }
    }

    std::vector<std::wstring> arguments() override {
        int count = 0;
        wchar_t** words = ::CommandLineToArgvW(::GetCommandLineW(), &count);
        if (!words) return {};
        const LocalMemory owner(reinterpret_cast<HLOCAL>(words));
        return count > 1 ? std::vector<std::wstring>(words + 1, words + count) : std::vector<std::wstring>{};
    }

    bool setWorkingFolder(const std::wstring& folder) override {
        return ::SetCurrentDirectoryW(folder.c_str()) != FALSE;
    }

    bool claimSingleInstance() override {
        // "Local\": the user's own session. The handle stays open until the process
        // ends, which releases the claim however it ends.
        const std::wstring name = L"Local\\" + instanceName_;
        instance_.reset(::CreateMutexW(nullptr, FALSE, name.c_str()));
        const DWORD error = ::GetLastError();
        if (!instance_) return false;
        if (error == ERROR_ALREADY_EXISTS) {
            instance_.reset();
            return false;
        }
        return true;
    }

    StopResult stopRunningInstance(int timeoutMs) override {
        const HWND running = ::FindWindowW(className_.c_str(), instanceName_.c_str());
        if (!running) return StopResult::NotRunning;
        DWORD processId = 0;
        ::GetWindowThreadProcessId(running, &processId);
        const KernelHandle process(::OpenProcess(SYNCHRONIZE, FALSE, processId));
        if (!::PostMessageW(running, stopMessage_, 0, 0)) return StopResult::StillRunning;
        if (!process) {
            // Without a handle to wait on, the window's end tells.
            const ULONGLONG end = ::GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
            while (::IsWindow(running) && ::GetTickCount64() < end) ::Sleep(50);
            return ::IsWindow(running) ? StopResult::StillRunning : StopResult::Stopped;
        }
        return ::WaitForSingleObject(process.get(), static_cast<DWORD>(timeoutMs)) == WAIT_OBJECT_0
                   ? StopResult::Stopped
                   : StopResult::StillRunning;
    }

    bool showIcon(const std::wstring& tooltip) override {
        tooltip_ = tooltip;
        if (!window_) {
            detail::registerClass(className_.c_str(), &Win32TrayHost::procedure, detail::programIcons());
            // A hidden top-level window: broadcasts such as WM_DEVICECHANGE reach every
            // top-level window, shown or not, but no message-only window.
            ::CreateWindowExW(WS_EX_TOOLWINDOW, className_.c_str(), instanceName_.c_str(), WS_POPUP, 0, 0, 0,
                              0, nullptr, nullptr, thisModule(), this);
            if (!window_) return false;
            // The stop request may come from an elevated process, or from this user's
            // program started with fewer rights: either way it is let through.
            ::ChangeWindowMessageFilterEx(window_, stopMessage_, MSGFLT_ALLOW, nullptr);
            ::ChangeWindowMessageFilterEx(window_, taskbarCreated_, MSGFLT_ALLOW, nullptr);
        }
        addIcon();
        return true;
    }

    void setTooltip(const std::wstring& tooltip) override {
        if (tooltip == tooltip_) return;
        tooltip_ = tooltip;
        if (!iconShown_) return;
        NOTIFYICONDATAW data = iconData();
        data.uFlags = NIF_TIP | NIF_SHOWTIP;
        copyInto(data.szTip, tooltip_);
        ::Shell_NotifyIconW(NIM_MODIFY, &data);
    }

    void notify(const std::wstring& title, const std::wstring& text, NotificationKind kind) override {
#ifdef LOCKBAY_E2E_NOTIFICATIONS
        recordNotification(title, text);
#endif
        if (!iconShown_) return;
        NOTIFYICONDATAW data = iconData();
        data.uFlags = NIF_INFO;
        copyInto(data.szInfoTitle, title);
        copyInto(data.szInfo, text);
        data.dwInfoFlags = kind == NotificationKind::Warning ? NIIF_WARNING : NIIF_INFO;
        ::Shell_NotifyIconW(NIM_MODIFY, &data);
    }

    std::optional<std::size_t> chooseFromMenu(const std::vector<TrayMenuItem>& items) override {
        if (!window_) return std::nullopt;
        const ScopedMenu menu(::CreatePopupMenu());
        if (!menu) return std::nullopt;
        for (std::size_t i = 0; i < items.size(); ++i) {
            const TrayMenuItem& item = items[i];
            const auto id = static_cast<UINT_PTR>(i + 1);  // 0 means "nothing chosen"
            if (item.text.empty()) {
                ::AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
                continue;
            }
            ::AppendMenuW(menu.get(), MF_STRING | (item.checked ? MF_CHECKED : MF_UNCHECKED), id,
                          menuText(item.text).c_str());
            if (item.isDefault) ::SetMenuDefaultItem(menu.get(), static_cast<UINT>(id), FALSE);
        }
        POINT at = menuAnchor_;
        if (!anchorKnown_) ::GetCursorPos(&at);
        anchorKnown_ = false;
        // The menu closes when the user clicks elsewhere only if its owner is in front.
        ::SetForegroundWindow(window_);
        const UINT align = ::GetSystemMetrics(SM_MENUDROPALIGNMENT) ? TPM_RIGHTALIGN : TPM_LEFTALIGN;
        const auto chosen = static_cast<UINT_PTR>(::TrackPopupMenuEx(
            menu.get(), align | TPM_BOTTOMALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y,
            window_, nullptr));
        ::PostMessageW(window_, WM_NULL, 0, 0);
        if (chosen == 0 || chosen > items.size()) return std::nullopt;
        return static_cast<std::size_t>(chosen - 1);
    }

    StartResult openProgram(const std::wstring& path, const std::wstring& folder) override {
        SHELLEXECUTEINFOW info{};
        info.cbSize = sizeof info;
        // The program's failure is reported by the caller, not by a box of the shell.
        info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
        info.hwnd = window_;
        info.lpVerb = L"open";
        info.lpFile = path.c_str();
        info.lpDirectory = folder.c_str();
        info.nShow = SW_SHOWNORMAL;
        if (::ShellExecuteExW(&info)) return {true, {}};
        const DWORD error = ::GetLastError();
        if (error == ERROR_CANCELLED) return {false, {}};  // the user declined elevation
        return {false, errorMessage(error, path)};
    }

    bool desktopShellRuns() override {
        return ::GetShellWindow() != nullptr;
    }

    StartResult startAsSignedInUser(const std::wstring& path, const std::wstring& arguments,
                                    const std::wstring& folder) override {
        // A desktop shell that cannot be asked is no reason to start the program with
        // raised rights: nothing is started then.
        if (::GetShellWindow()) return {openThroughDesktopShell(path, arguments, folder), {}};
        DWORD session = 0;
        if (!::ProcessIdToSessionId(::GetCurrentProcessId(), &session) || session == 0) return {false, {}};
        // CreateProcessW may write into the command line, so it gets a private copy.
        std::wstring line = L"\"" + path + L"\" " + arguments;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started{};
        if (!::CreateProcessW(path.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              folder.empty() ? nullptr : folder.c_str(), &startup, &started)) {
            return {false, errorMessage(::GetLastError(), path)};
        }
        const KernelHandle process(started.hProcess);
        const KernelHandle thread(started.hThread);
        return {true, {}};
    }

    int run() override {
        MSG message{};
        int exitCode = 0;
        for (;;) {
            const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
            if (got == 0) {
                exitCode = static_cast<int>(message.wParam);
                break;
            }
            if (got == -1) {
                exitCode = 1;
                break;
            }
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        removeIcon();
        return exitCode;
    }

    void quit() override {
        ::PostQuitMessage(0);
    }

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
        return exceptionsStopHere(0, [&]() -> LRESULT {
            if (message == WM_NCCREATE) {
                auto* self =
                    static_cast<Win32TrayHost*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
                self->window_ = window;
                ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
            }
            if (auto* self = reinterpret_cast<Win32TrayHost*>(::GetWindowLongPtrW(window, GWLP_USERDATA))) {
                return self->onMessage(message, wParam, lParam);
            }
            return ::DefWindowProcW(window, message, wParam, lParam);
        });
    }

    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == stopMessage_ && stopMessage_ != 0) {
            raise(onStopRequested);
            return 0;
        }
        if (message == taskbarCreated_ && taskbarCreated_ != 0) {
            // Explorer started (again): the notification area is new and empty.
            iconShown_ = false;
            addIcon();
            return 0;
        }
        switch (message) {
            case WM_DEVICECHANGE:
                collectArrivals(wParam, lParam);
                return TRUE;
            case kDrivesArrived: {
                const std::vector<wchar_t> drives(arrived_.begin(), arrived_.end());
                arrived_.clear();
                if (!drives.empty() && onDrivesArrived) onDrivesArrived(drives);
                return 0;
            }
            case kIconMessage:
                onIconEvent(wParam, lParam);
                return 0;
            case WM_SETTINGCHANGE:
                // Group Policy announces new policies with the area "Policy"; they are
                // read once the sender has its answer.
                if (lParam != 0 && ::lstrcmpiW(reinterpret_cast<const wchar_t*>(lParam), L"Policy") == 0)
                    ::PostMessageW(window_, kPolicyChanged, 0, 0);
                return 0;
            case kPolicyChanged:
                raise(onPolicyChanged);
                return 0;
            case WM_CLOSE:
                // Closing the hidden window (as a task manager does) ends the program
                // the same way as a stop request; DefWindowProc would destroy the window
                // and leave the program without its ears.
                raise(onStopRequested);
                return 0;
            default:
                return ::DefWindowProcW(window_, message, wParam, lParam);
        }
    }

    // A volume arrival names its drive letters; the drives are handled once the sender
    // has its answer.
    void collectArrivals(WPARAM event, LPARAM data) {
        if (event != DBT_DEVICEARRIVAL) return;
        const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
        if (!header || header->dbch_devicetype != DBT_DEVTYP_VOLUME) return;
        const DWORD mask = reinterpret_cast<const DEV_BROADCAST_VOLUME*>(header)->dbcv_unitmask;
        const bool nonePending = arrived_.empty();
        for (int i = 0; i < 26; ++i) {
            if (mask & (DWORD{1} << i)) arrived_.insert(static_cast<wchar_t>(L'A' + i));
        }
        if (nonePending && !arrived_.empty()) ::PostMessageW(window_, kDrivesArrived, 0, 0);
    }

    // With NOTIFYICON_VERSION_4 the event is the low word of lParam and the anchor point
    // is in wParam; older shells send the mouse message itself.
    void onIconEvent(WPARAM wParam, LPARAM lParam) {
        const UINT event = version4_ ? LOWORD(lParam) : static_cast<UINT>(lParam);
        switch (event) {
            case WM_CONTEXTMENU:
            case WM_RBUTTONUP:
                if (version4_ && event == WM_CONTEXTMENU) {
                    menuAnchor_ = {static_cast<short>(LOWORD(wParam)), static_cast<short>(HIWORD(wParam))};
                    anchorKnown_ = true;
                }
                raise(onMenuRequested);
                break;
            case WM_LBUTTONDBLCLK:
            case NIN_KEYSELECT:
                raise(onIconActivated);
                break;
            case NIN_BALLOONUSERCLICK:
                raise(onNotificationClicked);
                break;
            default:
                break;
        }
    }

    static void raise(const std::function<void()>& handler) {
        if (handler) handler();
    }

    NOTIFYICONDATAW iconData() const {
        NOTIFYICONDATAW data{};
        data.cbSize = sizeof data;
        data.hWnd = window_;
        data.uID = kIconId;
        return data;
    }

    void addIcon() {
        if (iconShown_ || !window_) return;
        NOTIFYICONDATAW data = iconData();
        data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP;
        data.uCallbackMessage = kIconMessage;
        data.hIcon = detail::programIcons().small;
        copyInto(data.szTip, tooltip_);
        if (!::Shell_NotifyIconW(NIM_ADD, &data)) return;  // again when the taskbar comes
        iconShown_ = true;
        data.uVersion = NOTIFYICON_VERSION_4;
        version4_ = ::Shell_NotifyIconW(NIM_SETVERSION, &data) != FALSE;
    }

    void removeIcon() {
        if (!iconShown_) return;
        NOTIFYICONDATAW data = iconData();
        ::Shell_NotifyIconW(NIM_DELETE, &data);
        iconShown_ = false;
    }

    std::wstring className_;
    std::wstring instanceName_;
    UINT stopMessage_;
    UINT taskbarCreated_;
    KernelHandle instance_;
    HWND window_ = nullptr;
    std::wstring tooltip_;
    bool iconShown_ = false;
    bool version4_ = false;
    POINT menuAnchor_{};
    bool anchorKnown_ = false;
    std::set<wchar_t> arrived_;
};

}  // namespace

std::unique_ptr<TrayHost> makeTrayHost(const std::wstring& name) {
    return std::make_unique<Win32TrayHost>(name);
}

}  // namespace platform::win32
