// Applying the selected language: see module1.h.
#include "lockbay/i18n/module1.h"

#include <functional>
#include <optional>

#include "lockbay/app/dialog.h"
#include "lockbay/app/lockbay_app.h"
#include "lockbay/app/messages.h"
#include "lockbay/i18n/captions.h"
#include "lockbay/i18n/form3.h"
#include "lockbay/i18n/language_file.h"
#include "lockbay/i18n/selection_file.h"
#include "lockbay/protection/frs.h"
#include "lockbay/ui/form1.h"
#include "lockbay/ui/form2.h"

namespace lockbay {

namespace {

using Setter = std::function<void(LockbayApp&, const std::wstring&)>;

// The caption table: each line of a language file and the text(s) it sets, in the
// order they are set. Setting a text of a window that does not exist yet creates it
// hidden, which runs its load handler.
const std::vector<std::pair<int, Setter>>& captionTable() {
    static const std::vector<std::pair<int, Setter>> table = {
        {kStatusProtected, [](LockbayApp& a, const std::wstring& t) { a.form1().st1 = t; }},
        {kStatusInfected, [](LockbayApp& a, const std::wstring& t) { a.form1().st2 = t; }},
        {kStatusUnprotected, [](LockbayApp& a, const std::wstring& t) { a.form1().st3 = t; }},
        {kDialogTitle, [](LockbayApp& a, const std::wstring& t) { a.dialog().setTitle(t); }},
        {kDialogMessage, [](LockbayApp& a, const std::wstring& t) { a.dialog().Label1.setText(t); }},
        {kDialogUpdate, [](LockbayApp& a, const std::wstring& t) { a.dialog().Label8.setText(t); }},
        {kCancel, [](LockbayApp& a, const std::wstring& t) { a.dialog().Label2.setText(t); }},
        {kCancel, [](LockbayApp& a, const std::wstring& t) { a.form3().Label8.setText(t); }},
        {kFreeSpaceTitle, [](LockbayApp& a, const std::wstring& t) { a.freeSpaceDialog().setTitle(t); }},
        {kFreeSpaceMessage, [](LockbayApp& a, const std::wstring& t) { a.freeSpaceDialog().Label1.setText(t); }},
        {kFreeSpaceContinue, [](LockbayApp& a, const std::wstring& t) { a.freeSpaceDialog().Label4.setText(t); }},
        {kFreeSpaceCancel, [](LockbayApp& a, const std::wstring& t) { a.freeSpaceDialog().Label2.setText(t); }},
        {kMainHeading, [](LockbayApp& a, const std::wstring& t) { a.form1().Label1.setText(t); }},
        {kMainPleaseWait, [](LockbayApp& a, const std::wstring& t) { a.form1().waitt.setText(t); }},
        {kMainRefresh, [](LockbayApp& a, const std::wstring& t) { a.form1().Label4.setText(t); }},
        {kMainProtect, [](LockbayApp& a, const std::wstring& t) { a.form1().Label7.setText(t); }},
        {kMainRestore, [](LockbayApp& a, const std::wstring& t) { a.form1().Label8.setText(t); }},
        {kMainSimple, [](LockbayApp& a, const std::wstring& t) { a.form1().Label5.setText(t); }},
        {kMainSimple, [](LockbayApp& a, const std::wstring& t) { a.form1().Label3.setText(t); }},
        {kMainAdvanced, [](LockbayApp& a, const std::wstring& t) { a.form1().Label2.setText(t); }},
        {kMainAdvanced, [](LockbayApp& a, const std::wstring& t) { a.form1().Label6.setText(t); }},
        {kMainProgramSupport, [](LockbayApp& a, const std::wstring& t) { a.form1().Label9.setText(t); }},
        {kHelpTabAbout, [](LockbayApp& a, const std::wstring& t) { a.form2().Label16.setText(t); }},
        {kHelpTabHowItWorks, [](LockbayApp& a, const std::wstring& t) { a.form2().Label17.setText(t); }},
        {kHelpTabHowToProtect, [](LockbayApp& a, const std::wstring& t) { a.form2().Label18.setText(t); }},
        {kHelpTabHowToRestore, [](LockbayApp& a, const std::wstring& t) { a.form2().Label19.setText(t); }},
        {kHelpFaqLink, [](LockbayApp& a, const std::wstring& t) { a.form2().Label15.setText(t); }},
        {kHelpTitleLine, [](LockbayApp& a, const std::wstring& t) { a.form2().Label4.setText(t); }},
        {kHelpVersionLine, [](LockbayApp& a, const std::wstring& t) { a.form2().Label5.setText(t); }},
        {kHelpCreditLine, [](LockbayApp& a, const std::wstring& t) { a.form2().Label7.setText(t); }},
        {kHelpSupportLine, [](LockbayApp& a, const std::wstring& t) { a.form2().Label6.setText(t); }},
        {kHelpSimpleHeading, [](LockbayApp& a, const std::wstring& t) { a.form2().Label10.setText(t); }},
        {kHelpAdvancedHeading, [](LockbayApp& a, const std::wstring& t) { a.form2().Label11.setText(t); }},
        {kHelpProtectText, [](LockbayApp& a, const std::wstring& t) { a.form2().Label12.setText(t); }},
        {kHelpRestoreHeading, [](LockbayApp& a, const std::wstring& t) { a.form2().Label13.setText(t); }},
        {kHelpRestoreText, [](LockbayApp& a, const std::wstring& t) { a.form2().Label14.setText(t); }},
        {kHelpSimpleText, [](LockbayApp& a, const std::wstring& t) { a.form2().Label2.setText(t); }},
        {kHelpAdvancedText, [](LockbayApp& a, const std::wstring& t) { a.form2().Label3.setText(t); }},
        {kHelpAboutHeading, [](LockbayApp& a, const std::wstring& t) { a.form2().Label8.setText(t); }},
        {kHelpProtectHeading, [](LockbayApp& a, const std::wstring& t) { a.form2().Label9.setText(t); }},
        {kHelpWelcomeText, [](LockbayApp& a, const std::wstring& t) { a.form2().Label1.setText(t); }},
    };
    return table;
}

// The existence test of the language files: a search that finds only ordinary files,
// so hidden or system files and folders count as missing.
std::optional<std::string> readOrdinaryFile(platform::FileSystem& fs, const std::wstring& path) {
    if (!fs.normalFileExists(path)) return std::nullopt;
    return fs.readFile(path);
}

}  // namespace

void Module1::setEnglishStatusWords() {
    Form1& form = app_.form1();
    form.st1 = builtInText(kStatusProtected);
    form.st2 = builtInText(kStatusInfected);
    form.st3 = builtInText(kStatusUnprotected);
}

void Module1::setCaption(int line, const std::wstring& text) {
    for (const auto& [tableLine, set] : captionTable()) {
        if (tableLine == line) set(app_, text);
    }
}

Module1::Outcome Module1::apply() {
    platform::FileSystem& fs = app_.fs();
    // A selection file that is missing, unreadable or names nothing: English status
    // words, every other text as it was.
    const std::optional<std::string> selection = readOrdinaryFile(fs, kSelectionFile);
    const std::optional<std::wstring> name = selection ? readSelectionName(*selection) : std::nullopt;
    if (!name) {
        setEnglishStatusWords();
        return Outcome::NoSelection;
    }
    const std::optional<std::string> bytes = readOrdinaryFile(fs, *name);
    if (!bytes) {
        setEnglishStatusWords();
        return Outcome::LanguageFileMissing;
    }
    const LanguageLines language = parseLanguageFile(*bytes);
    // A short file sets the lines it has; the status words it lacks are English.
    if (language.lines.size() < kStatusUnprotected) setEnglishStatusWords();
    for (std::size_t i = 0; i < language.lines.size(); ++i) setCaption(static_cast<int>(i) + 1, language.lines[i]);
    return Outcome::Applied;
}

void Module1::loadlang() {
    if (apply() == Outcome::LanguageFileMissing) {
        app_.ui().messageBox(messages::kLanguageFileMissing, messages::kProgramTitle);
    }
}

void Module1::captionStep() {
    apply();
    Form1& form = app_.form1();
    form.loadlist();
    form.Timer5.setEnabled(false);
}

}  // namespace lockbay
