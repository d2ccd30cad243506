// What a program that runs in the background of a user's session needs from the
// system: one instance per signed-in user, a way for another process to stop it, a
// hidden window that hears the system's broadcasts, and an icon in the notification
// area with a menu and notifications. The watcher (lockbay-watch.exe) is built on it.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/processes.h"

namespace platform {

struct TrayMenuItem {
    std::wstring text;       // as shown; an empty text is a separator line
    bool checked = false;    // a check mark before the text
    bool isDefault = false;  // shown in bold: what activating the icon does
};

enum class NotificationKind { Info, Warning };

class TrayHost {
public:
    virtual ~TrayHost() = default;

    // The program's command-line arguments, without the program's own name.
    virtual std::vector<std::wstring> arguments() = 0;
    // Makes `folder` the process's working folder; false when it cannot be entered.
    virtual bool setWorkingFolder(const std::wstring& folder) = 0;

    // Claims the one instance that the signed-in user may run; false when another
    // process of this user holds it already. The claim lasts until the process ends.
    virtual bool claimSingleInstance() = 0;

    enum class StopResult {
        NotRunning,    // the user runs no instance
        Stopped,       // it was asked to end and has ended
        StillRunning,  // it was asked, and had not ended when the time was up
    };
    // Asks the signed-in user's running instance to end (it hears onStopRequested) and
    // waits up to `timeoutMs` for its process to end.
    virtual StopResult stopRunningInstance(int timeoutMs) = 0;

    // Makes the hidden window that hears the system's broadcasts and puts the icon in
    // the notification area; false when the window cannot be made. An icon that the
    // notification area cannot take yet (no taskbar at that moment) is added as soon as
    // the taskbar announces itself.
    virtual bool showIcon(const std::wstring& tooltip) = 0;
    virtual void setTooltip(const std::wstring& tooltip) = 0;
    // A notification from the icon: a balloon, or a toast on newer Windows.
    virtual void notify(const std::wstring& title, const std::wstring& text, NotificationKind kind) = 0;
    // Shows the icon's menu where it was asked for and waits for the user: the index of
    // the chosen item, or nothing when the menu was dismissed.
    virtual std::optional<std::size_t> chooseFromMenu(const std::vector<TrayMenuItem>& items) = 0;
    // Opens a program through the shell, in a normal window, with `folder` as its working
    // folder. The shell asks for elevation where the program needs it; when the user
    // declines, the result is not started with an empty error.
    virtual StartResult openProgram(const std::wstring& path, const std::wstring& folder) = 0;
    // Starts a program with `arguments` in `folder` as the user signed in to this desktop,
    // with that user's own rights: through the desktop's shell, which runs as that user,
    // so that a setup, elevated and perhaps signed in as another administrator, starts it
    // for the right user and not elevated. The shell starts it on its own time, so this
    // may return before the program runs. Where no desktop shell runs (Wine runs none) it
    // starts the program itself, with this process's rights; but never in the session of
    // the system's services, which belongs to no user. The watcher uses that only for its
    // commands, which end at once: see desktopShellRuns().
    virtual StartResult startAsSignedInUser(const std::wstring& path, const std::wstring& arguments,
                                            const std::wstring& folder) = 0;

    // True when a desktop shell runs through which startAsSignedInUser() reaches the
    // signed-in user.
    virtual bool desktopShellRuns() = 0;

    // Runs the message loop until quit(); the icon is taken away before it returns.
    virtual int run() = 0;
    virtual void quit() = 0;

    // Raised from the message loop, never inside the system's broadcast itself, so that
    // a slow drive never holds up the sender.
    std::function<void(const std::vector<wchar_t>&)> onDrivesArrived;  // upper-case letters
    std::function<void()> onMenuRequested;        // right click on the icon, or its menu key
    std::function<void()> onIconActivated;        // double click, or Enter on the icon
    std::function<void()> onNotificationClicked;  // the user clicked the last notification
    std::function<void()> onStopRequested;        // stopRunningInstance() in another process
    std::function<void()> onPolicyChanged;        // Windows announced a change of policies
};

}  // namespace platform
