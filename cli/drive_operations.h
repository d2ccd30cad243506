// Protect and Restore as the command line runs them: the drive rules' steps in the main
// window's order, but every command is waited for (with a time-out) and its exit code
// read, the first step that fails ends the operation and says so, and the drive is read
// afresh at the end: success is reported only when it reads as asked.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "drive_rules/cleaning.h"
#include "drive_rules/drive_checks.h"
#include "platform/filesystem.h"
#include "platform/processes.h"
#include "platform/registry.h"

namespace cli {

// How long a tool may run: cacls and takeown end in moments; a conversion takes as
// long as the main window's conversion watch waits for one.
inline constexpr int kToolTimeoutMs = 2 * 60 * 1000;
inline constexpr int kConversionTimeoutMs = 30 * 60 * 1000;

enum class Usability {
    Usable,
    Missing,      // no drive has that letter
    Optical,      // a CD or DVD drive
    NotWritable,  // write-protected, no medium, not ready
};

// Whether a drive can be protected or restored at all (the write probe of the drive list).
Usability usability(platform::FileSystem& fs, wchar_t drive);

// What --all-removable takes: a removable medium or a disk on the USB bus, never an
// optical drive.
bool isRemovableMedium(const platform::DriveDetails& details);

struct StepRecord {
    std::wstring name;     // what the step does, for a person
    std::wstring command;  // the command line started; empty for a file step
    std::optional<std::uint32_t> exitCode;
    bool ok = true;
};

struct DriveResult {
    enum class Outcome {
        Done,
        Failed,              // a step failed or the drive does not read as asked: `error` says what
        Declined,            // the conversion to NTFS was not confirmed: nothing was changed
        NeedsAdministrator,  // converting to NTFS needs administrator rights: nothing was changed
        NotUsable,           // see `usability`
        RefusedByPolicy,     // the organisation does not allow converting to NTFS: nothing was changed
    };
    wchar_t drive = L'?';
    Outcome outcome = Outcome::Done;
    Usability usability = Usability::Usable;
    std::wstring error;
    std::vector<StepRecord> steps;
    lockbay::ProtectionReading reading;  // the drive read afresh at the end
    bool converted = false;              // it was converted to NTFS on the way
    // Its autorun.inf file was deleted: no quarantine folder could be made for it.
    bool autorunDeletedWithoutCopy = false;
    // Protect: what the drive still carries that an infected autorun.inf started (read
    // before its removal), with the decoys of the user's folders; and with --clean, what
    // cleaning did.
    lockbay::Infection found;
    std::optional<lockbay::CleanReport> cleaned;
};

struct DriveContext {
    platform::FileSystem& fs;
    platform::Processes& processes;
    // Where a drive that still needs cleaning is handed over (cleaning_handover.h).
    platform::Registry& registry;
    bool elevated = false;
    // Asked before a drive is converted to NTFS (which cannot be undone); false leaves
    // the drive unchanged.
    std::function<bool(wchar_t drive, const std::wstring& fileSystem)> confirmConversion;
    // False when the organisation's policy does not allow converting to NTFS: Advanced
    // protection of a drive that is not NTFS is then refused before anything changes.
    bool conversionAllowed = true;
};

// Protects the drive, then looks for what its infected autorun.inf started. Without
// `clean` nothing found is moved, and the drive is handed over for a later cleaning (here
// with --clean, or in Lockbay); with it, everything found is quarantined.
DriveResult protectDrive(DriveContext& context, wchar_t drive, bool advanced, bool clean = false);
DriveResult restoreDrive(DriveContext& context, wchar_t drive);

}  // namespace cli
