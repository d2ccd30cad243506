// Every text lockbay-cli shows: see texts.h.
#include "cli/texts.h"

#include <cstdio>
#include <initializer_list>

#include "drive_rules/drive_status.h"
#include "drive_rules/drive_steps.h"
#include "texts/text_inserts.h"

namespace cli::texts {

namespace {

// `pattern` with {1}, {2}, ... replaced by the values in order.
std::wstring fill(std::wstring_view pattern, std::initializer_list<std::wstring_view> values) {
    std::wstring out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == L'{' && i + 2 < pattern.size() && pattern[i + 2] == L'}' &&
            pattern[i + 1] >= L'1' && pattern[i + 1] <= L'9') {
            const std::size_t index = static_cast<std::size_t>(pattern[i + 1] - L'1');
            if (index < values.size()) {
                out += *(values.begin() + index);
                i += 2;
                continue;
            }
        }
        out += pattern[i];
    }
    return out;
}

std::wstring name(wchar_t drive) {
    return std::wstring{drive, L':'};
}
std::wstring quoted(const std::wstring& text) {
    return L"\"" + text + L"\"";
}

std::wstring hex(std::uint32_t number) {
    wchar_t buffer[16] = {};
    std::swprintf(buffer, 16, L"0x%08x", static_cast<unsigned>(number));
    return buffer;
}

std::wstring megabytes(double value) {
    wchar_t buffer[32] = {};
    std::swprintf(buffer, 32, L"%.1f", value);
    return buffer;
}

// The drive types of NoDriveTypeAutoRun, by bit.
struct DriveTypeBit {
    std::uint32_t bit;
    const wchar_t* drives;
};
constexpr DriveTypeBit kDriveTypeBits[] = {
    {0x01, L"drives of unknown type"},
    {0x02, L"drives without a root folder"},
    {0x04, L"removable drives"},
    {0x08, L"fixed drives"},
    {0x10, L"network drives"},
    {0x20, L"CD and DVD drives"},
    {0x40, L"RAM disks"},
    {0x80, L"drives of other unknown types"},
};

std::wstring driveTypesMeaning(std::uint32_t bits) {
    if ((bits & 0xFF) == 0xFF) return L"AutoRun is off for every type of drive.";
    if ((bits & 0xFF) == 0) return L"AutoRun is on for every type of drive.";
    std::wstring off;
    for (const DriveTypeBit& type : kDriveTypeBits) {
        if (bits & type.bit) off += (off.empty() ? L"" : L", ") + std::wstring(type.drives);
    }
    return fill(L"AutoRun is off for {1}, and on for the other drives.", {off});
}

}  // namespace

// ---- Usage ---------------------------------------------------------------------------

std::wstring help() {
    return LR"(lockbay-cli: protects drives against viruses that spread through autorun.inf,
and switches off the computer's own AutoRun.

Usage:
  lockbay-cli list                           the writable drives and their protection
  lockbay-cli protect E: [F: ...] [--advanced] [--yes] [--clean]
  lockbay-cli protect --all-removable [--advanced] [--yes] [--clean]
  lockbay-cli restore E: [F: ...]
  lockbay-cli restore --all-removable
  lockbay-cli computer status                this computer's AutoRun settings
  lockbay-cli computer protect               turns AutoRun off on this computer
  lockbay-cli computer restore               puts the settings back as they were
  lockbay-cli policy                         the policies your organisation has set
  lockbay-cli --help | --version

Options:
  --advanced       also deny Everyone access to the protection folder; a drive that
                   is not NTFS is converted to NTFS first (this cannot be undone)
  --yes            convert without asking
  --clean          also quarantine what an infected autorun.inf started and the
                   shortcuts that pose as hidden folders, and show those folders again:
                   the files are moved into "<drive>:\Lockbay quarantine", never deleted
  --all-removable  every removable drive and USB disk; never the system drive
  --json           one JSON document on standard output, for scripts

Each step waits for the tools it starts, and success is reported only when the drive
reads as asked. Protect reads an infected autorun.inf before it removes it and reports
what the file started; without --clean nothing of it is moved. lockbay-cli runs with your rights and never asks for more; the
computer commands need a command prompt started with "Run as administrator".

Exit codes:
  0  done
  1  an operation failed, or --clean could not move a file (what failed is printed)
  2  bad usage
  3  needs administrator rights
  4  the drive is not there or cannot be written
  5  refused by your organisation's policy; nothing was changed
)";
}

