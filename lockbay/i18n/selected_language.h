// The language the user selected: the selection file clng.vlng in the working folder
// names a language file, which is read and split into its lines. Lockbay's windows and
// the watcher's notifications both take their texts from here.
#pragma once

#include "lockbay/i18n/language_file.h"
#include "platform/filesystem.h"

namespace lockbay {

// The selection file's name, relative to the working folder.
inline constexpr const wchar_t* kSelectionFile = L"clng.vlng";

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
SelectedLanguage readSelectedLanguage(platform::FileSystem& fs);

}  // namespace lockbay
