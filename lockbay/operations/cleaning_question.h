// The cleaning question: a window of its own, so that the user sees every item before
// saying Yes. It shows what the drive carries in groups (a heading, then one line per
// item) in a list that scrolls when they do not fit, the question below it, and Yes and
// No. Tab moves between the list and the buttons, Enter or Space presses the button
// that has the focus, and Escape or closing the window answers No.
#pragma once

#include <string>
#include <vector>

#include "platform/ui.h"

namespace lockbay {

class LockbayApp;

// One group of the question's list: its heading and its lines (paths, or what else a
// group names). An empty group is left out.
struct QuestionGroup {
    std::wstring heading;
    std::vector<std::wstring> lines;
};

// The list's lines: each group's heading, its lines indented, an empty line between groups.
std::vector<std::wstring> questionListLines(const std::vector<QuestionGroup>& groups);

class CleaningQuestion : public platform::ui::Form {
public:
    explicit CleaningQuestion(LockbayApp& app);

    platform::ui::Control Label1;  // what Lockbay found
    platform::ui::ListBox List1;   // every item, under its group's heading
    platform::ui::Control Label2;  // the question
    platform::ui::Control Picture3;
    platform::ui::Control Label3;  // Yes
    platform::ui::Control Picture4;
    platform::ui::Control Label4;  // No

    // Shows the question over the other windows until the user answers; true for Yes.
    bool ask(const std::wstring& intro, const std::vector<QuestionGroup>& groups,
             const std::wstring& question);

    void closeRequested() override { answer(false); }
    void cancelRequested() override { answer(false); }

private:
    void answer(bool yes);

    LockbayApp& app_;
    bool answered_ = false;
    bool yes_ = false;
};

}  // namespace lockbay