std::wstring versionText(const platform::ProgramVersion& version) {
    return std::to_wstring(version.major) + L"." + std::to_wstring(version.minor) + L"." +
           std::to_wstring(version.revision);
}

std::wstring seeHelp() {
    return L"Run \"lockbay-cli --help\" to see the commands.";
}
std::wstring noCommand() {
    return L"No command given.";
}
std::wstring unknownCommand(const std::wstring& word) {
    return fill(L"Unknown command {1}.", {quoted(word)});
}
std::wstring unknownOption(const std::wstring& word) {
    return fill(L"Unknown option {1}.", {quoted(word)});
}
std::wstring computerNeedsAction() {
    return L"\"computer\" needs one of: status, protect, restore.";
}
std::wstring unknownComputerAction(const std::wstring& word) {
    return fill(L"Unknown computer command {1}: use status, protect or restore.", {quoted(word)});
}
std::wstring unexpectedWord(const std::wstring& word) {
    return fill(L"Unexpected {1}: this command takes no drive.", {quoted(word)});
}
std::wstring optionNotHere(const std::wstring& option) {
    return fill(L"{1} does not go with this command.", {option});
}
std::wstring noDrive(const std::wstring& command) {
    return fill(L"\"{1}\" needs a drive, such as E:, or --all-removable.", {command});
}
std::wstring drivesAndAllRemovable() {
    return L"Give drives or --all-removable, not both.";
}
std::wstring notADriveLetter(const std::wstring& word) {
    return fill(L"{1} is not a drive letter: drive letters go from A: to Z:.", {quoted(word)});
}
std::wstring driveWithoutColon(const std::wstring& word) {
    return fill(L"{1} is not a drive: write the letter with its colon, {2}:.", {quoted(word), word});
}
std::wstring pathInPlaceOfDrive(const std::wstring& word) {
    return fill(L"{1} is a path: give the drive alone, a letter and a colon, such as E:.", {quoted(word)});
}
std::wstring notADrive(const std::wstring& word) {
    return fill(L"{1} is not a drive: give a letter and a colon, such as E:.", {quoted(word)});
}

// ---- Drives --------------------------------------------------------------------------

std::wstring kindWord(platform::DriveKind kind) {
    switch (kind) {
        case platform::DriveKind::Removable:
            return L"removable";
        case platform::DriveKind::Fixed:
            return L"fixed";
        case platform::DriveKind::Network:
            return L"network";
        case platform::DriveKind::Optical:
            return L"optical";
        case platform::DriveKind::RamDisk:
            return L"ramdisk";
        case platform::DriveKind::Unknown:
            break;
    }
    return L"unknown";
}

std::wstring statusWord(lockbay::DriveStatus status) {
    switch (status) {
        case lockbay::DriveStatus::Protected:
            return L"PROTECTED";
        case lockbay::DriveStatus::Infected:
            return L"INFECTED";
        case lockbay::DriveStatus::Unprotected:
            break;
    }
    return L"UNPROTECTED";
}

std::vector<std::wstring> listHeadings() {
    return {L"DRIVE", L"TYPE", L"FILE SYSTEM", L"STATUS", L"ADVANCED"};
}
std::wstring yesWord() {
    return L"yes";
}
std::wstring noWord() {
    return L"no";
}
std::wstring unknownWord() {
    return L"unknown";
}
std::wstring noWritableDrive() {
    return L"No writable drive.";
}
std::wstring noRemovableDrive() {
    return L"No removable drive to work on.";
}

