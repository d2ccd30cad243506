// Protect, the free-space dialog with the NTFS conversion, and Restore: what ends up
// on the drive, the command lines to the character, and when each step runs.
#include "lockbay/protection/protection.h"

#include <string>
#include <vector>

#include "lockbay_fixture.h"

namespace {

namespace attr = platform::attr;
using Answer = platform::ui::Backend::Answer;
using Strings = std::vector<std::wstring>;

constexpr std::uint64_t kNineMegabytes = 9ull * 1024 * 1024;  // 9,437,184 bytes

class ProtectTest : public LockbayTest {
protected:
    // The user answers Yes when asked whether a drive may be converted.
    ProtectTest() {
        fake.backend.onMessageBox = [](const auto& call) {
            return call.buttons == platform::ui::Backend::Buttons::YesNo ? Answer::Yes : Answer::Ok;
        };
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

// The group is named as Windows names S-1-1-0; the marker follows only a deny entry that
// reads back, otherwise the user hears that the drive has Simple protection.
TEST_F(ProtectTest, TheDenyNamesTheSystemsGroupAndOnlyAnEntryThatReadsBackGetsTheMarker) {
    struct Row {
        const wchar_t* group;
        bool entryWritten;
        const wchar_t* command;
    };
    for (const Row& row :
         {Row{L"Tout le monde", true, L"cmd.exe /c cacls E:\\autorun.inf /e /c /d \"Tout le monde\" "},
          Row{L"Jeder", false, L"cmd.exe /c cacls E:\\autorun.inf /e /c /d Jeder "}}) {
        fakes::FakePlatform local;
        local.fs.addDrive(L'C');
        local.fs.addDrive(L'E', {L"NTFS", 1ull << 30, true, false});
        local.fs.everyoneName = row.group;
        if (!row.entryWritten) local.processes.accessLists = nullptr;  // cacls found no such group
        lockbay::LockbayApp localApp(local.platform);
        auto& form = localApp.form1();
        form.show();
        form.List1.select(0);
        form.Label2.click();
        form.Label7.click();
        local.advance(600);
        EXPECT_EQ(local.processes.commands, Strings{row.command});
        EXPECT_EQ(local.fs.exists(L"E:\\advancedlockbay"), row.entryWritten) << row.group;
        EXPECT_EQ(local.backend.messageBoxes().size(), row.entryWritten ? 0u : 1u);
        if (!row.entryWritten) {
            EXPECT_EQ(local.backend.messageBoxes()[0].text.find(
                          L"Advanced protection could not be applied to drive E:"),
                      0u);
        }
        EXPECT_EQ(form.List1.items()[0], L"E:    PROTECTED");
    }
}

// convert refuses every file system but FAT and FAT32: nothing changes, the user is told.
TEST_F(ProtectTest, AFileSystemThatConvertRefusesIsRefusedBeforeAnythingChanges) {
    for (const wchar_t* fileSystem : {L"exFAT", L"ntfs", L"UDF"}) {
        fakes::FakePlatform local;
        local.fs.addDrive(L'C');
        local.fs.addDrive(L'E', {fileSystem, 1ull << 30, true, false});
        local.fs.addFile(L"E:\\autorun.inf", "[autorun]");
        lockbay::LockbayApp localApp(local.platform);
        auto& form = localApp.form1();
        form.show();
        form.List1.select(0);
        form.Label2.click();
        form.Label7.click();
        ASSERT_EQ(local.backend.messageBoxes().size(), 1u) << fileSystem;
        EXPECT_EQ(local.backend.messageBoxes()[0].text.find(std::wstring(L"Drive E: uses ") + fileSystem),
                  0u);
        local.advance(500);
        EXPECT_EQ(form.List1.items()[0], L"E:    INFECTED") << "the file is still there";
        EXPECT_TRUE(local.processes.commands.empty());
    }
}

TEST_F(ProtectTest, AdvancedOnFatConvertsAndDeniesOnceConvertHasEnded) {
    auto& form = selectE(L"FAT32");
    fake.fs.drive(L'E').details.label = L"MYSTICK";
    // convert takes the drive away and runs until the test ends it, as NTFS.
    bool converting = true;
    fake.processes.commandOutcome = [&](const std::wstring& line) {
        const bool running = converting && line.find(L"convert") != std::wstring::npos;
        return platform::CommandResult{
            running ? platform::CommandResult::Outcome::TimedOut : platform::CommandResult::Outcome::Finished,
            0,
            {}};
    };
    fake.processes.onCommand = [&](const std::wstring& line) {
        if (line.find(L"convert") != std::wstring::npos) fake.fs.drive(L'E').ready = false;
    };
    protect(true);
    ASSERT_EQ(fake.backend.messageBoxes().size(), 1u);
    EXPECT_EQ(fake.backend.messageBoxes()[0].text.find(L"Converting drive E: to NTFS takes it off-line"), 0u);
    EXPECT_TRUE(hiddenFolder(L"E:\\autorun.inf"));
    EXPECT_EQ(fake.processes.commands, Strings{L"cmd.exe /c convert E: /FS:NTFS /X "});
    EXPECT_EQ(fake.processes.inputs[L"cmd.exe /c convert E: /FS:NTFS /X "], L"MYSTICK\r\n")
        << "the label it asks for";
    advance(500);
    EXPECT_TRUE(form.ok) << "the watch saw the drive go away";
    fake.fs.drive(L'E').ready = true;
    advance(1000);
    EXPECT_EQ(fake.processes.commands.size(), 1u) << "a drive back while convert runs is not the end";
    converting = false;
    fake.fs.drive(L'E').fileSystem = L"NTFS";
    advance(500);
    EXPECT_EQ(fake.processes.commands.back(), L"cmd.exe /c cacls E:\\autorun.inf /e /c /d Everyone");
    advance(500);
    EXPECT_TRUE(hiddenFolder(L"E:\\advancedlockbay")) << "a converted drive gets the marker too";
    EXPECT_TRUE(busy());
    advance(100);
    EXPECT_FALSE(busy());
    EXPECT_EQ(lineOfE(), L"E:    PROTECTED");
}

// convert refuses (no rights, a drive it cannot lock) or ends without an NTFS drive: the
// user is told at once, and nothing is denied on a FAT drive.
TEST_F(ProtectTest, AConversionThatFailsIsToldAtOnce) {
    for (std::uint32_t exitCode : {1u, 0u}) {
        fakes::FakePlatform local;
        local.fs.addDrive(L'C');
        local.fs.addDrive(L'E', {L"FAT32", 1ull << 30, true, false});
        local.processes.commandOutcome = [exitCode](const std::wstring&) {
            return platform::CommandResult{platform::CommandResult::Outcome::Finished, exitCode, {}};
        };
        local.backend.onMessageBox = fake.backend.onMessageBox;
        lockbay::LockbayApp localApp(local.platform);
        auto& form = localApp.form1();
        form.show();
        form.List1.select(0);
        form.Label2.click();
        form.Label7.click();
        local.advance(500);
        ASSERT_EQ(local.backend.messageBoxes().size(), 2u);
        const std::wstring& text = local.backend.messageBoxes()[1].text;
        EXPECT_NE(text.find(L"exit code " + std::to_wstring(exitCode) + L", and the drive reads as FAT32"),
                  std::wstring::npos)
            << text;
        EXPECT_NE(text.find(L"keeps its Simple protection"), std::wstring::npos) << text;
        EXPECT_EQ(local.processes.commands.size(), 1u) << "no deny on a FAT drive";
        local.advance(500);
        EXPECT_FALSE(form.waitt.visible());
    }
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
    fake.processes.commandOutcome = [](const std::wstring&) {
        return platform::CommandResult{platform::CommandResult::Outcome::TimedOut, 0, {}};
    };
    protect(true);  // convert never ends: the drive stays FAT32 and ready
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
    EXPECT_EQ(fake.processes.inputs[L"cmd.exe /c convert E: /FS:NTFS /X "], L"\r\n") << "no label to give";
    EXPECT_FALSE(app().freeSpaceDialog().visible());
}

TEST_F(ProtectTest, NoToTheConversionQuestionLeavesSimpleProtection) {
    selectE(L"FAT32");
    fake.backend.onMessageBox = [](const auto&) { return Answer::No; };
    protect(true);
    EXPECT_EQ(fake.backend.messageBoxes()[0].buttons, platform::ui::Backend::Buttons::YesNo);
    EXPECT_TRUE(fake.processes.commands.empty());
    advance(500);
    EXPECT_FALSE(busy());
    EXPECT_EQ(lineOfE(), L"E:    PROTECTED");
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
        local.advance(advanced ? 600 : 500);
        EXPECT_EQ(form.List1.items()[0], L"E:    PROTECTED");
        EXPECT_FALSE(form.Timer4.enabled());
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

// The deny never lands on the virus file: the Advanced steps wait for the folder, and a
// retry that is given up runs none of them.
TEST_F(RetryTest, AdvancedWaitsForTheRetryAndTheFolderBeforeTheDeny) {
    for (Answer answer : {Answer::Cancel, Answer::Retry}) {
        fakes::FakePlatform local;
        local.fs.addDrive(L'C');
        local.fs.addDrive(L'E', {L"NTFS", 1ull << 30, true, false});
        local.fs.addFile(L"E:\\autorun.inf", "[autorun]");
        local.fs.undeletable.insert(L"E:\\AUTORUN.INF");
        local.backend.onMessageBox = [&](const auto&) {
            local.fs.undeletable.clear();
            return answer;
        };
        lockbay::LockbayApp localApp(local.platform);
        auto& form = localApp.form1();
        form.show();
        form.List1.select(0);
        form.Label2.click();
        form.Label7.click();
        EXPECT_EQ(local.processes.commands, Strings{L"cmd.exe /c cacls E:\\autorun.inf /e /c /g Everyone:F"});
        local.advance(2000);
        const bool retried = answer == Answer::Retry;
        EXPECT_EQ(local.fs.isFolder(L"E:\\autorun.inf"), retried);
        EXPECT_EQ(local.processes.commands.size(), retried ? 2u : 1u);
        local.advance(600);
        EXPECT_EQ(local.fs.isFolder(L"E:\\advancedlockbay"), retried);
        EXPECT_EQ(form.List1.items()[0], retried ? L"E:    PROTECTED" : L"E:    INFECTED");
        EXPECT_FALSE(form.waitt.visible());
    }
}

// An Advanced protection of a FAT drive whose infected file could only be removed by the
// retry step: the folder and the conversion follow the retry, directly or through the
// free-space dialog, and the window stays busy until the deny entry is read back.
TEST_F(RetryTest, TheConversionFollowsTheRetryAndTheWindowStaysBusyUntilItsEnd) {
    for (bool throughFreeSpaceDialog : {false, true}) {
        SCOPED_TRACE(throughFreeSpaceDialog);
        fakes::FakePlatform local;
        local.fs.addDrive(L'C');
        local.fs.addDrive(L'E', {L"FAT32", throughFreeSpaceDialog ? 1024u : 1ull << 30, true, false});
        local.fs.addFile(L"E:\\autorun.inf", "[autorun]");
        local.fs.undeletable.insert(L"E:\\AUTORUN.INF");
        local.backend.onMessageBox = [](const auto&) { return Answer::Yes; };
        local.processes.onCommand = [&](const std::wstring& line) {
            if (line.find(L"convert") != std::wstring::npos) local.fs.drive(L'E').fileSystem = L"NTFS";
        };
        lockbay::LockbayApp localApp(local.platform);
        auto& form = localApp.form1();
        const auto busyNow = [&] {
            return form.waitt.visible() && !form.List1.visible() && !form.Picture6.visible();
        };
        form.show();
        form.List1.select(0);
        form.Label2.click();
        form.Label7.click();
        EXPECT_FALSE(form.Timer2.enabled()) << "no conversion while the file is there";
        local.fs.undeletable.clear();  // the grant command made the file deletable
        local.advance(2000);           // the retry deletes it; the folder follows
        EXPECT_TRUE(local.fs.isFolder(L"E:\\autorun.inf"));
        if (throughFreeSpaceDialog) {
            ASSERT_TRUE(localApp.freeSpaceDialog().visible());
            local.fs.drive(L'E').freeBytes = 1ull << 30;  // the user frees some space
            localApp.freeSpaceDialog().Label4.click();
        }
        EXPECT_EQ(local.processes.commands.back(), L"cmd.exe /c convert E: /FS:NTFS /X ");
        EXPECT_TRUE(busyNow());
        local.advance(500);
        EXPECT_EQ(local.processes.commands.back(), L"cmd.exe /c cacls E:\\autorun.inf /e /c /d Everyone");
        EXPECT_TRUE(busyNow());
        local.advance(600);
        EXPECT_FALSE(busyNow());
        EXPECT_TRUE(local.fs.isFolder(L"E:\\advancedlockbay"));
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

TEST_F(ProtectTest, ACommandThatCannotStartLeavesSimpleProtectionAndSaysSo) {
    selectE(L"NTFS");
    fake.processes.failCommands = true;
    protect(true);
    advance(600);
    EXPECT_FALSE(fake.fs.exists(L"E:\\advancedlockbay"));
    ASSERT_EQ(fake.backend.messageBoxes().size(), 1u);
    EXPECT_NE(fake.backend.messageBoxes()[0].text.find(L"The drive has Simple protection."),
              std::wstring::npos);
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

// Restore goes by the folder's access list as well as the marker: a drive protected
// through a conversion by an older Lockbay has no marker, but its access is given back.
// Each command is waited for before the next.
TEST_F(RestoreTest, ADenyEntryWithoutTheMarkerTakesTheAdvancedPathAndEachCommandIsWaitedFor) {
    protectedDrive(false);
    fake.fs.setEveryoneDenied(L"E:\\autorun.inf", true);
    bool takeownRunning = true;
    fake.processes.commandOutcome = [&](const std::wstring& line) {
        const bool running = takeownRunning && line.find(L"takeown") != std::wstring::npos;
        return platform::CommandResult{
            running ? platform::CommandResult::Outcome::TimedOut : platform::CommandResult::Outcome::Finished,
            0,
            {}};
    };
    form1().Label8.click();
    advance(1500);
    EXPECT_EQ(fake.processes.commands, Strings{L"cmd.exe /c takeown /f E:\\autorun.inf"});
    takeownRunning = false;
    advance(500);
    EXPECT_EQ(fake.processes.commands.back(), L"cmd.exe /c cacls E:\\autorun.inf /e /c /g Everyone:F");
    advance(500);
    EXPECT_FALSE(fake.fs.exists(L"E:\\autorun.inf"));
    advance(1200);
    EXPECT_FALSE(busy());
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
