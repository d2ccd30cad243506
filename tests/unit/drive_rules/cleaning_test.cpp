// Scanning and cleaning an infected stick on the fake file system: what is found, what
// is moved where, what the README says, and that nothing is ever lost or touched off the
// drive.
#include "drive_rules/cleaning.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "drive_rules/sha256.h"
#include "drive_rules/shell_link.h"
#include "fakes/fake_platform.h"
#include "infected_stick.h"
#include "platform/encoding.h"
#include "texts/language_file.h"

namespace {

namespace attr = platform::attr;
using lockbay::PathRefusal;
using Strings = std::vector<std::wstring>;

using infected_stick::kAutorun;
using infected_stick::kHiddenSystem;
const platform::LocalTime kWhen{2026, 12, 9, 14, 3, 22};
const std::wstring kQuarantine = L"E:\\Lockbay quarantine\\2026-12-09 14.03.22";
const lockbay::TextOf kEnglish = [](lockbay::CaptionLine line) -> const std::wstring& {
    return lockbay::englishText(line);
};

// Every file's content on the drives, as a sorted list (the multiset of contents).
std::vector<std::string> contents(const fakes::FakeFileSystem& fs, bool withoutReadme = true) {
    std::vector<std::string> all;
    for (const auto& [path, entry] : fs.snapshot()) {
        if (entry.attributes & attr::kDirectory) continue;
        if (withoutReadme && path.ends_with(L"\\README.TXT")) continue;
        all.push_back(entry.content);
    }
    std::sort(all.begin(), all.end());
    return all;
}

class CleaningTest : public ::testing::Test {
protected:
    CleaningTest() {
        fs.addDrive(L'C', {L"NTFS", 1ull << 30, true, false});
        fs.addFile(L"C:\\Windows\\notepad.exe", "the system's notepad");
        fs.addDrive(L'E');
        infected_stick::addTo(fs);
    }

    lockbay::Infection scan() { return lockbay::scanDrive(fs, L'E', lockbay::readInfectedAutorun(fs, L'E')); }
    std::uint32_t attributesOf(const std::wstring& path) { return fs.entry(path).value().attributes; }

