// Applying a language: the selection file, the caption table's targets, the order in
// which windows come to life, the re-application 20 ms after a choice, the chooser and
// the help window.
#include <map>
#include <new>
#include <string>
#include <vector>

#include "lockbay/ui/module1.h"
#include "lockbay_fixture.h"
#include "texts/language_file.h"
#include "texts/selected_language.h"

namespace {

namespace attr = platform::attr;

// A language file whose line n reads "L<n>", in Windows-1252 with CR LF.
std::string numberedLanguage(int lines = 38) {
    std::string text;
    for (int n = 1; n <= lines; ++n) text += "L" + std::to_string(n) + "\r\n";
    return text;
}

class LanguageTest : public LockbayTest {
protected:
    void select(const std::string& selection) { fake.fs.addFile(L"clng.vlng", selection); }
    lockbay::Module1& module1() { return app().module1(); }
};

TEST_F(LanguageTest, EveryLineReachesItsTargetsInTableOrder) {
    select("test.vlng\r\n");
    fake.fs.addFile(L"test.vlng", numberedLanguage());
    module1().loadlang();
    auto& a = app();
    auto& f1 = a.form1();
    auto& f2 = a.form2();
    auto& dialog = a.dialog();
    auto& chooser = a.form3();
    auto& space = a.freeSpaceDialog();
    const std::vector<std::pair<std::wstring, std::wstring>> expected = {
        {f1.st1, L"L1"},           {f1.st2, L"L2"},           {f1.st3, L"L3"},
        {dialog.title(), L"L4"},   {dialog.Label1.text(), L"L5"}, {dialog.Label8.text(), L"L6"},
        {dialog.Label2.text(), L"L7"}, {chooser.Label8.text(), L"L7"}, {space.title(), L"L8"},
        {space.Label1.text(), L"L9"},  {space.Label4.text(), L"L10"}, {space.Label2.text(), L"L11"},
        {f1.Label1.text(), L"L12"}, {f1.waitt.text(), L"L13"}, {f1.Label4.text(), L"L14"},
        {f1.Label7.text(), L"L15"}, {f1.Label8.text(), L"L16"}, {f1.Label5.text(), L"L17"},
        {f1.Label3.text(), L"L17"}, {f1.Label2.text(), L"L18"}, {f1.Label6.text(), L"L18"},
        {f1.Label9.text(), L"L19"}, {f2.Label16.text(), L"L20"}, {f2.Label17.text(), L"L21"},
        {f2.Label18.text(), L"L22"}, {f2.Label19.text(), L"L23"}, {f2.Label15.text(), L"L24"},
        {f2.Label4.text(), L"L25"}, {f2.Label5.text(), L"L26"}, {f2.Label7.text(), L"L27"},
        {f2.Label6.text(), L"L28"}, {f2.Label10.text(), L"L29"}, {f2.Label11.text(), L"L30"},
        {f2.Label12.text(), L"L31"}, {f2.Label13.text(), L"L32"}, {f2.Label14.text(), L"L33"},
        {f2.Label2.text(), L"L34"}, {f2.Label3.text(), L"L35"}, {f2.Label8.text(), L"L36"},
        {f2.Label9.text(), L"L37"}, {f2.Label1.text(), L"L38"},
    };
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(expected[i].first, expected[i].second) << i;
    // Texts that no language file changes.
    EXPECT_EQ(f1.title(), L"Lockbay");
    EXPECT_EQ(f1.Label10.text(), L"www.lockbay.example");
    EXPECT_EQ(chooser.Label4.text(), L"Deutsch");
    EXPECT_EQ(f2.title(), L"Lockbay");
    EXPECT_EQ(chooser.title(), L"Lockbay");
}

TEST_F(LanguageTest, StartUpCreatesTheWindowsHiddenInCaptionOrder) {
    fake.fs.addDrive(L'E');
    select("test.vlng\r\n");
    fake.fs.addFile(L"test.vlng", numberedLanguage());
    auto& a = app();
    module1().loadlang();
    // Line 4 creates the update dialog, whose load creates the main window; then line 7
    // the chooser, line 8 the free-space dialog and line 20 the help window.
    EXPECT_EQ(fake.backend.created(),
              (std::vector<std::wstring>{L"Dialog", L"Form1", L"Form3", L"frs", L"Form2"}));
    for (platform::ui::Form* form : std::vector<platform::ui::Form*>{&a.dialog(), &a.form1(), &a.form3(),
                                                                     &a.freeSpaceDialog(), &a.form2()}) {
        EXPECT_FALSE(form->visible()) << form->design().name;
    }
    // The main window's list, filled while the update dialog loaded, already used line 3.
    EXPECT_EQ(a.form1().List1.items(), std::vector<std::wstring>{L"E:    L3"});
    EXPECT_TRUE(a.form1().Timer5.enabled());
    // 20 ms later the language is applied once more and the timer switches off.
    advance(20);
    EXPECT_FALSE(a.form1().Timer5.enabled());
    EXPECT_EQ(std::count(fake.fs.calls.begin(), fake.fs.calls.end(), L"readFile TEST.VLNG"), 2);
    advance(1000);
    EXPECT_EQ(std::count(fake.fs.calls.begin(), fake.fs.calls.end(), L"readFile TEST.VLNG"), 2);
}

TEST_F(LanguageTest, NoSelectionFileKeepsTheBuiltInTextsAndLoadsNoWindow) {
    auto& a = app();
    a.form1().st1 = L"X";
    module1().loadlang();
    EXPECT_EQ(a.form1().st1, L"PROTECTED");
    EXPECT_FALSE(a.form1().loaded());
    EXPECT_FALSE(a.dialog().loaded());
    EXPECT_TRUE(fake.backend.messageBoxes().empty());
}

TEST_F(LanguageTest, HiddenOrFolderSelectionFilesCountAsMissing) {
    fake.fs.addFile(L"german.vlng", numberedLanguage());
    fake.fs.addFile(L"clng.vlng", "german.vlng\r\n", attr::kHidden);
    module1().loadlang();
    EXPECT_EQ(app().form1().st1, L"PROTECTED");
    fake.fs.addFolder(L"clng.vlng");
    module1().loadlang();
    EXPECT_EQ(app().form1().st1, L"PROTECTED");
    EXPECT_TRUE(fake.backend.messageBoxes().empty());
}

TEST_F(LanguageTest, MissingLanguageFileAtStartUpTellsTheUserEveryTime) {
    select("german.vlng\r\n");
    for (int start = 1; start <= 2; ++start) {
        module1().loadlang();
        ASSERT_EQ(fake.backend.messageBoxes().size(), static_cast<std::size_t>(start));
        EXPECT_EQ(fake.backend.messageBoxes().back().text, L"Language file is missing! The language is now English.");
        EXPECT_EQ(fake.backend.messageBoxes().back().title, L"Lockbay");
    }
    EXPECT_EQ(fake.fs.content(L"clng.vlng"), "german.vlng\r\n") << "the selection is not rewritten";
    // A hidden language file counts as missing too.
    fake.fs.addFile(L"german.vlng", numberedLanguage(), attr::kHidden);
    module1().loadlang();
    EXPECT_EQ(fake.backend.messageBoxes().size(), 3u);
}

TEST_F(LanguageTest, ShortFileSetsTheLinesItHasAndEnglishStatusWordsWhereMissing) {
    select("short.vlng");
    fake.fs.addFile(L"short.vlng", "UNO\r\nDUE");
    auto& form = app().form1();
    form.st3 = L"stale";
    module1().loadlang();
    EXPECT_EQ(form.st1, L"UNO");
    EXPECT_EQ(form.st2, L"DUE");
    EXPECT_EQ(form.st3, L"UNPROTECTED");
    EXPECT_EQ(form.Label4.text(), L"Refresh");
    EXPECT_TRUE(fake.backend.messageBoxes().empty());
}

TEST_F(LanguageTest, EmptyLinesSetEmptyTexts) {
    select("test.vlng");
    std::string text;
    for (int n = 1; n <= 38; ++n) text += (n == 6 ? "" : "x") + std::string("\r\n");
    fake.fs.addFile(L"test.vlng", text);
    module1().loadlang();
    EXPECT_EQ(app().dialog().Label8.text(), L"");
}

TEST_F(LanguageTest, MissingChosenFileTurnsOnlyTheStatusWordsEnglish) {
    fake.fs.addDrive(L'E');
    select("test.vlng");
    fake.fs.addFile(L"test.vlng", numberedLanguage());
    module1().loadlang();
    advance(20);
    auto& form = app().form1();
    form.show();
    ASSERT_EQ(form.Label4.text(), L"L14");
    select("gone.vlng");
    form.Timer5.setEnabled(true);
    advance(20);
    EXPECT_EQ(form.List1.items(), std::vector<std::wstring>{L"E:    UNPROTECTED"});
    EXPECT_EQ(form.Label4.text(), L"L14");
    EXPECT_TRUE(fake.backend.messageBoxes().empty()) << "the caption step never shows the message";
}

// Records how much of each file the program asks for, and can fail every read as a
// system out of memory would.
class ReadRecordingFileSystem : public fakes::FakeFileSystem {
public:
    std::map<std::wstring, std::size_t> asked;  // by path: the most bytes asked for
    bool failReads = false;
    std::optional<std::string> readFilePrefix(const std::wstring& path, std::size_t maxBytes) override {
        asked[path] = std::max(asked[path], maxBytes);
        if (failReads) throw std::bad_alloc();
        return FakeFileSystem::readFilePrefix(path, maxBytes);
    }
};

// A file of gigabytes must not be read whole; every file within the format (each line
// of at most 4096 characters) still reads whole.
TEST(LanguageReading, HugeFilesAreReadOnlyAsFarAsALegalFileReaches) {
    ReadRecordingFileSystem fs;
    std::string longest;  // the largest legal file, then far more
    for (std::size_t n = 0; n < lockbay::kLanguageLineCount; ++n) {
        longest += std::string(lockbay::kMaxLanguageLineLength, static_cast<char>('a' + n % 26)) + "\r\n";
    }
    fs.addFile(L"big.vlng", longest + std::string(2 << 20, 'z'));
    fs.addFile(L"clng.vlng", "big.vlng\r\n" + std::string(2 << 20, ' '));

    fakes::FakeRegistry registry;
    const lockbay::SelectedLanguage selected = lockbay::readSelectedLanguage(fs, registry);
    ASSERT_EQ(selected.outcome, lockbay::SelectedLanguage::Outcome::Read);
    ASSERT_EQ(selected.language.lines.size(), lockbay::kLanguageLineCount);
    for (std::size_t n = 0; n < lockbay::kLanguageLineCount; ++n) {
        EXPECT_EQ(selected.language.lines[n],
                  std::wstring(lockbay::kMaxLanguageLineLength, static_cast<wchar_t>(L'a' + n % 26)));
    }
    EXPECT_LE(fs.asked[L"clng.vlng"], 1024u) << "a file name needs far less";
    EXPECT_LT(fs.asked[L"big.vlng"], 1u << 20);
}

// The caption step switches Timer5 off on every path, also when reading fails: left on,
// it would read the file again every 20 ms for ever.
TEST_F(LanguageTest, TheCaptionStepSwitchesItsTimerOffWhenReadingFails) {
    ReadRecordingFileSystem fs;
    fs.addFile(L"clng.vlng", "test.vlng\r\n");
    fs.addFile(L"test.vlng", numberedLanguage());
    platform::Platform failing{fake.runtime, fs, fake.processes, fake.http, fake.program, fake.registry};
    lockbay::LockbayApp localApp(failing);
    localApp.form1().show();
    fs.failReads = true;
    localApp.form1().Timer5.setEnabled(true);
    EXPECT_THROW(advance(20), std::bad_alloc);
    EXPECT_FALSE(localApp.form1().Timer5.enabled());
}

class ChooserTest : public LanguageTest {
protected:
    lockbay::Form3& openChooser() {
        auto& form = openMainWindow();
        form.Image2.click();
        return app().form3();
    }
};

TEST_F(ChooserTest, LanguageButtonSwapsTheMainWindowForTheChooser) {
    auto& chooser = openChooser();
    EXPECT_TRUE(chooser.visible());
    EXPECT_FALSE(form1().visible());
    EXPECT_EQ(chooser.Label2.text(), L"Fran\u00e7ais");
    EXPECT_EQ(chooser.Label3.text(), L"Rom\u00e2n\u00e3");
    EXPECT_EQ(chooser.Label5.text(), L"Espa\u00f1ol");
    EXPECT_EQ(chooser.Label6.text(), L"Bahasa Indonesia");
}

TEST_F(ChooserTest, ChoosingWritesTheSelectionAndAppliesItOnce20msLater) {
    fake.fs.addDrive(L'E');
    fake.fs.addFile(L"german.vlng", numberedLanguage());
    select("a much longer previous selection.vlng, with more\r\n");
    auto& chooser = openChooser();
    advance(20);  // the chooser's load re-applied the current language
    chooser.Label4.click();  // Deutsch
    EXPECT_EQ(fake.fs.content(L"clng.vlng"), "german.vlng\r\n");
    EXPECT_FALSE(chooser.loaded());
    EXPECT_TRUE(form1().visible());
    EXPECT_EQ(form1().Label4.text(), L"Refresh") << "nothing changes before the tick";
    advance(19);
    EXPECT_EQ(form1().Label4.text(), L"Refresh");
    advance(1);
    EXPECT_EQ(form1().Label4.text(), L"L14");
    EXPECT_EQ(form1().List1.items(), std::vector<std::wstring>{L"E:    L3"});
    EXPECT_FALSE(form1().Timer5.enabled());
    EXPECT_TRUE(chooser.loaded()) << "line 7 created the chooser again, hidden";
    EXPECT_FALSE(chooser.visible());
    advance(1000);
    const auto listRebuilds = std::count(fake.fs.calls.begin(), fake.fs.calls.end(), L"attributes E:\\AUTORUN.INF");
    EXPECT_EQ(listRebuilds, 3) << "load, chooser load, one re-application after the choice";
}

TEST_F(ChooserTest, EachLabelWritesItsFileName) {
    const std::vector<std::pair<platform::ui::Control lockbay::Form3::*, std::string>> choices = {
        {&lockbay::Form3::Label1, "english.vlng"},    {&lockbay::Form3::Label2, "francais.vlng"},
        {&lockbay::Form3::Label3, "romana.vlng"},     {&lockbay::Form3::Label4, "german.vlng"},
        {&lockbay::Form3::Label5, "spanish.vlng"},    {&lockbay::Form3::Label7, "italian.vlng"},
        {&lockbay::Form3::Label6, "indonesian.vlng"},
    };
    for (const auto& [label, file] : choices) {
        auto& chooser = openChooser();
        (chooser.*label).click();
        EXPECT_EQ(fake.fs.content(L"clng.vlng"), file + "\r\n");
    }
}

TEST_F(ChooserTest, CancelAndFrameCloseLeaveTheSelectionUntouched) {
    select("english.vlng\r\n");
    auto& chooser = openChooser();
    chooser.Label8.raiseMouseDown();
    EXPECT_EQ(chooser.Picture3.border(), 1);
    chooser.Label8.raiseMouseUp();
    EXPECT_EQ(chooser.Picture3.border(), 0);
    chooser.Label8.click();
    EXPECT_FALSE(chooser.visible());
    EXPECT_TRUE(form1().visible());
    openChooser().closeRequested();
    EXPECT_TRUE(form1().visible());
    EXPECT_FALSE(app().form3().visible());
    EXPECT_EQ(fake.fs.content(L"clng.vlng"), "english.vlng\r\n");
}

// A standard user cannot write clng.vlng into Program Files: the choice is kept for that
// user under HKCU, read before clng.vlng, and applied as usual. A later choice that the
// working folder takes removes it again.
TEST_F(ChooserTest, ASelectionThatTheWorkingFolderCannotTakeIsKeptForTheUser) {
    fake.fs.addFolder(L"clng.vlng");  // a folder in the way
    fake.fs.addFile(
        L"german.vlng",
        "L1\r\nL2\r\nL3\r\nL4\r\nL5\r\nL6\r\nL7\r\nL8\r\nL9\r\nL10\r\nL11\r\nL12\r\nL13\r\nG14\r\n");
    openChooser().Label4.click();
    EXPECT_TRUE(fake.backend.messageBoxes().empty());
    EXPECT_TRUE(fake.fs.isFolder(L"clng.vlng"));
    EXPECT_EQ(fake.registry.read(platform::RegistryRoot::CurrentUser, L"Software\\Lockbay", L"Language"),
              platform::stringValue(L"german.vlng"));
    advance(100);
    EXPECT_EQ(form1().Label4.text(), L"G14");
    fake.fs.removeDirectory(L"clng.vlng");
    openChooser().Label1.click();
    EXPECT_EQ(fake.fs.content(L"clng.vlng"), "english.vlng\r\n");
    EXPECT_FALSE(fake.registry.read(platform::RegistryRoot::CurrentUser, L"Software\\Lockbay", L"Language"));
}

// Only a bare name ending in .vlng is opened, from the working folder: a path, a share, a
// device or another extension counts as a missing file.
TEST(LanguageReading, OnlyABareVlngNameIsOpened) {
    for (const wchar_t* name : {L"german.vlng", L"My_Lang-2.VLNG"})
        EXPECT_TRUE(lockbay::isLanguageFileName(name)) << name;
    for (const wchar_t* name :
         {L"\\\\server\\share\\x.vlng", L"C:\\x.vlng", L"sub\\x.vlng", L"..\\x.vlng", L"CON.vlng",
          L"com1.vlng", L"x.txt", L".vlng", L"x.vlng:stream", L"a b.vlng"}) {
        EXPECT_FALSE(lockbay::isLanguageFileName(name)) << name;
    }
}

class HelpTest : public LanguageTest {
protected:
    lockbay::Form2& openHelp() {
        auto& form = openMainWindow();
        form.Label9.click();
        return app().form2();
    }
    static std::vector<std::wstring> visibleTopics(lockbay::Form2& help) {
        std::vector<std::wstring> names;
        for (auto* label : {&help.Label8, &help.Label1, &help.Label10, &help.Label2, &help.Label11, &help.Label3,
                            &help.Label9, &help.Label12, &help.Label13, &help.Label14}) {
            if (label->visible()) names.push_back(label->name());
        }
        return names;
    }
    static std::vector<int> borders(lockbay::Form2& help) {
        return {help.Picture15.border(), help.Picture1.border(), help.Picture2.border(), help.Picture3.border()};
    }
};

TEST_F(HelpTest, TabsShowTheirTopicsAndBorderTheirBox) {
    auto& help = openHelp();
    EXPECT_TRUE(help.visible());
    EXPECT_FALSE(form1().visible());
    EXPECT_EQ(help.backColor().g, 255);
    EXPECT_EQ(help.backColor().r, 204);
    using Names = std::vector<std::wstring>;
    EXPECT_EQ(visibleTopics(help), (Names{L"Label8", L"Label1"}));
    EXPECT_EQ(borders(help), (std::vector<int>{1, 0, 0, 0}));
    struct Case {
        platform::ui::Control* tab;
        Names topics;
        std::vector<int> borders;
    };
    const Case cases[] = {
        {&help.Label17, {L"Label10", L"Label2", L"Label11", L"Label3"}, {0, 1, 0, 0}},
        {&help.Label18, {L"Label9", L"Label12"}, {0, 0, 1, 0}},
        {&help.Label19, {L"Label13", L"Label14"}, {0, 0, 0, 1}},
        {&help.Label19, {L"Label13", L"Label14"}, {0, 0, 0, 1}},
        {&help.Label16, {L"Label8", L"Label1"}, {1, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        c.tab->click();
        EXPECT_EQ(visibleTopics(help), c.topics) << c.tab->name();
        EXPECT_EQ(borders(help), c.borders) << c.tab->name();
    }
    EXPECT_TRUE(help.Label4.visible());
    EXPECT_TRUE(help.Label15.visible());
}

TEST_F(HelpTest, EveryOpeningStartsWithAbout) {
    auto& help = openHelp();
    help.Label18.click();
    help.closeRequested();
    EXPECT_TRUE(form1().visible());
    EXPECT_FALSE(help.visible());
    form1().Label9.click();
    EXPECT_EQ(visibleTopics(help), (std::vector<std::wstring>{L"Label8", L"Label1"}));
    EXPECT_EQ(borders(help), (std::vector<int>{1, 0, 0, 0}));
}

TEST_F(HelpTest, BuiltInTextsAndTheFaqLink) {
    auto& help = openHelp();
    EXPECT_EQ(help.Label5.text(), L"VERSION: 4.0.0");
    EXPECT_EQ(help.Label4.text(), L"TITLE: Lockbay");
    EXPECT_EQ(help.Label6.text(), L"SUPPORT: support@lockbay.example");
    EXPECT_EQ(help.Label7.text(), L"CREATED BY: www.lockbay.example");
    EXPECT_NE(help.Label12.text().find(L"to NTFS  if you want Advanced Protection"), std::wstring::npos);
    help.Label15.raiseMouseDown();
    EXPECT_EQ(help.Label15.border(), 1);
    help.Label15.raiseMouseUp();
    EXPECT_EQ(help.Label15.border(), 0);
    help.Label15.click();
    EXPECT_EQ(fake.processes.webPages, std::vector<std::wstring>{L"http://www.lockbay.example/faq.html"});
    EXPECT_TRUE(fake.processes.shellOpens.empty());
    EXPECT_TRUE(help.visible());
}

}  // namespace