std::wstring notUsable(wchar_t drive, Usability usability) {
    switch (usability) {
        case Usability::Missing:
            return fill(L"{1} is not there: no drive has that letter.", {name(drive)});
        case Usability::Optical:
            return fill(L"{1} is a CD or DVD drive: it cannot be protected.", {name(drive)});
        case Usability::NotWritable:
            return fill(L"{1} cannot be written: it is write-protected, not ready or has no medium.",
                        {name(drive)});
        case Usability::Usable:
            break;
    }
    return {};
}

std::wstring systemDriveLeftOut(wchar_t drive) {
    return fill(L"{1} is left out: it is the system drive, which --all-removable never includes.",
                {name(drive)});
}

std::wstring confirmConversion(wchar_t drive, const std::wstring& fileSystem) {
    return fill(
        L"{1} is {2}. Advanced protection converts it to NTFS first, and a conversion cannot be "
        L"undone. Convert {1} to NTFS? [y/N] ",
        {name(drive), fileSystem.empty() ? L"not NTFS" : fileSystem});
}

std::wstring conversionDeclined(wchar_t drive) {
    return fill(
        L"{1} was not converted to NTFS, so it has no Advanced protection; nothing on {1} was changed. "
        L"Answer yes, or add --yes, to convert it.",
        {name(drive)});
}

std::wstring noRoomToConvert(wchar_t drive, double freeMegabytes) {
    return fill(
        L"{1} has {2} MB free; converting it to NTFS needs at least {3} MB. Nothing on {1} was changed.",
        {name(drive), megabytes(freeMegabytes),
         std::to_wstring(static_cast<int>(lockbay::kConversionMinimumMegabytes))});
}

std::wstring stepDeleteFile(wchar_t drive) {
    return L"delete the file " + lockbay::protectionFolder(drive);
}
std::wstring stepQuarantineFile(wchar_t drive) {
    return L"move the file " + lockbay::protectionFolder(drive) + L" into " + lockbay::quarantineRoot(drive);
}
std::wstring noCopyKept(wchar_t drive) {
    return lockbay::fillInserts(lockbay::englishText(lockbay::CaptionLine::kAutorunNotKept),
                                {std::wstring(1, drive), lockbay::quarantineRoot(drive)});
}
std::wstring stepGrantFile(wchar_t drive) {
    return L"give Everyone full access to the file " + lockbay::protectionFolder(drive);
}
std::wstring stepMakeFolder(wchar_t drive) {
    return L"make the hidden folder " + lockbay::protectionFolder(drive);
}
std::wstring stepConvert(wchar_t drive) {
    return fill(L"convert {1} to NTFS", {name(drive)});
}
std::wstring stepDeny(wchar_t drive) {
    return L"deny Everyone access to " + lockbay::protectionFolder(drive);
}
std::wstring stepMakeMarker(wchar_t drive) {
    return L"make the hidden marker folder " + lockbay::markerFolder(drive);
}
std::wstring stepTakeOwnership(wchar_t drive) {
    return L"take ownership of " + lockbay::protectionFolder(drive);
}
std::wstring stepGrantFolder(wchar_t drive) {
    return L"give Everyone full access to " + lockbay::protectionFolder(drive) + L" again";
}
std::wstring stepRemoveMarker(wchar_t drive) {
    return L"remove the marker folder " + lockbay::markerFolder(drive);
}
std::wstring stepRemoveFolder(wchar_t drive) {
    return L"remove the protection folder " + lockbay::protectionFolder(drive);
}

