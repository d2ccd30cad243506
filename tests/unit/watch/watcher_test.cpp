// The watcher's decisions on the in-memory fakes: which drives it looks after, what it
// does to each and what it tells the user, its menu, its Run entry and its command line.
#include "watch/core/watcher.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "drive_rules/cleaning_handover.h"
#include "fakes/fake_platform.h"
#include "infected_stick.h"
#include "platform/encoding.h"
#include "product/policies.h"
#include "watch/core/drive_arrival.h"

namespace {

namespace attr = platform::attr;
using platform::DriveKind;
using platform::NotificationKind;
using platform::TrayHost;
using watch::Arrival;

// The notification-area host, recording what the watcher asks of it.
class FakeTrayHost : public TrayHost {
public:
    struct Shown {
        std::wstring title;
        std::wstring text;
        NotificationKind kind;
    };
    std::vector<std::wstring> commandLine;
    bool instanceFree = true;
    StopResult stopResult = StopResult::Stopped;
    std::optional<std::size_t> menuChoice;  // what the user picks in the next menu
    platform::StartResult openResult{true, {}};
    platform::StartResult startAsUserResult{true, {}};

    std::wstring workingFolder;
    std::wstring tooltip;
    bool iconShown = false;
    bool quitAsked = false;
    std::vector<Shown> notifications;
    std::vector<std::vector<platform::TrayMenuItem>> menus;
    std::vector<std::pair<std::wstring, std::wstring>> opened;  // program, folder
    std::vector<std::wstring> startedAsUser;                    // "program|arguments|folder"

