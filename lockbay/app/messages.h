// Message box texts that no language file replaces.
#pragma once

namespace lockbay::messages {

inline constexpr const wchar_t* kProgramTitle = L"Lockbay";
// Followed directly by the drive letter.
inline constexpr const wchar_t* kCannotRemoveAutorun = L"Cannot remove autorun.inf file, please scan drive ";
inline constexpr const wchar_t* kLanguageFileMissing = L"Language file is missing! The language is now English.";
// The conversion watch gave up: "<prefix>E<suffix>".
inline constexpr const wchar_t* kConversionUnfinishedPrefix = L"The conversion of drive ";
inline constexpr const wchar_t* kConversionUnfinishedSuffix =
    L": to NTFS did not finish within 30 minutes. The drive keeps its simple protection; "
    L"when the conversion has finished, select the drive and protect it again.";

// The language chooser could not write the selection file: "<prefix><reason><suffix>".
inline constexpr const wchar_t* kSelectionNotSavedPrefix = L"The language choice could not be saved in clng.vlng: ";
inline constexpr const wchar_t* kSelectionNotSavedSuffix = L"\nThe language stays as it was.";
// The update dialog could not start the updater: "<prefix><path><middle><reason>".
inline constexpr const wchar_t* kUpdaterNotStartedPrefix = L"The updater could not be started:\n";
inline constexpr const wchar_t* kUpdaterNotStartedMiddle = L"\n\n";

}  // namespace lockbay::messages
