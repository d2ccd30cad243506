// Protect and Restore, waiting for every step: see drive_operations.h.
#include "cli/drive_operations.h"

#include <algorithm>

#include "cli/texts.h"
#include "drive_rules/best_effort.h"
#include "drive_rules/cleaning_handover.h"
#include "drive_rules/drive_commands.h"
#include "drive_rules/drive_status.h"
#include "drive_rules/drive_steps.h"
#include "platform/local_time.h"

namespace cli {

namespace {

using lockbay::DriveStatus;
using Outcome = DriveResult::Outcome;

// One operation on one drive: runs its steps, records each, and remembers the first
// failure.
class Operation {
public:
    Operation(DriveContext& context, wchar_t drive) : context_(context) { result_.drive = drive; }

    platform::FileSystem& fs() { return context_.fs; }
    wchar_t drive() const { return result_.drive; }
    DriveResult& result() { return result_; }

    // Runs a command line and waits for it; false when it did not end with exit code 0.
    bool command(std::wstring name, const std::wstring& line, int timeoutMs, const std::wstring& input = {}) {
        const platform::CommandResult run = context_.processes.runCommandAndWait(line, timeoutMs, input);
        StepRecord step{name, line, std::nullopt, false};
        std::wstring error;
        switch (run.outcome) {
            case platform::CommandResult::Outcome::Finished:
                step.exitCode = run.exitCode;
                step.ok = run.exitCode == 0;
                if (!step.ok) error = texts::stepExitCode(name, line, run.exitCode);
                break;
            case platform::CommandResult::Outcome::TimedOut:
                error = texts::stepTimedOut(name, line, timeoutMs / 60000);
                break;
            case platform::CommandResult::Outcome::NotStarted:
                error = texts::stepNotStarted(name, line, run.error);
                break;
        }
        result_.steps.push_back(step);
        if (!step.ok) {
            if (!context_.elevated) error += texts::mayNeedAdministrator();
            fail(error);
        }
        return step.ok;
    }

    // Records a step on the drive's files.
    bool fileStep(std::wstring name, bool ok) {
        result_.steps.push_back({std::move(name), {}, std::nullopt, ok});
        return ok;
    }

    DriveResult fail(std::wstring error) {
        result_.outcome = Outcome::Failed;
        result_.error = std::move(error);
        return result_;
    }

    DriveResult finish(Outcome outcome, std::wstring error = {}) {
        result_.outcome = outcome;
        result_.error = std::move(error);
        return result_;
    }

    bool elevated() const { return context_.elevated; }

    bool conversionAllowed() const { return context_.conversionAllowed; }

