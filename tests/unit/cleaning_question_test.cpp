// The main window's question after Protect removed an infected autorun.inf: when it
// comes, what it lists, and what Yes and No do to the drive.
#include "lockbay/protection/cleaning_question.h"

#include <algorithm>
#include <string>
#include <vector>

#include "infected_stick.h"
#include "lockbay/protection/cleaning_handover.h"
#include "lockbay/protection/cleaning_offer.h"
#include "lockbay_fixture.h"
#include "platform/encoding.h"

namespace {

namespace attr = platform::attr;
using Answer = platform::ui::Backend::Answer;
using Buttons = platform::ui::Backend::Buttons;
using infected_stick::kHiddenSystem;

class CleaningQuestionTest : public LockbayTest {
protected:
    CleaningQuestionTest() {
        fake.fs.addDrive(L'E');
        infected_stick::addTo(fake.fs);
    }

    // Answers every cleaning question with `answer` (a click on Yes or No), keeping what
    // it showed and the main window's state at that moment.
    void answerWith(Answer answer) {
        fake.backend.onModal = [this, answer](platform::ui::Form& form) {
            auto& question = dynamic_cast<lockbay::CleaningQuestion&>(form);
            questions.push_back({question.Label1.text(), question.List1.items(), question.Label2.text(),
                                 question.Label3.text(), fake.backend.now()});
            busyAtQuestion = busy();
            listAtQuestion = listLines();
            (answer == Answer::Yes ? question.Label3 : question.Label4).click();
        };
    }
    // Protect (Simple) on E:, answering the question with `answer`.
    void protectAndAnswer(Answer answer) {
        answerWith(answer);
        openMainWindow();
        selectDrive(L'E');
        form1().Label7.click();
        advance(500);
    }
    const std::vector<platform::ui::HeadlessBackend::MessageBoxCall>& boxes() {
        return fake.backend.messageBoxes();
    }
    bool contains(const std::wstring& text, const std::wstring& part) {
        return text.find(part) != std::wstring::npos;
    }
    // The folder the cleaning made in the quarantine: the latest, after the one that
    // Protect made for autorun.inf.
    std::wstring quarantineFolder() {
        const auto entries = fake.fs.listFolder(L"E:\\Lockbay quarantine");
        if (!entries || entries->empty()) return L"(none)";
        std::wstring latest;
        for (const auto& entry : *entries) latest = std::max(latest, entry.name);
        return L"E:\\Lockbay quarantine\\" + latest;
    }

    struct Question {
        std::wstring intro;
        std::vector<std::wstring> list;
        std::wstring question;
        std::wstring yes;
        std::int64_t atMs;
    };
    std::vector<Question> questions;
    bool busyAtQuestion = true;
    std::vector<std::wstring> listAtQuestion;
};

TEST_F(CleaningQuestionTest, AfterTheRefreshTheWindowListsWhatItFoundAndYesCleans) {
    protectAndAnswer(Answer::Yes);
    ASSERT_EQ(questions.size(), 1u);
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(questions[0].atMs, 500) << "right after the refresh step";
    EXPECT_FALSE(busyAtQuestion) << "the busy state is over when the question comes";
    EXPECT_EQ(listAtQuestion, (std::vector<std::wstring>{L"E:    PROTECTED"}));
    EXPECT_EQ(
        questions[0].intro,
        L"Lockbay has removed the autorun.inf file of drive E:, but the virus that it started is still on "
        L"the drive.");
    EXPECT_EQ(questions[0].list,
              (std::vector<std::wstring>{
                  L"Programs that the virus runs:", L"    E:\\RECYCLER\\S-1-5-21\\autorun.exe",
                  L"    E:\\RECYCLER\\x.dll", L"", L"Shortcuts that pose as folders:", L"    E:\\Music.lnk",
                  L"    E:\\Photos.lnk", L"    E:\\Work.lnk", L"", L"Folders that the virus has hidden:",
                  L"    E:\\Music", L"    E:\\Photos", L"    E:\\Work"}));
    EXPECT_EQ(questions[0].question,
              L"Clean the drive now? Lockbay moves the programs and shortcuts into the folder \"E:\\Lockbay "
              L"quarantine\" on the drive (nothing is deleted) and shows the hidden folders again.");
    EXPECT_EQ(questions[0].yes, L"Yes");
    EXPECT_FALSE(app().cleaningQuestion().loaded()) << "the answer closes it";

    const std::wstring folder = quarantineFolder();
    EXPECT_TRUE(boxes()[0].text.starts_with(L"Drive E: has been cleaned. The files have been moved into \"" +
                                            folder + L"\"; README.txt there"))
        << platform::toUtf8(boxes()[0].text);
    EXPECT_TRUE(contains(boxes()[0].text, L"Shown again:\n    E:\\Music\n    E:\\Photos\n    E:\\Work"));
    EXPECT_TRUE(fake.fs.exists(folder + L"\\RECYCLER\\S-1-5-21\\autorun.exe.quarantined"));
    EXPECT_TRUE(fake.fs.exists(folder + L"\\Photos.lnk.quarantined"));
    EXPECT_TRUE(fake.fs.exists(folder + L"\\README.txt"));
    EXPECT_FALSE(fake.fs.exists(L"E:\\RECYCLER\\x.dll"));
    EXPECT_EQ(fake.fs.entry(L"E:\\Photos")->attributes & kHiddenSystem, 0u);
    EXPECT_EQ(fake.fs.entry(L"E:\\Private")->attributes & kHiddenSystem, kHiddenSystem);
    EXPECT_TRUE(form1().List1.visible());
    advance(10000);
    EXPECT_EQ(questions.size(), 1u) << "asked once";
}

TEST_F(CleaningQuestionTest, NoChangesNothingAndSaysTheFilesAreStillThere) {
    protectAndAnswer(Answer::No);
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].buttons, Buttons::Ok);
    EXPECT_EQ(
        boxes()[0].text,
        L"Nothing has been changed. Drive E: still carries the files that were listed, and opening one of "
        L"them can start the virus again.");
    EXPECT_EQ(fake.fs.listFolder(L"E:\\Lockbay quarantine")->size(), 1u)
        << "Protect's, with autorun.inf alone";
    EXPECT_TRUE(fake.fs.exists(L"E:\\RECYCLER\\x.dll"));
    EXPECT_TRUE(fake.fs.exists(L"E:\\Photos.lnk"));
    EXPECT_EQ(fake.fs.entry(L"E:\\Photos")->attributes, attr::kDirectory | kHiddenSystem);
}

