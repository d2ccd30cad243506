// The main window and its drive list: which drives are listed, how each reads, what a
// selection offers, Refresh, the busy state, the mode switch and the press feedback.
#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

#include "drive_rules/computer_autorun.h"
#include "drive_rules/drive_status.h"
#include "lockbay_fixture.h"
#include "platform/encoding.h"

namespace {

namespace attr = platform::attr;
using fakes::FakeFileSystem;
using lockbay::Form1;

class MainWindowTest : public LockbayTest {};

// A list box has no text of its own: screen readers name it by the text of a label of
// its window (the drive list by the heading above it).
TEST_F(MainWindowTest, EveryListIsNamedByALabelOfItsWindow) {
    using platform::ui::ControlKind;
    auto& a = app();
    for (platform::ui::Form* form : std::vector<platform::ui::Form*>{
             &a.form1(), &a.form2(), &a.form3(), &a.freeSpaceDialog(), &a.dialog(), &a.splash()}) {
        for (const platform::ui::Control* list : form->controls()) {
            if (list->design().kind != ControlKind::ListBox) continue;
            const wchar_t* heading = list->design().labelledBy;
            ASSERT_NE(heading, nullptr) << "list " << platform::toUtf8(list->name()) << " has no name";
            const auto& all = form->controls();
            EXPECT_TRUE(std::any_of(all.begin(), all.end(),
                                    [&](const platform::ui::Control* label) {
                                        return std::wcscmp(label->name(), heading) == 0 &&
                                               label->design().kind == ControlKind::Label;
                                    }))
                << platform::toUtf8(heading) << " is no label of the window of "
                << platform::toUtf8(list->name());
        }
    }
    EXPECT_EQ(std::wstring(a.form1().List1.design().labelledBy), L"Label1");
}

TEST_F(MainWindowTest, StatusOfADriveRootFollowsItsAutorunEntry) {
    struct Case {
        const char* what;
        bool folder;
        std::uint32_t attributes;
        lockbay::DriveStatus expected;
    };
    const Case cases[] = {
        {"folder", true, attr::kDirectory, lockbay::DriveStatus::Protected},
        {"hidden system folder", true, attr::kDirectory | attr::kHidden | attr::kSystem,
         lockbay::DriveStatus::Protected},
        {"plain file", false, attr::kArchive, lockbay::DriveStatus::Infected},
        {"read-only file", false, attr::kReadOnly, lockbay::DriveStatus::Infected},
        {"hidden file", false, attr::kHidden, lockbay::DriveStatus::Infected},
        {"system file", false, attr::kSystem | attr::kArchive, lockbay::DriveStatus::Infected},
    };
    for (const Case& c : cases) {
        FakeFileSystem fs;
        fs.addDrive(L'E');
        if (c.folder) {
            fs.addFolder(L"E:\\autorun.inf", c.attributes);
        } else {
            fs.addFile(L"E:\\autorun.inf", "[autorun]", c.attributes);
        }
        EXPECT_EQ(lockbay::classifyDrive(fs, L'E'), c.expected) << c.what;
    }
    FakeFileSystem empty;
    empty.addDrive(L'E');
    EXPECT_EQ(lockbay::classifyDrive(empty, L'E'), lockbay::DriveStatus::Unprotected);
}

TEST_F(MainWindowTest, ListsEveryWritableDriveButTheFirstInLetterOrder) {
    fake.fs.addDrive(L'H');
    fake.fs.addFile(L"H:\\autorun.inf", "", attr::kHidden);
    fake.fs.addDrive(L'E');
    fake.fs.addFolder(L"E:\\autorun.inf", attr::kDirectory | attr::kHidden);
    fake.fs.addDrive(L'G');
    fake.fs.addDrive(L'F');
    fake.fs.addFile(L"F:\\autorun.inf", "[autorun]\r\nopen=virus.exe\r\n");
    openMainWindow();
    EXPECT_EQ(listLines(), (std::vector<std::wstring>{L"E:    PROTECTED", L"F:    INFECTED", L"G:    UNPROTECTED",
                                                      L"H:    INFECTED"}));
    // After a rebuild the current drive is the last drive of the system list.
    EXPECT_EQ(form1().d, L"H");
}

TEST_F(MainWindowTest, LeavesOutReadOnlyNotReadyAndSingleDriveSystems) {
    openMainWindow();
    EXPECT_TRUE(listLines().empty()) << "C: alone is never listed";

    fake.fs.addDrive(L'D', {L"CDFS", 0, true, true});   // a CD
    fake.fs.addDrive(L'E', {L"FAT32", 0, false, false});  // a card reader without a card
    fake.fs.addDrive(L'F');
    // A mapped drive whose server is away: asked off the window's thread, within a second.
    fake.fs.addDrive(L'N',
                     {L"NTFS", 1 << 30, true, false, {platform::DriveKind::Network, false, L""}, false});
    form1().Label4.click();  // Refresh
    EXPECT_EQ(listLines(), (std::vector<std::wstring>{L"F:    UNPROTECTED"}));
    EXPECT_EQ(fake.fs.answerTimeouts.back(), 1000);
}

TEST_F(MainWindowTest, TheWriteProbeLeavesNothingBehindAndNeverRemovesTheUsersFolder) {
    fake.fs.addDrive(L'E');
    fake.fs.addDrive(L'G');
    fake.fs.addFolder(L"G:\\a");
    openMainWindow();
    EXPECT_EQ(listLines(), (std::vector<std::wstring>{L"E:    UNPROTECTED", L"G:    UNPROTECTED"}));
    EXPECT_FALSE(fake.fs.exists(L"E:\\a"));
    EXPECT_TRUE(fake.fs.isFolder(L"G:\\a"));
    // The probe folder was made and removed on E:, never removed on G:.
    const auto& calls = fake.fs.calls;
    EXPECT_NE(std::find(calls.begin(), calls.end(), L"removeDirectory E:\\A"), calls.end());
    EXPECT_EQ(std::find(calls.begin(), calls.end(), L"removeDirectory G:\\A"), calls.end());
}

TEST_F(MainWindowTest, LinesCarryTheCurrentStatusWords) {
    fake.fs.addDrive(L'E');
    fake.fs.addFolder(L"E:\\autorun.inf");
    fake.fs.addDrive(L'F');
    fake.fs.addFile(L"F:\\autorun.inf");
    fake.fs.addDrive(L'G');
    form1().st1 = L"GESCH\u00dcTZT";
    form1().st2 = L"INFIZIERT";
    form1().st3 = L"";
    openMainWindow();
    EXPECT_EQ(listLines(), (std::vector<std::wstring>{L"E:    GESCH\u00dcTZT", L"F:    INFIZIERT", L"G:    "}));
}

TEST_F(MainWindowTest, NothingIsOfferedUntilALineIsSelected) {
    fake.fs.addDrive(L'E');
    auto& form = openMainWindow();
    EXPECT_EQ(form.List1.selectedIndex(), -1);
    EXPECT_FALSE(form.Picture6.visible());
    EXPECT_FALSE(form.Picture7.visible());
    EXPECT_FALSE(form.Picture1.visible());
    EXPECT_FALSE(form.Picture2.visible());
    EXPECT_TRUE(form.List1.visible());
    EXPECT_TRUE(form.Label1.visible());
    EXPECT_TRUE(form.Picture15.visible());
    EXPECT_FALSE(form.waitt.visible());
    EXPECT_EQ(form.List1.backColor().r, 255);
}

TEST_F(MainWindowTest, SelectingAProtectedDriveOffersRestoreAndKeepsTheMode) {
    fake.fs.addDrive(L'E');
    fake.fs.addFolder(L"E:\\autorun.inf");
    fake.fs.addDrive(L'F');
    auto& form = openMainWindow();
    selectDrive(L'F');
    form.Label2.click();  // Advanced
    ASSERT_TRUE(form.adv);
    selectDrive(L'E');
    EXPECT_EQ(form.d, L"E");
    EXPECT_TRUE(form.Picture7.visible());
    EXPECT_FALSE(form.Picture6.visible());
    EXPECT_FALSE(form.Picture1.visible());
    EXPECT_FALSE(form.Picture2.visible());
    EXPECT_TRUE(form.adv);
}

TEST_F(MainWindowTest, SelectingAnyOtherDriveOffersProtectInSimpleMode) {
    fake.fs.addDrive(L'F');
    fake.fs.addFile(L"F:\\autorun.inf");
    fake.fs.addDrive(L'G');
    auto& form = openMainWindow();
    selectDrive(L'G');
    form.Label2.click();
    EXPECT_TRUE(form.Picture2.visible());
    EXPECT_FALSE(form.Picture1.visible());
    selectDrive(L'F');
    EXPECT_EQ(form.d, L"F");
    EXPECT_TRUE(form.Picture6.visible());
    EXPECT_FALSE(form.Picture7.visible());
    EXPECT_TRUE(form.Picture1.visible());
    EXPECT_FALSE(form.Picture2.visible());
    EXPECT_FALSE(form.adv);
}

TEST_F(MainWindowTest, SelectionChecksTheDiskAfresh) {
    fake.fs.addDrive(L'E');
    fake.fs.addDrive(L'F');
    fake.fs.addFolder(L"F:\\autorun.inf");
    auto& form = openMainWindow();
    // Protected by someone else since the rebuild: the line is stale, the offer is not.
    fake.fs.addFolder(L"E:\\autorun.inf");
    selectDrive(L'E');
    EXPECT_EQ(listLines()[0], L"E:    UNPROTECTED");
    EXPECT_TRUE(form.Picture7.visible());
    // A drive that has gone since the rebuild counts as not protected.
    fake.fs.removeDrive(L'F');
    selectDrive(L'F');
    EXPECT_TRUE(form.Picture6.visible());
    EXPECT_TRUE(form.Picture1.visible());
    EXPECT_FALSE(form.Picture7.visible());
}

TEST_F(MainWindowTest, RefreshRereadsTheSystemDrivesAndDropsTheSelection) {
    fake.fs.addDrive(L'E');
    fake.fs.addDrive(L'F');
    auto& form = openMainWindow();
    selectDrive(L'E');
    fake.fs.removeDrive(L'F');
    fake.fs.addDrive(L'K');
    // Other rebuilds use the drives known so far: the new stick is not seen yet.
    form.loadlist();
    EXPECT_EQ(listLines(), (std::vector<std::wstring>{L"E:    UNPROTECTED"}));
    selectDrive(L'E');
    form.Label4.click();
    EXPECT_EQ(listLines(), (std::vector<std::wstring>{L"E:    UNPROTECTED", L"K:    UNPROTECTED"}));
    EXPECT_EQ(form.List1.selectedIndex(), -1);
    EXPECT_FALSE(form.Picture6.visible());
    EXPECT_FALSE(form.Picture1.visible());
}

TEST_F(MainWindowTest, BusyStateHidesTheWorkingAreaUntilTheRefreshStep) {
    fake.fs.addDrive(L'E');
    auto& form = openMainWindow();
    selectDrive(L'E');
    form.hidem();
    form.waitt.setVisible(true);
    for (auto* control : {&form.Picture6, &form.Picture7, &form.Picture1, &form.Picture2,
                          static_cast<platform::ui::Control*>(&form.List1), &form.Label1, &form.Picture15}) {
        EXPECT_FALSE(control->visible()) << control->name();
    }
    // The language button, Program Support and the web link stay usable.
    EXPECT_TRUE(form.Image2.visible());
    EXPECT_TRUE(form.Picture12.visible());
    EXPECT_TRUE(form.Picture13.visible());

    // A rebuild while busy shows nothing.
    form.loadlist();
    EXPECT_TRUE(busy());

    form.Timer1.setInterval(300);
    form.Timer1.setEnabled(true);
    advance(299);
    EXPECT_TRUE(busy());
    advance(1);
    EXPECT_FALSE(form.waitt.visible());
    EXPECT_TRUE(form.List1.visible());
    EXPECT_TRUE(form.Label1.visible());
    EXPECT_TRUE(form.Picture15.visible());
    EXPECT_FALSE(form.Timer1.enabled());
    EXPECT_EQ(form.List1.selectedIndex(), -1);
}

TEST_F(MainWindowTest, ModeSwitchTogglesThePanelsAndTheMode) {
    fake.fs.addDrive(L'E');
    auto& form = openMainWindow();
    selectDrive(L'E');
    form.Label2.click();
    EXPECT_TRUE(form.adv);
    EXPECT_TRUE(form.Picture2.visible());
    EXPECT_FALSE(form.Picture1.visible());
    form.Label3.click();
    EXPECT_FALSE(form.adv);
    EXPECT_TRUE(form.Picture1.visible());
    EXPECT_FALSE(form.Picture2.visible());
}

TEST_F(MainWindowTest, PressFeedbackBordersTheBoxWhileTheButtonIsHeld) {
    auto& form = openMainWindow();
    struct Pair {
        platform::ui::Control* pressed;
        platform::ui::Control* bordered;
    };
    const Pair pairs[] = {{&form.Image2, &form.Image2}, {&form.Label9, &form.Picture12},
                          {&form.Label10, &form.Picture13}, {&form.Label4, &form.Picture15},
                          {&form.Label7, &form.Picture6}, {&form.Label8, &form.Picture7}};
    for (const Pair& pair : pairs) {
        pair.pressed->raiseMouseDown();
        EXPECT_EQ(pair.bordered->border(), 1) << pair.pressed->name();
        // Released elsewhere: no click, but the border goes.
        pair.pressed->raiseMouseUp();
        EXPECT_EQ(pair.bordered->border(), 0) << pair.pressed->name();
    }
}

TEST_F(MainWindowTest, WebLinkOpensTheSiteAndTheWindowStaysAsItIs) {
    auto& form = openMainWindow();
    form.Label10.click();
    // With the signed-in user's own rights, not Lockbay's raised ones.
    EXPECT_EQ(fake.processes.webPages, std::vector<std::wstring>{L"http://www.lockbay.example/"});
    EXPECT_TRUE(fake.processes.shellOpens.empty());
    EXPECT_TRUE(form.visible());
    fake.processes.failShellOpen = true;
    form.Label10.click();  // a failure is not reported
    EXPECT_TRUE(fake.backend.messageBoxes().empty());
}

TEST_F(MainWindowTest, ClosingTheMainWindowEndsTheProgramBeforeAnyPendingStep) {
    fake.fs.addDrive(L'E');
    auto& form = openMainWindow();
    selectDrive(L'E');
    form.Label7.click();  // Protect: refresh due at 500 ms
    form.closeRequested();
    EXPECT_TRUE(fake.backend.ended());
    advance(1000);
    EXPECT_TRUE(form.waitt.visible()) << "no step runs after the end";
}

// ---- The live list: drives plugged in or pulled out while the window is open ----------

using platform::ui::DriveChange;

void announce(fakes::FakePlatform& fake, DriveChange::Kind kind, std::vector<wchar_t> drives) {
    fake.backend.broadcastDriveChange(DriveChange{kind, std::move(drives)});
}

std::size_t driveListReads(const fakes::FakeFileSystem& fs) {
    return static_cast<std::size_t>(std::count(fs.calls.begin(), fs.calls.end(), L"drives"));
}

TEST_F(MainWindowTest, FollowsDrivesPluggedInAndPulledOutWithOneRebuildPerBurst) {
    fake.fs.addDrive(L'E');
    auto& form = openMainWindow();
    selectDrive(L'E');
    const std::size_t readsBefore = driveListReads(fake.fs);

    // A stick with two volumes, then a third message while the list still waits.
    fake.fs.addDrive(L'F');
    fake.fs.addFolder(L"F:\\autorun.inf");
    fake.fs.addDrive(L'G');
    announce(fake, DriveChange::Kind::Arrived, {L'F'});
    advance(Form1::kDriveChangeSettleMs - 1);
    announce(fake, DriveChange::Kind::Arrived, {L'G'});
    advance(Form1::kDriveChangeSettleMs - 1);
    EXPECT_EQ(listLines(), (std::vector<std::wstring>{L"E:    UNPROTECTED"})) << "still within the burst";
    advance(1);
    EXPECT_EQ(listLines(),
              (std::vector<std::wstring>{L"E:    UNPROTECTED", L"F:    PROTECTED", L"G:    UNPROTECTED"}));
    EXPECT_EQ(driveListReads(fake.fs), readsBefore + 1) << "one rebuild for the burst";
    // Like Refresh, the rebuild drops the selection and the actions it offered.
    EXPECT_EQ(form.List1.selectedIndex(), -1);
    EXPECT_FALSE(form.Picture6.visible());
    EXPECT_FALSE(form.Timer7.enabled());

    fake.fs.removeDrive(L'E');
    announce(fake, DriveChange::Kind::Removed, {L'E'});
    advance(Form1::kDriveChangeSettleMs);
    EXPECT_EQ(listLines(), (std::vector<std::wstring>{L"F:    PROTECTED", L"G:    UNPROTECTED"}));
    advance(5000);
    EXPECT_EQ(driveListReads(fake.fs), readsBefore + 2) << "no rebuild without a change";
}

TEST_F(MainWindowTest, ADriveChangeDuringAnOperationWaitsForItsRefreshStep) {
    fake.fs.addDrive(L'E');
    auto& form = openMainWindow();
    selectDrive(L'E');
    form.Label7.click();  // Protect (Simple): the refresh step comes at 500 ms
    fake.fs.addDrive(L'F');
    announce(fake, DriveChange::Kind::Arrived, {L'F'});
    advance(Form1::kDriveChangeSettleMs);
    EXPECT_TRUE(busy());
    EXPECT_EQ(listLines(), (std::vector<std::wstring>{L"E:    UNPROTECTED"})) << "not rebuilt while busy";
    advance(500 - Form1::kDriveChangeSettleMs);
    EXPECT_FALSE(busy());
    EXPECT_EQ(listLines(), (std::vector<std::wstring>{L"E:    PROTECTED", L"F:    UNPROTECTED"}))
        << "the refresh step reads the drives afresh";
}

}  // namespace

