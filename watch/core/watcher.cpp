// The watcher program: see watcher.h.
#include "watch/core/watcher.h"

#include "drive_rules/best_effort.h"
#include "drive_rules/cleaning.h"
#include "drive_rules/cleaning_handover.h"
#include "texts/selected_language.h"
#include "watch/core/drive_arrival.h"

namespace watch {

using lockbay::CaptionLine;
using lockbay::textOrEnglish;
using platform::RegistryRoot;
using platform::RegistryStatus;

Command commandOf(const std::vector<std::wstring>& arguments) {
    if (arguments.empty()) return Command::Watch;
    if (arguments[0] == L"--as-signed-in-user") {
        const Command relayed = commandOf({arguments.begin() + 1, arguments.end()});
        return relayed == Command::Unknown || relayed == Command::AsSignedInUser ? Command::Unknown
                                                                                 : Command::AsSignedInUser;
    }
    if (arguments.size() > 1) return Command::Unknown;
    const std::wstring& word = arguments[0];
    if (word == kAtSignIn) return Command::WatchAtSignIn;
    if (word == L"--stop") return Command::Stop;
    if (word == L"--enable-start-with-windows") return Command::EnableStartWithWindows;
    if (word == L"--disable-start-with-windows") return Command::DisableStartWithWindows;
    return Command::Unknown;
}

Watcher::Watcher(platform::Platform& platform, platform::TrayHost& host)
    : platform_(platform), host_(host), folder_(platform.program.directory()) {}

int Watcher::run() {
    const std::vector<std::wstring> arguments = host_.arguments();
    switch (commandOf(arguments)) {
        case Command::Watch:
            return watch(false);
        case Command::WatchAtSignIn:
            return watch(true);
        case Command::Stop:
            return host_.stopRunningInstance(kStopWaitMs) == platform::TrayHost::StopResult::StillRunning
                       ? kExitFailed
                       : kExitOk;
        case Command::EnableStartWithWindows:
            return setStartWithWindows(true) ? kExitOk : kExitFailed;
        case Command::DisableStartWithWindows:
            return setStartWithWindows(false) ? kExitOk : kExitFailed;
        case Command::AsSignedInUser:
            return startAsSignedInUser({arguments.begin() + 1, arguments.end()});
        case Command::Unknown:
            break;
    }
    return kExitUsage;
}

int Watcher::startAsSignedInUser(const std::vector<std::wstring>& arguments) {
    // Without a desktop shell the program would run with the caller's rights, which are a
    // setup's administrator rights: a watcher that keeps running is never started so. Its
    // Run entry starts it at the next sign-in.
    if (arguments.empty() && !host_.desktopShellRuns()) return kExitFailed;
    // The words are switches that commandOf() knows: none needs quotes.
    std::wstring line;
    for (const std::wstring& word : arguments) line += (line.empty() ? L"" : L" ") + word;
    const std::wstring program = folder_ + L"\\" + kProgramFileName;
    return host_.startAsSignedInUser(program, line, folder_).started ? kExitOk : kExitFailed;
}

int Watcher::watch(bool atSignIn) {
    // A Run entry of the user's own, from a version before the machine-wide one, would
    // start a second watcher at each sign-in; its choice (on) is the default.
    lockbay::ignoreFailure(platform_.registry.remove(RegistryRoot::CurrentUser, kRunKey, kRunValue));
    // Turned off by the organisation, it runs for no one, and says so when started by hand.
    policies_ = product::policy::read(platform_.registry);
    if (policies_.watcher == false) {
        if (atSignIn) return kExitRefusedByPolicy;
        platform_.ui.messageBox(textOrEnglish(language(), CaptionLine::kWatchPolicyOff),
                                textOrEnglish(language(), CaptionLine::kWatchTooltip));
        return kExitRefusedByPolicy;
    }
    // At sign-in, the user's choice decides unless the organisation keeps it on.
    if (atSignIn && !startsWithWindows()) return kExitOk;
    // A second start (the Run entry and the installer both start it, say) leaves the
    // first one watching.
    if (!host_.claimSingleInstance()) return kExitOk;
    // The Run entry starts the watcher in no particular folder; it works in its own,
    // where Lockbay and its language files are. Should that fail, it still protects
    // drives, in English.
    lockbay::ignoreFailure(host_.setWorkingFolder(folder_));

    host_.onDrivesArrived = [this](const std::vector<wchar_t>& drives) { drivesArrived(drives); };
    host_.onMenuRequested = [this] { menuRequested(); };
    host_.onIconActivated = [this] { openLockbay(); };
    host_.onNotificationClicked = [this] { openLockbay(); };
    host_.onStopRequested = [this] { host_.quit(); };
    host_.onPolicyChanged = [this] { policyChanged(); };
    if (!host_.showIcon(textOrEnglish(language(), CaptionLine::kWatchTooltip))) return kExitFailed;
    return host_.run();
}

lockbay::LanguageLines Watcher::language() {
    return lockbay::readSelectedLanguage(platform_.fs, platform_.registry).language;
}

void Watcher::drivesArrived(const std::vector<wchar_t>& drives) {
    platform::FileSystem& fs = platform_.fs;
    const std::optional<wchar_t> systemDrive = fs.systemDrive();
    for (const wchar_t drive : drives) {
        const platform::DriveDetails details = fs.driveDetails(drive);
        if (!isWatchedDrive(drive, details, systemDrive)) continue;
        // Only the infected autorun.inf tells what it started: it is read before the
        // protection removes it.
        lockbay::AutorunRead autorun = lockbay::readInfectedAutorun(fs, drive);
        const std::int64_t now = lockbay::handoverClockNow();
        // A stick that comes back with an entry still waiting keeps what the entry knows.
        if (!autorun.present) {
            if (auto handedOver = lockbay::handoverFor(platform_.registry, fs, drive, now))
                autorun = std::move(*handedOver);
        }
        const lockbay::LanguageLines lines = language();
        const lockbay::TextOf text = [&lines](CaptionLine line) -> const std::wstring& {
            return textOrEnglish(lines, line);
        };
        const Arrival arrival = protectArrivedDrive(fs, drive, text, platform::localTimeNow());
        const std::wstring name = driveName(drive, details.label);
        Notification notification = notificationFor(arrival, name, lines);
        if (endsProtected(arrival)) {
            const lockbay::Infection found = lockbay::scanDrive(fs, drive, std::move(autorun));
            if (found.empty()) {
                lockbay::ignoreFailure(lockbay::dropHandover(platform_.registry, details.serial));
            } else {
                notification = stillCarriesNotification(name, found.fileCount(), lines);
                // Should the registry refuse it, Lockbay cannot ask by itself; the
                // notification still tells the user what the stick carries.
                lockbay::ignoreFailure(
                    lockbay::storeHandover(platform_.registry, drive, details.serial, found.autorun, now));
            }
        }
        host_.notify(notification.title, notification.text, notification.kind);
    }
}

void Watcher::policyChanged() {
    policies_ = product::policy::read(platform_.registry);
    if (policies_.watcher == false) host_.quit();
}

void Watcher::menuRequested() {
    const lockbay::LanguageLines lines = language();
    host_.setTooltip(textOrEnglish(lines, CaptionLine::kWatchTooltip));
    enum Item { kOpen, kStartWithWindows, kSeparator, kExit };
    // Kept on by the organisation: "Start with Windows" is checked and says who decides,
    // and there is no Exit.
    const bool managed = policies_.watcher == true;
    std::vector<platform::TrayMenuItem> items = {
        {textOrEnglish(lines, CaptionLine::kWatchOpenLockbay), false, true},
        managed ? platform::TrayMenuItem{textOrEnglish(lines, CaptionLine::kWatchStartSetByOrganisation),
                                         true, false}
                : platform::TrayMenuItem{textOrEnglish(lines, CaptionLine::kWatchStartWithWindows),
                                         startsWithWindows(), false},
    };
    if (!managed) {
        items.push_back({});
        items.push_back({textOrEnglish(lines, CaptionLine::kWatchExit), false, false});
    }
    const std::optional<std::size_t> chosen = host_.chooseFromMenu(items);
    if (!chosen) return;
    switch (*chosen) {
        case kOpen:
            openLockbay();
            break;
        case kStartWithWindows:
            // A failure shows as the unchanged check mark the next time.
            if (!managed) setStartWithWindows(!items[kStartWithWindows].checked);
            break;
        case kExit:
            host_.quit();
            break;
        default:
            break;
    }
}

void Watcher::openLockbay() {
    const std::wstring lockbay = folder_ + L"\\" + kLockbayFileName;
    const platform::StartResult started = host_.openProgram(lockbay, folder_);
    if (started.started || started.error.empty()) return;
    host_.notify(textOrEnglish(language(), CaptionLine::kWatchOpenLockbay), started.error,
                 platform::NotificationKind::Warning);
}

bool Watcher::startsWithWindows() {
    if (policies_.watcher == true) return true;
    const auto choice = platform_.registry.read(RegistryRoot::CurrentUser, kChoiceKey, kChoiceValue);
    const auto number = choice ? platform::dwordOf(*choice) : std::nullopt;
    return number != 0u;
}

bool Watcher::setStartWithWindows(bool on) {
    return platform_.registry.write(RegistryRoot::CurrentUser, kChoiceKey, kChoiceValue,
                                    platform::dwordValue(on ? 1 : 0)) == RegistryStatus::Done;
}

}  // namespace watch