std::wstring stepExitCode(const std::wstring& step, const std::wstring& command, std::uint32_t exitCode) {
    return fill(L"The step \"{1}\" failed: {2} ended with exit code {3}.",
                {step, quoted(command), std::to_wstring(exitCode)});
}
std::wstring stepTimedOut(const std::wstring& step, const std::wstring& command, int minutes) {
    return fill(L"The step \"{1}\" failed: {2} had not ended after {3} minutes (it may still be running).",
                {step, quoted(command), std::to_wstring(minutes)});
}
std::wstring stepNotStarted(const std::wstring& step, const std::wstring& command,
                            const std::wstring& reason) {
    return fill(L"The step \"{1}\" failed: {2} could not be started: {3}", {step, quoted(command), reason});
}
std::wstring mayNeedAdministrator() {
    return L" It may need administrator rights: try again from a command prompt started with \"Run as "
           L"administrator\".";
}
std::wstring fileNotDeleted(wchar_t drive) {
    return fill(L"The file {1} could not be deleted: scan {2} for viruses and try again.",
                {lockbay::protectionFolder(drive), name(drive)});
}
std::wstring folderNotMade(wchar_t drive) {
    return fill(L"The folder {1} could not be made.", {lockbay::protectionFolder(drive)});
}
std::wstring markerNotMade(wchar_t drive) {
    return fill(L"The marker folder {1} could not be made.", {lockbay::markerFolder(drive)});
}
std::wstring stillNotNtfs(wchar_t drive, const std::wstring& fileSystem) {
    return fill(L"{1} still reads as {2} after the conversion; it has Simple protection only.",
                {name(drive), fileSystem.empty() ? L"unknown" : fileSystem});
}

std::wstring cannotConvert(wchar_t drive, const std::wstring& fileSystem) {
    return fill(
        L"{1} reads as {2}, which cannot be converted to NTFS (only FAT and FAT32 can), so it cannot get "
        L"Advanced protection. Nothing on {1} was changed; protect it without --advanced.",
        {name(drive), fileSystem.empty() ? L"an unknown file system" : fileSystem});
}

std::wstring denyEntryMissing(wchar_t drive) {
    return fill(
        L"Advanced protection could not be applied: the access list of {1} does not deny Everyone access "
        L"after the deny step, so no marker was made. {2} has Simple protection.",
        {lockbay::protectionFolder(drive), name(drive)});
}

std::wstring notProtectedAsAsked(wchar_t drive, const lockbay::ProtectionReading& reading, bool advanced) {
    const std::wstring folder = lockbay::protectionFolder(drive);
    std::wstring what;
    if (reading.status != lockbay::DriveStatus::Protected) {
        what = fill(L"{1} is not a folder", {folder});
    } else if (!reading.folderHidden) {
        what = fill(L"{1} is not hidden", {folder});
    } else if (advanced && !reading.everyoneDenied) {
        what = fill(L"the permissions of {1} could not be read", {folder});
    } else if (advanced && !*reading.everyoneDenied) {
        what = fill(L"the permissions of {1} do not deny Everyone access", {folder});
    } else {
        what = fill(L"the hidden marker folder {1} is not there", {lockbay::markerFolder(drive)});
    }
    return fill(L"{1} does not read as protected afterwards: {2}.", {name(drive), what});
}

std::wstring notRestored(wchar_t drive, const lockbay::ProtectionReading& reading) {
    const std::wstring left = reading.status == lockbay::DriveStatus::Protected
                                  ? lockbay::protectionFolder(drive)
                                  : lockbay::markerFolder(drive);
    return fill(
        L"{1} is still protected afterwards: {2} could not be removed. Lockbay removes only empty "
        L"folders; files inside are never deleted.",
        {name(drive), left});
}

std::wstring protectedDone(wchar_t drive, bool advanced, bool converted) {
    if (!advanced)
        return fill(L"{1} protected: {2} is a hidden folder.",
                    {name(drive), lockbay::protectionFolder(drive)});
    return fill(L"{1} protected (Advanced{3}): {2} is a hidden folder that denies Everyone access.",
                {name(drive), lockbay::protectionFolder(drive), converted ? L", converted to NTFS" : L""});
}

