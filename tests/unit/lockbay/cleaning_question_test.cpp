// The main window's question after Protect removed an infected autorun.inf: when it
// comes, what it lists, and what Yes and No do to the drive.
#include <algorithm>
#include <string>
#include <vector>

#include "drive_rules/cleaning_handover.h"
#include "infected_stick.h"
#include "lockbay/operations/cleaning_offer.h"
#include "lockbay/operations/cleaning_question.h"
#include "lockbay_fixture.h"
#include "platform/encoding.h"

namespace {

namespace attr = platform::attr;
using Answer = platform::ui::Backend::Answer;
using Buttons = platform::ui::Backend::Buttons;
using infected_stick::kHiddenSystem;

// The question's window is logged among the message boxes, its texts as one (first line,
// list lines, question), and clicked as the script answers a Yes/No box.
void answerQuestionsAsBoxes(platform::ui::HeadlessBackend& backend) {
    backend.onModal = [&backend](platform::ui::Form& form) {
        auto& question = dynamic_cast<lockbay::CleaningQuestion&>(form);
        std::wstring text = question.Label1.text() + L"\n";
        for (const std::wstring& line : question.List1.items()) text += L"\n" + line;
        const Answer answer =
            backend.messageBox(text + L"\n\n" + question.Label2.text(), question.title(), Buttons::YesNo);
        (answer == Answer::Yes ? question.Label3 : question.Label4).click();
    };
}

class CleaningQuestionTest : public LockbayTest {
protected:
    CleaningQuestionTest() {
        fake.fs.addDrive(L'E');
        infected_stick::addTo(fake.fs);
        answerQuestionsAsBoxes(fake.backend);
    }

