// The watcher, lockbay-watch.exe: a small program in the notification area that gives
// every USB drive Simple protection as it is plugged in. One instance runs per signed-in
// user, with the user's own rights. A drive that still carries what its infected
// autorun.inf started is reported and handed over to Lockbay (cleaning_handover.h); the
// watcher itself never moves a file.
//
//   lockbay-watch.exe                               watches (or ends at once when this
//                                                   user's watcher runs already)
//   lockbay-watch.exe --stop                        ends this user's running watcher and
//                                                   waits for it (for an uninstaller)
//   lockbay-watch.exe --at-sign-in                  watches when the user's choice "Start
//                                                   with Windows" allows it or the
//                                                   organisation's policy keeps it on; ends
//                                                   quietly otherwise (the installers' one
//                                                   machine-wide Run entry starts it so)
//   lockbay-watch.exe --enable-start-with-windows   turns the user's choice on
//   lockbay-watch.exe --disable-start-with-windows  turns it off
//   lockbay-watch.exe --as-signed-in-user [command] carries out one of the above (no
//                                                   command: watching) as the user signed
//                                                   in to the desktop, with that user's own
//                                                   rights, and ends at once; for the
//                                                   setup, which runs elevated, perhaps as
//                                                   another administrator
//
// It works in its own folder, the folder Lockbay is installed in: the selection file
// clng.vlng and the language files are read there (where Lockbay's shortcut runs
// Lockbay), and "Open Lockbay" starts lockbay.exe from there with that folder as its
// working folder.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/tray.h"
#include "product/policies.h"
#include "texts/language_file.h"

namespace watch {

inline constexpr wchar_t kProgramFileName[] = L"lockbay-watch.exe";
inline constexpr wchar_t kLockbayFileName[] = L"lockbay.exe";
// The name of the host's window class and single instance.
inline constexpr wchar_t kInstanceName[] = L"LockbayWatch";

// The installers' machine-wide Run entry (HKLM) starts the watcher with --at-sign-in for
// every user who signs in. Versions before it had a Run entry of each user's own (HKCU),
// of the same name: the watcher removes such an entry when it starts.
inline constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr wchar_t kRunValue[] = L"LockbayWatch";
inline constexpr wchar_t kAtSignIn[] = L"--at-sign-in";
// "Start with Windows": the user's own choice, a REG_DWORD under HKCU (0 off; anything
// else, or none, on).
inline constexpr wchar_t kChoiceKey[] = L"Software\\Lockbay";
inline constexpr wchar_t kChoiceValue[] = L"StartWithWindows";

// How long --stop waits for the running watcher to end.
inline constexpr int kStopWaitMs = 10000;

enum class Command {
    Watch,
    WatchAtSignIn,
    Stop,
    EnableStartWithWindows,
    DisableStartWithWindows,
    AsSignedInUser,
    Unknown
};
Command commandOf(const std::vector<std::wstring>& arguments);

// Exit codes.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;           // the stop timed out, the choice, the icon or
                                                // the start for the signed-in user failed
inline constexpr int kExitUsage = 2;            // arguments it does not know
inline constexpr int kExitRefusedByPolicy = 5;  // the organisation has turned the watcher off

class Watcher {
public:
    Watcher(platform::Platform& platform, platform::TrayHost& host);
    Watcher(const Watcher&) = delete;
    Watcher& operator=(const Watcher&) = delete;

    // Carries out the command line; for watching, runs until Exit or a stop request.
    int run();

    // The host's events (public so that the tests raise them as the host would).
    void drivesArrived(const std::vector<wchar_t>& drives);
    void menuRequested();
    void openLockbay();
    // Reads the organisation's policies again; a watcher turned off ends.
    void policyChanged();

    // "Start with Windows": on when the organisation keeps the watcher on, else the user's
    // choice.
    bool startsWithWindows();
    bool setStartWithWindows(bool on);

private:
    int watch(bool atSignIn);
    // Starts this program again with `arguments` as the signed-in user.
    int startAsSignedInUser(const std::vector<std::wstring>& arguments);
    // The language selected in Lockbay, read afresh each time, so that a change made in
    // Lockbay shows at the watcher's next text.
    lockbay::LanguageLines language();

    platform::Platform& platform_;
    platform::TrayHost& host_;
    std::wstring folder_;                 // the program's folder
    product::policy::Policies policies_;  // the organisation's, read at start and on a change
};

}  // namespace watch
