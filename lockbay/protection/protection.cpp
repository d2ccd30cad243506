// Protect and Restore, step by step. Commands run in their own minimized console
// windows and are never waited for; the timers give them time to finish.
#include "lockbay/protection/protection.h"

#include "lockbay/app/lockbay_app.h"
#include "lockbay/app/messages.h"
#include "lockbay/i18n/module1.h"
#include "lockbay/protection/best_effort.h"
#include "lockbay/protection/drive_commands.h"
#include "lockbay/protection/drive_status.h"
#include "lockbay/protection/drive_steps.h"
#include "lockbay/protection/frs.h"
#include "lockbay/ui/form1.h"

namespace lockbay {

namespace {

// What the user can do about an Advanced protection whose conversion did not end in the
// deny entry: it depends on whether the Simple protection folder is in place.
std::wstring advancedAdvice(platform::FileSystem& fs, wchar_t drive, bool conversionMayRun) {
    if (!isDirectory(fs, protectionFolder(drive))) {
        return conversionMayRun ? messages::kAdviceNotProtectedAfterConversion
                                : messages::kAdviceNotProtected;
    }
    return conversionMayRun ? messages::kAdviceSimpleKeptAfterConversion : messages::kAdviceSimpleKept;
}

}  // namespace

void Protection::runCommand(const std::wstring& commandLine) {
    // A command that cannot be started is skipped; the timer steps go on regardless.
    ignoreFailure(app_.platform().processes.runCommand(commandLine));
}

wchar_t Protection::beginOperation() {
    Form1& form = app_.form1();
    form.hidem();
    form.waitt.setVisible(true);
    return form.d.empty() ? L'C' : form.d[0];
}

void Protection::scheduleRefresh(int intervalMs) {
    Form1& form = app_.form1();
    form.Timer1.setInterval(intervalMs);
    form.Timer1.setEnabled(true);
}

bool Protection::stepsPending() const {
    Form1& form = app_.form1();
    return form.Timer2.enabled() || form.Timer3.enabled() || form.Timer4.enabled() || form.Timer6.enabled() ||
           retrying_ || app_.freeSpaceDialog().visible();
}

FileRemoval Protection::removeAutorunFile(wchar_t drive) {
    const TextOf text = [this](CaptionLine line) -> const std::wstring& { return app_.module1().text(line); };
    const AutorunRemoval removal = removeInfectedFile(app_.fs(), drive, text, platform::localTimeNow());
    if (removal.outcome == FileRemoval::Removed && !removal.copyKept) cleaning_.noteNoCopyKept(drive);
    return removal.outcome;
}

void Protection::protectClicked() {
    Form1& form = app_.form1();
    platform::FileSystem& fs = app_.fs();
    const wchar_t drive = beginOperation();

    // What an infected autorun.inf starts is known only from the file itself.
    cleaning_.readBeforeRemoval(drive);
    if (removeAutorunFile(drive) == FileRemoval::Failed) {
        runCommand(grantCommand(drive));
        retryDrive_ = drive;
        form.Timer4.setEnabled(true);
    }

    makeProtectionFolder(fs, drive);
    if (!form.adv) {
        scheduleRefresh(500);
        return;
    }

    if (isNtfs(fs, drive)) {
        runCommand(denyCommandAtClick(drive));
        makeMarkerFolder(fs, drive);
        scheduleRefresh(500);
        return;
    }
    conversionDrive_ = drive;
    if (!hasRoomToConvert(fs, drive)) {
        // The free-space dialog takes over; the main window stays busy behind it.
        app_.freeSpaceDialog().show();
        form.hide();
        return;
    }
    startConversion();
}

void Protection::startConversion() {
    Form1& form = app_.form1();
    const platform::StartResult started =
        app_.platform().processes.runCommand(convertCommand(conversionDrive_));
    if (!started.started) {
        // Nothing will take the drive away, so there is nothing to watch: the operation
        // ends now instead of waiting 30 minutes for a conversion that never began.
        endConversion(std::wstring(messages::kConversionNotStartedPrefix) + conversionDrive_ +
                      messages::kConversionNotStartedMiddle + started.error +
                      advancedAdvice(app_.fs(), conversionDrive_, false));
        return;
    }
    form.ok = false;
    watchTicks_ = 0;
    form.Timer2.setEnabled(true);
}

void Protection::conversionWatchStep() {
    Form1& form = app_.form1();
    platform::FileSystem& fs = app_.fs();
    const wchar_t drive = conversionDrive_;
    ++watchTicks_;
    const bool ready = fs.isReady(drive);
    if (!ready) form.ok = true;

    // Over when the drive came back after going away, or when it already reports NTFS
    // (the conversion finished between two ticks).
    if (ready && (form.ok || isNtfs(fs, drive))) {
        runCommand(denyCommandAfterConversion(drive));
        form.Timer2.setEnabled(false);
        scheduleRefresh(500);
        return;
    }
    if (watchTicks_ >= kWatchTickLimit) {
        form.Timer2.setEnabled(false);
        endConversion(std::wstring(messages::kConversionUnfinishedPrefix) + drive +
                      messages::kConversionUnfinishedSuffix + advancedAdvice(fs, drive, true));
    }
}

void Protection::endConversion(const std::wstring& message) {
    app_.ui().messageBox(message, messages::kProgramTitle);
    scheduleRefresh(500);
}

void Protection::retryStep() {
    // One round of attempts per enabling: a tick that arrives while the message is
    // open must not start a second round beside it.
    if (retrying_) return;
    retrying_ = true;
    Form1& form = app_.form1();
    platform::FileSystem& fs = app_.fs();
    const wchar_t drive = retryDrive_;
    while (!infectedFileGone(fs, drive) && removeAutorunFile(drive) == FileRemoval::Failed) {
        const auto answer =
            app_.ui().messageBox(std::wstring(messages::kCannotRemoveAutorun) + drive,
                                 messages::kProgramTitle, platform::ui::Backend::Buttons::RetryCancel);
        if (answer == platform::ui::Backend::Answer::Cancel) break;
    }
    form.Timer4.setEnabled(false);
    retrying_ = false;
    scheduleRefresh(100);
}

void Protection::restoreClicked() {
    Form1& form = app_.form1();
    platform::FileSystem& fs = app_.fs();
    const wchar_t drive = beginOperation();
    restoreDrive_ = drive;
    if (hasAdvancedMarker(fs, drive)) {
        runCommand(takeOwnershipCommand(drive));
        form.Timer6.setEnabled(true);
        form.Timer3.setInterval(1000);
        form.Timer1.setInterval(2200);
        // Only an empty marker folder goes; one holding files stays.
        ignoreFailure(removeMarkerFolder(fs, drive));
    } else {
        form.Timer3.setInterval(100);
        form.Timer1.setInterval(300);
    }
    form.Timer3.setEnabled(true);
    form.Timer1.setEnabled(true);
}

void Protection::grantStep() {
    runCommand(grantCommand(restoreDrive_));
    app_.form1().Timer6.setEnabled(false);
}

void Protection::folderRemovalStep() {
    ignoreFailure(removeProtectionFolder(app_.fs(), restoreDrive_));
    app_.form1().Timer3.setEnabled(false);
}

}  // namespace lockbay
