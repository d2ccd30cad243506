// The language the user selected: the user's own choice under HKCU, or else the
// selection file clng.vlng in the working folder, names a language file, which is read
// and split into its lines. Lockbay's windows and the watcher's notifications both take
// their texts from here.
#pragma once

#include <string>

#include "platform/filesystem.h"
#include "platform/registry.h"
#include "texts/language_file.h"

namespace lockbay {

// The selection file's name, relative to the working folder.
inline constexpr const wchar_t* kSelectionFile = L"clng.vlng";
// Where a user keeps a choice that the working folder could not take (the program folder
// under Program Files, which a standard user cannot write): HKCU\Software\Lockbay,
// value "Language", the bare name as a string. It is read before clng.vlng.
inline constexpr const wchar_t* kLanguageKey = L"Software\\Lockbay";
inline constexpr const wchar_t* kLanguageValue = L"Language";

// A selection names a language file only by a bare file name ending in ".vlng" (letters,
// digits, '-' and '_' before it, no device name such as CON), taken from the folder the
// language files are read from. Anything else (a path, a share, a device, a pipe) is
// treated as a missing file: the elevated Lockbay never opens what a selection points at.
bool isLanguageFileName(const std::wstring& name);

struct SelectedLanguage {
    enum class Outcome {
        Read,                 // the named language file was read; `language` holds its lines
        NoSelection,          // no usable selection file (missing, hidden, unreadable, empty name)
        LanguageFileMissing,  // the selection names a file that is not there (or not readable)
    };
    Outcome outcome = Outcome::NoSelection;
    LanguageLines language;
};

// Reads the selection and the language file it names. Only ordinary files count: a
// hidden or system file, or a folder, is missing.
SelectedLanguage readSelectedLanguage(platform::FileSystem& fs, platform::Registry& registry);

// Saves a choice: clng.vlng in the working folder, and the user's own value is removed
// so that it cannot hide the new choice; where clng.vlng cannot be written, the choice is
// kept for this user under HKCU. False, with the reason, when neither could be written.
bool saveSelection(platform::FileSystem& fs, platform::Registry& registry, const std::wstring& fileName,
                   std::wstring& error);

}  // namespace lockbay
