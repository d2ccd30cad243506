// The main window: layout, timers, busy state, mode switch, press feedback and
// navigation. The drive list's rules live in protection/drive_status; Protect and
// Restore in protection/protection.
#include "lockbay/ui/form1.h"

#include <algorithm>
#include <cwctype>

#include "drive_rules/best_effort.h"
#include "drive_rules/computer_autorun.h"
#include "drive_rules/drive_status.h"
#include "lockbay/app/lockbay_app.h"
#include "lockbay/app/messages.h"
#include "lockbay/operations/protection.h"
#include "lockbay/ui/form2.h"
#include "lockbay/ui/form3.h"
#include "lockbay/ui/module1.h"
#include "lockbay/ui/widgets.h"
#include "product/identity.h"
#include "texts/language_file.h"

namespace lockbay {

using namespace platform::ui;

namespace {

// The AutoRun line and its action: below the drive list (which ends at 248) and Protect
// or Restore (at 241), above the mode panel (from 280), across the window's width.
constexpr Rect kAutoRunLineRect{8, 252, 368, 24};
constexpr Rect kAutoRunActionRect{384, 252, 112, 24};

// Layout at 96 dpi, in the order of the window's control table. Labels inside a
// picture box are placed in the box's coordinates.
const std::vector<ControlSpec>& layout() {
    static const std::vector<ControlSpec> table = {
        image(L"Image1", {120, 8, 250, 73}, Art::Logo),
        image(L"Image2", {384, 16, 106, 50}, Art::Flags, Pressable::Yes),
        label(L"Label1", {8, 96, 489, 25}, englishText(CaptionLine::kDriveListHeading), 14.25, kBlack),
        listBox(L"List1", {64, 136, 249, 112}, Font{L"Courier New", 14.25, true, true}, L"Label1"),
        label(L"waitt", {64, 144, 385, 65}, englishText(CaptionLine::kPleaseWait), 20.25, Color::windowText(),
              Visible::No),
        picture(L"Picture15", {328, 144, 118, 33}, Art::ButtonFace),
        button(L"Label4", {0, 0, 118, 33}, englishText(CaptionLine::kRefreshButton), 18,
               Color::inactiveBorder()),
        picture(L"Picture6", {328, 208, 118, 33}, Art::ButtonFace, Visible::No),
        button(L"Label7", {0, 0, 118, 33}, englishText(CaptionLine::kProtectButton), 18,
               Color::inactiveBorder()),
        picture(L"Picture7", {328, 208, 118, 33}, Art::ButtonFace, Visible::No),
        button(L"Label8", {0, 0, 118, 33}, englishText(CaptionLine::kRestoreButton), 18,
               Color::inactiveBorder()),
        picture(L"Picture1", {133, 280, 239, 33}, Art::ModeSimple, Visible::No),
        label(L"Label5", {0, 0, 108, 33}, englishText(CaptionLine::kSimpleMode), 18, kWhite),
        button(L"Label2", {107, 0, 132, 33}, englishText(CaptionLine::kAdvancedMode), 18, kLightGrey),
        picture(L"Picture2", {133, 280, 239, 33}, Art::ModeAdvanced, Visible::No),
        button(L"Label3", {0, 0, 108, 33}, englishText(CaptionLine::kSimpleMode), 18, kLightGrey),
        label(L"Label6", {107, 0, 132, 33}, englishText(CaptionLine::kAdvancedMode), 18, kWhite),
        picture(L"Picture13", {24, 328, 206, 24}, Art::LinkFace),
        button(L"Label10", {0, 0, 207, 23}, product::kWebSiteName, 14.25, kWhite),
        picture(L"Picture12", {280, 328, 207, 24}, Art::LinkFace),
        button(L"Label9", {0, 0, 207, 23}, englishText(CaptionLine::kProgramSupportButton), 14.25, kWhite),
        // The computer's AutoRun switch, in the free band between the drive list (and the
        // Protect and Restore buttons beside it) and the mode panel below.
        label(L"Label11", kAutoRunLineRect, englishText(CaptionLine::kAutoRunOnLine), 11.25, kBlack,
              Visible::Yes, Align::Left),
        picture(L"Picture16", kAutoRunActionRect, Art::LinkFace),
        button(L"Label12", {0, 0, kAutoRunActionRect.width, kAutoRunActionRect.height},
               englishText(CaptionLine::kTurnAutoRunOff), 11.25, kWhite),
    };
    return table;
}

const ControlSpec& row(const wchar_t* name) { return findSpec(layout(), name); }

// How often the main window looks whether the elevated command line has ended.
constexpr int kAutoRunWatchMs = 250;

FormSpec windowSpec() {
    FormSpec form;
    form.name = L"Form1";
    form.title = L"Lockbay";
    form.clientWidth = 512;
    form.clientHeight = 357;
    form.frame = Frame::FixedSingle;
    return form;
}

}  // namespace

Form1::Form1(LockbayApp& app)
    : Form(app.ui(), windowSpec()),
      Image1(*this, row(L"Image1")),
      Image2(*this, row(L"Image2")),
      Label1(*this, row(L"Label1")),
      List1(*this, row(L"List1")),
      waitt(*this, row(L"waitt")),
      Picture15(*this, row(L"Picture15")),
      Label4(*this, row(L"Label4"), &Picture15),
      Picture6(*this, row(L"Picture6")),
      Label7(*this, row(L"Label7"), &Picture6),
      Picture7(*this, row(L"Picture7")),
      Label8(*this, row(L"Label8"), &Picture7),
      Picture1(*this, row(L"Picture1")),
      Label5(*this, row(L"Label5"), &Picture1),
      Label2(*this, row(L"Label2"), &Picture1),
      Picture2(*this, row(L"Picture2")),
      Label3(*this, row(L"Label3"), &Picture2),
      Label6(*this, row(L"Label6"), &Picture2),
      Picture13(*this, row(L"Picture13")),
      Label10(*this, row(L"Label10"), &Picture13),
      Picture12(*this, row(L"Picture12")),
      Label9(*this, row(L"Label9"), &Picture12),
      Label11(*this, row(L"Label11")),
      Picture16(*this, row(L"Picture16")),
      Label12(*this, row(L"Label12"), &Picture16),
      // Timer table: interval at creation, and the step each one runs.
      Timer1(*this, L"Timer1", 2000),
      Timer2(*this, L"Timer2", 500),
      Timer3(*this, L"Timer3", 2100),
      Timer4(*this, L"Timer4", 2000),
      Timer5(*this, L"Timer5", 20),
      Timer6(*this, L"Timer6", 500),
      Timer7(*this, L"Timer7", kDriveChangeSettleMs),
      Timer8(*this, L"Timer8", kAutoRunWatchMs),
      Timer9(*this, L"Timer9", kHandoverCheckMs),
      app_(app) {
    Protection& protection = app_.protection();
    Timer1.onTick = [this] { refreshStep(); };
    Timer2.onTick = [&protection] { protection.protectWatchStep(); };
    Timer3.onTick = [&protection] { protection.folderRemovalStep(); };
    Timer4.onTick = [&protection] { protection.retryStep(); };
    Timer5.onTick = [this] { app_.module1().captionStep(); };
    Timer6.onTick = [&protection] { protection.restoreWatchStep(); };
    Timer7.onTick = [this] { driveChangeStep(); };
    Timer8.onTick = [this] { autoRunWatchStep(); };
    Timer9.onTick = [this] { handoverStep(); };

    List1.onClick = [this] { listClicked(); };
    Label4.onClick = [this] { refreshClicked(); };
    Label7.onClick = [&protection] { protection.protectClicked(); };
    Label8.onClick = [&protection] { protection.restoreClicked(); };
    Label2.onClick = [this] { switchToAdvanced(); };
    Label3.onClick = [this] { switchToSimple(); };
    Image2.onClick = [this] {
        app_.form3().show();
        hide();
    };
    Label9.onClick = [this] {
        hide();
        app_.form2().show();
    };
    Label10.onClick = [this] {
        ignoreFailure(
            app_.platform().processes.openWebPage(std::wstring(L"http://") + product::kWebHost + L"/"));
    };

    bindPressFeedback(Image2, Image2);
    bindPressFeedback(Label9, Picture12);
    bindPressFeedback(Label10, Picture13);
    bindPressFeedback(Label4, Picture15);
    bindPressFeedback(Label7, Picture6);
    bindPressFeedback(Label8, Picture7);
    Label12.onClick = [this] { autoRunClicked(); };
    bindPressFeedback(Label12, Picture16);
}

void Form1::onLoad() {
    Drive1 = app_.fs().driveLetters();
    loadlist();
    List1.setBackColor(kWhite);
    showAutoRun();
}

void Form1::closeRequested() {
    // Closing the main window ends the whole process at once; no pending step of a
    // running operation is carried out.
    runtime().endProgram();
}

bool Form1::DirExists(const std::wstring& DirName) { return isDirectory(app_.fs(), DirName); }

void Form1::loadlist() {
    platform::FileSystem& fs = app_.fs();
    List1.clear();
    // Position 0 of the system drive list (A: or the system drive) is never examined. A
    // network drive that does not answer within a second is left out like one that cannot
    // be written.
    const std::vector<wchar_t> examined(Drive1.size() > 1 ? Drive1.begin() + 1 : Drive1.end(), Drive1.end());
    const std::vector<wchar_t> answering = answeringDrives(fs, examined);
    for (std::size_t i = 1; i < Drive1.size(); ++i) {
        d = std::wstring(1, static_cast<wchar_t>(std::towupper(Drive1[i])));
        if (std::find(answering.begin(), answering.end(), Drive1[i]) == answering.end()) continue;
        if (!isWritable(fs, d[0])) continue;
        List1.addItem(listLine(d[0], statusWord(classifyDrive(fs, d[0]), st1, st2, st3)));
    }
    Picture7.setVisible(false);
    Picture6.setVisible(false);
    Picture1.setVisible(false);
    Picture2.setVisible(false);
    // Drives that the watcher protected may wait for the question to clean them; it comes
    // from a timer step, never from inside a rebuild.
    Timer9.setEnabled(true);
}

void Form1::handoverStep() {
    // A hidden window (not shown yet, or behind the help window) asks nothing yet.
    if (!visible()) return;
    Timer9.setEnabled(false);
    // An operation's refresh step rebuilds the list at its end, which arms this again.
    if (busy()) return;
    app_.protection().offerHandedOver();
}

void Form1::listClicked() {
    const int index = List1.selectedIndex();
    if (index < 0) return;
    const std::wstring& line = List1.items()[static_cast<std::size_t>(index)];
    if (line.empty()) return;
    d = std::wstring(1, static_cast<wchar_t>(std::towupper(line[0])));
    // The disk is checked afresh; the word in the line may be out of date. A drive that
    // has gone since the rebuild simply counts as not protected.
    if (DirExists(protectionFolder(d[0]))) {
        Picture7.setVisible(true);
        Picture6.setVisible(false);
        Picture1.setVisible(false);
        Picture2.setVisible(false);
    } else {
        Picture7.setVisible(false);
        Picture6.setVisible(true);
        Picture1.setVisible(true);
        Picture2.setVisible(false);
        adv = false;
    }
}

void Form1::refreshClicked() {
    Drive1 = app_.fs().driveLetters();
    drivesStale_ = false;
    loadlist();
    if (!autoRunCommand_) showAutoRun();
}

// ---- The computer's AutoRun switch ---------------------------------------------------

void Form1::showAutoRun() {
    const ComputerAutoRun state = readComputerAutoRun(app_.platform().registry);
    autoRunOff_ = state.off;
    autoRunSaved_ = state.saved;
    showAutoRunTexts();
    // AutoRun that someone else turned off is not Lockbay's to turn back on: nothing saved
    // tells what it was before.
    Picture16.setVisible(!autoRunCommand_ && (!autoRunOff_ || autoRunSaved_));
}

void Form1::showAutoRunTexts() {
    const Module1& texts = app_.module1();
    Label11.setText(texts.text(autoRunOff_ ? CaptionLine::kAutoRunOffLine : CaptionLine::kAutoRunOnLine));
    Label12.setText(texts.text(autoRunOff_ ? CaptionLine::kTurnAutoRunOn : CaptionLine::kTurnAutoRunOff));
}

void Form1::autoRunClicked() {
    if (autoRunCommand_) return;
    const bool turnOff = !autoRunOff_;
    platform::Platform& p = app_.platform();
    if (p.program.elevated()) {
        const AutoRunChange change =
            turnOff ? turnComputerAutoRunOff(p.registry) : turnComputerAutoRunOn(p.registry);
        if (change != AutoRunChange::Done) autoRunNotChanged({});
        showAutoRun();
        return;
    }
    // Without administrator rights the command line does it, started with them: the user
    // sees the system's one prompt, and the line shows the new state once it has ended.
    platform::ElevatedStart start = p.processes.startElevated(
        p.program.directory() + L"\\lockbay-cli.exe", turnOff ? L"computer protect" : L"computer restore");
    if (!start.process) {
        if (!start.declined) autoRunNotChanged(start.error);
        return;
    }
    autoRunCommand_ = std::move(start.process);
    Picture16.setVisible(false);
    Timer8.setEnabled(true);
}

void Form1::autoRunWatchStep() {
    if (!autoRunCommand_) {
        Timer8.setEnabled(false);
        return;
    }
    const auto exitCode = autoRunCommand_->exitCode();
    if (!exitCode) return;
    Timer8.setEnabled(false);
    autoRunCommand_.reset();
    if (*exitCode != 0) autoRunNotChanged({});
    showAutoRun();
}

void Form1::autoRunNotChanged(const std::wstring& reason) {
    std::wstring text = app_.module1().text(CaptionLine::kAutoRunNotChanged);
    if (!reason.empty()) text += L"\n\n" + reason;
    runtime().messageBox(text, messages::kProgramTitle);
}

void Form1::switchToAdvanced() {
    Picture1.setVisible(false);
    Picture2.setVisible(true);
    adv = true;
}

void Form1::switchToSimple() {
    Picture2.setVisible(false);
    Picture1.setVisible(true);
    adv = false;
}

void Form1::hidem() {
    Picture6.setVisible(false);
    Picture7.setVisible(false);
    Picture1.setVisible(false);
    Picture2.setVisible(false);
    List1.setVisible(false);
    Label1.setVisible(false);
    Picture15.setVisible(false);
}

void Form1::showm() {
    List1.setVisible(true);
    Label1.setVisible(true);
    Picture15.setVisible(true);
}

void Form1::drivesChanged(const DriveChange&) {
    // Each change starts the wait afresh: a stick with several volumes, or one pulled
    // out and plugged back, gives one rebuild.
    drivesStale_ = true;
    Timer7.setEnabled(true);
}

void Form1::driveChangeStep() {
    Timer7.setEnabled(false);
    // A running operation rebuilds the list itself when it ends (the refresh step), with
    // the drives read afresh then; rebuilding now would drop its drive from under it.
    if (busy()) return;
    refreshClicked();
}

void Form1::refreshStep() {
    if (drivesStale_) {
        Drive1 = app_.fs().driveLetters();
        drivesStale_ = false;
    }
    loadlist();
    // An operation with a step still to come (a conversion being watched, a retry, the
    // free-space dialog) keeps the window busy; its last step schedules the refresh
    // that ends the busy state.
    if (!app_.protection().stepsPending()) {
        showm();
        waitt.setVisible(false);
        Timer1.setEnabled(false);
        // The operation is over: now the drive may be offered for cleaning. The timer is
        // off first, so the question's modal loop cannot run this step again.
        app_.protection().offerCleaning();
        return;
    }
    Timer1.setEnabled(false);
}

}  // namespace lockbay
