// Protect and Restore in the main window: the click handlers and the timer steps that
// follow them. What each step does to the drive lives in drive_steps and
// drive_commands; this is the sequencing.
//
// Each step acts on the drive its own operation was started for, whatever the list or
// the current drive letter shows when it runs. The main window stays busy until the
// last pending step of the operation is done: the refresh step ends the busy state only
// when no step is still to come.
//
// The commands whose result matters (the deny entry, the conversion, and Restore's
// ownership and grant) are kept and watched by a timer step until they end: the next
// step starts only then, and what they did is read back from the drive.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "drive_rules/drive_steps.h"
#include "lockbay/operations/cleaning_offer.h"
#include "platform/processes.h"
#include "texts/language_file.h"

namespace lockbay {

class LockbayApp;

class Protection {
public:
    explicit Protection(LockbayApp& app) : app_(app), cleaning_(app) {}

    // Click on Protect (Label7).
    void protectClicked();
    // Timer2: waits for Protect's deny command or conversion to end, then goes on.
    void protectWatchStep();
    // Timer4: deletes an infected autorun.inf that could not be deleted at once, then
    // goes on with the protection.
    void retryStep();

    // Click on Restore (Label8).
    void restoreClicked();
    // Timer6: waits for the take-ownership command, then for the grant (Advanced drives),
    // then removes the folders.
    void restoreWatchStep();
    // Timer3: removes the protection folder (Simple drives).
    void folderRemovalStep();

    // Asks whether the drive that waits for its conversion may be taken off-line, then
    // starts converting it to NTFS and arms the watch (also used by the free-space
    // dialog's Continue).
    void startConversion();
    // The drive of an Advanced protection that waits for, or goes through, its conversion.
    wchar_t conversionDrive() const { return conversionDrive_; }

    // True while a step of a running operation is still to come: a timer step, the
    // retry's message, or the free-space dialog's answer.
    bool stepsPending() const;

    // Once the busy state is over: offers to clean the drive whose infected autorun.inf
    // Protect removed, when it still carries what that file started.
    void offerCleaning() { cleaning_.offer(); }
    // When the window is idle: offers to clean the drives that the watcher or the command
    // line protected and handed over.
    void offerHandedOver() { cleaning_.offerHandedOver(); }

    // The watch gives up on a conversion after this many ticks (30 minutes at 500 ms),
    // and on cacls or takeown after this many (2 minutes).
    static constexpr int kWatchTickLimit = 30 * 60 * 2;
    static constexpr int kToolTickLimit = 2 * 60 * 2;
    // After convert has ended, the drive may take a few ticks to be back (5 s).
    static constexpr int kBackAfterConversionTicks = 10;

private:
    enum class Waiting { Nothing, Deny, Conversion, TakeOwnership, Grant };

    void runCommand(const std::wstring& commandLine);
    // A command on the drive's autorun.inf (cacls, takeown): skipped when that is a link.
    void runAutorunCommand(wchar_t drive, const std::wstring& commandLine);
    void startWatched(Waiting what, const std::wstring& commandLine, const std::wstring& input = {});
    void startWatchedOnAutorun(Waiting what, wchar_t drive, const std::wstring& commandLine);
    // The kept command's exit code once it has ended (or could not be started); nothing
    // while it runs within `tickLimit` ticks.
    std::optional<std::uint32_t> watchedEnd(int tickLimit, bool& timedOut);
    // Protect's removal of the autorun.inf file, into the drive's quarantine (the first
    // try, or a retry after the grant); a deletion without a copy is told once the
    // operation is over.
    FileRemoval removeAutorunFile(wchar_t drive, bool retry);
    wchar_t beginOperation();
    void scheduleRefresh(int intervalMs);
    void continueProtection(wchar_t drive, bool advanced, int refreshMs);
    void startDeny(wchar_t drive, bool afterConversion);
    void finishAdvanced(wchar_t drive);
    void conversionEnded(std::uint32_t exitCode);
    void removeRestoredFolders(int refreshMs);
    void endConversion(const std::wstring& message);
    void tell(const std::wstring& message);
    std::wstring text(CaptionLine line, wchar_t drive, std::wstring_view second = {},
                      std::wstring_view third = {}) const;

    LockbayApp& app_;
    CleaningOffer cleaning_;
    // The drive of each kind of pending step, taken when its operation started.
    wchar_t conversionDrive_ = L'C';
    wchar_t retryDrive_ = L'C';
    wchar_t restoreDrive_ = L'C';
    bool retryAdvanced_ = false;  // the mode Protect was clicked in, for after the retry
    // The command being watched, and what it is.
    std::unique_ptr<platform::RunningProcess> watched_;
    Waiting waiting_ = Waiting::Nothing;
    std::optional<std::uint32_t> conversionExit_;  // convert has ended; waiting for the drive
    int watchTicks_ = 0;
    bool retrying_ = false;
};

}  // namespace lockbay
