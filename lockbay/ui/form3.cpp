// The language chooser: see form3.h.
#include "lockbay/ui/form3.h"

#include "lockbay/app/lockbay_app.h"
#include "lockbay/app/messages.h"
#include "lockbay/ui/form1.h"
#include "lockbay/ui/module1.h"
#include "lockbay/ui/widgets.h"
#include "texts/language_file.h"
#include "texts/selected_language.h"
#include "texts/selection_file.h"

namespace lockbay {

using namespace platform::ui;

namespace {

constexpr Color kNavy = Color::rgb(0, 32, 96);

// The language names are fixed: no language file changes them.
ControlSpec language(const wchar_t* name, Rect rect, const wchar_t* languageName) {
    return button(name, rect, languageName, 15.75, kNavy);
}

const std::vector<ControlSpec>& layout() {
    static const std::vector<ControlSpec> table = {
        language(L"Label1", {0, 16, 161, 33}, L"English"),
        language(L"Label2", {176, 16, 169, 33}, L"Fran\u00e7ais"),
        language(L"Label3", {0, 72, 169, 33}, L"Rom\u00e2n\u00e3"),
        language(L"Label4", {176, 72, 169, 33}, L"Deutsch"),
        language(L"Label5", {0, 128, 169, 33}, L"Espa\u00f1ol"),
        language(L"Label7", {176, 128, 169, 33}, L"Italiano"),
        language(L"Label6", {24, 184, 297, 33}, L"Bahasa Indonesia"),
        picture(L"Picture3", {112, 232, 120, 29}, Art::ButtonFace),
        button(L"Label8", {0, 1, 120, 33}, englishText(CaptionLine::kCancelButton), 15.75, Color::inactiveBorder()),
    };
    return table;
}

const ControlSpec& row(const wchar_t* name) { return findSpec(layout(), name); }

FormSpec windowSpec() {
    FormSpec form;
    form.name = L"Form3";
    form.title = L"Lockbay";
    form.clientWidth = 347;
    form.clientHeight = 279;
    form.frame = Frame::Sizable;
    return form;
}

}  // namespace

Form3::Form3(LockbayApp& app)
    : Form(app.ui(), windowSpec()),
      Label1(*this, row(L"Label1")),
      Label2(*this, row(L"Label2")),
      Label3(*this, row(L"Label3")),
      Label4(*this, row(L"Label4")),
      Label5(*this, row(L"Label5")),
      Label7(*this, row(L"Label7")),
      Label6(*this, row(L"Label6")),
      Picture3(*this, row(L"Picture3")),
      Label8(*this, row(L"Label8"), &Picture3),
      app_(app) {
    // Each language label and the file name that it selects.
    const std::pair<Control*, const wchar_t*> choices[] = {
        {&Label1, L"english.vlng"}, {&Label2, L"francais.vlng"}, {&Label3, L"romana.vlng"},
        {&Label4, L"german.vlng"},  {&Label5, L"spanish.vlng"},  {&Label7, L"italian.vlng"},
        {&Label6, L"indonesian.vlng"},
    };
    for (const auto& [control, fileName] : choices) {
        control->onClick = [this, file = std::wstring(fileName)] { choose(file); };
    }
    Label8.onClick = [this] { unload(); };
    bindPressFeedback(Label8, Picture3);
}

void Form3::onLoad() { app_.form1().Timer5.setEnabled(true); }

void Form3::onUnload() { app_.form1().show(); }

void Form3::choose(const std::wstring& fileName) {
    std::wstring error;
    if (!saveSelection(app_.fs(), app_.platform().registry, fileName, error)) {
        runtime().messageBox(std::wstring(messages::kSelectionNotSavedPrefix) + error +
                                 messages::kSelectionNotSavedSuffix,
                             messages::kProgramTitle);
        unload();
        return;
    }
    app_.form1().Timer5.setEnabled(true);
    unload();
}

}  // namespace lockbay