TEST_F(CleaningQuestionTest, NothingToCleanAsksNothing) {
    fake.fs.addFile(L"E:\\autorun.inf", "[autorun]\r\nopen=C:\\Windows\\notepad.exe\r\nopen=missing.exe\r\n");
    for (const auto* decoy : {L"E:\\Photos.lnk", L"E:\\Music.lnk", L"E:\\Work.lnk"})
        fake.fs.deleteFile(decoy);
    protectAndAnswer(Answer::Yes);
    EXPECT_TRUE(boxes().empty());
    EXPECT_TRUE(questions.empty());
    EXPECT_EQ(listLines(), (std::vector<std::wstring>{L"E:    PROTECTED"}));
    EXPECT_EQ(fake.fs.listFolder(L"E:\\Lockbay quarantine")->size(), 1u)
        << "Protect's, with autorun.inf alone";
}

TEST_F(CleaningQuestionTest, AFileThatCannotBeMovedIsNamedInTheSummary) {
    fake.fs.unmovable.insert(L"E:\\RECYCLER\\X.DLL");
    protectAndAnswer(Answer::Yes);
    ASSERT_EQ(boxes().size(), 1u);
    const std::wstring& summary = boxes()[0].text;
    EXPECT_TRUE(
        summary.starts_with(L"Drive E: has been cleaned only in part. README.txt in \"" + quarantineFolder()))
        << platform::toUtf8(summary);
    EXPECT_TRUE(contains(summary,
                         L"Could not be moved, still in place:\n    E:\\RECYCLER\\x.dll (The process cannot "
                         L"access the file because it is being used by another process.)"))
        << platform::toUtf8(summary);
    EXPECT_TRUE(fake.fs.exists(L"E:\\RECYCLER\\x.dll"));
}

// The question lists every item, however many (the list scrolls); only the summary's
// message cuts its lists.
TEST_F(CleaningQuestionTest, ALongListIsShownWhole) {
    std::string autorun = "[autorun]\r\n";
    for (int i = 0; i < 40; ++i) {
        const std::string name = "RECYCLER\\worm" + std::to_string(i) + ".exe";
        autorun += "open=" + name + "\r\n";
        fake.fs.addFile(L"E:\\" + platform::fromUtf8(name), "MZ");
    }
    fake.fs.addFile(L"E:\\autorun.inf", autorun);  // 40 programs, and the 2 that the decoys start
    protectAndAnswer(Answer::No);
    ASSERT_EQ(questions.size(), 1u);
    const auto& list = questions[0].list;
    EXPECT_EQ(list.size(), 1 + 42 + 1 + 4 + 1 + 4u);
    EXPECT_EQ(list[40], L"    E:\\RECYCLER\\worm39.exe");
    EXPECT_EQ(std::count_if(list.begin(), list.end(),
                            [](const auto& line) { return line.find(L"more") != line.npos; }),
              0);
    EXPECT_EQ(
        lockbay::shortenedPath(L"E:\\RECYCLER\\" + std::wstring(100, L'd') + L"\\" + std::wstring(20, L'n')),
        L"E:\\RECYCLER\\...\\" + std::wstring(20, L'n'));
    EXPECT_LE(lockbay::shortenedPath(L"E:\\" + std::wstring(200, L'n')).size(), lockbay::kShownPathLength);
}

