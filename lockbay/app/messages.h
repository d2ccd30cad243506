// Message box texts that no language file replaces.
#pragma once

namespace lockbay::messages {

inline constexpr const wchar_t* kProgramTitle = L"Lockbay";
// Followed directly by the drive letter.
inline constexpr const wchar_t* kCannotRemoveAutorun = L"Cannot remove autorun.inf file, please scan drive ";
inline constexpr const wchar_t* kLanguageFileMissing = L"Language file is missing! The language is now English.";
// The conversion watch gave up: "<prefix>E<suffix>", then one of the advices below.
inline constexpr const wchar_t* kConversionUnfinishedPrefix = L"Lockbay did not see the conversion of drive ";
inline constexpr const wchar_t* kConversionUnfinishedSuffix =
    L": to NTFS finish within 30 minutes, so Everyone has not been denied access to its autorun.inf folder.";
// The convert command could not be started: "<prefix>E<middle><reason>", then an advice.
inline constexpr const wchar_t* kConversionNotStartedPrefix = L"The conversion of drive ";
inline constexpr const wchar_t* kConversionNotStartedMiddle = L": to NTFS could not be started:\n";
// What the user can do then, by whether the hidden autorun.inf folder is in place and
// whether a conversion may still be running.
inline constexpr const wchar_t* kAdviceSimpleKeptAfterConversion =
    L"\n\nThe drive keeps its Simple protection. Once the conversion has finished, select the drive, "
    L"click Restore, then Protect it again in Advanced mode.";
inline constexpr const wchar_t* kAdviceNotProtectedAfterConversion =
    L"\n\nThe drive is not protected. Once the conversion has finished, select the drive and Protect it.";
inline constexpr const wchar_t* kAdviceSimpleKept =
    L"\n\nThe drive keeps its Simple protection. To try Advanced protection again, select the drive, "
    L"click Restore, then Protect it in Advanced mode.";
inline constexpr const wchar_t* kAdviceNotProtected = L"\n\nThe drive is not protected. Select it and Protect it again.";

// The language chooser could not write the selection file: "<prefix><reason><suffix>".
inline constexpr const wchar_t* kSelectionNotSavedPrefix = L"The language choice could not be saved in clng.vlng: ";
inline constexpr const wchar_t* kSelectionNotSavedSuffix = L"\nThe language stays as it was.";
// The update dialog could not start the updater: "<prefix><path><middle><reason>".
inline constexpr const wchar_t* kUpdaterNotStartedPrefix = L"The updater could not be started:\n";
inline constexpr const wchar_t* kUpdaterNotStartedMiddle = L"\n\n";

}  // namespace lockbay::messages
