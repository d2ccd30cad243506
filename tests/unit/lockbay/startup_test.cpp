// Start-up: the splash window, the update check and the update dialog.
#include <string>
#include <vector>

#include "lockbay_fixture.h"
#include "platform/encoding.h"
#include "product/version.h"

namespace {

using Strings = std::vector<std::wstring>;

class StartupTest : public LockbayTest {
protected:
    void answer(const std::string& body, int status = 200) { fake.http.answers.push_back({true, status, body, {}}); }
    lockbay::frmSplash& start() {
        app().start();
        return app().splash();
    }
};

TEST_F(StartupTest, SplashShowsTheVersionAsksTheHostAndOpensTheMainWindow300msLater) {
    answer("4.0.0");
    fake.program.programVersion = {4, 0, 7};
    bool splashVisibleDuringRequest = false;
    fake.http.onRequest = [&](const std::wstring&) { splashVisibleDuringRequest = app().splash().visible(); };
    auto& splash = start();
    EXPECT_TRUE(splashVisibleDuringRequest);
    EXPECT_EQ(fake.http.requests, Strings{L"http://update.lockbay.example/LOCKBAY/updatever.php"});
    // A server that trickles its answer cannot keep the splash up for minutes.
    ASSERT_EQ(fake.http.limits.size(), 1u);
    EXPECT_GT(fake.http.limits[0].totalMs, 0);
    EXPECT_LE(fake.http.limits[0].totalMs, 20000);
    EXPECT_EQ(fake.http.limits[0].maxBodyBytes, 64u) << "a version needs no more";
    EXPECT_EQ(splash.lblVersion.text(), L"Ver: 4.0");
    EXPECT_EQ(splash.lblPlatform.text(), L"Windows");
    EXPECT_TRUE(splash.Timer1.enabled());
    EXPECT_FALSE(splash.Timer2.enabled());
    advance(299);
    EXPECT_TRUE(splash.visible());
    EXPECT_FALSE(form1().visible());
    advance(1);
    EXPECT_TRUE(form1().visible());
    EXPECT_FALSE(splash.loaded());
    EXPECT_FALSE(app().dialog().visible());
    advance(5000);
    EXPECT_FALSE(splash.loaded()) << "the splash window is never seen again";
}

TEST_F(StartupTest, ExactlyOneWindowFollowsTheSplash) {
    struct Case {
        const char* body;
        int status;
        bool update;
    };
    const Case cases[] = {
        {"4.0.1", 200, true},   {"4.0.1\r\n", 200, true}, {"4.0.10", 200, true}, {"10.0.0", 200, true},
        {"4.0.0", 200, false},  {"3.9.9", 200, false},    {"4.1", 200, false},   {"4.0.0.1", 200, false},
        {"zzzzz", 200, false},  {"", 200, false},         {"4.0.1", 404, false},
        {"<html><body>Not Found</body></html>", 200, false},
    };
    for (const Case& c : cases) {
        fakes::FakePlatform local;
        local.fs.addDrive(L'C');
        local.http.answers.push_back({true, c.status, c.body, {}});
        lockbay::LockbayApp localApp(local.platform);
        localApp.start();
        local.advance(300);
        EXPECT_EQ(localApp.dialog().visible(), c.update) << c.body;
        EXPECT_EQ(localApp.form1().visible(), !c.update) << c.body;
        EXPECT_FALSE(localApp.splash().loaded());
        EXPECT_TRUE(local.backend.messageBoxes().empty());
    }
}

// Without a readable version resource the program still knows the version it was built
// as: the splash shows it, and the host's answer of that same version offers no update.
TEST_F(StartupTest, AnUnreadableVersionResourceFallsBackToTheCompiledVersion) {
    const std::string major = std::to_string(LOCKBAY_VERSION_MAJOR);
    const std::string minor = std::to_string(LOCKBAY_VERSION_MINOR);
    answer(major + "." + minor + "." + std::to_string(LOCKBAY_VERSION_REVISION));
    fake.program.programVersion = std::nullopt;
    auto& splash = start();
    EXPECT_EQ(platform::toUtf8(splash.lblVersion.text()), "Ver: " + major + "." + minor);
    advance(300);
    EXPECT_TRUE(form1().visible());
    EXPECT_FALSE(app().dialog().visible());
}

TEST_F(StartupTest, NoConnectionLeadsQuietlyToTheMainWindow) {
    auto& splash = start();  // no answers: the fake has no connection
    advance(300);
    EXPECT_TRUE(form1().visible());
    EXPECT_FALSE(splash.loaded());
    EXPECT_TRUE(fake.backend.messageBoxes().empty());
}

TEST_F(StartupTest, AnEndlessAnswerIsCutShortAndIsNoVersion) {
    answer(std::string(10 * 1024 * 1024, '4'));
    start();
    advance(300);
    EXPECT_TRUE(form1().visible());
}

// Alt+F4 while the check runs (the splash pumps window messages meanwhile) must not
// unload the splash in the middle of its load step: that would load it a second time,
// nested, with a second language load and a second check.
TEST_F(StartupTest, ClosingTheSplashDuringTheCheckIsIgnoredAndStartUpGoesOn) {
    fake.fs.addFile(L"clng.vlng", "german.vlng\r\n");  // missing: one message per language load
    answer("4.0.0");
    fake.http.onRequest = [&](const std::wstring&) {
        if (fake.http.requests.size() == 1) app().splash().closeRequested();
    };
    auto& splash = start();
    EXPECT_EQ(fake.http.requests.size(), 1u);
    EXPECT_EQ(fake.backend.messageBoxes().size(), 1u);
    EXPECT_TRUE(splash.visible());
    splash.closeRequested();  // also while it waits for its timer
    advance(300);
    EXPECT_TRUE(form1().visible());
    EXPECT_FALSE(splash.loaded());
    EXPECT_EQ(fake.http.requests.size(), 1u);
}

TEST_F(StartupTest, LanguageIsAppliedBeforeAnythingIsShown) {
    fake.fs.addFile(L"clng.vlng", "german.vlng\r\n");
    bool splashShownBeforeMessage = true;
    fake.backend.onMessageBox = [&](const auto&) {
        splashShownBeforeMessage = app().splash().visible();
        return platform::ui::Backend::Answer::Ok;
    };
    start();
    ASSERT_EQ(fake.backend.messageBoxes().size(), 1u);
    EXPECT_FALSE(splashShownBeforeMessage);
}

TEST_F(StartupTest, DeletesAnUpdateverFileButNotAFolderOfThatName) {
    fake.fs.addFile(L"updatever.php", "4.0.1");
    start();
    EXPECT_FALSE(fake.fs.exists(L"updatever.php"));

    fakes::FakePlatform local;
    local.fs.addDrive(L'C');
    local.fs.addFolder(L"updatever.php");
    local.fs.addFile(L"updatever.php\\inside.txt", "x");
    lockbay::LockbayApp localApp(local.platform);
    localApp.start();
    EXPECT_TRUE(local.fs.isFolder(L"updatever.php"));
    EXPECT_TRUE(local.fs.exists(L"updatever.php\\inside.txt"));
}

class UpdateDialogTest : public StartupTest {
protected:
    lockbay::Dialog& dialogShown() {
        answer("4.0.1");
        start();
        advance(300);
        return app().dialog();
    }
};

TEST_F(UpdateDialogTest, ShowsTheQuestionWithTheMainWindowLoadedHidden) {
    auto& dialog = dialogShown();
    EXPECT_TRUE(dialog.visible());
    EXPECT_EQ(dialog.title(), L"Lockbay - Update Available");
    EXPECT_EQ(dialog.Label8.text(), L"Update");
    EXPECT_EQ(dialog.Label2.text(), L"Cancel");
    EXPECT_TRUE(form1().loaded());
    EXPECT_FALSE(form1().visible());
}

TEST_F(UpdateDialogTest, UpdateOpensTheUpdaterBesideLockbayAndEnds) {
    fake.program.programDirectory = L"D:\\Tools\\Lockbay";
    auto& dialog = dialogShown();
    dialog.Label8.click();
    EXPECT_EQ(fake.processes.shellOpens, Strings{L"D:\\Tools\\Lockbay\\update.exe"});
    EXPECT_TRUE(fake.backend.ended());
    EXPECT_FALSE(form1().visible());
}

TEST_F(UpdateDialogTest, InADriveRootThePathKeepsItsDoubleBackslash) {
    fake.program.programDirectory = L"E:\\";
    dialogShown().Label8.click();
    EXPECT_EQ(fake.processes.shellOpens, Strings{L"E:\\\\update.exe"});
}

TEST_F(UpdateDialogTest, AnUpdaterThatCannotStartIsReportedAndTheMainWindowFollows) {
    fake.processes.failShellOpen = true;
    auto& dialog = dialogShown();
    dialog.Label8.click();
    EXPECT_FALSE(fake.backend.ended());
    ASSERT_EQ(fake.backend.messageBoxes().size(), 1u);
    EXPECT_NE(fake.backend.messageBoxes()[0].text.find(L"C:\\Program Files\\Lockbay\\update.exe"), std::wstring::npos);
    EXPECT_TRUE(form1().visible());
    EXPECT_FALSE(dialog.loaded());
}

TEST_F(UpdateDialogTest, CancelAndFrameCloseGoOnToTheMainWindow) {
    for (bool throughFrame : {false, true}) {
        fakes::FakePlatform local;
        local.fs.addDrive(L'C');
        local.http.answers.push_back({true, 200, "9.0.0", {}});
        lockbay::LockbayApp localApp(local.platform);
        localApp.start();
        local.advance(300);
        auto& dialog = localApp.dialog();
        ASSERT_TRUE(dialog.visible());
        dialog.Label2.raiseMouseDown();
        EXPECT_EQ(dialog.Picture4.border(), 1);
        dialog.Label2.raiseMouseUp();
        EXPECT_EQ(dialog.Picture4.border(), 0);
        dialog.Label8.raiseMouseDown();
        EXPECT_EQ(dialog.Picture3.border(), 1);
        dialog.Label8.raiseMouseUp();
        if (throughFrame) {
            dialog.closeRequested();
        } else {
            dialog.Label2.click();
        }
        EXPECT_TRUE(localApp.form1().visible());
        EXPECT_FALSE(dialog.loaded());
        EXPECT_FALSE(local.backend.ended());
    }
}

}  // namespace
