// Applying the selected language: reads the selection file clng.vlng in the working
// folder, then the language file it names, and sets every text of the caption table.
#pragma once

#include <array>
#include <string>

#include "texts/language_file.h"

namespace lockbay {

class LockbayApp;

class Module1 {
public:
    explicit Module1(LockbayApp& app) : app_(app) {}

    // At start-up, before any window is shown. Tells the user when the named language
    // file is missing.
    void loadlang();
    // Timer5 of the main window: re-applies the language silently, rebuilds the drive
    // list and switches the timer off.
    void captionStep();

    // The current text of a line after the caption table (39 and up), for the windows that
    // show those texts: English until a language file is applied.
    const std::wstring& text(CaptionLine line) const;

private:
    bool apply();
    void setEnglishStatusWords();
    void setCaption(CaptionLine line, const std::wstring& text);

    LockbayApp& app_;
    std::array<std::wstring, kLanguageLineCount> texts_ = englishTexts();
};

}  // namespace lockbay