std::wstring restoredDone(wchar_t drive) {
    return fill(L"{1} restored: {2} and {3} are gone.",
                {name(drive), lockbay::protectionFolder(drive), lockbay::markerFolder(drive)});
}

// ---- Cleaning ------------------------------------------------------------------------

std::vector<std::wstring> foundLines(const lockbay::Infection& found) {
    std::vector<std::wstring> lines = {fill(
        L"{1} holds files that its autorun.inf started, or that pose as your folders:", {name(found.drive)})};
    const auto group = [&](const wchar_t* heading, const std::vector<std::wstring>& paths) {
        if (paths.empty()) return;
        lines.push_back(std::wstring(L"  ") + heading);
        for (const std::wstring& path : paths) lines.push_back(L"    " + path);
    };
    group(L"Programs that the virus runs:", found.programs);
    group(L"Shortcuts that pose as folders:", found.shortcuts);
    group(L"Folders that the virus has hidden:", found.hiddenFolders);
    return lines;
}

std::wstring conversionRefusedByPolicy(wchar_t drive) {
    return fill(
        L"{1} is not NTFS, and your organisation does not allow converting drives to NTFS (set by your "
        L"organisation), so it gets no Advanced protection; nothing on {1} was changed.",
        {name(drive)});
}
std::wstring cleanRefusedByPolicy() {
    return L"Cleaning drives is turned off by your organisation (set by your organisation): --clean is not "
           L"allowed, nothing was changed. Protect without --clean still reports what an autorun.inf starts.";
}
std::wstring cleaningOffByPolicy() {
    return L"Nothing has been moved: cleaning drives is turned off by your organisation (set by your "
           L"organisation).";
}
std::wstring policyLine(const std::wstring& name, const std::optional<std::wstring>& setting) {
    return name + L": " +
           (setting ? *setting + L" (set by your organisation)" : std::wstring(L"not configured"));
}

std::wstring howToClean(wchar_t drive) {
    return fill(
        L"Nothing has been moved. To move the programs and shortcuts into \"{2}\" on the drive (nothing is "
        L"deleted) and show the hidden folders again, run: lockbay-cli protect {1} --clean",
        {name(drive), lockbay::quarantineRoot(drive)});
}

std::vector<std::wstring> cleanedLines(const lockbay::CleanReport& report) {
    std::vector<std::wstring> lines;
    if (report.quarantined()) {
        lines.push_back(
            fill(L"{1} cleaned into \"{2}\"; README.txt there lists each file and tells how to put it back.",
                 {name(report.drive), report.quarantineFolder}));
    } else if (report.quarantineIsLink()) {
        lines.push_back(
            fill(L"Nothing has been moved: the folder \"{1}\" on {2} is a link that may lead off "
                 L"the drive, and nothing is written through it.",
                 {lockbay::quarantineRoot(report.drive), name(report.drive)}));
    } else {
        lines.push_back(fill(L"Nothing has been moved: the folder \"{1}\" could not be made on {2}.",
                             {lockbay::quarantineRoot(report.drive), name(report.drive)}));
    }
    for (const lockbay::CleanedItem& item : report.items) {
        if (item.kind == lockbay::CleanedItem::Kind::AutorunCopy) continue;  // failing with the README
        const bool folder = item.kind == lockbay::CleanedItem::Kind::HiddenFolder;
        if (item.done) {
            lines.push_back(folder ? L"  shown again  " + item.oldPath
                                   : L"  moved        " + item.oldPath + L" -> " + item.newPath);
        } else {
            lines.push_back((folder ? L"  STILL HIDDEN " : L"  NOT MOVED    ") + item.oldPath +
                            (item.error.empty() ? L"" : L" (" + item.error + L")"));
        }
    }
    if (report.quarantined() && !report.readmeWritten) {
        lines.push_back(fill(L"  README.txt could not be written: {1}", {report.readmeError}));
    }
    return lines;
}

