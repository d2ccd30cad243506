// What the watcher does with a drive that has just arrived, and what it then tells the
// user: which drives it looks after, the Simple protection of those drives through the
// shared drive rules, and the notification of each outcome.
#pragma once

#include <optional>
#include <string>

#include "drive_rules/cleaning.h"
#include "drive_rules/cleaning_handover.h"
#include "platform/filesystem.h"
#include "platform/tray.h"
#include "texts/language_file.h"

namespace watch {

// The watcher protects removable drives and fixed disks on the USB bus: the one rule that
// also decides which drives a hand-over can be about.
using lockbay::isWatchedDrive;

enum class Arrival {
    AlreadyProtected,  // it held the protection folder: nothing was changed
    Protected,         // it was unprotected and holds the protection folder now
    Cleaned,           // its autorun.inf file went into the quarantine, then the folder was made
    CleanedNoCopy,     // the same, but no quarantine could be made: the file was deleted
    FileNotRemoved,    // an autorun.inf file is still there (locked, or hidden from the status)
    Gone,              // it went away during the steps
    Failed,            // it does not read as protected afterwards, for another reason: most
                       // often a write-protected medium
};

// Simple protection, and nothing more: the infected file (whatever its attributes) is
// moved into the drive's quarantine (README.txt in `text`'s language, the folder named
// after `when`) and the hidden autorun.inf folder made, as Protect does in Simple mode. No command is ever
// started (no cacls, convert or takeown). Only a drive that reads PROTECTED when it is checked afresh after
// the steps counts as protected.
Arrival protectArrivedDrive(platform::FileSystem& fs, wchar_t drive, const lockbay::TextOf& text,
                            const platform::LocalTime& when);

// The drive as Explorer names it: "LABEL (E:)", or "E:" when it has no label.
std::wstring driveName(wchar_t drive, const std::wstring& label);

struct Notification {
    std::wstring title;
    std::wstring text;
    platform::NotificationKind kind = platform::NotificationKind::Info;
};

// The notification of an outcome, in the user's language, naming the drive.
Notification notificationFor(Arrival arrival, const std::wstring& drive,
                             const lockbay::LanguageLines& language);

// True for the outcomes after which the drive reads PROTECTED. Only such a drive is then
// looked at for what its autorun.inf started: one that still has the file is cleaned by
// Lockbay's own Protect, which reads it there.
bool endsProtected(Arrival arrival);

// The notification for a drive that is protected but still carries `files` files that
// its autorun.inf started (or decoys of the user's folders). The watcher never moves
// them: the user opens Lockbay, which asks.
Notification stillCarriesNotification(const std::wstring& drive, std::size_t files,
                                      const lockbay::LanguageLines& language);

}  // namespace watch