// ---- The computer's AutoRun line ---------------------------------------------------------

namespace {

bool overlap(const platform::ui::Rect& a, const platform::ui::Rect& b) {
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

class AutoRunLineTest : public LockbayTest {};

TEST_F(AutoRunLineTest, TheLineOverlapsNoOtherControlOfTheWindow) {
    lockbay::Form1& form = openMainWindow();
    for (const platform::ui::Control* line :
         {static_cast<platform::ui::Control*>(&form.Label11), &form.Picture16}) {
        const auto& rect = line->design().rect;
        EXPECT_LE(rect.x + rect.width, form.design().clientWidth);
        for (const platform::ui::Control* other : form.controls()) {
            if (other == &form.Label11 || other == &form.Picture16 || other->parent() != nullptr) continue;
            EXPECT_FALSE(overlap(rect, other->design().rect))
                << "overlaps " << platform::toUtf8(other->name());
        }
    }
}

TEST_F(AutoRunLineTest, ElevatedTheActionSwitchesAutoRunItselfAndBack) {
    fake.program.isElevated = true;
    lockbay::Form1& form = openMainWindow();
    const auto before = fake.registry.keys();
    EXPECT_EQ(form.Label11.text(), L"This computer: AutoRun is on");
    form.Label12.click();
    EXPECT_EQ(form.Label11.text(), L"This computer: AutoRun is off");
    EXPECT_EQ(form.Label12.text(), L"Turn on");
    EXPECT_TRUE(lockbay::readComputerAutoRun(fake.registry).off);
    form.Label12.click();
    EXPECT_EQ(form.Label12.text(), L"Turn off");
    EXPECT_TRUE(fake.registry.keys() == before);
    EXPECT_TRUE(fake.processes.elevatedStarts.empty());
}

TEST_F(AutoRunLineTest, WithoutRightsTheCommandLineIsStartedElevatedAndAwaited) {
    fake.program.isElevated = false;
    lockbay::Form1& form = openMainWindow();
    form.Label12.click();
    EXPECT_EQ(fake.processes.elevatedStarts,
              std::vector<std::wstring>{L"C:\\Program Files\\Lockbay\\lockbay-cli.exe computer protect"});
    EXPECT_FALSE(form.Picture16.visible());  // no second start while it runs
    advance(1000);
    EXPECT_EQ(form.Label11.text(), L"This computer: AutoRun is on");
    // The command line turns AutoRun off and ends: the line shows the new state.
    ASSERT_EQ(lockbay::turnComputerAutoRunOff(fake.registry), lockbay::AutoRunChange::Done);
    fake.processes.elevatedExitCode = 0;
    advance(250);
    EXPECT_EQ(form.Label11.text(), L"This computer: AutoRun is off");
    EXPECT_TRUE(form.Picture16.visible());
    EXPECT_TRUE(fake.backend.messageBoxes().empty());

    // It failed (exit code 3: it got no rights after all): the user is told.
    fake.processes.elevatedExitCode.reset();
    form.Label12.click();
    EXPECT_EQ(fake.processes.elevatedStarts.back(),
              L"C:\\Program Files\\Lockbay\\lockbay-cli.exe computer restore");
    fake.processes.elevatedExitCode = 3;
    advance(250);
    ASSERT_EQ(fake.backend.messageBoxes().size(), 1u);
    EXPECT_EQ(fake.backend.messageBoxes()[0].text, L"This computer's AutoRun setting was not changed.");
    EXPECT_EQ(form.Label11.text(), L"This computer: AutoRun is off");

    // The user declined the system's prompt: nothing to tell.
    fake.processes.declineElevation = true;
    form.Label12.click();
    EXPECT_EQ(fake.backend.messageBoxes().size(), 1u);
}

TEST_F(AutoRunLineTest, AutoRunThatLockbayDidNotTurnOffOffersNoAction) {
    ASSERT_EQ(lockbay::turnComputerAutoRunOff(fake.registry), lockbay::AutoRunChange::Done);
    fake.registry.remove(platform::RegistryRoot::LocalMachine, lockbay::kSavedAutoRunKey, L"Own new keys");
    lockbay::Form1& form = openMainWindow();
    EXPECT_EQ(form.Label11.text(), L"This computer: AutoRun is off");
    EXPECT_FALSE(form.Picture16.visible());
}

}  // namespace
