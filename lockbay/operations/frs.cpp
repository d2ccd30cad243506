// The free-space dialog: see frs.h.
#include "lockbay/operations/frs.h"

#include "drive_rules/drive_status.h"
#include "lockbay/app/lockbay_app.h"
#include "lockbay/operations/protection.h"
#include "lockbay/ui/form1.h"
#include "lockbay/ui/widgets.h"
#include "texts/language_file.h"

namespace lockbay {

using namespace platform::ui;

namespace {

const std::vector<ControlSpec>& layout() {
    static const std::vector<ControlSpec> table = {
        label(L"Label1", {8, 8, 401, 105}, englishText(CaptionLine::kFreeSpaceMessage), 11.25, kBlack),
        picture(L"Picture3", {56, 120, 120, 29}, Art::ButtonFace),
        button(L"Label4", {0, 1, 120, 33}, englishText(CaptionLine::kContinueButton), 15.75, Color::inactiveBorder()),
        picture(L"Picture4", {224, 120, 120, 29}, Art::ButtonFace),
        button(L"Label2", {0, 1, 120, 33}, englishText(CaptionLine::kFreeSpaceCancelButton), 15.75, Color::inactiveBorder()),
    };
    return table;
}

const ControlSpec& row(const wchar_t* name) { return findSpec(layout(), name); }

FormSpec windowSpec() {
    FormSpec form;
    form.name = L"frs";
    form.title = englishText(CaptionLine::kFreeSpaceTitle);
    form.clientWidth = 413;
    form.clientHeight = 167;
    form.frame = Frame::FixedDialog;
    return form;
}

// More than 9 MB are needed here; Protect itself converts from exactly 9 MB on.
constexpr double kContinueMinimumMegabytes = 9;

}  // namespace

frs::frs(LockbayApp& app)
    : Form(app.ui(), windowSpec()),
      Label1(*this, row(L"Label1")),
      Picture3(*this, row(L"Picture3")),
      Label4(*this, row(L"Label4"), &Picture3),
      Picture4(*this, row(L"Picture4")),
      Label2(*this, row(L"Label2"), &Picture4),
      app_(app) {
    Label4.onClick = [this] { continueClicked(); };
    Label2.onClick = [this] { cancelClicked(); };
    bindPressFeedback(Label4, Picture3);
    bindPressFeedback(Label2, Picture4);
}

void frs::onLoad() { app_.form1().Timer5.setEnabled(true); }

void frs::continueClicked() {
    Protection& protection = app_.protection();
    if (freeMegabytes(app_.fs(), protection.conversionDrive()) > kContinueMinimumMegabytes) {
        protection.startConversion();
        app_.form1().show();
        hide();
        return;
    }
    // Still short of space: the dialog stays open for the user to free some.
    runtime().pumpEvents();
}

void frs::cancelClicked() {
    hide();
    Form1& form = app_.form1();
    form.show();
    // The refresh ends the busy state after the timer's current interval.
    form.Timer1.setEnabled(true);
}

}  // namespace lockbay