    std::vector<std::wstring> arguments() override { return commandLine; }
    bool setWorkingFolder(const std::wstring& folder) override {
        workingFolder = folder;
        return true;
    }
    bool claimSingleInstance() override { return instanceFree; }
    StopResult stopRunningInstance(int) override { return stopResult; }
    bool showIcon(const std::wstring& text) override {
        iconShown = true;
        tooltip = text;
        return true;
    }
    void setTooltip(const std::wstring& text) override { tooltip = text; }
    void notify(const std::wstring& title, const std::wstring& text, NotificationKind kind) override {
        notifications.push_back({title, text, kind});
    }
    std::optional<std::size_t> chooseFromMenu(const std::vector<platform::TrayMenuItem>& items) override {
        menus.push_back(items);
        return menuChoice;
    }
    platform::StartResult openProgram(const std::wstring& path, const std::wstring& folder) override {
        opened.emplace_back(path, folder);
        return openResult;
    }
    platform::StartResult startAsSignedInUser(const std::wstring& path, const std::wstring& arguments,
                                              const std::wstring& folder) override {
        startedAsUser.push_back(path + L"|" + arguments + L"|" + folder);
        return startAsUserResult;
    }
    bool shellRuns = true;
    bool desktopShellRuns() override { return shellRuns; }
    int run() override { return 0; }  // the test raises the events afterwards
    void quit() override { quitAsked = true; }
};

// ---- Which drives, and what happens to them ------------------------------------------

TEST(WatchedDrives, RemovableDrivesAndUsbDisksButNeverTheSystemDrive) {
    struct Case {
        const char* what;
        DriveKind kind;
        bool usb;
        std::optional<wchar_t> systemDrive;
        bool watched;
    };
    const Case cases[] = {
        {"a USB stick", DriveKind::Removable, true, L'C', true},
        {"a card in a built-in reader", DriveKind::Removable, false, L'C', true},
        {"a hard disk on USB", DriveKind::Fixed, true, L'C', true},
        {"an internal hard disk", DriveKind::Fixed, false, L'C', false},
        {"a network drive", DriveKind::Network, false, L'C', false},
        {"a DVD drive", DriveKind::Optical, false, L'C', false},
        {"a RAM disk", DriveKind::RamDisk, false, L'C', false},
        {"a drive of unknown kind", DriveKind::Unknown, true, L'C', false},
        {"Windows running from this USB disk", DriveKind::Fixed, true, L'E', false},
        {"Windows running from this stick", DriveKind::Removable, true, L'E', false},
        {"a stick when the system drive is unknown", DriveKind::Removable, true, std::nullopt, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(watch::isWatchedDrive(L'E', {c.kind, c.usb, L""}, c.systemDrive), c.watched) << c.what;
    }
}

// The watcher's protection with the README.txt in English, at a fixed time.
Arrival protectArrived(platform::FileSystem& fs) {
    const lockbay::TextOf english = [](lockbay::CaptionLine line) -> const std::wstring& {
        return lockbay::englishText(line);
    };
    return watch::protectArrivedDrive(fs, L'E', english, {2026, 12, 9, 14, 3, 22});
}

// A drive that disappears while the watcher makes the protection folder.
class VanishingFileSystem : public fakes::FakeFileSystem {
public:
    bool makeDirectory(const std::wstring& path) override {
        removeDrive(path[0]);
        return false;
    }
};

TEST(DriveArrival, SimpleProtectionOnlyAndOnlyADriveThatReadsProtectedCounts) {
    struct Case {
        const char* what;
        std::function<void(fakes::FakeFileSystem&)> prepare;
        Arrival expected;
        bool folderAfter;  // E:\autorun.inf is a hidden folder afterwards
    };
    const Case cases[] = {
        {"unprotected", [](auto&) {}, Arrival::Protected, true},
        {"infected", [](auto& fs) { fs.addFile(L"E:\\autorun.inf", "[autorun]"); }, Arrival::Cleaned, true},
        {"protected", [](auto& fs) { fs.addFolder(L"E:\\autorun.inf"); }, Arrival::AlreadyProtected, false},
        {"infected, the file locked",
         [](auto& fs) {
             fs.addFile(L"E:\\autorun.inf", "[autorun]");
             fs.undeletable.insert(L"E:\\AUTORUN.INF");
             fs.unmovable.insert(L"E:\\AUTORUN.INF");
         },
         Arrival::FileNotRemoved, false},
        {"infected, no link but lying off the drive: never deleted as a link",
         [](auto& fs) {
             fs.addFile(L"E:\\autorun.inf", "[autorun]");
             fs.offDrive.insert(L"E:\\AUTORUN.INF");
         },
         Arrival::FileNotRemoved, false},
        {"write-protected", [](auto& fs) { fs.drive(L'E').readOnly = true; }, Arrival::Failed, false},
        {"write-protected, with a folder a of the user",
         [](auto& fs) {
             fs.addFolder(L"E:\\a");
             fs.drive(L'E').readOnly = true;
         },
         Arrival::Failed, false},
        {"write-protected and infected",
         [](auto& fs) {
             fs.addFile(L"E:\\autorun.inf", "[autorun]");
             fs.drive(L'E').readOnly = true;
         },
         Arrival::FileNotRemoved, false},
        {"not ready", [](auto& fs) { fs.drive(L'E').ready = false; }, Arrival::Gone, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fakes::FakeFileSystem fs;
        fs.addDrive(L'E');
        fs.addFolder(L"E:\\photos");
        fs.addFile(L"E:\\photos\\one.jpg", "jpeg bytes");
        fs.addFile(L"E:\\notes.txt", "read me", attr::kReadOnly | attr::kHidden);
        c.prepare(fs);
        const auto before = fs.snapshot();
        EXPECT_EQ(protectArrived(fs), c.expected);
        const auto entry = fs.entry(L"E:\\autorun.inf");
        if (c.folderAfter) {
            ASSERT_TRUE(entry);
            EXPECT_EQ(entry->attributes, attr::kDirectory | attr::kHidden);
        }
        // Every file of the user is as it was, and nothing else is left behind.
        auto after = fs.snapshot();
        if (c.folderAfter) after.erase(L"E:\\AUTORUN.INF");
        auto expected = before;
        if (c.expected == Arrival::Cleaned) {
            expected.erase(L"E:\\AUTORUN.INF");
            std::erase_if(after,
                          [](const auto& e) { return e.first.rfind(L"E:\\LOCKBAY QUARANTINE", 0) == 0; });
        }
        EXPECT_EQ(after.size(), expected.size());
        for (const auto& [path, item] : expected) {
            ASSERT_TRUE(after.count(path)) << "lost";
            EXPECT_EQ(after.at(path).content, item.content);
            EXPECT_EQ(after.at(path).attributes, item.attributes);
        }
    }

    VanishingFileSystem vanishing;
    vanishing.addDrive(L'E');
    EXPECT_EQ(protectArrived(vanishing), Arrival::Gone) << "pulled out during the steps";
}

TEST(DriveArrival, AProtectedDriveIsOnlyRead) {
    fakes::FakeFileSystem fs;
    fs.addDrive(L'E');
    fs.addFolder(L"E:\\autorun.inf", attr::kDirectory);  // not even hidden: left as it is
    EXPECT_EQ(protectArrived(fs), Arrival::AlreadyProtected);
    for (const std::wstring& call : fs.calls) {
        EXPECT_TRUE(call.rfind(L"attributes ", 0) == 0 || call.rfind(L"search ", 0) == 0)
            << "wrote: " << call;
    }
}

TEST(Notifications, NameTheDriveAndTellSuccessFromFailure) {
    EXPECT_EQ(watch::driveName(L'E', L"MYSTICK"), L"MYSTICK (E:)");
    EXPECT_EQ(watch::driveName(L'E', L""), L"E:");

    struct Case {
        Arrival arrival;
        const wchar_t* title;
        const wchar_t* text;
    };
    const Case cases[] = {
        {Arrival::Protected, L"Drive protected", L"MYSTICK (E:) is now protected against autorun viruses."},
        {Arrival::Cleaned, L"Drive protected",
         L"An autorun.inf file was removed from MYSTICK (E:), and the drive is now protected."},
        {Arrival::AlreadyProtected, L"Drive protected", L"MYSTICK (E:) is already protected."},
        {Arrival::FileNotRemoved, L"Drive not protected",
         L"The autorun.inf file on MYSTICK (E:) could not be removed. Scan the drive for viruses, then "
         L"protect it with Lockbay."},
        {Arrival::Gone, L"Drive not protected", L"MYSTICK (E:) was removed before it could be protected."},
        {Arrival::Failed, L"Drive not protected",
         L"MYSTICK (E:) could not be protected. It may be write-protected: remove the write protection, then "
         L"plug it in again."},
    };
    for (const Case& c : cases) {
        const auto shown = watch::notificationFor(c.arrival, L"MYSTICK (E:)", {});
        EXPECT_EQ(shown.title, c.title);
        EXPECT_EQ(shown.text, c.text);
        const bool success = std::wstring(c.title) == L"Drive protected";
        EXPECT_EQ(shown.kind, success ? NotificationKind::Info : NotificationKind::Warning);
    }

    // A translation whose text lost its "%1" still names the drive.
    lockbay::LanguageLines lines;
    lines.lines.resize(lockbay::kLanguageLineCount, L"x");
    lines.lines[static_cast<std::size_t>(lockbay::CaptionLine::kWatchProtectedText) - 1] = L"geschützt.";
    EXPECT_EQ(watch::notificationFor(Arrival::Protected, L"E:", lines).text, L"E: - geschützt.");
}

// ---- The program -----------------------------------------------------------------------

class WatcherTest : public ::testing::Test {
protected:
    WatcherTest() {
        fake.fs.addDrive(L'C', {L"NTFS", 50ull << 30, true, false, {DriveKind::Fixed, false, L""}});
    }

    int start(std::vector<std::wstring> arguments = {}) {
        host.commandLine = std::move(arguments);
        return watcher.run();
    }
    // The user's "Start with Windows".
    std::optional<std::uint32_t> choice() {
        const auto value =
            fake.registry.read(platform::RegistryRoot::CurrentUser, watch::kChoiceKey, watch::kChoiceValue);
        return value ? platform::dwordOf(*value) : std::nullopt;
    }
    void useShippedLanguage(const std::string& file, const std::string& asName) {
        std::ifstream in(std::string(LOCKBAY_LANGUAGE_DIR) + "/" + file, std::ios::binary);
        fake.fs.addFile(std::wstring(asName.begin(), asName.end()),
                        std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
        fake.fs.addFile(L"clng.vlng", asName + "\r\n");
    }

    fakes::FakePlatform fake;
    FakeTrayHost host;
    watch::Watcher watcher{fake.platform, host};
};

TEST_F(WatcherTest, ProtectsTheDrivesItLooksAfterAsTheyArriveAndStartsNoCommand) {
    EXPECT_EQ(start(), watch::kExitOk);
    EXPECT_TRUE(host.iconShown);
    EXPECT_EQ(host.tooltip, L"Lockbay protects USB drives when they are plugged in");
    EXPECT_EQ(host.workingFolder, L"C:\\Program Files\\Lockbay") << "where Lockbay and clng.vlng are";

    fake.fs.addDrive(L'E').details.label = L"MYSTICK";
    fake.fs.addFile(L"E:\\autorun.inf", "[autorun]\r\nopen=virus.exe\r\n");
    fake.fs.addDrive(L'N').details = {DriveKind::Network, false, L"share"};
    ASSERT_TRUE(host.onDrivesArrived);
    host.onDrivesArrived({L'C', L'E', L'N'});
    ASSERT_EQ(host.notifications.size(), 1u) << "only E: is a drive the watcher looks after";
    EXPECT_EQ(host.notifications[0].text,
              L"An autorun.inf file was removed from MYSTICK (E:), and the drive is now protected.");
    EXPECT_FALSE(fake.fs.exists(L"N:\\autorun.inf"));
    EXPECT_FALSE(fake.fs.exists(L"C:\\autorun.inf"));
    EXPECT_TRUE(fake.processes.commands.empty()) << "never cacls, convert or takeown";
    EXPECT_TRUE(fake.processes.programs.empty());

    host.onStopRequested();
    EXPECT_TRUE(host.quitAsked);
}

// A stick that still carries what its autorun.inf started: the watcher protects it, says
// how many files are left and hands the autorun.inf's bytes over to Lockbay, keyed by the
// volume's serial, but moves nothing. A clean stick gets the usual notification, and an
// earlier entry of its letter goes.
TEST_F(WatcherTest, AnInfectedStickIsReportedAndHandedOverButNothingIsMoved) {
    start();
    auto& stick = fake.fs.addDrive(L'E');
    stick.details.label = L"MYSTICK";
    stick.details.serial = 0x1234ABCD;
    infected_stick::addTo(fake.fs);
    auto before = fake.fs.snapshot();
    before.erase(L"E:\\AUTORUN.INF");
    host.onDrivesArrived({L'E'});

    ASSERT_EQ(host.notifications.size(), 1u);
    EXPECT_EQ(host.notifications[0].title, L"Drive protected");
    EXPECT_EQ(host.notifications[0].text,
              L"MYSTICK (E:) still carries 5 files that its autorun.inf started. Open Lockbay to clean it");
    EXPECT_EQ(host.notifications[0].kind, NotificationKind::Warning);
    auto after = fake.fs.snapshot();
    EXPECT_TRUE(after.erase(L"E:\\AUTORUN.INF")) << "the protection folder";
    std::erase_if(after, [](const auto& e) { return e.first.starts_with(L"E:\\LOCKBAY QUARANTINE"); });
    EXPECT_EQ(after.size(), before.size());
    for (const auto& [path, item] : before) {
        ASSERT_TRUE(after.count(path)) << "moved: " << platform::toUtf8(path);
        EXPECT_EQ(after.at(path).attributes, item.attributes) << platform::toUtf8(path);
    }
    const std::wstring name = lockbay::handoverName(L'E', 0x1234ABCD);
    const auto value = fake.registry.read(platform::RegistryRoot::CurrentUser, lockbay::kHandoverKey, name);
    ASSERT_TRUE(value);
    const auto entry = lockbay::parseHandover(name, *value);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->serial, 0x1234ABCDu);
    EXPECT_EQ(entry->autorun.bytes, infected_stick::kAutorun);

    // The same letter, another stick, clean: the old stick's entry waits for it.
    fake.fs.removeDrive(L'E');
    fake.fs.addDrive(L'E');
    host.onDrivesArrived({L'E'});
    ASSERT_EQ(host.notifications.size(), 2u);
    EXPECT_EQ(host.notifications[1].text, L"E: is now protected against autorun viruses.");
    EXPECT_TRUE(fake.registry.read(platform::RegistryRoot::CurrentUser, lockbay::kHandoverKey, name));
}

TEST_F(WatcherTest, ASecondStartLeavesTheFirstWatching) {
    host.instanceFree = false;
    EXPECT_EQ(start(), watch::kExitOk);
    EXPECT_FALSE(host.iconShown);
    EXPECT_FALSE(host.onDrivesArrived);
}

TEST_F(WatcherTest, SpeaksTheLanguageSelectedInLockbayReadAfreshEachTime) {
    useShippedLanguage("german.vlng", "german.vlng");
    start();
    EXPECT_EQ(host.tooltip, L"Lockbay schützt USB-Laufwerke, sobald sie angeschlossen werden");
    fake.fs.addDrive(L'E');
    host.onDrivesArrived({L'E'});
    ASSERT_EQ(host.notifications.size(), 1u);
    EXPECT_EQ(host.notifications[0].title, L"Laufwerk geschützt");
    EXPECT_EQ(host.notifications[0].text, L"E: ist jetzt vor Autorun-Viren geschützt.");

    // The user picks a language file made for an older Lockbay: English for these lines.
    fake.fs.addFile(L"old.vlng", [] {
        std::string bytes;
        for (int n = 1; n <= 38; ++n) bytes += "line " + std::to_string(n) + "\r\n";
        return bytes;
    }());
    fake.fs.addFile(L"clng.vlng", "old.vlng\r\n");
    host.onMenuRequested();
    ASSERT_EQ(host.menus.size(), 1u);
    EXPECT_EQ(host.menus[0][0].text, L"Open Lockbay");
    EXPECT_EQ(host.tooltip, L"Lockbay protects USB drives when they are plugged in");
}

TEST_F(WatcherTest, MenuOpensLockbayTogglesStartWithWindowsAndExits) {
    start();
    host.onMenuRequested();  // dismissed
    ASSERT_EQ(host.menus.size(), 1u);
    const auto& items = host.menus[0];
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].text, L"Open Lockbay");
    EXPECT_TRUE(items[0].isDefault);
    EXPECT_EQ(items[1].text, L"Start with Windows");
    EXPECT_TRUE(items[1].checked) << "on until the user turns it off";
    EXPECT_TRUE(items[2].text.empty()) << "a separator";
    EXPECT_EQ(items[3].text, L"Exit");
    EXPECT_TRUE(host.opened.empty());
    EXPECT_FALSE(host.quitAsked);

    host.menuChoice = 1;
    host.onMenuRequested();
    EXPECT_EQ(choice(), 0u);
    host.onMenuRequested();
    EXPECT_FALSE(host.menus[2][1].checked);
    EXPECT_EQ(choice(), 1u) << "chosen again, it is on";

    host.menuChoice = 0;
    host.onMenuRequested();
    ASSERT_EQ(host.opened.size(), 1u);
    EXPECT_EQ(host.opened[0].first, L"C:\\Program Files\\Lockbay\\lockbay.exe");
    EXPECT_EQ(host.opened[0].second, L"C:\\Program Files\\Lockbay");
    host.onIconActivated();
    host.onNotificationClicked();
    EXPECT_EQ(host.opened.size(), 3u);
    EXPECT_TRUE(host.notifications.empty());

    host.menuChoice = 3;
    host.onMenuRequested();
    EXPECT_TRUE(host.quitAsked);
}

TEST_F(WatcherTest, ALockbayThatCannotBeStartedIsReportedUnlessTheUserDeclined) {
    start();
    host.openResult = {false, L"C:\\Program Files\\Lockbay\\lockbay.exe was not found."};
    host.onIconActivated();
    ASSERT_EQ(host.notifications.size(), 1u);
    EXPECT_EQ(host.notifications[0].title, L"Open Lockbay");
    EXPECT_EQ(host.notifications[0].text, L"C:\\Program Files\\Lockbay\\lockbay.exe was not found.");
    EXPECT_EQ(host.notifications[0].kind, NotificationKind::Warning);
    host.openResult = {false, L""};  // the elevation prompt was declined
    host.onIconActivated();
    EXPECT_EQ(host.notifications.size(), 1u);
}

TEST_F(WatcherTest, CommandLineForAnInstaller) {
    struct Case {
        std::vector<std::wstring> arguments;
        TrayHost::StopResult stop;
        int exitCode;
    };
    const Case cases[] = {
        {{L"--stop"}, TrayHost::StopResult::Stopped, watch::kExitOk},
        {{L"--stop"}, TrayHost::StopResult::NotRunning, watch::kExitOk},
        {{L"--stop"}, TrayHost::StopResult::StillRunning, watch::kExitFailed},
        {{L"--start"}, TrayHost::StopResult::Stopped, watch::kExitUsage},
        {{L"--stop", L"now"}, TrayHost::StopResult::Stopped, watch::kExitUsage},
    };
    for (const Case& c : cases) {
        host.stopResult = c.stop;
        EXPECT_EQ(start(c.arguments), c.exitCode) << platform::toUtf8(c.arguments[0]);
    }
    EXPECT_FALSE(host.iconShown);

    EXPECT_EQ(start({L"--disable-start-with-windows"}), watch::kExitOk);
    EXPECT_EQ(choice(), 0u);
    EXPECT_EQ(start({L"--enable-start-with-windows"}), watch::kExitOk);
    EXPECT_EQ(choice(), 1u);
    EXPECT_FALSE(host.iconShown);
}

TEST_F(WatcherTest, TheSetupStartsItsCommandsAsTheSignedInUser) {
    const std::wstring program = L"C:\\Program Files\\Lockbay\\lockbay-watch.exe|";
    const std::wstring folder = L"|C:\\Program Files\\Lockbay";
    EXPECT_EQ(start({L"--as-signed-in-user"}), watch::kExitOk);
    EXPECT_EQ(start({L"--as-signed-in-user", L"--enable-start-with-windows"}), watch::kExitOk);
    EXPECT_EQ(start({L"--as-signed-in-user", L"--stop"}), watch::kExitOk);
    EXPECT_EQ(host.startedAsUser,
              (std::vector<std::wstring>{program + folder, program + L"--enable-start-with-windows" + folder,
                                         program + L"--stop" + folder}));
    EXPECT_EQ(choice(), std::nullopt) << "the choice is the signed-in user's, written by the started program";

    const std::vector<std::wstring> bad[] = {{L"--as-signed-in-user", L"--as-signed-in-user"},
                                             {L"--as-signed-in-user", L"--start"},
                                             {L"--as-signed-in-user", L"--stop", L"now"}};
    for (const auto& arguments : bad) EXPECT_EQ(start(arguments), watch::kExitUsage);
    host.shellRuns = false;
    EXPECT_EQ(start({L"--as-signed-in-user"}), watch::kExitFailed)
        << "never a watcher with the setup's rights";
    host.startAsUserResult = {false, L""};
    EXPECT_EQ(start({L"--as-signed-in-user", L"--stop"}), watch::kExitFailed);
    EXPECT_EQ(host.startedAsUser.size(), 4u) << "nothing is started for bad usage or without a shell";
    EXPECT_FALSE(host.iconShown) << "this process only passes the command on";
}

}  // namespace