    // Protect (Simple) on E:, answering the question with `answer`; the window's state
    // when the question came is kept.
    void protectAndAnswer(Answer answer) {
        fake.backend.onMessageBox = [this, answer](const auto& call) {
            if (call.buttons != Buttons::YesNo) return Answer::Ok;
            busyAtQuestion = busy();
            listAtQuestion = listLines();
            return answer;
        };
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
    // The folder the cleaning made in the quarantine: the latest, after Protect's.
    std::wstring quarantineFolder() {
        const auto entries = fake.fs.listFolder(L"E:\\Lockbay quarantine");
        if (!entries || entries->empty()) return L"(none)";
        return L"E:\\Lockbay quarantine\\" + std::max(entries->front().name, entries->back().name);
    }

    bool busyAtQuestion = true;
    std::vector<std::wstring> listAtQuestion;
};

TEST_F(CleaningQuestionTest, AfterTheRefreshTheWindowListsWhatItFoundAndYesCleans) {
    protectAndAnswer(Answer::Yes);
    ASSERT_EQ(boxes().size(), 2u);
    EXPECT_EQ(boxes()[0].buttons, Buttons::YesNo);
    EXPECT_EQ(boxes()[0].title, L"Lockbay");
    EXPECT_EQ(boxes()[0].atMs, 500) << "right after the refresh step";
    EXPECT_FALSE(busyAtQuestion) << "the busy state is over when the question comes";
    EXPECT_EQ(listAtQuestion, (std::vector<std::wstring>{L"E:    PROTECTED"}));
    EXPECT_EQ(
        boxes()[0].text,
        L"Lockbay has removed the autorun.inf file of drive E:, but the virus that it started is still on "
        L"the "
        L"drive.\n\n"
        L"Programs that the virus runs:\n    E:\\RECYCLER\\S-1-5-21\\autorun.exe\n    E:\\RECYCLER\\x.dll\n\n"
        L"Shortcuts that pose as folders:\n    E:\\Music.lnk\n    E:\\Photos.lnk\n    E:\\Work.lnk\n\n"
        L"Folders that the virus has hidden:\n    E:\\Music\n    E:\\Photos\n    E:\\Work\n\n"
        L"Clean the drive now? Lockbay moves the programs and shortcuts into the folder \"E:\\Lockbay "
        L"quarantine\" on the drive (nothing is deleted) and shows the hidden folders again.");

    const std::wstring folder = quarantineFolder();
    EXPECT_TRUE(boxes()[1].text.starts_with(L"Drive E: has been cleaned. The files have been moved into \"" +
                                            folder + L"\"; README.txt there"))
        << platform::toUtf8(boxes()[1].text);
    EXPECT_TRUE(contains(boxes()[1].text, L"Shown again:\n    E:\\Music\n    E:\\Photos\n    E:\\Work"));
    EXPECT_TRUE(fake.fs.exists(folder + L"\\RECYCLER\\S-1-5-21\\autorun.exe.quarantined"));
    EXPECT_TRUE(fake.fs.exists(folder + L"\\Photos.lnk.quarantined"));
    EXPECT_TRUE(fake.fs.exists(folder + L"\\README.txt"));
    EXPECT_FALSE(fake.fs.exists(L"E:\\RECYCLER\\x.dll"));
    EXPECT_EQ(fake.fs.entry(L"E:\\Photos")->attributes & kHiddenSystem, 0u);
    EXPECT_EQ(fake.fs.entry(L"E:\\Private")->attributes & kHiddenSystem, kHiddenSystem);
    EXPECT_TRUE(form1().List1.visible());
    advance(10000);
    EXPECT_EQ(boxes().size(), 2u) << "asked once";
}

TEST_F(CleaningQuestionTest, NoChangesNothingAndSaysTheFilesAreStillThere) {
    protectAndAnswer(Answer::No);
    ASSERT_EQ(boxes().size(), 2u);
    EXPECT_EQ(boxes()[1].buttons, Buttons::Ok);
    EXPECT_EQ(
        boxes()[1].text,
        L"Nothing has been changed. Drive E: still carries the files that were listed, and opening one of "
        L"them can start the virus again.");
    EXPECT_EQ(fake.fs.listFolder(L"E:\\Lockbay quarantine")->size(), 1u) << "Protect's, for autorun.inf";
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
    EXPECT_EQ(listLines(), (std::vector<std::wstring>{L"E:    PROTECTED"}));
    EXPECT_EQ(fake.fs.listFolder(L"E:\\Lockbay quarantine")->size(), 1u) << "Protect's, for autorun.inf";
}

TEST_F(CleaningQuestionTest, AFileThatCannotBeMovedIsNamedInTheSummary) {
    fake.fs.unmovable.insert(L"E:\\RECYCLER\\X.DLL");
    protectAndAnswer(Answer::Yes);
    ASSERT_EQ(boxes().size(), 2u);
    const std::wstring& summary = boxes()[1].text;
    EXPECT_TRUE(
        summary.starts_with(L"Drive E: has been cleaned only in part. README.txt in \"" + quarantineFolder()))
        << platform::toUtf8(summary);
    EXPECT_TRUE(contains(summary,
                         L"Could not be moved, still in place:\n    E:\\RECYCLER\\x.dll (The process cannot "
                         L"access the file because it is being used by another process.)"))
        << platform::toUtf8(summary);
    EXPECT_TRUE(fake.fs.exists(L"E:\\RECYCLER\\x.dll"));
}

// The question lists every item (its list scrolls); only the summary cuts its lists.
TEST_F(CleaningQuestionTest, ALongListIsShownWhole) {
    std::string autorun = "[autorun]\r\n";
    for (int i = 0; i < 40; ++i) {
        const std::string name = "RECYCLER\\worm" + std::to_string(i) + ".exe";
        autorun += "open=" + name + "\r\n";
        fake.fs.addFile(L"E:\\" + platform::fromUtf8(name), "MZ");
    }
    fake.fs.addFile(L"E:\\autorun.inf", autorun);  // 40 programs, and the 2 that the decoys start
    protectAndAnswer(Answer::No);
    ASSERT_FALSE(boxes().empty());
    const std::wstring& question = boxes()[0].text;
    EXPECT_TRUE(contains(question, L"E:\\RECYCLER\\worm39.exe\n")) << platform::toUtf8(question);
    EXPECT_FALSE(contains(question, L"more"));
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
            return call.buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
        };
        answerQuestionsAsBoxes(local.backend);
        lockbay::LockbayApp localApp(local.platform);
        localApp.form1().show();
        localApp.form1().List1.select(0);
        localApp.form1().Label7.click();
        local.advance(3000);
        const auto& calls = local.backend.messageBoxes();
        ASSERT_GE(calls.size(), 1u);
        EXPECT_EQ(calls[0].buttons, Buttons::RetryCancel);
        if (retryAnswer == Answer::Retry) {
            ASSERT_EQ(calls.size(), 3u);
            EXPECT_EQ(calls[1].buttons, Buttons::YesNo);
            EXPECT_EQ(calls[1].atMs, 2100) << "after the retry's refresh";
        } else {
            EXPECT_EQ(calls.size(), 1u) << "autorun.inf is still there: no question";
        }
    }
}

