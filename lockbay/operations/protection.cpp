// Protect and Restore, step by step. Commands run in their own minimized console
// windows; those whose result matters are watched by a timer step until they end.
#include "lockbay/operations/protection.h"

#include "drive_rules/best_effort.h"
#include "drive_rules/drive_checks.h"
#include "drive_rules/drive_commands.h"
#include "drive_rules/drive_status.h"
#include "drive_rules/drive_steps.h"
#include "lockbay/app/lockbay_app.h"
#include "lockbay/app/messages.h"
#include "lockbay/operations/frs.h"
#include "lockbay/ui/form1.h"
#include "lockbay/ui/module1.h"
#include "texts/text_inserts.h"

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

void Protection::runAutorunCommand(wchar_t drive, const std::wstring& commandLine) {
    // The link's target is not the drive's: its access list and owner stay as they are.
    if (autorunLeadsOffDrive(app_.fs(), drive)) return;
    runCommand(commandLine);
}

void Protection::startWatched(Waiting what, const std::wstring& commandLine, const std::wstring& input) {
    // A command that cannot be started counts as ended: the step after it reads the drive
    // and finds that nothing changed.
    watched_ = app_.platform().processes.startCommand(commandLine, input).process;
    waiting_ = what;
    watchTicks_ = 0;
}

void Protection::startWatchedOnAutorun(Waiting what, wchar_t drive, const std::wstring& commandLine) {
    // Never on a link: it is skipped and counts as ended, like a command that cannot start.
    if (!autorunLeadsOffDrive(app_.fs(), drive)) {
        startWatched(what, commandLine);
        return;
    }
    watched_.reset();
    waiting_ = what;
    watchTicks_ = 0;
}

