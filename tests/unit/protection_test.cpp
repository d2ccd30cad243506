// Protect, the free-space dialog with the NTFS conversion, and Restore: what ends up
// on the drive, the command lines to the character, and when each step runs.
#include <string>
#include <vector>

#include "lockbay_fixture.h"
#include "lockbay/protection/protection.h"
#include "cli/drive_operations.h"
#include "lockbay/protection/drive_status.h"
#include "watch/core/drive_arrival.h"

namespace {

namespace attr = platform::attr;
using Answer = platform::ui::Backend::Answer;
using Strings = std::vector<std::wstring>;

constexpr std::uint64_t kNineMegabytes = 9ull * 1024 * 1024;  // 9,437,184 bytes

class ProtectTest : public LockbayTest {
protected:
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
    EXPECT_TRUE(hiddenFolder(L"E:\\advancedlockbay"));
    advance(500);
    EXPECT_FALSE(busy());
    EXPECT_EQ(lineOfE(), L"E:    PROTECTED");
}

TEST_F(ProtectTest, FileSystemNameMustBeNtfsExactly) {
    selectE(L"ntfs");
    protect(true);
    EXPECT_EQ(fake.processes.commands, Strings{L"cmd.exe /c convert E: /FS:NTFS /X "});
    EXPECT_FALSE(fake.fs.exists(L"E:\\advancedlockbay"));
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
    EXPECT_FALSE(form.Timer2.enabled());
    advance(499);
    EXPECT_TRUE(busy());
    advance(1);
    EXPECT_FALSE(busy());
    EXPECT_EQ(lineOfE(), L"E:    PROTECTED");
    EXPECT_FALSE(fake.fs.exists(L"E:\\advancedlockbay")) << "a converted drive gets no marker";
}

TEST_F(ProtectTest, WatchEndsWhenTheConversionFinishedBetweenTwoTicks) {
    selectE(L"FAT32");
    fake.processes.onCommand = [&](const std::wstring& line) {
        if (line.find(L"convert") != std::wstring::npos) fake.fs.drive(L'E').fileSystem = L"NTFS";
    };
    protect(true);
    advance(500);
    EXPECT_EQ(fake.processes.commands.back(), L"cmd.exe /c cacls E:\\autorun.inf /e /c /d Everyone");
    advance(500);
    EXPECT_FALSE(busy());
}

TEST_F(ProtectTest, WatchGivesUpAfterThirtyMinutesAndTellsTheUser) {
    auto& form = selectE(L"FAT32");
    protect(true);  // the conversion never happens: the drive stays FAT32 and ready
    advance(30 * 60 * 1000 - 500);
    EXPECT_TRUE(fake.backend.messageBoxes().empty());
    EXPECT_TRUE(form.Timer2.enabled());
    advance(500);
    ASSERT_EQ(fake.backend.messageBoxes().size(), 1u);
    const std::wstring& text = fake.backend.messageBoxes()[0].text;
    EXPECT_NE(text.find(L"E: to NTFS finish within 30 minutes"), std::wstring::npos) << text;
    // The folder was made before the conversion: the advice is to restore and protect again.
    EXPECT_NE(text.find(L"keeps its Simple protection"), std::wstring::npos) << text;
    EXPECT_NE(text.find(L"click Restore"), std::wstring::npos) << text;
    EXPECT_EQ(fake.backend.messageBoxes()[0].title, L"Lockbay");
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
        local.advance(500);
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
    EXPECT_FALSE(fake.fs.exists(L"E:\\autorun.inf"));
    EXPECT_FALSE(form1().Timer4.enabled());
    advance(100);
    EXPECT_FALSE(busy());
    EXPECT_EQ(lineOfE(), L"E:    UNPROTECTED");
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

TEST_F(RetryTest, AdvancedOnNtfsAppliesTheDenyWithTheFileStillThere) {
    fake.fs.drive(L'E').fileSystem = L"NTFS";
    fake.backend.onMessageBox = [](const auto&) { return Answer::Cancel; };
    protect(true);
    EXPECT_EQ(fake.processes.commands, (Strings{L"cmd.exe /c cacls E:\\autorun.inf /e /c /g Everyone:F",
                                                L"cmd.exe /c cacls E:\\autorun.inf /e /c /d Everyone "}));
    EXPECT_TRUE(fake.fs.isFolder(L"E:\\advancedlockbay"));
    EXPECT_TRUE(form1().Timer4.enabled());
}

// An Advanced protection of a FAT drive whose infected file could only be removed by the
// retry step: the retry's refresh comes while the conversion is still being watched. The
// window stays busy (so no second operation can take the watch over) until the deny
// command for E has been started.
TEST_F(RetryTest, TheRetryRefreshKeepsTheWindowBusyWhileTheConversionIsWatched) {
    for (bool throughFreeSpaceDialog : {false, true}) {
        SCOPED_TRACE(throughFreeSpaceDialog);
        fakes::FakePlatform local;
        local.fs.addDrive(L'C');
        local.fs.addDrive(L'E', {L"FAT32", throughFreeSpaceDialog ? 1024u : 1ull << 30, true, false});
        local.fs.addDrive(L'F');
        local.fs.addFile(L"E:\\autorun.inf", "[autorun]");
        local.fs.undeletable.insert(L"E:\\AUTORUN.INF");
        lockbay::LockbayApp localApp(local.platform);
        auto& form = localApp.form1();
        const auto busyNow = [&] { return form.waitt.visible() && !form.List1.visible() && !form.Picture6.visible(); };
        form.show();
        form.List1.select(0);
        form.Label2.click();
        form.Label7.click();
        if (throughFreeSpaceDialog) {
            local.fs.drive(L'E').freeBytes = 1ull << 30;  // the user frees some space
            localApp.freeSpaceDialog().Label4.click();
        }
        ASSERT_TRUE(form.Timer2.enabled());
        local.fs.undeletable.clear();  // the grant command made the file deletable
        local.advance(2100);           // the retry deletes it; its refresh follows 100 ms later
        EXPECT_FALSE(local.fs.exists(L"E:\\autorun.inf"));
        EXPECT_TRUE(busyNow()) << "the conversion of E is still being watched";
        local.fs.drive(L'E').ready = false;  // the conversion takes the drive
        local.advance(500);
        local.fs.drive(L'E').ready = true;
        local.advance(500);
        EXPECT_EQ(local.processes.commands.back(), L"cmd.exe /c cacls E:\\autorun.inf /e /c /d Everyone");
        EXPECT_TRUE(busyNow());
        local.advance(500);
        EXPECT_FALSE(busyNow());
        EXPECT_TRUE(form.List1.visible());
    }
}

TEST_F(ProtectTest, AConversionThatCannotStartEndsTheOperationAtOnce) {
    selectE(L"FAT32");
    fake.processes.failCommands = true;
    protect(true);
    EXPECT_FALSE(form1().Timer2.enabled()) << "nothing to watch";
    ASSERT_EQ(fake.backend.messageBoxes().size(), 1u);
    const std::wstring& text = fake.backend.messageBoxes()[0].text;
    EXPECT_NE(text.find(L"E: to NTFS could not be started:\nThe system cannot find the file specified."),
              std::wstring::npos)
        << text;
    EXPECT_NE(text.find(L"keeps its Simple protection"), std::wstring::npos) << text;
    advance(500);
    EXPECT_FALSE(busy());
    EXPECT_EQ(lineOfE(), L"E:    PROTECTED");
}

TEST_F(RetryTest, AConversionThatNeverFinishesOnADriveWithoutTheFolderSaysItIsNotProtected) {
    fake.backend.onMessageBox = [](const auto& call) {
        return call.buttons == platform::ui::Backend::Buttons::RetryCancel ? Answer::Cancel : Answer::Ok;
    };
    protect(true);
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
    EXPECT_TRUE(hiddenFolder(L"E:\\advancedlockbay"));
    advance(500);
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
    EXPECT_FALSE(fake.fs.exists(L"E:\\advancedlockbay"));
    advance(499);
    EXPECT_EQ(fake.processes.commands.size(), 1u);
    advance(1);
    EXPECT_EQ(fake.processes.commands.back(), L"cmd.exe /c cacls E:\\autorun.inf /e /c /g Everyone:F");
    advance(499);
    EXPECT_TRUE(fake.fs.exists(L"E:\\autorun.inf"));
    advance(1);
    EXPECT_FALSE(fake.fs.exists(L"E:\\autorun.inf"));
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
