// The update dialog: see dialog.h.
#include "lockbay/app/dialog.h"

#include "lockbay/app/lockbay_app.h"
#include "lockbay/app/messages.h"
#include "lockbay/ui/form1.h"
#include "lockbay/ui/widgets.h"
#include "texts/language_file.h"

namespace lockbay {

using namespace platform::ui;

namespace {

const std::vector<ControlSpec>& layout() {
    static const std::vector<ControlSpec> table = {
        label(L"Label1", {8, 8, 401, 81}, englishText(CaptionLine::kUpdateQuestion), 11.25, kBlack),
        picture(L"Picture3", {72, 104, 120, 29}, Art::ButtonFace),
        button(L"Label8", {0, 1, 120, 33}, englishText(CaptionLine::kUpdateButton), 15.75, Color::inactiveBorder()),
        picture(L"Picture4", {240, 104, 120, 29}, Art::ButtonFace),
        button(L"Label2", {0, 1, 120, 33}, englishText(CaptionLine::kCancelButton), 15.75, Color::inactiveBorder()),
    };
    return table;
}

const ControlSpec& row(const wchar_t* name) { return findSpec(layout(), name); }

FormSpec windowSpec() {
    FormSpec form;
    form.name = L"Dialog";
    form.title = englishText(CaptionLine::kUpdateDialogTitle);
    form.clientWidth = 415;
    form.clientHeight = 167;
    form.frame = Frame::FixedDialog;
    return form;
}

}  // namespace

Dialog::Dialog(LockbayApp& app)
    : Form(app.ui(), windowSpec()),
      Label1(*this, row(L"Label1")),
      Picture3(*this, row(L"Picture3")),
      Label8(*this, row(L"Label8"), &Picture3),
      Picture4(*this, row(L"Picture4")),
      Label2(*this, row(L"Label2"), &Picture4),
      app_(app) {
    Label8.onClick = [this] { updateClicked(); };
    Label2.onClick = [this] { cancelClicked(); };
    bindPressFeedback(Label8, Picture3);
    bindPressFeedback(Label2, Picture4);
}

void Dialog::onLoad() {
    // The main window is created (not shown) so that Cancel can go on to it.
    app_.form1().load();
    app_.form1().Timer5.setEnabled(true);
}

void Dialog::updateClicked() {
    // Plain concatenation: Lockbay in a drive root gives "C:\\update.exe", which the shell accepts.
    const std::wstring updater = app_.platform().program.directory() + L"\\update.exe";
    const platform::StartResult started = app_.platform().processes.shellOpen(updater);
    if (started.started) {
        runtime().endProgram();
        return;
    }
    runtime().messageBox(std::wstring(messages::kUpdaterNotStartedPrefix) + updater +
                             messages::kUpdaterNotStartedMiddle + started.error,
                         messages::kProgramTitle);
    cancelClicked();
}

void Dialog::cancelClicked() {
    app_.form1().show();
    unload();
}

}  // namespace lockbay