std::optional<std::uint32_t> Protection::watchedEnd(int tickLimit, bool& timedOut) {
    ++watchTicks_;
    timedOut = false;
    if (!watched_) return std::uint32_t{0};
    if (const auto code = watched_->exitCode()) return code;
    if (watchTicks_ < tickLimit) return std::nullopt;
    timedOut = true;
    return std::uint32_t{1};
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

void Protection::tell(const std::wstring& message) {
    app_.ui().messageBox(message, messages::kProgramTitle);
}

std::wstring Protection::text(CaptionLine line, wchar_t drive, std::wstring_view second,
                              std::wstring_view third) const {
    return fillInserts(app_.module1().text(line), {std::wstring(1, drive), second, third});
}

bool Protection::stepsPending() const {
    Form1& form = app_.form1();
    return form.Timer2.enabled() || form.Timer3.enabled() || form.Timer4.enabled() || form.Timer6.enabled() ||
           retrying_ || app_.freeSpaceDialog().visible();
}

FileRemoval Protection::removeAutorunFile(wchar_t drive, bool retry) {
    const TextOf text = [this](CaptionLine line) -> const std::wstring& { return app_.module1().text(line); };
    const AutorunRemoval removal = retry ? removeInfectedFileAgain(app_.fs(), drive, text, platform::localTimeNow())
                                         : removeInfectedFile(app_.fs(), drive, text, platform::localTimeNow());
    if (removal.outcome == FileRemoval::Removed && !removal.copyKept) cleaning_.noteNoCopyKept(drive);
    return removal.outcome;
}

void Protection::protectClicked() {
    Form1& form = app_.form1();
    platform::FileSystem& fs = app_.fs();
    const wchar_t drive = beginOperation();

    // Advanced protection of a drive that convert refuses (exFAT, say) is refused before
    // anything changes.
    if (form.adv && !isNtfs(fs, drive) && !canConvertToNtfs(fs.fileSystemName(drive))) {
        const std::wstring fileSystem = fs.fileSystemName(drive);
        tell(text(CaptionLine::kCannotConvert, drive, fileSystem.empty() ? L"?" : fileSystem));
        scheduleRefresh(500);
        return;
    }

    // The organisation may not allow converting to NTFS: refused before anything changes.
    if (form.adv && !isNtfs(fs, drive) && !app_.policies().ntfsConversion.value_or(true)) {
        tell(text(CaptionLine::kPolicyConversionOff, drive));
        scheduleRefresh(500);
        return;
    }

    // What an infected autorun.inf starts is known only from the file itself.
    cleaning_.readBeforeRemoval(drive);
    if (removeAutorunFile(drive, false) == FileRemoval::Failed) {
        // The protection waits for the retry: nothing is made or denied while the file is
        // there. The refresh shows the drive INFECTED meanwhile.
        runAutorunCommand(drive, grantCommand(drive, fs.everyoneGroupName()));
        retryDrive_ = drive;
        retryAdvanced_ = form.adv;
        form.Timer4.setEnabled(true);
        scheduleRefresh(500);
        return;
    }
    continueProtection(drive, form.adv, 500);
}

void Protection::continueProtection(wchar_t drive, bool advanced, int refreshMs) {
    platform::FileSystem& fs = app_.fs();
    // The Advanced steps run only once the folder is there (see removeInfectedFileAgain).
    if (!makeProtectionFolder(fs, drive) || !advanced) {
        scheduleRefresh(refreshMs);
        return;
    }
    if (isNtfs(fs, drive)) {
        startDeny(drive, false);
        return;
    }
    conversionDrive_ = drive;
    if (!hasRoomToConvert(fs, drive)) {
        // The free-space dialog takes over; the main window stays busy behind it.
        app_.freeSpaceDialog().show();
        app_.form1().hide();
        return;
    }
    startConversion();
}

void Protection::startDeny(wchar_t drive, bool afterConversion) {
    const std::wstring everyone = app_.fs().everyoneGroupName();
    conversionDrive_ = drive;
    startWatchedOnAutorun(Waiting::Deny, drive,
                          afterConversion ? denyCommandAfterConversion(drive, everyone)
                                          : denyCommandAtClick(drive, everyone));
    app_.form1().Timer2.setEnabled(true);
}

void Protection::finishAdvanced(wchar_t drive) {
    // The marker only with the deny entry read back: otherwise the drive has Simple
    // protection, and the user is told so.
    if (markAdvancedWhenDenied(app_.fs(), drive) == AdvancedMarking::NotDenied) {
        tell(text(CaptionLine::kAdvancedNotApplied, drive));
    }
    scheduleRefresh(100);
}

void Protection::startConversion() {
    Form1& form = app_.form1();
    const wchar_t drive = conversionDrive_;
    // /X forces the drive off-line, closing whatever is open from it: the user decides.
    if (app_.ui().messageBox(text(CaptionLine::kConvertQuestion, drive), messages::kProgramTitle,
                             platform::ui::Backend::Buttons::YesNo) != platform::ui::Backend::Answer::Yes) {
        scheduleRefresh(500);
        return;
    }
    platform::CommandStart started = app_.platform().processes.startCommand(
        convertCommand(drive), convertInput(app_.fs().driveDetails(drive).label));
    if (!started.process) {
        // Nothing will convert the drive, so there is nothing to watch: the operation
        // ends now instead of waiting 30 minutes for a conversion that never began.
        endConversion(std::wstring(messages::kConversionNotStartedPrefix) + drive +
                      messages::kConversionNotStartedMiddle + started.error +
                      advancedAdvice(app_.fs(), drive, false));
        return;
    }
    watched_ = std::move(started.process);
    waiting_ = Waiting::Conversion;
    conversionExit_.reset();
    watchTicks_ = 0;
    form.ok = false;
    form.Timer2.setEnabled(true);
}

void Protection::protectWatchStep() {
    Form1& form = app_.form1();
    platform::FileSystem& fs = app_.fs();
    const wchar_t drive = conversionDrive_;
    if (waiting_ == Waiting::Deny) {
        bool timedOut = false;
        if (!watchedEnd(kToolTickLimit, timedOut)) return;
        form.Timer2.setEnabled(false);
        watched_.reset();
        waiting_ = Waiting::Nothing;
        finishAdvanced(drive);
        return;
    }

    // The conversion: over when convert has ended and the drive is back.
    if (!fs.isReady(drive)) form.ok = true;  // the conversion has taken the drive
    if (!conversionExit_) {
        bool timedOut = false;
        conversionExit_ = watchedEnd(kWatchTickLimit, timedOut);
        if (timedOut) {
            form.Timer2.setEnabled(false);
            watched_.reset();
            waiting_ = Waiting::Nothing;
            endConversion(std::wstring(messages::kConversionUnfinishedPrefix) + drive +
                          messages::kConversionUnfinishedSuffix + advancedAdvice(fs, drive, true));
            return;
        }
        if (!conversionExit_) return;
        watchTicks_ = 0;
    }
    if (*conversionExit_ == 0 && !fs.isReady(drive) && ++watchTicks_ < kBackAfterConversionTicks) return;
    form.Timer2.setEnabled(false);
    watched_.reset();
    waiting_ = Waiting::Nothing;
    conversionEnded(*conversionExit_);
}

void Protection::conversionEnded(std::uint32_t exitCode) {
    platform::FileSystem& fs = app_.fs();
    const wchar_t drive = conversionDrive_;
    // Done only when convert says so and the drive reads NTFS: a deny entry on a FAT
    // drive would not be kept.
    if (exitCode == 0 && isNtfs(fs, drive)) {
        startDeny(drive, true);
        return;
    }
    const std::wstring fileSystem = fs.fileSystemName(drive);
    endConversion(text(CaptionLine::kConversionFailed, drive, std::to_wstring(exitCode),
                       fileSystem.empty() ? L"?" : fileSystem) +
                  advancedAdvice(fs, drive, false));
}

void Protection::endConversion(const std::wstring& message) {
    tell(message);
    scheduleRefresh(500);
}

void Protection::retryStep() {
    // One round of attempts per enabling: a tick that arrives while the message is
    // open must not start a second round beside it.
    if (retrying_) return;
    retrying_ = true;
    Form1& form = app_.form1();
    const wchar_t drive = retryDrive_;
    bool removed = removeAutorunFile(drive, true) == FileRemoval::Removed;
    while (!removed) {
        const auto answer =
            app_.ui().messageBox(std::wstring(messages::kCannotRemoveAutorun) + drive,
                                 messages::kProgramTitle, platform::ui::Backend::Buttons::RetryCancel);
        if (answer == platform::ui::Backend::Answer::Cancel) break;
        removed = removeAutorunFile(drive, true) == FileRemoval::Removed;
    }
    form.Timer4.setEnabled(false);
    retrying_ = false;
    if (!removed) {
        scheduleRefresh(100);
        return;
    }
    // The file is gone: the protection goes on at once, so the drive is not left open
    // while the worm that held the file may still run.
    continueProtection(drive, retryAdvanced_, 100);
}

void Protection::restoreClicked() {
    Form1& form = app_.form1();
    platform::FileSystem& fs = app_.fs();
    const wchar_t drive = beginOperation();
    restoreDrive_ = drive;
    // Advanced by the folder's access list as well as the marker: a drive protected
    // through a conversion by an older Lockbay has no marker.
    if (isAdvancedProtection(fs, drive)) {
        startWatchedOnAutorun(Waiting::TakeOwnership, drive, takeOwnershipCommand(drive));
        form.Timer6.setEnabled(true);
        return;
    }
    form.Timer3.setInterval(100);
    form.Timer3.setEnabled(true);
}

void Protection::restoreWatchStep() {
    bool timedOut = false;
    if (!watchedEnd(kToolTickLimit, timedOut)) return;
    if (waiting_ == Waiting::TakeOwnership) {
        startWatchedOnAutorun(Waiting::Grant, restoreDrive_,
                              grantCommand(restoreDrive_, app_.fs().everyoneGroupName()));
        return;
    }
    app_.form1().Timer6.setEnabled(false);
    watched_.reset();
    waiting_ = Waiting::Nothing;
    removeRestoredFolders(1200);
}

void Protection::folderRemovalStep() {
    app_.form1().Timer3.setEnabled(false);
    removeRestoredFolders(200);
}

void Protection::removeRestoredFolders(int refreshMs) {
    platform::FileSystem& fs = app_.fs();
    const wchar_t drive = restoreDrive_;
    // Only an empty folder goes. The marker goes after the folder, so a folder that stays
    // keeps its marker and the next Restore still gives the access back.
    if (removeProtectionFolder(fs, drive) || !isDirectory(fs, protectionFolder(drive))) {
        ignoreFailure(removeMarkerFolder(fs, drive));
    } else {
        tell(text(CaptionLine::kProtectionFolderStays, drive));
    }
    scheduleRefresh(refreshMs);
}

}  // namespace lockbay