namespace {
const std::wstring& english(lockbay::CaptionLine line) {
    return lockbay::englishText(line);
}
}  // namespace

std::vector<std::wstring> refusedLines(const std::vector<lockbay::RefusedName>& refused) {
    if (refused.empty()) return {};
    std::vector<std::wstring> lines = {L"  " + english(lockbay::CaptionLine::kCleanRefusedHeading)};
    for (const lockbay::RefusedName& name : refused)
        lines.push_back(L"    " + lockbay::refusedLine(name, english));
    return lines;
}

std::wstring refusalText(lockbay::PathRefusal reason) {
    return lockbay::refusalText(reason, english);
}

std::wstring autorunIsLink(wchar_t drive) {
    return fill(
        L"{1}\\autorun.inf is a link (a junction or symbolic link) that may lead off the drive. Lockbay "
        L"changes no access list or owner through it; remove the link and run the command again.",
        {name(drive)});
}

std::wstring notAllCleaned(wchar_t drive, const lockbay::CleanReport& report) {
    return fill(L"{1} was cleaned only in part: {2} of its items could not be changed.",
                {name(drive), std::to_wstring(report.failures())});
}

std::wstring cleanedKindWord(lockbay::CleanedItem::Kind kind) {
    switch (kind) {
        case lockbay::CleanedItem::Kind::Program:
            return L"program";
        case lockbay::CleanedItem::Kind::Shortcut:
            return L"shortcut";
        case lockbay::CleanedItem::Kind::AutorunCopy:
            return L"autorunCopy";
        case lockbay::CleanedItem::Kind::Autorun:
            return L"autorun";
        case lockbay::CleanedItem::Kind::HiddenFolder:
            break;
    }
    return L"hiddenFolder";
}

// ---- The computer's AutoRun ----------------------------------------------------------

std::wstring computerLine(bool off) {
    return off ? L"This computer: AutoRun is off" : L"This computer: AutoRun is on";
}

std::wstring savedLine(bool saved) {
    return saved
               ? fill(
                     L"Saved by Lockbay: the values it replaced are in {1}; \"lockbay-cli computer restore\" "
                     L"puts them back.",
                     {keyPath(platform::RegistryRoot::LocalMachine, lockbay::kSavedAutoRunKey)})
               : L"Saved by Lockbay: nothing (Lockbay has not changed this computer's AutoRun settings).";
}

std::wstring settingTitle(lockbay::AutoRunSetting setting) {
    switch (setting) {
        case lockbay::AutoRunSetting::MachineDriveTypes:
            return L"NoDriveTypeAutoRun, policy of this computer";
        case lockbay::AutoRunSetting::UserDriveTypes:
            return L"NoDriveTypeAutoRun, policy of this user";
        case lockbay::AutoRunSetting::MachineNoAutorun:
            return L"NoAutorun, policy of this computer";
        case lockbay::AutoRunSetting::UserNoAutorun:
            return L"NoAutorun, policy of this user";
        case lockbay::AutoRunSetting::InfMapping:
            break;
    }
    return L"IniFileMapping of autorun.inf";
}

std::wstring keyPath(platform::RegistryRoot root, const std::wstring& key) {
    return (root == platform::RegistryRoot::LocalMachine ? L"HKLM\\" : L"HKCU\\") + key;
}

std::wstring registryTypeName(std::uint32_t type) {
    switch (type) {
        case platform::regtype::kString:
            return L"REG_SZ";
        case platform::regtype::kExpandString:
            return L"REG_EXPAND_SZ";
        case platform::regtype::kBinary:
            return L"REG_BINARY";
        case platform::regtype::kDword:
            return L"REG_DWORD";
        case platform::regtype::kMultiString:
            return L"REG_MULTI_SZ";
        case platform::regtype::kQword:
            return L"REG_QWORD";
        default:
            break;
    }
    return L"type " + std::to_wstring(type);
}