// The watcher handed E:'s volume over while it had the letter F:. Opening Lockbay asks
// about it as after Protect, under the letter it has now, and drops the entry once
// answered. An absent volume's entry stays; C:'s (the system drive, which the watcher
// never watches), one older than 30 days and bad data go unasked.
TEST_F(CleaningQuestionTest, AHandedOverDriveIsAskedAboutOnceUnderAnyLetterAndOnlyIfWatched) {
    using platform::RegistryRoot;
    using platform::RegistryValue;
    using platform::regtype::kBinary;
    const std::uint32_t serial = 0x1234ABCD;
    const std::int64_t now = lockbay::handoverClockNow();
    fake.fs.drive(L'E').details.serial = serial;
    const lockbay::AutorunRead autorun = lockbay::readInfectedAutorun(fake.fs, L'E');
    fake.fs.deleteFile(L"E:\\autorun.inf");
    fake.fs.addFolder(L"E:\\autorun.inf", attr::kDirectory | attr::kHidden);
    lockbay::storeHandover(fake.registry, L'F', serial, autorun, now - 60);
    lockbay::storeHandover(fake.registry, L'G', 0x0BADF00D, autorun, now - 60);  // absent: kept
    fake.registry.write(RegistryRoot::CurrentUser, lockbay::kHandoverKey, lockbay::handoverName(L'H', 0xAAAA),
                        lockbay::handoverValue(0xAAAA, autorun, now - lockbay::kHandoverLifetimeSeconds - 1));
    fake.fs.addDrive(L'C').details = {platform::DriveKind::Fixed, false, L"", 0xC0C0C0C0};
    fake.fs.addFile(L"C:\\RECYCLER\\S-1-5-21\\autorun.exe", "MZ");
    lockbay::storeHandover(fake.registry, L'Q', 0xC0C0C0C0, autorun, now - 60);
    const std::string header("\xCD\xAB\x34\x12\x01", 5);
    const std::string size64k("\x00\x00\x01\x00\x00\x00\x00\x00", 8);
    const std::string time(8, '\0');
    const RegistryValue garbage[] = {
        platform::stringValue(L"E:\\autorun.inf"),
        {kBinary, "\xCD\xAB"},
        {kBinary,
         std::string("\xCD\xAB\x34\x12\x07", 5) + size64k + time},  // neither with nor without a file
        {kBinary,
         header + std::string("\x02\0\0\0\0\0\0\0", 8) + time + "[autorun]"},  // longer than its size
        {kBinary, header + size64k + time + std::string(lockbay::kAutorunReadLimit + 1, 'x')},
        {kBinary, std::string("\xCD\xAB\x34\x12\x00", 5) + size64k + time},  // no file, yet a size
    };
    wchar_t letter = L'I';
    for (const RegistryValue& value : garbage) {
        const std::wstring name = lockbay::handoverName(letter++, serial);
        EXPECT_FALSE(lockbay::parseHandover(name, value));
        fake.registry.write(RegistryRoot::CurrentUser, lockbay::kHandoverKey, name, value);
    }
    EXPECT_FALSE(lockbay::parseHandover(L"E: 0BADF00D", lockbay::handoverValue(serial, autorun, now)));
    fake.backend.onMessageBox = [](const auto& call) {
        return call.buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
    };

    openMainWindow();
    advance(lockbay::Form1::kHandoverCheckMs);
    ASSERT_EQ(boxes().size(), 2u);
    EXPECT_EQ(boxes()[0].buttons, Buttons::YesNo);
    EXPECT_TRUE(boxes()[0].text.starts_with(L"Lockbay has removed the autorun.inf file of drive E:"));
    EXPECT_TRUE(contains(boxes()[0].text, L"E:\\RECYCLER\\S-1-5-21\\autorun.exe"))
        << "known from the handed-over bytes";
    const std::wstring folder = quarantineFolder();
    EXPECT_TRUE(fake.fs.exists(folder + L"\\RECYCLER\\S-1-5-21\\autorun.exe.quarantined"));
    EXPECT_EQ(fake.fs.content(folder + L"\\autorun.inf.quarantined"), infected_stick::kAutorun);
    EXPECT_TRUE(fake.fs.exists(L"C:\\RECYCLER\\S-1-5-21\\autorun.exe"));
    EXPECT_FALSE(fake.fs.exists(L"C:\\Lockbay quarantine"));
    EXPECT_EQ(fake.registry.valueNames(RegistryRoot::CurrentUser, lockbay::kHandoverKey, 100),
              std::vector<std::wstring>{L"G: 0BADF00D"})
        << "only the absent volume's entry is left";

    form1().Label4.click();  // Refresh
    advance(10000);
    EXPECT_EQ(boxes().size(), 2u) << "asked once";
}

}  // namespace
