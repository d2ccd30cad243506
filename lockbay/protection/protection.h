// Protect and Restore: the click handlers and the timer steps that follow them.
//
// An operation stays on the drive that was selected when its button was clicked, even
// when the list is rebuilt (and the current drive letter changes) while it runs.
#pragma once

#include <string>

namespace lockbay {

class LockbayApp;

class Protection {
public:
    explicit Protection(LockbayApp& app) : app_(app) {}

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

    // Starts converting the operation's drive to NTFS and arms the watch (also used by
    // the free-space dialog's Continue).
    void startConversion();
    // The drive the running operation works on.
    wchar_t drive() const { return drive_; }

    // The watch gives up after this many ticks (30 minutes at 500 ms).
    static constexpr int kWatchTickLimit = 30 * 60 * 2;

private:
    void runCommand(const std::wstring& commandLine);
    void beginOperation();
    void scheduleRefresh(int intervalMs);

    LockbayApp& app_;
    wchar_t drive_ = L'C';
    // The retry step comes after the first refresh, when another operation may have
    // started: it keeps the drive whose file it has to delete.
    wchar_t retryDrive_ = L'C';
    int watchTicks_ = 0;
    bool retrying_ = false;
};

}  // namespace lockbay
