// The windowing runtime's rules, through the headless backend: single instances,
// lazy creation, unloading, and the timer countdown.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/headless.h"
#include "platform/ui.h"

namespace {

using namespace platform::ui;

ControlSpec labelSpec(const wchar_t* name, const wchar_t* text) {
    ControlSpec design;
    design.name = name;
    design.text = text;
    return design;
}

class TestForm : public Form {
public:
    explicit TestForm(Runtime& runtime)
        : Form(runtime, FormSpec{L"Test", L"Test window", 100, 100}),
          caption(*this, labelSpec(L"caption", L"design text")),
          ticker(*this, L"ticker", 100) {}
    Control caption;
    Timer ticker;
    int loads = 0;
    int unloads = 0;
    bool plainMember = false;

protected:
    void onLoad() override { ++loads; }
    void onUnload() override { ++unloads; }
};

class RuntimeTest : public ::testing::Test {
protected:
    HeadlessBackend backend;
    Runtime runtime{backend};
    TestForm form{runtime};
};

TEST_F(RuntimeTest, SettingATextCreatesTheFormHiddenOnce) {
    EXPECT_FALSE(form.loaded());
    form.plainMember = true;  // a plain member does not create the form
    EXPECT_FALSE(form.loaded());
    form.caption.setText(L"new");
    EXPECT_TRUE(form.loaded());
    EXPECT_FALSE(form.visible());
    EXPECT_EQ(form.loads, 1);
    form.show();
    form.caption.setVisible(false);
    EXPECT_EQ(form.loads, 1);
    EXPECT_TRUE(form.visible());
}

TEST_F(RuntimeTest, UnloadRestoresTheDesignStateAndTheNextUseLoadsAgain) {
    form.show();
    form.caption.setText(L"changed");
    form.caption.setBorder(1);
    form.ticker.setInterval(700);
    form.ticker.setEnabled(true);
    form.unload();
    EXPECT_EQ(form.unloads, 1);
    EXPECT_FALSE(form.loaded());
    EXPECT_EQ(form.caption.text(), L"design text");
    EXPECT_EQ(form.caption.border(), 0);
    EXPECT_FALSE(form.ticker.enabled());
    EXPECT_EQ(form.ticker.interval(), 100);
    EXPECT_FALSE(backend.timerRunning(&form.ticker));
    form.show();
    EXPECT_EQ(form.loads, 2);
}

TEST_F(RuntimeTest, EnablingATimerCreatesItsFormAndFiresEveryInterval) {
    std::vector<std::int64_t> ticks;
    form.ticker.onTick = [&] { ticks.push_back(backend.now()); };
    form.ticker.setEnabled(true);
    EXPECT_TRUE(form.loaded());
    backend.advance(350);
    EXPECT_EQ(ticks, (std::vector<std::int64_t>{100, 200, 300}));
}

TEST_F(RuntimeTest, ReEnablingOrChangingTheIntervalRestartsTheCountdown) {
    std::vector<std::int64_t> ticks;
    form.ticker.onTick = [&] { ticks.push_back(backend.now()); };
    form.ticker.setEnabled(true);
    backend.advance(90);
    form.ticker.setEnabled(true);  // restarts: next tick at 190
    backend.advance(150);
    EXPECT_EQ(ticks, (std::vector<std::int64_t>{190}));
    form.ticker.setInterval(500);  // at 240: next tick at 740
    backend.advance(499);
    EXPECT_EQ(ticks.size(), 1u);
    backend.advance(1);
    EXPECT_EQ(ticks, (std::vector<std::int64_t>{190, 740}));
}

TEST_F(RuntimeTest, ATimerThatSwitchesItselfOffFiresOnce) {
    int count = 0;
    form.ticker.onTick = [&] {
        ++count;
        form.ticker.setEnabled(false);
    };
    form.ticker.setEnabled(true);
    backend.advance(1000);
    EXPECT_EQ(count, 1);
}

TEST_F(RuntimeTest, TimersKeepFiringWhileAMessageBoxIsOpen) {
    int ticks = 0;
    form.ticker.onTick = [&] { ++ticks; };
    form.ticker.setEnabled(true);
    backend.onMessageBox = [&](const HeadlessBackend::MessageBoxCall&) {
        backend.advance(250);
        return Backend::Answer::Ok;
    };
    runtime.messageBox(L"text", L"title");
    EXPECT_EQ(ticks, 2);
    ASSERT_EQ(backend.messageBoxes().size(), 1u);
    EXPECT_EQ(backend.messageBoxes()[0].text, L"text");
}

TEST_F(RuntimeTest, EndingTheProgramStopsEveryTimer) {
    int ticks = 0;
    form.ticker.onTick = [&] { ++ticks; };
    form.ticker.setEnabled(true);
    runtime.endProgram();
    backend.advance(1000);
    EXPECT_EQ(ticks, 0);
    EXPECT_TRUE(backend.ended());
}

TEST_F(RuntimeTest, ClickRaisesMouseDownUpAndClickInOrder) {
    std::wstring order;
    form.caption.onMouseDown = [&] { order += L"down "; };
    form.caption.onMouseUp = [&] { order += L"up "; };
    form.caption.onClick = [&] { order += L"click"; };
    form.caption.click();
    EXPECT_EQ(order, L"down up click");
}

}  // namespace