    fakes::FakeFileSystem fs;
};

TEST_F(CleaningTest, FindsWhatAutorunStartsTheDecoysAndTheirFolders) {
    const auto found = scan();
    EXPECT_EQ(found.programs, (Strings{L"E:\\RECYCLER\\S-1-5-21\\autorun.exe", L"E:\\RECYCLER\\x.dll"}));
    EXPECT_EQ(found.shortcuts, (Strings{L"E:\\Music.lnk", L"E:\\Photos.lnk", L"E:\\Work.lnk"}));
    EXPECT_EQ(found.hiddenFolders, (Strings{L"E:\\Music", L"E:\\Photos", L"E:\\Work"}));
    EXPECT_TRUE(found.refused.empty());
    EXPECT_EQ(found.fileCount(), 5u);
    EXPECT_EQ(found.autorun.bytes, kAutorun);

    // A folder of Windows stays hidden even beside a decoy; a shortcut to a document is no
    // decoy; rundll32 in autorun.inf moves the library it names.
    fs.addFile(L"E:\\RECYCLER.lnk", infected_stick::sampleLink("relative_target"));
    fs.addFolder(L"E:\\Letters", attr::kDirectory | kHiddenSystem);
    fs.addFile(L"E:\\Letters.lnk", infected_stick::sampleLink("document_target"));
    fs.addFile(L"E:\\autorun.inf", "[autorun]\r\nopen=rundll32 RECYCLER\\x.dll,Entry\r\n");
    const auto more = scan();
    EXPECT_EQ(more.programs.front(), L"E:\\RECYCLER\\x.dll");
    EXPECT_EQ(more.shortcuts,
              (Strings{L"E:\\Music.lnk", L"E:\\Photos.lnk", L"E:\\RECYCLER.lnk", L"E:\\Work.lnk"}));
    EXPECT_EQ(more.hiddenFolders, found.hiddenFolders);
}

TEST_F(CleaningTest, AShortcutIsFoundBesideItsFolderWhateverTheCaseOfItsName) {
    // The root's files are looked up by name in an index: it matches as the names compare.
    fs.addFolder(L"E:\\Travel", attr::kDirectory | kHiddenSystem);
    fs.addFile(L"E:\\TRAVEL.LNK", infected_stick::sampleLink("relative_target"));
    fs.addFolder(L"E:\\Notes", attr::kDirectory | kHiddenSystem);  // beside a folder of that name
    fs.addFolder(L"E:\\Notes.lnk", attr::kDirectory);
    const auto found = scan();
    EXPECT_EQ(found.shortcuts,
              (Strings{L"E:\\Music.lnk", L"E:\\Photos.lnk", L"E:\\TRAVEL.LNK", L"E:\\Work.lnk"}));
    EXPECT_EQ(found.hiddenFolders, (Strings{L"E:\\Music", L"E:\\Photos", L"E:\\Travel", L"E:\\Work"}));
    EXPECT_EQ(found.programs, (Strings{L"E:\\RECYCLER\\S-1-5-21\\autorun.exe", L"E:\\RECYCLER\\x.dll"}));
}

TEST_F(CleaningTest, QuarantinesEveryFileWithItsPathKeptAndShowsTheFolders) {
    const auto found = scan();
    const auto before = contents(fs);
    ASSERT_TRUE(fs.deleteFile(L"E:\\autorun.inf"));  // what Protect does before cleaning
    const auto report = lockbay::cleanDrive(fs, found, kEnglish, kWhen);

    EXPECT_EQ(report.quarantineFolder, kQuarantine);
    EXPECT_EQ(report.failures(), 0u);
    for (const auto* path : {L"\\RECYCLER\\S-1-5-21\\autorun.exe", L"\\RECYCLER\\x.dll", L"\\Music.lnk",
                             L"\\Photos.lnk", L"\\Work.lnk"}) {
        EXPECT_FALSE(fs.exists(std::wstring(L"E:") + path)) << platform::toUtf8(path);
        EXPECT_TRUE(fs.exists(kQuarantine + path + L".quarantined")) << platform::toUtf8(path);
    }
    EXPECT_EQ(fs.content(kQuarantine + L"\\RECYCLER\\S-1-5-21\\autorun.exe.quarantined"), "MZ the worm");
    EXPECT_EQ(attributesOf(kQuarantine + L"\\RECYCLER\\x.dll.quarantined"), attr::kNormal)
        << "Hidden and System taken off in the quarantine";
    EXPECT_EQ(fs.content(kQuarantine + L"\\autorun.inf.quarantined"), kAutorun);
    for (const auto* folder : {L"E:\\Music", L"E:\\Photos", L"E:\\Work"}) {
        EXPECT_EQ(attributesOf(folder) & kHiddenSystem, 0u) << platform::toUtf8(folder);
    }
    for (const auto* left : {L"E:\\Private", L"E:\\Docs", L"E:\\Old"}) {
        EXPECT_EQ(attributesOf(left), attr::kDirectory | kHiddenSystem) << platform::toUtf8(left);
    }
    EXPECT_TRUE(fs.exists(L"E:\\Docs.lnk"));
    EXPECT_EQ(fs.content(L"C:\\Windows\\notepad.exe"), "the system's notepad");
    // Nothing lost: every content that was on the drive is on it still, the removed
    // autorun.inf as its copy.
    EXPECT_EQ(contents(fs), before);

    const std::string readme = fs.content(kQuarantine + L"\\README.txt").value();
    ASSERT_TRUE(readme.starts_with("\xEF\xBB\xBF"));
    const std::wstring text = platform::fromUtf8(readme.substr(3));
    EXPECT_TRUE(text.starts_with(L"Lockbay moved these files here from drive E: on 2026-12-09 14:03:22."))
        << platform::toUtf8(text);
    EXPECT_NE(
        text.find(
            L"Old path: E:\\RECYCLER\\x.dll\r\nNew path: " + kQuarantine +
            L"\\RECYCLER\\x.dll.quarantined\r\nSize: 14 bytes\r\nSHA-256: " +
            platform::fromUtf8(lockbay::sha256Hex("MZ its library")) +
            L"\r\nIts attributes were +H +S (R read-only, H hidden, S system). To give them back once it "
            L"is at its old path: attrib +H +S \"E:\\RECYCLER\\x.dll\"\r\n"),
        std::wstring::npos)
        << platform::toUtf8(text);
    for (const auto* moved :
         {L"Old path: E:\\Music.lnk", L"Old path: E:\\autorun.inf", L"take \".quarantined\" off"}) {
        EXPECT_NE(text.find(moved), std::wstring::npos) << platform::toUtf8(moved);
    }
}

TEST_F(CleaningTest, ACleaningThroughTheScansOpeningsFindsAndDoesTheSame) {
    // lockbay-cli cleans through the openings its scan kept (here 2 of 3), the main window
    // opens each file again: both alike, also beside an oversized shortcut and an unmovable one.
    const auto cleaned = [](fakes::FakeFileSystem& stick, lockbay::KeptOpenings* kept) {
        stick.addFolder(L"E:\\Big", attr::kDirectory | kHiddenSystem);
        stick.addFile(L"E:\\Big.lnk", infected_stick::sampleLink("relative_target") +
                                          std::string(lockbay::kMaxShellLinkSize, 'x'));
        stick.unmovable.insert(fakes::FakeFileSystem::key(L"E:\\Work.lnk"));
        const auto found = lockbay::scanDrive(stick, L'E', lockbay::readInfectedAutorun(stick, L'E'), kept);
        EXPECT_TRUE(stick.deleteFile(L"E:\\autorun.inf"));
        EXPECT_EQ(lockbay::cleanDrive(stick, found, kEnglish, kWhen, kept).failures(), 1u) << "Work.lnk";
        std::map<std::wstring, std::pair<std::uint32_t, std::string>> drive;  // its README lists every item
        for (const auto& [path, entry] : stick.snapshot())
            if (path.starts_with(L"E:")) drive[path] = {entry.attributes, lockbay::sha256Hex(entry.content)};
        return drive;
    };
    fakes::FakeFileSystem twin;
    twin.addDrive(L'E');
    infected_stick::addTo(twin);
    lockbay::KeptOpenings openings(2);
    const auto throughKept = cleaned(fs, &openings);
    EXPECT_EQ(throughKept, cleaned(twin, nullptr));
    EXPECT_TRUE(throughKept.contains(fakes::FakeFileSystem::key(kQuarantine + L"\\Photos.lnk.quarantined")));
}

TEST_F(CleaningTest, NamesOffTheDriveAreRefusedAndNothingIsFound) {
    fs.addFile(L"E:\\autorun.inf",
               "[autorun]\nopen=..\\..\\Windows\\notepad.exe\nopen=C:\\Windows\\notepad.exe\nopen=CON\n"
               "open=\\\\server\\share\\x.exe\nshellexecute=%windir%\\notepad.exe\nopen=missing\n"
               "open=RECYCLER\naction=@" +
                   std::string(300, 'a') + ".dll,-1\nopen=cmd /c start C:\\Windows\\notepad.exe\n");
    for (const auto* lnk : {L"E:\\Photos.lnk", L"E:\\Music.lnk", L"E:\\Work.lnk"}) fs.deleteFile(lnk);
    const auto found = scan();
    EXPECT_TRUE(found.empty());
    const std::vector<std::pair<std::wstring, PathRefusal>> expected = {
        {L"..\\..\\Windows\\notepad.exe", PathRefusal::LeavesRoot},
        {L"C:\\Windows\\notepad.exe", PathRefusal::OtherDrive},
        {L"CON", PathRefusal::DeviceName},
        {L"\\\\server\\share\\x.exe", PathRefusal::Network},
        {L"%windir%\\notepad.exe", PathRefusal::Variable},
        {L"missing", PathRefusal::Missing},
        {L"RECYCLER", PathRefusal::Folder},
        {std::wstring(300, L'a') + L".dll", PathRefusal::TooLong},
    };
    ASSERT_EQ(found.refused.size(), expected.size()) << "a launcher off the drive is no refusal";
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(found.refused[i].name, expected[i].first);
        EXPECT_EQ(found.refused[i].reason, expected[i].second) << platform::toUtf8(expected[i].first);
    }
}

