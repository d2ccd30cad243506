// The help window: see form2.h.
#include "lockbay/ui/form2.h"

#include "drive_rules/best_effort.h"
#include "lockbay/app/lockbay_app.h"
#include "lockbay/ui/form1.h"
#include "lockbay/ui/widgets.h"
#include "product/identity.h"
#include "texts/language_file.h"

namespace lockbay {

using namespace platform::ui;

namespace {

ControlSpec tab(const wchar_t* name, CaptionLine line) {
    return button(name, {0, 0, 224, 31}, englishText(line), 15.75, kWhite);
}

ControlSpec text(const wchar_t* name, Rect rect, CaptionLine line, double points, Color color = kBlack) {
    return label(name, rect, englishText(line), points, color, Visible::Yes, Align::Left);
}

const std::vector<ControlSpec>& layout() {
    static const std::vector<ControlSpec> table = {
        image(L"Image1", {152, 0, 250, 73}, Art::Logo),
        picture(L"Picture15", {32, 88, 224, 29}, Art::TabFace),
        tab(L"Label16", CaptionLine::kAboutTab),
        picture(L"Picture1", {304, 88, 223, 29}, Art::TabFace),
        tab(L"Label17", CaptionLine::kHowItWorksTab),
        picture(L"Picture2", {32, 136, 223, 29}, Art::TabFace),
        tab(L"Label18", CaptionLine::kHowToProtectTab),
        picture(L"Picture3", {304, 136, 223, 29}, Art::TabFace),
        tab(L"Label19", CaptionLine::kHowToRestoreTab),
        text(L"Label10", {24, 200, 393, 25}, CaptionLine::kSimpleMethodHeading, 12),
        text(L"Label9", {24, 216, 393, 25}, CaptionLine::kHowToProtectHeading, 12),
        text(L"Label13", {24, 216, 393, 25}, CaptionLine::kHowToRestoreHeading, 12),
        text(L"Label8", {24, 232, 393, 25}, CaptionLine::kDescriptionHeading, 12),
        text(L"Label11", {24, 336, 393, 25}, CaptionLine::kAdvancedMethodHeading, 12),
        text(L"Label2", {32, 224, 513, 113}, CaptionLine::kSimpleMethodText, 9.75),
        text(L"Label12", {32, 240, 513, 145}, CaptionLine::kHowToProtectText, 9.75),
        text(L"Label14", {32, 240, 513, 145}, CaptionLine::kHowToRestoreText, 9.75),
        text(L"Label1", {32, 272, 513, 65}, CaptionLine::kWelcomeText, 9.75),
        text(L"Label3", {32, 360, 513, 121}, CaptionLine::kAdvancedMethodText, 9.75, kBlack),
        button(L"Label15", {24, 488, 521, 25}, englishText(CaptionLine::kFaqLink), 12, kWhite),
        text(L"Label4", {32, 520, 209, 25}, CaptionLine::kTitleLine, 11.25, kWhite),
        text(L"Label5", {32, 552, 241, 25}, CaptionLine::kVersionLine, 11.25, kWhite),
        text(L"Label6", {256, 520, 393, 25}, CaptionLine::kSupportLine, 11.25, kWhite),
        text(L"Label7", {256, 552, 393, 25}, CaptionLine::kCreatedByLine, 11.25, kWhite),
    };
    return table;
}

const ControlSpec& row(const wchar_t* name) { return findSpec(layout(), name); }

FormSpec windowSpec() {
    FormSpec form;
    form.name = L"Form2";
    form.title = L"Lockbay";
    form.clientWidth = 567;
    form.clientHeight = 595;
    form.frame = Frame::FixedSingle;
    return form;
}

constexpr Color kPaleCyan = Color::rgb(204, 255, 255);

}  // namespace

Form2::Form2(LockbayApp& app)
    : Form(app.ui(), windowSpec()),
      Image1(*this, row(L"Image1")),
      Picture15(*this, row(L"Picture15")),
      Label16(*this, row(L"Label16"), &Picture15),
      Picture1(*this, row(L"Picture1")),
      Label17(*this, row(L"Label17"), &Picture1),
      Picture2(*this, row(L"Picture2")),
      Label18(*this, row(L"Label18"), &Picture2),
      Picture3(*this, row(L"Picture3")),
      Label19(*this, row(L"Label19"), &Picture3),
      Label10(*this, row(L"Label10")),
      Label9(*this, row(L"Label9")),
      Label13(*this, row(L"Label13")),
      Label8(*this, row(L"Label8")),
      Label11(*this, row(L"Label11")),
      Label2(*this, row(L"Label2")),
      Label12(*this, row(L"Label12")),
      Label14(*this, row(L"Label14")),
      Label1(*this, row(L"Label1")),
      Label3(*this, row(L"Label3")),
      Label15(*this, row(L"Label15")),
      Label4(*this, row(L"Label4")),
      Label5(*this, row(L"Label5")),
      Label6(*this, row(L"Label6")),
      Label7(*this, row(L"Label7")),
      app_(app) {
    Label16.onClick = [this] { selectTab(Tab::About); };
    Label17.onClick = [this] { selectTab(Tab::HowItWorks); };
    Label18.onClick = [this] { selectTab(Tab::HowToProtect); };
    Label19.onClick = [this] { selectTab(Tab::HowToRestore); };
    Label15.onClick = [this] {
        ignoreFailure(app_.platform().processes.openWebPage(std::wstring(L"http://") + product::kWebHost +
                                                            L"/faq.html"));
    };
    bindPressFeedback(Label15, Label15);
}

void Form2::selectTab(Tab tab) {
    // Which topic labels each tab shows, and which tab box is bordered.
    struct Page {
        Tab tab;
        std::vector<Control*> topics;
        Control* box;
    };
    const Page pages[] = {
        {Tab::About, {&Label8, &Label1}, &Picture15},
        {Tab::HowItWorks, {&Label10, &Label2, &Label11, &Label3}, &Picture1},
        {Tab::HowToProtect, {&Label9, &Label12}, &Picture2},
        {Tab::HowToRestore, {&Label13, &Label14}, &Picture3},
    };
    for (const Page& page : pages) {
        for (Control* topic : page.topics) topic->setVisible(page.tab == tab);
    }
    for (const Page& page : pages) page.box->setBorder(page.tab == tab ? 1 : 0);
}

void Form2::onLoad() {
    app_.form1().Timer5.setEnabled(true);
    setBackColor(kPaleCyan);
    selectTab(Tab::About);
}

void Form2::onUnload() { app_.form1().show(); }

}  // namespace lockbay
