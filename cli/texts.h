// Every text lockbay-cli shows, in one place. The console program speaks English
// whatever language the main window uses: its output is read by scripts and quoted in
// support requests, and its words (PROTECTED, removable, ...) are part of that output.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/drive_operations.h"
#include "drive_rules/cleaning.h"
#include "drive_rules/computer_autorun.h"
#include "drive_rules/drive_checks.h"
#include "platform/filesystem.h"
#include "platform/program.h"
#include "platform/registry.h"

namespace cli::texts {

// ---- Usage ---------------------------------------------------------------------------
std::wstring help();
std::wstring versionText(const platform::ProgramVersion& version);
std::wstring seeHelp();
std::wstring noCommand();
std::wstring unknownCommand(const std::wstring& word);
std::wstring unknownOption(const std::wstring& word);
std::wstring computerNeedsAction();
std::wstring unknownComputerAction(const std::wstring& word);
std::wstring unexpectedWord(const std::wstring& word);
std::wstring optionNotHere(const std::wstring& option);
std::wstring noDrive(const std::wstring& command);
std::wstring drivesAndAllRemovable();
std::wstring notADriveLetter(const std::wstring& word);
std::wstring driveWithoutColon(const std::wstring& word);
std::wstring pathInPlaceOfDrive(const std::wstring& word);
std::wstring notADrive(const std::wstring& word);

// ---- Drives --------------------------------------------------------------------------
std::wstring kindWord(platform::DriveKind kind);
std::wstring statusWord(lockbay::DriveStatus status);
std::vector<std::wstring> listHeadings();
std::wstring yesWord();
std::wstring noWord();
std::wstring unknownWord();
std::wstring noWritableDrive();
std::wstring noRemovableDrive();
std::wstring notUsable(wchar_t drive, Usability usability);
std::wstring systemDriveLeftOut(wchar_t drive);
std::wstring confirmConversion(wchar_t drive, const std::wstring& fileSystem);
std::wstring conversionDeclined(wchar_t drive);
std::wstring conversionRefusedByPolicy(wchar_t drive);
std::wstring cleanRefusedByPolicy();
std::wstring cleaningOffByPolicy();
std::wstring policyLine(const std::wstring& name, const std::optional<std::wstring>& setting);
std::wstring noRoomToConvert(wchar_t drive, double freeMegabytes);

std::wstring stepDeleteFile(wchar_t drive);
std::wstring stepQuarantineFile(wchar_t drive);
std::wstring noCopyKept(wchar_t drive);
std::wstring stepGrantFile(wchar_t drive);
std::wstring stepMakeFolder(wchar_t drive);
std::wstring stepConvert(wchar_t drive);
std::wstring stepDeny(wchar_t drive);
std::wstring stepMakeMarker(wchar_t drive);
std::wstring stepTakeOwnership(wchar_t drive);
std::wstring stepGrantFolder(wchar_t drive);
std::wstring stepRemoveMarker(wchar_t drive);
std::wstring stepRemoveFolder(wchar_t drive);

std::wstring stepExitCode(const std::wstring& step, const std::wstring& command, std::uint32_t exitCode);
std::wstring stepTimedOut(const std::wstring& step, const std::wstring& command, int minutes);
std::wstring stepNotStarted(const std::wstring& step, const std::wstring& command,
                            const std::wstring& reason);
std::wstring mayNeedAdministrator();
std::wstring fileNotDeleted(wchar_t drive);
std::wstring folderNotMade(wchar_t drive);
std::wstring markerNotMade(wchar_t drive);
std::wstring stillNotNtfs(wchar_t drive, const std::wstring& fileSystem);
std::wstring cannotConvert(wchar_t drive, const std::wstring& fileSystem);
std::wstring denyEntryMissing(wchar_t drive);
std::wstring notProtectedAsAsked(wchar_t drive, const lockbay::ProtectionReading& reading, bool advanced);
std::wstring notRestored(wchar_t drive, const lockbay::ProtectionReading& reading);
std::wstring protectedDone(wchar_t drive, bool advanced, bool converted);
std::wstring restoredDone(wchar_t drive);

// ---- Cleaning ------------------------------------------------------------------------
// What Protect found on the drive, one line each: the programs, the shortcuts, the folders.
std::vector<std::wstring> foundLines(const lockbay::Infection& found);
std::wstring howToClean(wchar_t drive);
// What --clean did, one line each; failures name their reason.
std::vector<std::wstring> cleanedLines(const lockbay::CleanReport& report);
// What was left alone on the drive, each with its reason; nothing when the list is empty.
std::vector<std::wstring> refusedLines(const std::vector<lockbay::RefusedName>& refused);
// The reason alone, as refusedLines gives it.
std::wstring refusalText(lockbay::PathRefusal reason);
// X:\autorun.inf is a link: no access list or owner is changed through it.
std::wstring autorunIsLink(wchar_t drive);
std::wstring notAllCleaned(wchar_t drive, const lockbay::CleanReport& report);
std::wstring cleanedKindWord(lockbay::CleanedItem::Kind kind);

// ---- The computer's AutoRun ----------------------------------------------------------
std::wstring computerLine(bool off);
std::wstring savedLine(bool saved);
std::wstring settingTitle(lockbay::AutoRunSetting setting);
std::wstring keyPath(platform::RegistryRoot root, const std::wstring& key);
std::wstring registryTypeName(std::uint32_t type);
std::wstring valueText(const platform::RegistryValue& value);
std::wstring valueLabel();
std::wstring meaningLabel();
std::wstring absentWord();
std::wstring meaning(lockbay::AutoRunSetting setting, const std::optional<platform::RegistryValue>& value);
std::wstring needsAdministrator();
std::wstring conversionNeedsAdministrator(wchar_t drive);
std::wstring nothingSaved();
std::wstring registryRefused();
std::wstring notAsWritten();
std::wstring turnedOff();
std::wstring turnedBackOn();

}  // namespace cli::texts
