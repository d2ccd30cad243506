// What Protect and Restore do to a drive's root, one file-system step at a time. The
// main window's timer chain, the watcher and the command line compose these steps; none
// of them works on the drive in any other way.
//
// Every step works on a best-effort basis: it reports what happened and never throws,
// and a drive that is missing, not ready or read-only simply makes it fail.
#pragma once

#include <string>

#include "drive_rules/cleaning.h"
#include "platform/filesystem.h"
#include "platform/local_time.h"

namespace lockbay {

// Advanced protection converts a drive that is not NTFS only with at least this much
// free space (in megabytes, with the fraction).
inline constexpr double kConversionMinimumMegabytes = 9;

enum class FileRemoval {
    NoFile,   // the root holds no autorun.inf file
    Removed,  // it did, and it is gone: moved into the quarantine, or deleted (see copyKept)
    Failed,   // it does, and it could not be removed (in use, locked, read-only medium)
};

struct AutorunRemoval {
    FileRemoval outcome = FileRemoval::NoFile;
    // Removed: false when no quarantine folder could be made on the drive (full,
    // write-protected) and the file was deleted without a copy. Protection comes first.
    bool copyKept = true;
};

// Removes the autorun.inf file that makes a drive INFECTED, whatever its attributes: it
// loses Read-only, Hidden and System first, then moves into a new quarantine folder with
// its line in README.txt (quarantineAutorun). Only where no quarantine folder can be made
// is it deleted. A move that fails (the file is locked) leaves it in place: Failed.
// `text` and `when` are the README's language and the folder's time.
AutorunRemoval removeInfectedFile(platform::FileSystem& fs, wchar_t drive, const TextOf& text,
                                  const platform::LocalTime& when);

// True when autorun.inf is no longer a file: deleted meanwhile, or a folder now.
bool infectedFileGone(platform::FileSystem& fs, wchar_t drive);

// The second attempt, once the grant command has given Everyone access to the file:
// removes it again as removeInfectedFile does (into the quarantine); Removed also when
// autorun.inf is no longer a file.
//
// The rule that Lockbay and the command line share: as soon as the file is gone the
// protection folder is made (makeProtectionFolder), and the Advanced steps follow only
// once that folder is there. A worm that held the file open may still run, so the drive
// must not stay unprotected; and a deny entry set while the file is still there would
// land on the virus file itself.
AutorunRemoval removeInfectedFileAgain(platform::FileSystem& fs, wchar_t drive, const TextOf& text,
                                       const platform::LocalTime& when);

// Makes a folder and gives it the Hidden attribute alone. Only a folder is hidden: an
// infected file of the same name that could not be deleted keeps its attributes, so the
// drive stays visible as INFECTED instead of hiding behind an UNPROTECTED status.
void makeHiddenFolder(platform::FileSystem& fs, const std::wstring& path);

// Simple protection's file step: the hidden autorun.inf folder. True when the folder is
// there afterwards: only then may the Advanced steps follow.
bool makeProtectionFolder(platform::FileSystem& fs, wchar_t drive);
// The hidden marker folder that tells Restore a drive has Advanced protection.
void makeMarkerFolder(platform::FileSystem& fs, wchar_t drive);

// The file system's name is exactly "NTFS" (letter case counts).
bool isNtfs(platform::FileSystem& fs, wchar_t drive);
// Enough free space to convert the drive to NTFS.
bool hasRoomToConvert(platform::FileSystem& fs, wchar_t drive);
// convert turns only FAT and FAT32 into NTFS: it refuses exFAT (the usual file system of
// sticks of 64 GB and more) and every other, so Advanced protection of such a drive is
// refused before anything changes.
bool canConvertToNtfs(const std::wstring& fileSystem);

// The last step of Advanced protection, once the deny command has ended: the marker
// folder is made only when the folder's access list reads back with the deny entry. A
// marker without it would make Restore and the drive list call a Simple protection
// Advanced, as happens where cacls cannot find the group.
enum class AdvancedMarking {
    Marked,
    NotDenied,      // the access list holds no deny entry for Everyone (or cannot be read)
    MarkerNotMade,  // it does, but the marker folder could not be made
};
AdvancedMarking markAdvancedWhenDenied(platform::FileSystem& fs, wchar_t drive);

// The marker folder is there: Restore takes the Advanced path.
bool hasAdvancedMarker(platform::FileSystem& fs, wchar_t drive);

// Restore's file steps. Each removes only an empty folder: what the user put inside is
// never deleted.
bool removeMarkerFolder(platform::FileSystem& fs, wchar_t drive);
bool removeProtectionFolder(platform::FileSystem& fs, wchar_t drive);

}  // namespace lockbay
