// Protect and Restore in the main window: the click handlers and the timer steps that
// follow them. What each step does to the drive lives in drive_steps and
// drive_commands; this is the sequencing.
//
// Each step acts on the drive its own operation was started for, whatever the list or
// the current drive letter shows when it runs. The main window stays busy until the
// last pending step of the operation is done: the refresh step ends the busy state only
// when no step is still to come.
#pragma once

#include <string>

#include "lockbay/protection/cleaning_offer.h"
#include "lockbay/protection/drive_steps.h"

namespace lockbay {

class LockbayApp;

class Protection {
public:
    explicit Protection(LockbayApp& app) : app_(app), cleaning_(app) {}

    // Click on Protect (Label7).
    void protectClicked();
    // Timer2: watches a drive being converted to NTFS until it is back.
    void conversionWatchStep();
    // Timer4: deletes an infected autorun.inf that could not be deleted at once.
    void retryStep();

    // Click on Restore (Label8).
    void restoreClicked();
    // Timer6: gives Everyone full access back (Advanced drives).
    void grantStep();
    // Timer3: removes the protection folder.
    void folderRemovalStep();

    // Starts converting the drive that waits for it to NTFS and arms the watch (also used
    // by the free-space dialog's Continue).
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

    // The watch gives up after this many ticks (30 minutes at 500 ms).
    static constexpr int kWatchTickLimit = 30 * 60 * 2;

private:
    void runCommand(const std::wstring& commandLine);
    // Protect's removal of the autorun.inf file, into the drive's quarantine (the first
    // try and each retry); a deletion without a copy is told once the operation is over.
    FileRemoval removeAutorunFile(wchar_t drive);
    wchar_t beginOperation();
    void scheduleRefresh(int intervalMs);
    void endConversion(const std::wstring& message);

    LockbayApp& app_;
    CleaningOffer cleaning_;
    // The drive of each kind of pending step, taken when its operation started.
    wchar_t conversionDrive_ = L'C';
    wchar_t retryDrive_ = L'C';
    wchar_t restoreDrive_ = L'C';
    int watchTicks_ = 0;
    bool retrying_ = false;
};

}  // namespace lockbay