    bool confirmConversion(const std::wstring& fileSystem) {
        return context_.confirmConversion && context_.confirmConversion(drive(), fileSystem);
    }

private:
    DriveContext& context_;
    DriveResult result_;
};

}  // namespace

Usability usability(platform::FileSystem& fs, wchar_t drive) {
    const std::vector<wchar_t> letters = fs.driveLetters();
    if (std::find(letters.begin(), letters.end(), drive) == letters.end()) return Usability::Missing;
    if (fs.driveKind(drive) == platform::DriveKind::Optical) return Usability::Optical;
    return lockbay::isWritable(fs, drive) ? Usability::Usable : Usability::NotWritable;
}

bool isRemovableMedium(const platform::DriveDetails& details) {
    if (details.kind == platform::DriveKind::Optical) return false;
    return details.kind == platform::DriveKind::Removable || details.usbBus;
}

namespace {

DriveResult protectionSteps(Operation& op, bool advanced) {
    platform::FileSystem& fs = op.fs();
    const wchar_t drive = op.drive();
    const std::wstring everyone = fs.everyoneGroupName();

    // A conversion cannot be undone: it is checked and confirmed before anything changes.
    // The file system is asked only when it matters (a question to the volume each time).
    const bool ntfs = advanced && lockbay::isNtfs(fs, drive);
    if (advanced && !ntfs) {
        if (!op.conversionAllowed())
            return op.finish(Outcome::RefusedByPolicy, texts::conversionRefusedByPolicy(drive));
        if (!lockbay::canConvertToNtfs(fs.fileSystemName(drive))) {
            return op.fail(texts::cannotConvert(drive, fs.fileSystemName(drive)));
        }
        // convert needs administrator rights; that is known before anything changes.
        if (!op.elevated())
            return op.finish(Outcome::NeedsAdministrator, texts::conversionNeedsAdministrator(drive));
        if (!lockbay::hasRoomToConvert(fs, drive)) {
            return op.fail(texts::noRoomToConvert(drive, lockbay::freeMegabytes(fs, drive)));
        }
        if (!op.confirmConversion(fs.fileSystemName(drive))) {
            return op.finish(Outcome::Declined, texts::conversionDeclined(drive));
        }
    }

    // The removed autorun.inf goes into the quarantine; its README.txt is in English, as
    // everything the command line writes.
    const lockbay::TextOf english = [](lockbay::CaptionLine line) -> const std::wstring& {
        return lockbay::englishText(line);
    };
    lockbay::AutorunRemoval removal =
        lockbay::removeInfectedFile(fs, drive, english, platform::localTimeNow());
    if (removal.outcome == lockbay::FileRemoval::Failed) {
        // As the main window does: give Everyone full access to the file, then remove it
        // again; never to a link, whose target is not the drive's.
        if (lockbay::autorunLeadsOffDrive(fs, drive)) return op.fail(texts::autorunIsLink(drive));
        if (!op.command(texts::stepGrantFile(drive), lockbay::grantCommand(drive, everyone),
                        kToolTimeoutMs)) {
            return op.result();
        }
        removal = lockbay::removeInfectedFileAgain(fs, drive, english, platform::localTimeNow());
        if (removal.outcome == lockbay::FileRemoval::Failed) {
            op.fileStep(texts::stepDeleteFile(drive), false);
            return op.fail(texts::fileNotDeleted(drive));
        }
    }
    if (removal.outcome == lockbay::FileRemoval::Removed) {
        op.fileStep(removal.copyKept ? texts::stepQuarantineFile(drive) : texts::stepDeleteFile(drive), true);
        op.result().autorunDeletedWithoutCopy = !removal.copyKept;
    }

    if (!op.fileStep(texts::stepMakeFolder(drive), lockbay::makeProtectionFolder(fs, drive))) {
        return op.fail(texts::folderNotMade(drive));
    }

    if (advanced) {
        if (!ntfs) {
            if (!op.command(texts::stepConvert(drive), lockbay::convertCommand(drive), kConversionTimeoutMs,
                            lockbay::convertInput(fs.driveDetails(drive).label))) {
                return op.result();
            }
            op.result().converted = true;
            if (!lockbay::isNtfs(fs, drive))
                return op.fail(texts::stillNotNtfs(drive, fs.fileSystemName(drive)));
        }
        if (lockbay::autorunLeadsOffDrive(fs, drive)) return op.fail(texts::autorunIsLink(drive));
        const std::wstring deny = ntfs ? lockbay::denyCommandAtClick(drive, everyone)
                                       : lockbay::denyCommandAfterConversion(drive, everyone);
        if (!op.command(texts::stepDeny(drive), deny, kToolTimeoutMs)) return op.result();
        // Also after a conversion: the marker is what tells Restore to give the access back.
        switch (lockbay::markAdvancedWhenDenied(fs, drive)) {
            case lockbay::AdvancedMarking::Marked:
                op.fileStep(texts::stepMakeMarker(drive), true);
                break;
            case lockbay::AdvancedMarking::NotDenied:
                return op.fail(texts::denyEntryMissing(drive));
            case lockbay::AdvancedMarking::MarkerNotMade:
                op.fileStep(texts::stepMakeMarker(drive), false);
                return op.fail(texts::markerNotMade(drive));
        }
    }

    op.result().reading = lockbay::readProtection(fs, drive);
    if (!lockbay::readsProtected(op.result().reading, advanced)) {
        return op.fail(texts::notProtectedAsAsked(drive, op.result().reading, advanced));
    }
    return op.finish(Outcome::Done);
}

}  // namespace

DriveResult protectDrive(DriveContext& context, wchar_t drive, bool advanced, bool clean) {
    Operation op(context, drive);
    platform::FileSystem& fs = op.fs();
    op.result().usability = usability(fs, drive);
    if (op.result().usability != Usability::Usable) {
        return op.finish(Outcome::NotUsable, texts::notUsable(drive, op.result().usability));
    }

    // Only the infected autorun.inf tells what it started: it is read before the
    // protection removes it. Without one, an earlier run (or the watcher) may have handed
    // the drive over.
    // Cleaning only drops a hand-over, for which the volume's serial number is enough; the
    // drive's kind and bus (two more questions to the system) are asked only without it.
    // Both are read here, before anything on the drive changes.
    const platform::DriveDetails details = clean ? platform::DriveDetails{} : fs.driveDetails(drive);
    const std::uint32_t serial = clean ? fs.volumeSerial(drive) : details.serial;
    const std::int64_t now = lockbay::handoverClockNow();
    // Only a drive the watcher would watch is handed over, or taken from a hand-over.
    const bool watched = !clean && lockbay::isWatchedDrive(drive, details, fs.systemDrive());
    lockbay::AutorunRead autorun = lockbay::readInfectedAutorun(fs, drive);
    if (!autorun.present) {
        if (auto handedOver = lockbay::handoverFor(context.registry, fs, drive, now))
            autorun = std::move(*handedOver);
    }

    DriveResult result = protectionSteps(op, advanced);
    if (result.outcome == Outcome::Declined || result.outcome == Outcome::NeedsAdministrator ||
        result.outcome == Outcome::RefusedByPolicy || !lockbay::infectedFileGone(fs, drive))
        return result;
    // Also after a failed step: the autorun.inf is gone, and what it started is still there.
    // A cleaning follows the scan at once: the decoys are moved through the scan's openings.
    lockbay::KeptOpenings openings;
    result.found = lockbay::scanDrive(fs, drive, std::move(autorun), clean ? &openings : nullptr);
    if (result.found.empty()) {
        lockbay::ignoreFailure(lockbay::dropHandover(context.registry, serial));
    } else if (clean) {
        // The quarantine's README.txt is in English, as everything the command line writes.
        const lockbay::TextOf text = [](lockbay::CaptionLine line) -> const std::wstring& {
            return lockbay::englishText(line);
        };
        result.cleaned = lockbay::cleanDrive(fs, result.found, text, platform::localTimeNow(), &openings);
        lockbay::ignoreFailure(lockbay::dropHandover(context.registry, serial));
        if (result.cleaned->failures() > 0 && result.outcome == Outcome::Done) {
            result.outcome = Outcome::Failed;
            result.error = texts::notAllCleaned(drive, *result.cleaned);
        }
    } else if (watched) {
        // Should the registry refuse it, a later --clean finds only the decoys; the report
        // below still lists everything.
        lockbay::ignoreFailure(
            lockbay::storeHandover(context.registry, drive, serial, result.found.autorun, now));
    }
    return result;
}

DriveResult restoreDrive(DriveContext& context, wchar_t drive) {
    Operation op(context, drive);
    platform::FileSystem& fs = op.fs();
    op.result().usability = usability(fs, drive);
    if (op.result().usability != Usability::Usable) {
        return op.finish(Outcome::NotUsable, texts::notUsable(drive, op.result().usability));
    }

    const lockbay::ProtectionReading before = lockbay::readProtection(fs, drive);
    const bool protectedNow = before.status == DriveStatus::Protected;
    // A drive protected through the conversion carries the deny entry without a marker.
    if (protectedNow && (before.marker || before.everyoneDenied.value_or(false))) {
        if (lockbay::autorunLeadsOffDrive(fs, drive)) return op.fail(texts::autorunIsLink(drive));
        if (!op.command(texts::stepTakeOwnership(drive), lockbay::takeOwnershipCommand(drive),
                        kToolTimeoutMs) ||
            !op.command(texts::stepGrantFolder(drive), lockbay::grantCommand(drive, fs.everyoneGroupName()),
                        kToolTimeoutMs)) {
            return op.result();
        }
    }
    // Each removal takes only an empty folder; whatever fails shows in the reading below.
    // The marker goes only once the folder has gone: a folder that stays keeps its marker,
    // so a second restore still gives the access back.
    const bool folderGone = !protectedNow || op.fileStep(texts::stepRemoveFolder(drive),
                                                         lockbay::removeProtectionFolder(fs, drive));
    if (before.marker && folderGone) {
        op.fileStep(texts::stepRemoveMarker(drive), lockbay::removeMarkerFolder(fs, drive));
    }

    op.result().reading = lockbay::readProtection(fs, drive);
    if (!lockbay::readsRestored(op.result().reading)) {
        return op.fail(texts::notRestored(drive, op.result().reading));
    }
    return op.finish(Outcome::Done);
}

}  // namespace cli
