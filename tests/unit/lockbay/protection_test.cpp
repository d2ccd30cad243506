// Protect, the free-space dialog with the NTFS conversion, and Restore: what ends up
// on the drive, the command lines to the character, and when each step runs.
#include "lockbay/operations/protection.h"

#include <string>
#include <vector>

#include "cli/drive_operations.h"
#include "drive_rules/drive_status.h"
#include "lockbay/operations/protection.h"
#include "lockbay_fixture.h"
#include "watch/core/drive_arrival.h"

namespace {

namespace attr = platform::attr;
using Answer = platform::ui::Backend::Answer;
using Strings = std::vector<std::wstring>;
constexpr auto kYesNo = platform::ui::Backend::Buttons::YesNo;

// A command that has not ended yet.
platform::CommandResult stillRunning(const std::wstring&) {
    return {platform::CommandResult::Outcome::TimedOut, 0, {}};
}

constexpr std::uint64_t kNineMegabytes = 9ull * 1024 * 1024;  // 9,437,184 bytes

class ProtectTest : public LockbayTest {
protected:
    ProtectTest() { fake.backend.onMessageBox = yesToTheConversion; }
    static Answer yesToTheConversion(const platform::ui::HeadlessBackend::MessageBoxCall& call) {
        return call.buttons == kYesNo ? Answer::Yes : Answer::Ok;
    }
    // Drive E: with the given file system and free space, selected in the main window.
    lockbay::Form1& selectE(const std::wstring& fileSystem = L"FAT32", std::uint64_t freeBytes = 1ull << 30) {
        fake.fs.addDrive(L'E', {fileSystem, freeBytes, true, false});
        auto& form = openMainWindow();
        selectDrive(L'E');
        return form;
    }
    void protect(bool advanced) {
        if (advanced) form1().Label2.click();
        form1().Label7.click();
    }
    bool hiddenFolder(const std::wstring& path) {
        const auto e = fake.fs.entry(path);
        return e && e->attributes == (attr::kDirectory | attr::kHidden);
    }
    std::wstring lineOfE() {
        for (const auto& line : listLines()) {
            if (line[0] == L'E') return line;
        }
        return L"(none)";
    }
};

TEST_F(ProtectTest, SimpleMakesAHiddenFolderAndRefreshesAt500ms) {
    selectE();
    protect(false);
    EXPECT_TRUE(busy());
    EXPECT_TRUE(hiddenFolder(L"E:\\autorun.inf"));
    EXPECT_TRUE(fake.processes.commands.empty());
    advance(499);
    EXPECT_TRUE(busy());
    advance(1);
    EXPECT_FALSE(busy());
    EXPECT_EQ(lineOfE(), L"E:    PROTECTED");
}

TEST_F(ProtectTest, AdvancedOnNtfsDeniesAtOnceAndLeavesTheHiddenMarker) {
    selectE(L"NTFS");
    protect(true);
    EXPECT_EQ(fake.processes.commands, Strings{L"cmd.exe /c cacls E:\\autorun.inf /e /c /d Everyone "});
    EXPECT_TRUE(hiddenFolder(L"E:\\autorun.inf"));
    EXPECT_FALSE(fake.fs.exists(L"E:\\advancedlockbay")) << "the marker waits for cacls to end";
    advance(500);
    EXPECT_TRUE(hiddenFolder(L"E:\\advancedlockbay"));
    advance(100);
    EXPECT_FALSE(busy());
    EXPECT_EQ(lineOfE(), L"E:    PROTECTED");
}

// Advanced protection, one row per outcome: the group as Windows names S-1-1-0, a deny
// entry that must read back before the marker, convert's refusal of anything but FAT and
// FAT32 (before anything changes), the label on convert's input, its exit code, and the
// question before /X.
TEST_F(ProtectTest, AdvancedOutcomes) {
    struct Row {
        const wchar_t* fileSystem;
        const wchar_t* group;
        std::uint32_t convertExit;
        Answer answer;
        Strings commands;
        bool folder, marker;
        const wchar_t* message;  // the start of the last message, or nothing
    };
    const std::wstring convert = L"cmd.exe /c convert E: /FS:NTFS /X ";
    const std::wstring denied = L"cmd.exe /c cacls E:\\autorun.inf /e /c /d Everyone";
    // clang-format off
    const Row rows[] = {
        {L"NTFS", L"Tout le monde", 0, Answer::Yes, {L"cmd.exe /c cacls E:\\autorun.inf /e /c /d \"Tout le monde\" "}, true, true, nullptr},
        {L"NTFS", L"Jeder", 0, Answer::Yes, {L"cmd.exe /c cacls E:\\autorun.inf /e /c /d Jeder "}, true, false, L"Advanced protection could not be applied to drive E:"},
        {L"exFAT", L"Everyone", 0, Answer::Yes, {}, false, false, L"Drive E: uses exFAT, which cannot"},
        {L"ntfs", L"Everyone", 0, Answer::Yes, {}, false, false, L"Drive E: uses ntfs, which cannot"},
        {L"FAT32", L"Everyone", 0, Answer::Yes, {convert, denied}, true, true, nullptr},
        {L"FAT32", L"Everyone", 1, Answer::Yes, {convert}, true, false, L"The conversion of drive E: to NTFS did not succeed (convert ended with exit code 1, and the drive reads as FAT32)"},
        {L"FAT32", L"Everyone", 0, Answer::No, {}, true, false, nullptr},
    };
    // clang-format on
    for (const Row& row : rows) {
        fakes::FakePlatform local;
        local.fs.addDrive(L'C');
        local.fs.addDrive(L'E', {row.fileSystem, 1ull << 30, true, false}).details.label = L"MYSTICK";
        local.fs.everyoneName = row.group;
        if (row.group == std::wstring(L"Jeder")) local.processes.accessLists = nullptr;  // no such group
        local.processes.commandOutcome = [&](const std::wstring& line) {
            if (line == convert && row.convertExit == 0) local.fs.drive(L'E').fileSystem = L"NTFS";
            return platform::CommandResult{platform::CommandResult::Outcome::Finished, row.convertExit, {}};
        };
        local.backend.onMessageBox = [&](const auto& call) {
            return call.buttons == kYesNo ? row.answer : Answer::Ok;
        };
        lockbay::LockbayApp localApp(local.platform);
        auto& form = localApp.form1();
        form.show();
        form.List1.select(0);
        form.Label2.click();
        form.Label7.click();
        local.advance(1100);
        SCOPED_TRACE(testing::Message() << static_cast<int>(&row - rows));
        EXPECT_EQ(local.processes.commands, row.commands);
        EXPECT_EQ(local.fs.isFolder(L"E:\\autorun.inf"), row.folder);
        EXPECT_EQ(local.fs.isFolder(L"E:\\advancedlockbay"), row.marker);
        const auto& boxes = local.backend.messageBoxes();
        if (row.message) {
            ASSERT_FALSE(boxes.empty());
            EXPECT_EQ(boxes.back().text.find(row.message), 0u) << boxes.back().text;
        } else if (!boxes.empty()) {
            EXPECT_EQ(boxes.back().buttons, kYesNo) << "only the question";
        }
        if (!row.commands.empty() && row.commands[0] == convert) {
            EXPECT_EQ(local.processes.inputs[convert], L"MYSTICK\r\n") << "the label convert asks for";
        }
        EXPECT_FALSE(form.waitt.visible());
    }
}

TEST_F(ProtectTest, AdvancedOnFatConvertsAndDeniesOnceTheDriveIsBack) {
    auto& form = selectE(L"FAT32");
    // The conversion takes the drive away for a while and brings it back as NTFS.
    fake.processes.onCommand = [&](const std::wstring& line) {
        if (line.find(L"convert") != std::wstring::npos) fake.fs.drive(L'E').ready = false;
    };
    protect(true);
    EXPECT_TRUE(hiddenFolder(L"E:\\autorun.inf"));
    EXPECT_EQ(fake.processes.commands, Strings{L"cmd.exe /c convert E: /FS:NTFS /X "});
    EXPECT_FALSE(form.ok);
    advance(500);
    EXPECT_TRUE(form.ok) << "the watch saw the drive go away";
    advance(1000);
    EXPECT_TRUE(busy());
    fake.fs.drive(L'E').ready = true;
    fake.fs.drive(L'E').fileSystem = L"NTFS";
    advance(500);  // the watch sees the drive back at 2000 ms
    EXPECT_EQ(fake.processes.commands.back(), L"cmd.exe /c cacls E:\\autorun.inf /e /c /d Everyone");
    advance(599);
    EXPECT_TRUE(busy());
    advance(1);
    EXPECT_FALSE(busy());
    EXPECT_EQ(lineOfE(), L"E:    PROTECTED");
    EXPECT_TRUE(fake.fs.exists(L"E:\\advancedlockbay")) << "a converted drive gets the marker too";
}

TEST_F(ProtectTest, WatchEndsWhenTheConversionFinishedBetweenTwoTicks) {
    selectE(L"FAT32");
    fake.processes.onCommand = [&](const std::wstring& line) {
        if (line.find(L"convert") != std::wstring::npos) fake.fs.drive(L'E').fileSystem = L"NTFS";
    };
    protect(true);
    advance(500);
    EXPECT_EQ(fake.processes.commands.back(), L"cmd.exe /c cacls E:\\autorun.inf /e /c /d Everyone");
    advance(600);
    EXPECT_FALSE(busy());
}

TEST_F(ProtectTest, WatchGivesUpAfterThirtyMinutesAndTellsTheUser) {
    auto& form = selectE(L"FAT32");
    fake.processes.commandOutcome = stillRunning;  // never ends
    protect(true);  // the conversion never happens: the drive stays FAT32 and ready
    advance(30 * 60 * 1000 - 500);
    EXPECT_EQ(fake.backend.messageBoxes().size(), 1u) << "only the question";
    EXPECT_TRUE(form.Timer2.enabled());
    advance(500);
    ASSERT_EQ(fake.backend.messageBoxes().size(), 2u);
    const std::wstring& text = fake.backend.messageBoxes()[1].text;
    EXPECT_NE(text.find(L"E: to NTFS finish within 30 minutes"), std::wstring::npos) << text;
    // The folder was made before the conversion: the advice is to restore and protect again.
    EXPECT_NE(text.find(L"keeps its Simple protection"), std::wstring::npos) << text;
    EXPECT_NE(text.find(L"click Restore"), std::wstring::npos) << text;
    EXPECT_EQ(fake.backend.messageBoxes()[1].title, L"Lockbay");
    EXPECT_FALSE(form.Timer2.enabled());
    advance(500);
    EXPECT_FALSE(busy());
    EXPECT_EQ(fake.processes.commands.size(), 1u) << "no deny command without a conversion";
}

TEST_F(ProtectTest, ExactlyNineMegabytesConvertsWithoutTheDialog) {
    selectE(L"FAT32", kNineMegabytes);
    protect(true);
    EXPECT_EQ(fake.processes.commands, Strings{L"cmd.exe /c convert E: /FS:NTFS /X "});
    EXPECT_FALSE(app().freeSpaceDialog().visible());
}

TEST_F(ProtectTest, UnderNineMegabytesHandsOverToTheFreeSpaceDialog) {
    auto& form = selectE(L"FAT32", kNineMegabytes - 1);
    protect(true);
    auto& dialog = app().freeSpaceDialog();
    EXPECT_TRUE(dialog.visible());
    EXPECT_FALSE(form.visible());
    EXPECT_TRUE(form.waitt.visible()) << "the main window stays busy behind the dialog";
    EXPECT_TRUE(hiddenFolder(L"E:\\autorun.inf")) << "the simple protection is already in place";
    EXPECT_TRUE(fake.processes.commands.empty());
    EXPECT_EQ(dialog.title(), L"Lockbay - Free up some space");

    // Exactly 9 MB is not enough for Continue, however often it is pressed.
    fake.fs.drive(L'E').freeBytes = kNineMegabytes;
    dialog.Label4.click();
    dialog.Label4.click();
    EXPECT_TRUE(fake.processes.commands.empty());
    EXPECT_TRUE(dialog.visible());

    fake.fs.drive(L'E').freeBytes = kNineMegabytes + 1;
    dialog.Label4.click();
    EXPECT_EQ(fake.processes.commands, Strings{L"cmd.exe /c convert E: /FS:NTFS /X "});
    EXPECT_FALSE(form.ok);
    EXPECT_TRUE(form.Timer2.enabled());
    EXPECT_TRUE(form.visible());
    EXPECT_FALSE(dialog.visible());
    EXPECT_TRUE(busy());
}

TEST_F(ProtectTest, FreeSpaceCancelAndFrameCloseRefreshAfterTheCurrentInterval) {
    for (bool throughFrame : {false, true}) {
        fakes::FakePlatform local;
        local.fs.addDrive(L'C');
        local.fs.addDrive(L'E', {L"FAT32", 1024, true, false});
        lockbay::LockbayApp localApp(local.platform);
        auto& form = localApp.form1();
        form.show();
        form.List1.select(0);
        form.Label2.click();
        form.Label7.click();
        auto& dialog = localApp.freeSpaceDialog();
        ASSERT_TRUE(dialog.visible());
        if (throughFrame) {
            dialog.closeRequested();
        } else {
            dialog.Label2.click();
        }
        EXPECT_FALSE(dialog.visible());
        EXPECT_TRUE(form.visible());
        EXPECT_TRUE(form.Timer1.enabled());
        // Timer1 still has its interval at creation: 2000 ms.
        local.advance(1999);
        EXPECT_TRUE(form.waitt.visible());
        local.advance(1);
        EXPECT_FALSE(form.waitt.visible());
        EXPECT_EQ(form.List1.items()[0], L"E:    PROTECTED");
        EXPECT_TRUE(local.processes.commands.empty());
    }
}

TEST_F(ProtectTest, FreeSpacePressFeedback) {
    auto& dialog = app().freeSpaceDialog();
    dialog.Label4.raiseMouseDown();
    EXPECT_EQ(dialog.Picture3.border(), 1);
    dialog.Label4.raiseMouseUp();
    EXPECT_EQ(dialog.Picture3.border(), 0);
    dialog.Label2.raiseMouseDown();
    EXPECT_EQ(dialog.Picture4.border(), 1);
    dialog.Label2.raiseMouseUp();
    EXPECT_EQ(dialog.Picture4.border(), 0);
}

TEST_F(ProtectTest, InfectedFileIsDeletedFirstInEitherMode) {
    for (bool advanced : {false, true}) {
        fakes::FakePlatform local;
        local.fs.addDrive(L'C');
        local.fs.addDrive(L'E', {L"NTFS", 1ull << 30, true, false});
        local.fs.addFile(L"E:\\autorun.inf", "[autorun]\r\nopen=worm.exe\r\n");
        local.fs.addFile(L"E:\\worm.exe", "MZ");
        lockbay::LockbayApp localApp(local.platform);
        auto& form = localApp.form1();
        form.show();
        ASSERT_EQ(form.List1.items()[0], L"E:    INFECTED");
        form.List1.select(0);
        if (advanced) form.Label2.click();
        form.Label7.click();
        const auto folder = local.fs.entry(L"E:\\autorun.inf");
        ASSERT_TRUE(folder);
        EXPECT_EQ(folder->attributes, attr::kDirectory | attr::kHidden) << advanced;
        EXPECT_TRUE(local.fs.exists(L"E:\\worm.exe")) << "only autorun.inf is deleted";
        local.advance(600);
        EXPECT_EQ(form.List1.items()[0], L"E:    PROTECTED");
        EXPECT_FALSE(form.Timer4.enabled());
    }
}

// Worms mark their autorun.inf Hidden, System and Read-only, in any combination. Each
// drive reads INFECTED, and the main window's Protect, the watcher and lockbay-cli each
// take the attributes off, move the file into the quarantine (README.txt tells what it
// had) and leave the drive PROTECTED, with no grant command. Where no quarantine folder
// can be made (a file is in its place), the file is deleted and the user is told.
TEST(AutorunAttributes, EveryCombinationIsInfectedAndEndsInTheQuarantine) {
    const lockbay::TextOf english = [](lockbay::CaptionLine line) -> const std::wstring& {
        return lockbay::englishText(line);
    };
    for (std::uint32_t bits = 0; bits < 32; ++bits) {  // Read-only, Hidden, System, Archive, no room
        const std::uint32_t had =
            (bits & 15) == 0 ? attr::kNormal : (bits & 7) | (bits & 8 ? attr::kArchive : 0);
        const bool noRoom = bits & 16;
        for (int program = 0; program < 3; ++program) {
            SCOPED_TRACE(std::to_string(program) + " " + std::to_string(bits));
            fakes::FakePlatform local;
            local.fs.addDrive(L'C');
            local.fs.addDrive(L'E');
            local.fs.addFile(L"E:\\autorun.inf", "[autorun]", had);
            if (noRoom) local.fs.addFile(L"E:\\Lockbay quarantine");
            ASSERT_EQ(lockbay::classifyDrive(local.fs, L'E'), lockbay::DriveStatus::Infected);
            lockbay::LockbayApp app(local.platform);
            cli::DriveContext context{local.fs, local.processes, local.registry, false, nullptr};
            if (program == 0) {
                app.form1().show();
                app.form1().List1.select(0);
                app.form1().Label7.click();
                local.advance(500);
                EXPECT_EQ(local.backend.messageBoxes().size(), noRoom ? 1u : 0u) << "no copy kept";
            } else if (program == 1) {
                EXPECT_EQ(watch::protectArrivedDrive(local.fs, L'E', english, {}),
                          noRoom ? watch::Arrival::CleanedNoCopy : watch::Arrival::Cleaned);
            } else {
                EXPECT_EQ(cli::protectDrive(context, L'E', false).autorunDeletedWithoutCopy, noRoom);
            }
            EXPECT_EQ(lockbay::classifyDrive(local.fs, L'E'), lockbay::DriveStatus::Protected);
            EXPECT_TRUE(local.processes.commands.empty()) << "no grant needed";
            if (noRoom) continue;
            const std::wstring folder =
                L"E:\\Lockbay quarantine\\" + local.fs.listFolder(L"E:\\Lockbay quarantine")->at(0).name;
            EXPECT_EQ(local.fs.content(folder + L"\\autorun.inf.quarantined"), "[autorun]");
            EXPECT_EQ(local.fs.content(folder + L"\\README.txt")->find("attrib ") != std::string::npos,
                      (bits & 7) != 0);
        }
    }
}

class RetryTest : public ProtectTest {
protected:
    void SetUp() override {
        selectE(L"FAT32");
        fake.fs.addFile(L"E:\\autorun.inf", "[autorun]");
        fake.fs.undeletable.insert(L"E:\\AUTORUN.INF");
        form1().Label4.click();  // Refresh: E is INFECTED now
        selectDrive(L'E');
    }
};

TEST_F(RetryTest, UndeletableFileGrantsAccessAndRetriesAfterTwoSeconds) {
    std::vector<std::int64_t> shownAt;
    fake.backend.onMessageBox = [&](const auto& call) {
        shownAt.push_back(call.atMs);
        if (shownAt.size() == 2) fake.fs.undeletable.clear();  // the user scanned the drive
        return Answer::Retry;
    };
    protect(false);
    EXPECT_EQ(fake.processes.commands, Strings{L"cmd.exe /c cacls E:\\autorun.inf /e /c /g Everyone:F"});
    advance(500);
    EXPECT_TRUE(busy()) << "the retry is still to come";
    EXPECT_EQ(lineOfE(), L"E:    INFECTED") << "the folder cannot be made while the file is there";
    advance(1499);
    EXPECT_TRUE(fake.backend.messageBoxes().empty());
    advance(1);
    ASSERT_EQ(shownAt, (std::vector<std::int64_t>{2000, 2000}));
    const auto& box = fake.backend.messageBoxes()[0];
    EXPECT_EQ(box.text, L"Cannot remove autorun.inf file, please scan drive E");
    EXPECT_EQ(box.title, L"Lockbay");
    EXPECT_TRUE(hiddenFolder(L"E:\\autorun.inf")) << "the folder follows the removal at once";
    EXPECT_FALSE(form1().Timer4.enabled());
    advance(100);
    EXPECT_FALSE(busy());
    EXPECT_EQ(lineOfE(), L"E:    PROTECTED");
}

TEST_F(RetryTest, CancelLeavesTheRoundAndGoesOnToTheRefresh) {
    fake.backend.onMessageBox = [](const auto&) { return Answer::Cancel; };
    protect(false);
    advance(2000);
    EXPECT_EQ(fake.backend.messageBoxes().size(), 1u);
    EXPECT_FALSE(form1().Timer4.enabled());
    advance(100);
    EXPECT_EQ(lineOfE(), L"E:    INFECTED");
    advance(10000);
    EXPECT_EQ(fake.backend.messageBoxes().size(), 1u) << "no further round";
}

TEST_F(RetryTest, AFileThatIsNoLongerAFileCountsAsRemoved) {
    fake.backend.onMessageBox = [&](const auto&) {
        // The user deletes the file and the folder appears in its place.
        fake.fs.undeletable.clear();
        fake.fs.deleteFile(L"E:\\autorun.inf");
        fake.fs.addFolder(L"E:\\autorun.inf");
        return Answer::Retry;
    };
    protect(false);
    advance(2000);
    EXPECT_EQ(fake.backend.messageBoxes().size(), 1u);
    EXPECT_TRUE(fake.fs.isFolder(L"E:\\autorun.inf")) << "the folder is never deleted as a file";
    advance(100);
    EXPECT_EQ(lineOfE(), L"E:    PROTECTED");
}

TEST_F(RetryTest, ATickWhileTheMessageIsOpenStartsNoSecondRound) {
    int open = 0;
    int maxOpen = 0;
    fake.backend.onMessageBox = [&](const auto&) {
        ++open;
        maxOpen = std::max(maxOpen, open);
        if (fake.backend.messageBoxes().size() == 1) fake.advance(6500);  // Timer4 ticks three times meanwhile
        if (fake.backend.messageBoxes().size() == 2) fake.fs.undeletable.clear();
        --open;
        return Answer::Retry;
    };
    protect(false);
    advance(2000);
    EXPECT_EQ(maxOpen, 1);
    EXPECT_EQ(fake.backend.messageBoxes().size(), 2u);
    EXPECT_FALSE(form1().Timer4.enabled());
}

TEST_F(RetryTest, AdvancedOnNtfsWaitsForTheFolderBeforeTheDeny) {
    fake.fs.drive(L'E').fileSystem = L"NTFS";
    fake.backend.onMessageBox = [](const auto&) { return Answer::Cancel; };
    protect(true);
    EXPECT_EQ(fake.processes.commands, (Strings{L"cmd.exe /c cacls E:\\autorun.inf /e /c /g Everyone:F"}));
    advance(3000);
    EXPECT_EQ(fake.processes.commands.size(), 1u) << "a retry given up runs no Advanced step";
    EXPECT_FALSE(fake.fs.isFolder(L"E:\\advancedlockbay"));
}

// An Advanced protection of a FAT drive whose infected file could only be removed by the
// retry step: the folder and the conversion (directly or through the free-space dialog)
// follow the retry. The window stays busy until the deny entry has been read back.
TEST_F(RetryTest, TheConversionFollowsTheRetryAndTheWindowStaysBusy) {
    for (bool throughFreeSpaceDialog : {false, true}) {
        SCOPED_TRACE(throughFreeSpaceDialog);
        fakes::FakePlatform local;
        local.fs.addDrive(L'C');
        local.fs.addDrive(L'E', {L"FAT32", throughFreeSpaceDialog ? 1024u : 1ull << 30, true, false});
        local.fs.addDrive(L'F');
        local.fs.addFile(L"E:\\autorun.inf", "[autorun]");
        local.fs.undeletable.insert(L"E:\\AUTORUN.INF");
        local.backend.onMessageBox = yesToTheConversion;
        lockbay::LockbayApp localApp(local.platform);
        auto& form = localApp.form1();
        const auto busyNow = [&] {
            return form.waitt.visible() && !form.List1.visible() && !form.Picture6.visible();
        };
        form.show();
        form.List1.select(0);
        form.Label2.click();
        form.Label7.click();
        local.fs.undeletable.clear();  // the grant command made the file deletable
        local.advance(2100);           // the retry deletes it; the folder and the conversion follow
        if (throughFreeSpaceDialog) {
            local.fs.drive(L'E').freeBytes = 1ull << 30;  // the user frees some space
            localApp.freeSpaceDialog().Label4.click();
        }
        EXPECT_TRUE(local.fs.isFolder(L"E:\\autorun.inf"));
        EXPECT_TRUE(busyNow()) << "the conversion of E is still being watched";
        local.fs.drive(L'E').ready = false;  // the conversion takes the drive
        local.advance(500);
        local.fs.drive(L'E').ready = true;
        local.fs.drive(L'E').fileSystem = L"NTFS";
        local.advance(500);
        EXPECT_EQ(local.processes.commands.back(), L"cmd.exe /c cacls E:\\autorun.inf /e /c /d Everyone");
        EXPECT_TRUE(busyNow());
        local.advance(600);
        EXPECT_FALSE(busyNow());
        EXPECT_TRUE(form.List1.visible());
    }
}

TEST_F(ProtectTest, AConversionThatCannotStartEndsTheOperationAtOnce) {
    selectE(L"FAT32");
    fake.processes.failCommands = true;
    protect(true);
    EXPECT_FALSE(form1().Timer2.enabled()) << "nothing to watch";
    ASSERT_EQ(fake.backend.messageBoxes().size(), 2u);
    const std::wstring& text = fake.backend.messageBoxes()[1].text;
    EXPECT_NE(text.find(L"E: to NTFS could not be started:\nThe system cannot find the file specified."),
              std::wstring::npos)
        << text;
    EXPECT_NE(text.find(L"keeps its Simple protection"), std::wstring::npos) << text;
    advance(500);
    EXPECT_FALSE(busy());
    EXPECT_EQ(lineOfE(), L"E:    PROTECTED");
}

TEST_F(RetryTest, AConversionThatNeverFinishesOnADriveWithoutTheFolderSaysItIsNotProtected) {
    fake.backend.onMessageBox = yesToTheConversion;
    fake.processes.commandOutcome = stillRunning;  // never ends
    protect(true);
    fake.fs.undeletable.clear();
    advance(2000);  // the retry removes the file and makes the folder; the conversion starts
    fake.fs.removeDirectory(L"E:\\autorun.inf");  // the user removes the folder meanwhile
    advance(30 * 60 * 1000);
    ASSERT_EQ(fake.backend.messageBoxes().size(), 2u);
    const std::wstring& text = fake.backend.messageBoxes()[1].text;
    EXPECT_NE(text.find(L"The drive is not protected."), std::wstring::npos) << text;
    EXPECT_EQ(text.find(L"Restore"), std::wstring::npos) << "a drive without the folder offers only Protect";
    advance(500);
    EXPECT_FALSE(busy());
}

TEST_F(ProtectTest, ACommandThatCannotStartIsSkipped) {
    selectE(L"NTFS");
    fake.processes.failCommands = true;
    protect(true);
    advance(600);
    EXPECT_FALSE(fake.fs.exists(L"E:\\advancedlockbay")) << "no deny entry, no marker";
    EXPECT_FALSE(busy());
    EXPECT_EQ(lineOfE(), L"E:    PROTECTED");
}

TEST_F(ProtectTest, AListRebuildDuringAnOperationDoesNotMoveItToAnotherDrive) {
    fake.fs.addDrive(L'Z');  // the last drive: every rebuild leaves d = "Z"
    auto& form = selectE(L"FAT32");
    fake.processes.onCommand = [&](const std::wstring& line) {
        if (line.find(L"convert") != std::wstring::npos) fake.fs.drive(L'E').ready = false;
    };
    protect(true);
    form.Timer5.setEnabled(true);  // a language re-application rebuilds the list
    advance(20);
    EXPECT_EQ(form.d, L"Z");
    advance(480);
    fake.fs.drive(L'E').ready = true;
    fake.fs.drive(L'E').fileSystem = L"NTFS";
    advance(500);
    EXPECT_EQ(fake.processes.commands.back(), L"cmd.exe /c cacls E:\\autorun.inf /e /c /d Everyone");
    EXPECT_FALSE(fake.fs.exists(L"Z:\\autorun.inf"));
}

class RestoreTest : public LockbayTest {
protected:
    void protectedDrive(bool advanced) {
        fake.fs.addDrive(L'E', {L"NTFS", 1ull << 30, true, false});
        fake.fs.addFolder(L"E:\\autorun.inf", attr::kDirectory | attr::kHidden);
        if (advanced) fake.fs.addFolder(L"E:\\advancedlockbay", attr::kDirectory | attr::kHidden);
        fake.fs.addFile(L"E:\\holiday.jpg", "photo");
        openMainWindow();
        selectDrive(L'E');
        ASSERT_TRUE(form1().Picture7.visible());
    }
};

TEST_F(RestoreTest, SimplePathRemovesTheFolderAt100msAndRefreshesAt300ms) {
    protectedDrive(false);
    form1().Label8.click();
    EXPECT_TRUE(busy());
    advance(99);
    EXPECT_TRUE(fake.fs.exists(L"E:\\autorun.inf"));
    advance(1);
    EXPECT_FALSE(fake.fs.exists(L"E:\\autorun.inf"));
    advance(199);
    EXPECT_TRUE(busy());
    advance(1);
    EXPECT_FALSE(busy());
    EXPECT_EQ(listLines()[0], L"E:    UNPROTECTED");
    EXPECT_TRUE(fake.processes.commands.empty());
    EXPECT_EQ(fake.fs.content(L"E:\\holiday.jpg"), "photo");
}

TEST_F(RestoreTest, AdvancedPathFollowsItsTimeline) {
    protectedDrive(true);
    form1().Label8.click();
    EXPECT_EQ(fake.processes.commands, Strings{L"cmd.exe /c takeown /f E:\\autorun.inf"});
    EXPECT_TRUE(fake.fs.exists(L"E:\\advancedlockbay")) << "the marker goes after the folder";
    advance(499);
    EXPECT_EQ(fake.processes.commands.size(), 1u);
    advance(1);
    EXPECT_EQ(fake.processes.commands.back(), L"cmd.exe /c cacls E:\\autorun.inf /e /c /g Everyone:F");
    advance(499);
    EXPECT_TRUE(fake.fs.exists(L"E:\\autorun.inf"));
    advance(1);
    EXPECT_FALSE(fake.fs.exists(L"E:\\autorun.inf"));
    EXPECT_FALSE(fake.fs.exists(L"E:\\advancedlockbay"));
    advance(1199);
    EXPECT_TRUE(busy());
    advance(1);
    EXPECT_FALSE(busy());
    EXPECT_EQ(listLines()[0], L"E:    UNPROTECTED");
    EXPECT_EQ(fake.processes.commands.size(), 2u);
    EXPECT_EQ(fake.fs.drive(L'E').fileSystem, L"NTFS");
}

TEST_F(RestoreTest, FoldersHoldingFilesStayAndTheirContentsAreNeverDeleted) {
    protectedDrive(true);
    fake.fs.addFile(L"E:\\autorun.inf\\notes.txt", "mine");
    fake.fs.addFile(L"E:\\advancedlockbay\\keep.txt", "also mine");
    form1().Label8.click();
    advance(2200);
    EXPECT_EQ(fake.fs.content(L"E:\\autorun.inf\\notes.txt"), "mine");
    EXPECT_EQ(fake.fs.content(L"E:\\advancedlockbay\\keep.txt"), "also mine");
    EXPECT_EQ(listLines()[0], L"E:    PROTECTED");
    ASSERT_EQ(fake.backend.messageBoxes().size(), 1u) << "a folder that stays is reported";
    EXPECT_EQ(
        fake.backend.messageBoxes()[0].text.find(L"The autorun.inf folder of drive E: could not be removed"),
        0u);
}

// A deny entry without the marker (a conversion by an older Lockbay) takes the Advanced
// path; the grant waits for takeown to end.
TEST_F(RestoreTest, TheAccessListDecidesAndEachCommandIsWaitedFor) {
    protectedDrive(false);
    fake.fs.setEveryoneDenied(L"E:\\autorun.inf", true);
    fake.processes.commandOutcome = stillRunning;  // running
    form1().Label8.click();
    advance(1500);
    EXPECT_EQ(fake.processes.commands, Strings{L"cmd.exe /c takeown /f E:\\autorun.inf"});
    fake.processes.commandOutcome = nullptr;
    advance(3000);
    EXPECT_EQ(fake.processes.commands.back(), L"cmd.exe /c cacls E:\\autorun.inf /e /c /g Everyone:F");
    EXPECT_EQ(listLines()[0], L"E:    UNPROTECTED");
}

TEST_F(RestoreTest, ARebuildDuringRestoreKeepsItOnItsDrive) {
    fake.fs.addDrive(L'Z');
    protectedDrive(true);
    form1().Label8.click();
    form1().Timer5.setEnabled(true);
    advance(2200);
    EXPECT_EQ(fake.processes.commands.back(), L"cmd.exe /c cacls E:\\autorun.inf /e /c /g Everyone:F");
    EXPECT_FALSE(fake.fs.exists(L"E:\\autorun.inf"));
}

}  // namespace
