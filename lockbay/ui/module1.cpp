// Applying the selected language: see module1.h.
#include "lockbay/ui/module1.h"

#include <functional>

#include "lockbay/app/dialog.h"
#include "lockbay/app/lockbay_app.h"
#include "lockbay/app/messages.h"
#include "lockbay/operations/frs.h"
#include "lockbay/ui/form1.h"
#include "lockbay/ui/form2.h"
#include "lockbay/ui/form3.h"
#include "texts/language_file.h"
#include "texts/selected_language.h"

namespace lockbay {

namespace {

using Setter = std::function<void(LockbayApp&, const std::wstring&)>;

// The caption table: each line of a language file and the text(s) it sets, in the
// order they are set. Setting a text of a window that does not exist yet creates it
// hidden, which runs its load handler.
const std::vector<std::pair<CaptionLine, Setter>>& captionTable() {
    static const std::vector<std::pair<CaptionLine, Setter>> table = {
        {CaptionLine::kProtectedWord, [](LockbayApp& a, const std::wstring& t) { a.form1().st1 = t; }},
        {CaptionLine::kInfectedWord, [](LockbayApp& a, const std::wstring& t) { a.form1().st2 = t; }},
        {CaptionLine::kUnprotectedWord, [](LockbayApp& a, const std::wstring& t) { a.form1().st3 = t; }},
        {CaptionLine::kUpdateDialogTitle,
         [](LockbayApp& a, const std::wstring& t) { a.dialog().setTitle(t); }},
        {CaptionLine::kUpdateQuestion,
         [](LockbayApp& a, const std::wstring& t) { a.dialog().Label1.setText(t); }},
        {CaptionLine::kUpdateButton,
         [](LockbayApp& a, const std::wstring& t) { a.dialog().Label8.setText(t); }},
        {CaptionLine::kCancelButton,
         [](LockbayApp& a, const std::wstring& t) { a.dialog().Label2.setText(t); }},
        {CaptionLine::kCancelButton,
         [](LockbayApp& a, const std::wstring& t) { a.form3().Label8.setText(t); }},
        {CaptionLine::kFreeSpaceTitle,
         [](LockbayApp& a, const std::wstring& t) { a.freeSpaceDialog().setTitle(t); }},
        {CaptionLine::kFreeSpaceMessage,
         [](LockbayApp& a, const std::wstring& t) { a.freeSpaceDialog().Label1.setText(t); }},
        {CaptionLine::kContinueButton,
         [](LockbayApp& a, const std::wstring& t) { a.freeSpaceDialog().Label4.setText(t); }},
        {CaptionLine::kFreeSpaceCancelButton,
         [](LockbayApp& a, const std::wstring& t) { a.freeSpaceDialog().Label2.setText(t); }},
        {CaptionLine::kDriveListHeading,
         [](LockbayApp& a, const std::wstring& t) { a.form1().Label1.setText(t); }},
        {CaptionLine::kPleaseWait, [](LockbayApp& a, const std::wstring& t) { a.form1().waitt.setText(t); }},
        {CaptionLine::kRefreshButton,
         [](LockbayApp& a, const std::wstring& t) { a.form1().Label4.setText(t); }},
        {CaptionLine::kProtectButton,
         [](LockbayApp& a, const std::wstring& t) { a.form1().Label7.setText(t); }},
        {CaptionLine::kRestoreButton,
         [](LockbayApp& a, const std::wstring& t) { a.form1().Label8.setText(t); }},
        {CaptionLine::kSimpleMode, [](LockbayApp& a, const std::wstring& t) { a.form1().Label5.setText(t); }},
        {CaptionLine::kSimpleMode, [](LockbayApp& a, const std::wstring& t) { a.form1().Label3.setText(t); }},
        {CaptionLine::kAdvancedMode,
         [](LockbayApp& a, const std::wstring& t) { a.form1().Label2.setText(t); }},
        {CaptionLine::kAdvancedMode,
         [](LockbayApp& a, const std::wstring& t) { a.form1().Label6.setText(t); }},
        {CaptionLine::kProgramSupportButton,
         [](LockbayApp& a, const std::wstring& t) { a.form1().Label9.setText(t); }},
        {CaptionLine::kAboutTab, [](LockbayApp& a, const std::wstring& t) { a.form2().Label16.setText(t); }},
        {CaptionLine::kHowItWorksTab,
         [](LockbayApp& a, const std::wstring& t) { a.form2().Label17.setText(t); }},
        {CaptionLine::kHowToProtectTab,
         [](LockbayApp& a, const std::wstring& t) { a.form2().Label18.setText(t); }},
        {CaptionLine::kHowToRestoreTab,
         [](LockbayApp& a, const std::wstring& t) { a.form2().Label19.setText(t); }},
        {CaptionLine::kFaqLink, [](LockbayApp& a, const std::wstring& t) { a.form2().Label15.setText(t); }},
        {CaptionLine::kTitleLine, [](LockbayApp& a, const std::wstring& t) { a.form2().Label4.setText(t); }},
        {CaptionLine::kVersionLine,
         [](LockbayApp& a, const std::wstring& t) { a.form2().Label5.setText(t); }},
        {CaptionLine::kCreatedByLine,
         [](LockbayApp& a, const std::wstring& t) { a.form2().Label7.setText(t); }},
        {CaptionLine::kSupportLine,
         [](LockbayApp& a, const std::wstring& t) { a.form2().Label6.setText(t); }},
        {CaptionLine::kSimpleMethodHeading,
         [](LockbayApp& a, const std::wstring& t) { a.form2().Label10.setText(t); }},
        {CaptionLine::kAdvancedMethodHeading,
         [](LockbayApp& a, const std::wstring& t) { a.form2().Label11.setText(t); }},
        {CaptionLine::kHowToProtectText,
         [](LockbayApp& a, const std::wstring& t) { a.form2().Label12.setText(t); }},
        {CaptionLine::kHowToRestoreHeading,
         [](LockbayApp& a, const std::wstring& t) { a.form2().Label13.setText(t); }},
        {CaptionLine::kHowToRestoreText,
         [](LockbayApp& a, const std::wstring& t) { a.form2().Label14.setText(t); }},
        {CaptionLine::kSimpleMethodText,
         [](LockbayApp& a, const std::wstring& t) { a.form2().Label2.setText(t); }},
        {CaptionLine::kAdvancedMethodText,
         [](LockbayApp& a, const std::wstring& t) { a.form2().Label3.setText(t); }},
        {CaptionLine::kDescriptionHeading,
         [](LockbayApp& a, const std::wstring& t) { a.form2().Label8.setText(t); }},
        {CaptionLine::kHowToProtectHeading,
         [](LockbayApp& a, const std::wstring& t) { a.form2().Label9.setText(t); }},
        {CaptionLine::kWelcomeText,
         [](LockbayApp& a, const std::wstring& t) { a.form2().Label1.setText(t); }},
    };
    return table;
}

}  // namespace

void Module1::setEnglishStatusWords() {
    Form1& form = app_.form1();
    form.st1 = englishText(CaptionLine::kProtectedWord);
    form.st2 = englishText(CaptionLine::kInfectedWord);
    form.st3 = englishText(CaptionLine::kUnprotectedWord);
}

void Module1::setCaption(CaptionLine line, const std::wstring& text) {
    for (const auto& [tableLine, set] : captionTable()) {
        if (tableLine == line) set(app_, text);
    }
}

const std::wstring& Module1::text(CaptionLine line) const {
    return texts_[static_cast<std::size_t>(line) - 1];
}

// Applies the selected language; false when the selection names a file that is missing.
bool Module1::apply() {
    const SelectedLanguage selected = readSelectedLanguage(app_.fs(), app_.platform().registry);
    // A selection file that is missing, unreadable or names nothing, or a language file
    // that is missing: English status words, every other text as it was.
    if (selected.outcome != SelectedLanguage::Outcome::Read) {
        setEnglishStatusWords();
        return selected.outcome != SelectedLanguage::Outcome::LanguageFileMissing;
    }
    const LanguageLines& language = selected.language;
    // A short file sets the lines it has; the status words it lacks are English.
    if (language.lines.size() < static_cast<std::size_t>(CaptionLine::kUnprotectedWord))
        setEnglishStatusWords();
    for (std::size_t i = 0; i < language.lines.size() && i < kCaptionLineCount; ++i) {
        setCaption(static_cast<CaptionLine>(i + 1), language.lines[i]);
    }
    // The newer lines come from the file, or in English from a file made for an older
    // Lockbay, never from the language that was applied before.
    for (std::size_t i = kCaptionLineCount; i < kLanguageLineCount; ++i) {
        texts_[i] = textOrEnglish(language, static_cast<CaptionLine>(i + 1));
    }
    return true;
}

void Module1::loadlang() {
    if (!apply()) {
        app_.ui().messageBox(messages::kLanguageFileMissing, messages::kProgramTitle);
    }
}

void Module1::captionStep() {
    Form1& form = app_.form1();
    // The step's last act on every path, also when reading or the list fails: left on,
    // the timer would run the step again every 20 ms for ever.
    struct SwitchOffAtEnd {
        platform::ui::Timer& timer;
        ~SwitchOffAtEnd() { timer.setEnabled(false); }
    } const switchOff{form.Timer5};
    apply();
    form.loadlist();
    form.showAutoRunTexts();
}

}  // namespace lockbay