std::wstring valueText(const platform::RegistryValue& value) {
    if (const auto number = platform::dwordOf(value))
        return hex(*number) + L" (" + std::to_wstring(*number) + L")";
    if (const auto text = platform::stringOf(value)) return quoted(*text);
    return registryTypeName(value.type) + L", " + std::to_wstring(value.data.size()) + L" bytes";
}

std::wstring valueLabel() {
    return L"value:   ";
}
std::wstring meaningLabel() {
    return L"meaning: ";
}
std::wstring absentWord() {
    return L"absent";
}

std::wstring meaning(lockbay::AutoRunSetting setting, const std::optional<platform::RegistryValue>& value) {
    using lockbay::AutoRunSetting;
    switch (setting) {
        case AutoRunSetting::MachineDriveTypes:
        case AutoRunSetting::UserDriveTypes: {
            const std::wstring scope = setting == AutoRunSetting::UserDriveTypes
                                           ? L" For this user, unless this computer's policy sets it."
                                           : L"";
            if (!value) return L"Not set: Windows' own default applies." + scope;
            const auto bits = platform::dwordOf(*value);
            if (!bits) return L"Not a number, so Windows' own default applies." + scope;
            return driveTypesMeaning(*bits) + scope;
        }
        case AutoRunSetting::MachineNoAutorun:
        case AutoRunSetting::UserNoAutorun: {
            const std::wstring scope = setting == AutoRunSetting::UserNoAutorun
                                           ? L" For this user, unless this computer's policy sets it."
                                           : L"";
            if (!value)
                return L"Not set: Windows' own default applies (it asks before running AutoRun commands)." +
                       scope;
            const auto number = platform::dwordOf(*value);
            if (number == 1u) return L"AutoRun commands are never run." + scope;
            if (number == 2u) return L"AutoRun commands are run without asking." + scope;
            return L"No meaning for Windows: its own default applies." + scope;
        }
        case AutoRunSetting::InfMapping:
            break;
    }
    if (!value) return L"Not set: Windows reads autorun.inf on the drives.";
    const auto text = platform::stringOf(*value);
    if (text && *text == lockbay::kIgnoredInfMapping) return L"Windows ignores autorun.inf on every drive.";
    if (text) return fill(L"Windows reads autorun.inf from the registry ({1}), never from a drive.", {*text});
    return L"Not a text: Windows reads autorun.inf on the drives.";
}

std::wstring conversionNeedsAdministrator(wchar_t drive) {
    return fill(
        L"Advanced protection of {1} converts it to NTFS, which needs administrator rights: run "
        L"lockbay-cli from a command prompt started with \"Run as administrator\". Nothing on {1} was "
        L"changed.",
        {name(drive)});
}
std::wstring needsAdministrator() {
    return L"Changing this computer's AutoRun settings needs administrator rights: run lockbay-cli from a "
           L"command "
           L"prompt started with \"Run as administrator\". Nothing was changed.";
}
std::wstring nothingSaved() {
    return L"Lockbay has not turned AutoRun off on this computer, so there are no saved settings to put "
           L"back. "
           L"Nothing was changed.";
}
std::wstring registryRefused() {
    return L"The registry refused the change. Nothing was changed.";
}
std::wstring notAsWritten() {
    return L"The AutoRun settings do not read back as they were written.";
}
std::wstring turnedOff() {
    return fill(L"AutoRun is now off on this computer. The values it replaced are saved in {1}.",
                {keyPath(platform::RegistryRoot::LocalMachine, lockbay::kSavedAutoRunKey)});
}
std::wstring turnedBackOn() {
    return L"This computer's AutoRun settings are back as they were before Lockbay turned AutoRun off.";
}

}  // namespace cli::texts