TEST_F(CleaningTest, AFileThatCannotBeMovedStaysAndTheReportSaysWhy) {
    fs.unmovable.insert(L"E:\\RECYCLER\\X.DLL");
    const auto report = lockbay::cleanDrive(fs, scan(), kEnglish, kWhen);
    EXPECT_EQ(report.failures(), 1u);
    const auto failed =
        std::find_if(report.items.begin(), report.items.end(), [](const auto& i) { return !i.done; });
    ASSERT_NE(failed, report.items.end());
    EXPECT_EQ(failed->oldPath, L"E:\\RECYCLER\\x.dll");
    EXPECT_EQ(failed->error,
              L"The process cannot access the file because it is being used by another process.");
    EXPECT_EQ(fs.content(L"E:\\RECYCLER\\x.dll"), "MZ its library");
    EXPECT_FALSE(fs.exists(L"E:\\RECYCLER\\S-1-5-21\\autorun.exe"));
    const std::wstring text = platform::fromUtf8(fs.content(kQuarantine + L"\\README.txt").value());
    EXPECT_NE(
        text.find(L"Not moved, still at its old path: E:\\RECYCLER\\x.dll\r\nThe process cannot access"),
        std::wstring::npos);
}

TEST_F(CleaningTest, AReadOnlyDriveKeepsEverythingAndEveryItemSaysSo) {
    const auto found = scan();
    const auto before = fs.snapshot();
    fs.drive(L'E').readOnly = true;
    const auto report = lockbay::cleanDrive(fs, found, kEnglish, kWhen);
    EXPECT_FALSE(report.quarantined());
    EXPECT_EQ(report.items.size(), found.fileCount() + found.hiddenFolders.size());
    EXPECT_EQ(report.failures(), report.items.size());
    EXPECT_EQ(fs.snapshot().size(), before.size());
    EXPECT_EQ(contents(fs, false), [&] {
        std::vector<std::string> all;
        for (const auto& [path, entry] : before)
            if (!(entry.attributes & attr::kDirectory)) all.push_back(entry.content);
        std::sort(all.begin(), all.end());
        return all;
    }());
}

