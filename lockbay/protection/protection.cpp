// Protect and Restore, step by step. Commands run in their own minimized console
// windows and are never waited for; the timers give them time to finish.
#include "lockbay/protection/protection.h"

#include "lockbay/app/best_effort.h"
#include "lockbay/app/lockbay_app.h"
#include "lockbay/app/messages.h"
#include "lockbay/protection/drive_status.h"
#include "lockbay/protection/frs.h"
#include "lockbay/ui/form1.h"

namespace lockbay {

namespace {

constexpr double kConversionMinimumMegabytes = 9;

std::wstring command(const wchar_t* before, wchar_t drive, const wchar_t* after) {
    return std::wstring(before) + drive + after;
}

// The command lines, exactly as the tools expect them (some end with a blank).
std::wstring grantCommand(wchar_t drive) {
    return command(L"cmd.exe /c cacls ", drive, L":\\autorun.inf /e /c /g Everyone:F");
}
std::wstring denyCommandAtClick(wchar_t drive) {
    return command(L"cmd.exe /c cacls ", drive, L":\\autorun.inf /e /c /d Everyone ");
}
std::wstring denyCommandAfterConversion(wchar_t drive) {
    return command(L"cmd.exe /c cacls ", drive, L":\\autorun.inf /e /c /d Everyone");
}
std::wstring convertCommand(wchar_t drive) { return command(L"cmd.exe /c convert ", drive, L": /FS:NTFS /X "); }
std::wstring takeOwnershipCommand(wchar_t drive) { return command(L"cmd.exe /c takeown /f ", drive, L":\\autorun.inf"); }

// An autorun.inf that is no longer a file (deleted meanwhile, or now a folder) counts as removed.
bool autorunFileGone(platform::FileSystem& fs, wchar_t drive) {
    const auto attributes = fs.attributes(protectionFolder(drive));
    return !attributes || (*attributes & platform::attr::kDirectory);
}

// Makes the protection folder (or the marker) and gives it the Hidden attribute alone.
// Only a folder is hidden: an infected file that could not be deleted keeps its
// attributes, so it stays visible as INFECTED instead of hiding behind the list.
void makeHiddenFolder(platform::FileSystem& fs, const std::wstring& path) {
    ignoreFailure(fs.makeDirectory(path));
    if (isDirectory(fs, path)) ignoreFailure(fs.setAttributes(path, platform::attr::kHidden));
}

}  // namespace

void Protection::runCommand(const std::wstring& commandLine) {
    // A command that cannot be started is skipped; the timer steps go on regardless.
    ignoreFailure(app_.platform().processes.runCommand(commandLine));
}

void Protection::beginOperation() {
    Form1& form = app_.form1();
    form.hidem();
    form.waitt.setVisible(true);
    drive_ = form.d.empty() ? L'C' : form.d[0];
}

void Protection::scheduleRefresh(int intervalMs) {
    Form1& form = app_.form1();
    form.Timer1.setInterval(intervalMs);
    form.Timer1.setEnabled(true);
}

void Protection::protectClicked() {
    Form1& form = app_.form1();
    platform::FileSystem& fs = app_.fs();
    beginOperation();
    const std::wstring folder = protectionFolder(drive_);

    if (fs.normalFileExists(folder) && !fs.deleteFile(folder)) {
        runCommand(grantCommand(drive_));
        retryDrive_ = drive_;
        form.Timer4.setEnabled(true);
    }

    makeHiddenFolder(fs, folder);
    if (!form.adv) {
        scheduleRefresh(500);
        return;
    }

    // The comparison is exact: only "NTFS" in upper case counts.
    if (fs.fileSystemName(drive_) == L"NTFS") {
        runCommand(denyCommandAtClick(drive_));
        makeHiddenFolder(fs, markerFolder(drive_));
        scheduleRefresh(500);
        return;
    }
    if (freeMegabytes(fs, drive_) < kConversionMinimumMegabytes) {
        // The free-space dialog takes over; the main window stays busy behind it.
        app_.freeSpaceDialog().show();
        form.hide();
        return;
    }
    startConversion();
}

void Protection::startConversion() {
    Form1& form = app_.form1();
    runCommand(convertCommand(drive_));
    form.ok = false;
    watchTicks_ = 0;
    form.Timer2.setEnabled(true);
}

void Protection::conversionWatchStep() {
    Form1& form = app_.form1();
    platform::FileSystem& fs = app_.fs();
    ++watchTicks_;
    const bool ready = fs.isReady(drive_);
    if (!ready) form.ok = true;

    // Over when the drive came back after going away, or when it already reports NTFS
    // (the conversion finished between two ticks).
    if (ready && (form.ok || fs.fileSystemName(drive_) == L"NTFS")) {
        runCommand(denyCommandAfterConversion(drive_));
        scheduleRefresh(500);
        form.Timer2.setEnabled(false);
        return;
    }
    if (watchTicks_ >= kWatchTickLimit) {
        form.Timer2.setEnabled(false);
        app_.ui().messageBox(std::wstring(messages::kConversionUnfinishedPrefix) + drive_ +
                                 messages::kConversionUnfinishedSuffix,
                             messages::kProgramTitle);
        scheduleRefresh(500);
    }
}

void Protection::retryStep() {
    // One round of attempts per enabling: a tick that arrives while the message is
    // open must not start a second round beside it.
    if (retrying_) return;
    retrying_ = true;
    Form1& form = app_.form1();
    platform::FileSystem& fs = app_.fs();
    const std::wstring file = protectionFolder(retryDrive_);
    while (!autorunFileGone(fs, retryDrive_) && !fs.deleteFile(file)) {
        const auto answer = app_.ui().messageBox(std::wstring(messages::kCannotRemoveAutorun) + retryDrive_,
                                                 messages::kProgramTitle,
                                                 platform::ui::Backend::Buttons::RetryCancel);
        if (answer == platform::ui::Backend::Answer::Cancel) break;
    }
    scheduleRefresh(100);
    form.Timer4.setEnabled(false);
    retrying_ = false;
}

void Protection::restoreClicked() {
    Form1& form = app_.form1();
    platform::FileSystem& fs = app_.fs();
    beginOperation();
    const std::wstring marker = markerFolder(drive_);
    if (isDirectory(fs, marker)) {
        runCommand(takeOwnershipCommand(drive_));
        form.Timer6.setEnabled(true);
        form.Timer3.setInterval(1000);
        form.Timer1.setInterval(2200);
        // Only an empty marker folder goes; one holding files stays.
        ignoreFailure(fs.removeDirectory(marker));
    } else {
        form.Timer3.setInterval(100);
        form.Timer1.setInterval(300);
    }
    form.Timer3.setEnabled(true);
    form.Timer1.setEnabled(true);
}

void Protection::grantStep() {
    runCommand(grantCommand(drive_));
    app_.form1().Timer6.setEnabled(false);
}

void Protection::folderRemovalStep() {
    // Only an empty folder is removed: what the user put inside is never deleted.
    ignoreFailure(app_.fs().removeDirectory(protectionFolder(drive_)));
    app_.form1().Timer3.setEnabled(false);
}

}  // namespace lockbay
