// The cleaning question: see cleaning_question.h.
#include "lockbay/operations/cleaning_question.h"

#include "lockbay/app/lockbay_app.h"
#include "lockbay/app/messages.h"
#include "lockbay/ui/module1.h"
#include "lockbay/ui/widgets.h"
#include "texts/language_file.h"

namespace lockbay {

using namespace platform::ui;

namespace {

const std::vector<ControlSpec>& layout() {
    static const std::vector<ControlSpec> table = {
        label(L"Label1", {16, 10, 528, 46}, englishText(CaptionLine::kCleanFoundIntro), 9.75, kBlack,
              Visible::Yes, Align::Left),
        listBox(L"List1", {16, 60, 528, 272}, Font{L"Tahoma", 9, false, false}, L"Label1"),
        label(L"Label2", {16, 340, 528, 54}, englishText(CaptionLine::kCleanQuestion), 9.75, kBlack,
              Visible::Yes, Align::Left),
        picture(L"Picture3", {296, 402, 120, 29}, Art::ButtonFace),
        button(L"Label3", {0, 1, 120, 33}, englishText(CaptionLine::kCleanQuestionYes), 15.75,
               Color::inactiveBorder()),
        picture(L"Picture4", {424, 402, 120, 29}, Art::ButtonFace),
        button(L"Label4", {0, 1, 120, 33}, englishText(CaptionLine::kCleanQuestionNo), 15.75,
               Color::inactiveBorder()),
    };
    return table;
}

const ControlSpec& row(const wchar_t* name) {
    return findSpec(layout(), name);
}

FormSpec windowSpec() {
    FormSpec form;
    form.name = L"CleaningQuestion";
    form.title = messages::kProgramTitle;
    form.clientWidth = 560;
    form.clientHeight = 443;
    form.frame = Frame::FixedDialog;
    return form;
}

}  // namespace

std::vector<std::wstring> questionListLines(const std::vector<QuestionGroup>& groups) {
    std::vector<std::wstring> lines;
    for (const QuestionGroup& group : groups) {
        if (group.lines.empty()) continue;
        if (!lines.empty()) lines.emplace_back();
        lines.push_back(group.heading);
        for (const std::wstring& line : group.lines) lines.push_back(L"    " + line);
    }
    return lines;
}

CleaningQuestion::CleaningQuestion(LockbayApp& app)
    : Form(app.ui(), windowSpec()),
      Label1(*this, row(L"Label1")),
      List1(*this, row(L"List1")),
      Label2(*this, row(L"Label2")),
      Picture3(*this, row(L"Picture3")),
      Label3(*this, row(L"Label3"), &Picture3),
      Picture4(*this, row(L"Picture4")),
      Label4(*this, row(L"Label4"), &Picture4),
      app_(app) {
    Label3.onClick = [this] { answer(true); };
    Label4.onClick = [this] { answer(false); };
    bindPressFeedback(Label3, Picture3);
    bindPressFeedback(Label4, Picture4);
}

bool CleaningQuestion::ask(const std::wstring& intro, const std::vector<QuestionGroup>& groups,
                           const std::wstring& question) {
    answered_ = false;
    yes_ = false;
    Module1& module1 = app_.module1();
    Label1.setText(intro);
    List1.setBackColor(kWhite);
    List1.clear();
    for (std::wstring& line : questionListLines(groups)) List1.addItem(std::move(line));
    Label2.setText(question);
    Label3.setText(module1.text(CaptionLine::kCleanQuestionYes));
    Label4.setText(module1.text(CaptionLine::kCleanQuestionNo));
    runtime().runModal(*this, [this] { return answered_; });
    return yes_;
}

void CleaningQuestion::answer(bool yes) {
    if (answered_) return;
    answered_ = true;
    yes_ = yes;
    unload();
}

}  // namespace lockbay