TEST_F(CleaningQuestionTest, TheQuestionWaitsForTheRetryAndNeverComesWhileTheFileStays) {
    for (const Answer retryAnswer : {Answer::Retry, Answer::Cancel}) {
        fakes::FakePlatform local;
        local.fs.addDrive(L'C');
        local.fs.addDrive(L'E');
        infected_stick::addTo(local.fs);
        local.fs.undeletable.insert(L"E:\\AUTORUN.INF");
        local.backend.onMessageBox = [&](const auto& call) {
            if (call.buttons == Buttons::RetryCancel) {
                local.fs.undeletable.clear();  // the user scanned the drive meanwhile
                return retryAnswer;
            }
            return Answer::Ok;
        };
        std::vector<std::int64_t> askedAt;
        local.backend.onModal = [&](platform::ui::Form& form) {
            askedAt.push_back(local.backend.now());
            form.closeRequested();
        };
        lockbay::LockbayApp localApp(local.platform);
        localApp.form1().show();
        localApp.form1().List1.select(0);
        localApp.form1().Label7.click();
        local.advance(3000);
        const auto& calls = local.backend.messageBoxes();
        ASSERT_GE(calls.size(), 1u);
        EXPECT_EQ(calls[0].buttons, Buttons::RetryCancel);
        if (retryAnswer == Answer::Retry) {
            EXPECT_EQ(calls.size(), 2u) << "the retry, and No's reminder";
            EXPECT_EQ(askedAt, std::vector<std::int64_t>{2100}) << "after the retry's refresh";
        } else {
            EXPECT_EQ(calls.size(), 1u);
            EXPECT_TRUE(askedAt.empty()) << "autorun.inf is still there: no question";
        }
    }
}

// The watcher protected E: and handed it over. Opening Lockbay asks about it as after
// Protect, once, when the entry belongs to the stick that is there; every other entry
// (a drive that is gone, another stick on the letter, bad data) goes unasked.
TEST_F(CleaningQuestionTest, AHandedOverDriveIsAskedAboutOnceWhenTheWindowOpens) {
    using platform::RegistryRoot;
    using platform::RegistryValue;
    using platform::regtype::kBinary;
    const std::uint32_t serial = 0x1234ABCD;
    fake.fs.drive(L'E').details.serial = serial;
    const lockbay::AutorunRead autorun = lockbay::readInfectedAutorun(fake.fs, L'E');
    fake.fs.deleteFile(L"E:\\autorun.inf");
    fake.fs.addFolder(L"E:\\autorun.inf", attr::kDirectory | attr::kHidden);
    lockbay::storeHandover(fake.registry, L'E', serial, autorun);
    lockbay::storeHandover(fake.registry, L'F', serial, autorun);  // gone
    fake.fs.addDrive(L'G');  // serial 0, with what the handed-over bytes name
    fake.fs.addFile(L"G:\\RECYCLER\\S-1-5-21\\autorun.exe", "MZ");
    lockbay::storeHandover(fake.registry, L'G', serial, autorun);
    const std::string header("\xCD\xAB\x34\x12\x01", 5);
    const std::string size64k("\x00\x00\x01\x00\x00\x00\x00\x00", 8);
    const RegistryValue garbage[] = {
        platform::stringValue(L"E:\\autorun.inf"),
        {kBinary, "\xCD\xAB"},
        {kBinary, std::string("\xCD\xAB\x34\x12\x07", 5) + size64k},  // neither with nor without a file
        {kBinary, header + std::string("\x02\0\0\0\0\0\0\0", 8) + "[autorun]"},  // longer than its size
        {kBinary, header + size64k + std::string(lockbay::kAutorunReadLimit + 1, 'x')},
        {kBinary, std::string("\xCD\xAB\x34\x12\x00", 5) + size64k},  // no file, yet a size
    };
    wchar_t letter = L'H';
    for (const RegistryValue& value : garbage) {
        EXPECT_FALSE(lockbay::parseHandover(letter, value));
        fake.registry.write(RegistryRoot::CurrentUser, lockbay::kHandoverKey, lockbay::handoverName(letter++),
                            value);
    }
    answerWith(Answer::Yes);

    openMainWindow();
    advance(lockbay::Form1::kHandoverCheckMs);
    ASSERT_EQ(questions.size(), 1u);
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_TRUE(questions[0].intro.starts_with(L"Lockbay has removed the autorun.inf file of drive E:"));
    EXPECT_EQ(questions[0].list[1], L"    E:\\RECYCLER\\S-1-5-21\\autorun.exe")
        << "known from the handed-over bytes";
    const std::wstring folder = quarantineFolder();
    EXPECT_TRUE(fake.fs.exists(folder + L"\\RECYCLER\\S-1-5-21\\autorun.exe.quarantined"));
    EXPECT_EQ(fake.fs.content(folder + L"\\autorun.inf.quarantined"), infected_stick::kAutorun);
    EXPECT_FALSE(fake.registry.keyExists(RegistryRoot::CurrentUser, lockbay::kHandoverKey))
        << "every entry dropped";
    EXPECT_FALSE(fake.fs.exists(L"G:\\Lockbay quarantine"));

    form1().Label4.click();  // Refresh
    advance(10000);
    EXPECT_EQ(questions.size(), 1u) << "asked once";
}

}  // namespace