TEST_F(CleaningTest, ASecondCleaningInTheSameSecondGetsAFolderOfItsOwn) {
    lockbay::cleanDrive(fs, scan(), kEnglish, kWhen);
    fs.addFile(L"E:\\autorun.inf", "[autorun]\nopen=again.exe\n");
    fs.addFile(L"E:\\again.exe", "MZ again");
    const auto report = lockbay::cleanDrive(fs, scan(), kEnglish, kWhen);
    EXPECT_EQ(report.quarantineFolder, kQuarantine + L" (2)");
    EXPECT_EQ(fs.content(kQuarantine + L" (2)\\again.exe.quarantined"), "MZ again");
    EXPECT_EQ(fs.content(kQuarantine + L" (2)\\autorun.inf.quarantined"), "[autorun]\nopen=again.exe\n");
}

TEST_F(CleaningTest, OnlyThe64KilobytesReadAreCopiedAndTheReadmeSaysSo) {
    const std::string big = "[autorun]\nopen=RECYCLER\\x.dll\n" + std::string(100000, ';');
    fs.addFile(L"E:\\autorun.inf", big);
    const auto read = lockbay::readInfectedAutorun(fs, L'E');
    EXPECT_EQ(read.bytes, big.substr(0, lockbay::kAutorunReadLimit));
    EXPECT_EQ(read.size, big.size());
    lockbay::cleanDrive(fs, lockbay::scanDrive(fs, L'E', read), kEnglish, kWhen);
    const std::wstring text = platform::fromUtf8(fs.content(kQuarantine + L"\\README.txt").value());
    EXPECT_NE(text.find(L"The copy holds the first 65536 bytes of the 100030 bytes that the file had."),
              std::wstring::npos);

    fs.addFile(L"E:\\autorun.inf", "[autorun]\nopen=x.exe\n", attr::kHidden);
    EXPECT_TRUE(lockbay::readInfectedAutorun(fs, L'E').present) << "a hidden file is INFECTED too";
}

}  // namespace

// Links, which the fake models as entries with kReparsePoint: the e2e tests show them under
// Wine, this pins the README's list and a link to a file (which Wine cannot show).
TEST_F(CleaningTest, NothingIsReadOrMovedThroughALinkAndTheReadmeSaysWhy) {
    fs.addFolder(L"E:\\docs", attr::kDirectory | attr::kReparsePoint);
    fs.addFile(L"E:\\docs\\run.exe", "MZ behind the link");
    fs.addFile(L"E:\\autorun.inf", "[autorun]\nopen=docs\\run.exe\nshellexecute=RECYCLER\\x.dll\n");
    const auto found = scan();
    EXPECT_EQ(found.programs, (Strings{L"E:\\RECYCLER\\x.dll", L"E:\\RECYCLER\\S-1-5-21\\autorun.exe"}));
    ASSERT_EQ(found.refused.size(), 1u);
    EXPECT_EQ(lockbay::refusedLine(found.refused[0], kEnglish),
              L"open=docs\\run.exe (it leads off the drive)");
    lockbay::cleanDrive(fs, found, kEnglish, kWhen);
    const std::wstring text = platform::fromUtf8(fs.content(kQuarantine + L"\\README.txt").value());
    EXPECT_NE(text.find(L"\r\nNot moved, and why:\r\nopen=docs\\run.exe (it leads off the drive)\r\n"),
              std::wstring::npos);
    EXPECT_EQ(fs.content(L"E:\\docs\\run.exe"), "MZ behind the link");

    fs.addFile(L"E:\\autorun.inf", "[autorun]\nopen=x.exe\n", attr::kReparsePoint);  // a link to a file
    EXPECT_EQ(lockbay::readInfectedAutorun(fs, L'E').refusal, PathRefusal::OffDrive);
}
