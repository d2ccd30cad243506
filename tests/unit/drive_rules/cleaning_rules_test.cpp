// The rules cleaning rests on: where a name from an infected drive may lead, how a
// command line splits, what autorun.inf is read as, and the SHA-256 in the README.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "drive_rules/autorun_file.h"
#include "drive_rules/drive_paths.h"
#include "drive_rules/sha256.h"
#include "fakes/fake_platform.h"
#include "platform/encoding.h"

namespace {

using lockbay::AutorunEntry;
using lockbay::PathRefusal;
using Kind = AutorunEntry::Kind;
using Strings = std::vector<std::wstring>;

TEST(DrivePaths, AcceptOnlyFilesOfTheSameDrive) {
    struct Case {
        std::wstring raw;
        std::wstring base;
        std::wstring path;  // when accepted
        PathRefusal refusal;
    };
    const std::wstring longName(250, L'a');
    const Case cases[] = {
        {L"RECYCLER\\x.exe", L"E:\\", L"E:\\RECYCLER\\x.exe", PathRefusal::None},
        {L"  \"RECYCLER\\x.exe\" ", L"E:\\", L"E:\\RECYCLER\\x.exe", PathRefusal::None},
        {L".\\a\\..\\x.exe", L"E:\\", L"E:\\x.exe", PathRefusal::None},
        {L"\\x.exe", L"E:\\Tools", L"E:\\x.exe", PathRefusal::None},
        {L"e:\\dir/sub\\\\x.exe", L"E:\\", L"E:\\dir\\sub\\x.exe", PathRefusal::None},
        {L"E:x.exe", L"E:\\Tools", L"E:\\Tools\\x.exe", PathRefusal::None},
        {L"..\\x.exe", L"E:\\Tools", L"E:\\x.exe", PathRefusal::None},
        {L"x.exe. .", L"E:\\", L"E:\\x.exe", PathRefusal::None},  // Windows drops trailing dots and blanks
        {L"COM10\\CONSOLE.exe", L"E:\\", L"E:\\COM10\\CONSOLE.exe", PathRefusal::None},
        {L"100%.exe", L"E:\\", L"E:\\100%.exe", PathRefusal::None},
        {L"..\\..\\Windows\\notepad.exe", L"E:\\", {}, PathRefusal::LeavesRoot},
        {L"a\\..\\..\\x.exe", L"E:\\", {}, PathRefusal::LeavesRoot},
        {L"C:\\Windows\\notepad.exe", L"E:\\", {}, PathRefusal::OtherDrive},
        {L"c:x.exe", L"E:\\", {}, PathRefusal::OtherDrive},
        {L"CON", L"E:\\", {}, PathRefusal::DeviceName},
        {L"nul.txt", L"E:\\", {}, PathRefusal::DeviceName},
        {L"dir\\com1 .exe", L"E:\\", {}, PathRefusal::DeviceName},
        {L"LPT9", L"E:\\", {}, PathRefusal::DeviceName},
        {L"\\\\server\\share\\x.exe", L"E:\\", {}, PathRefusal::Network},
        {L"//server/share/x.exe", L"E:\\", {}, PathRefusal::Network},
        {L"\\\\?\\E:\\x.exe", L"E:\\", {}, PathRefusal::Network},
        {L"%windir%\\notepad.exe", L"E:\\", {}, PathRefusal::Variable},
        {L"notes.txt:hidden.exe", L"E:\\", {}, PathRefusal::BadName},
        {L"a<b.exe", L"E:\\", {}, PathRefusal::BadName},
        {L"a\x01.exe", L"E:\\", {}, PathRefusal::BadName},
        {L"...", L"E:\\", {}, PathRefusal::BadName},
        {L"", L"E:\\", {}, PathRefusal::Empty},
        {L" \"\" ", L"E:\\", {}, PathRefusal::Empty},
        {L"E:\\", L"E:\\", {}, PathRefusal::Folder},
        {std::wstring(256, L'b'), L"E:\\", L"E:\\" + std::wstring(256, L'b'),
         PathRefusal::None},  // 259 in all
        {std::wstring(257, L'b'), L"E:\\", {}, PathRefusal::TooLong},
        {longName + L"\\" + std::wstring(49, L'c'), L"E:\\", {}, PathRefusal::TooLong},  // 300 in all
    };
    for (const Case& c : cases) {
        const auto result = lockbay::normalizeOnDrive(L'E', c.raw, c.base);
        EXPECT_EQ(result.refusal, c.refusal) << platform::toUtf8(c.raw);
        EXPECT_EQ(result.path, c.path) << platform::toUtf8(c.raw);
    }
}

TEST(DrivePaths, EveryRefusalHasANameOfItsOwn) {
    std::set<std::wstring_view> names;
    for (int r = 0; r <= static_cast<int>(PathRefusal::OffDrive); ++r) {
        names.insert(lockbay::refusalName(static_cast<PathRefusal>(r)));
    }
    EXPECT_EQ(names.size(), static_cast<std::size_t>(PathRefusal::OffDrive) + 1);
    EXPECT_FALSE(names.count(L"unknown"));
}

TEST(DrivePaths, OnTheDriveOnlyAnExistingFileOutsideTheQuarantineCounts) {
    fakes::FakeFileSystem fs;
    fs.addDrive(L'E');
    fs.addFolder(L"E:\\RECYCLER", platform::attr::kDirectory | platform::attr::kHidden);
    fs.addFile(L"E:\\RECYCLER\\x.exe", "MZ", platform::attr::kHidden | platform::attr::kSystem);
    fs.addFolder(L"E:\\Lockbay quarantine");
    fs.addFolder(L"E:\\Lockbay quarantine\\1");
    fs.addFile(L"E:\\Lockbay quarantine\\1\\x.exe.quarantined", "MZ");
    const std::pair<const wchar_t*, PathRefusal> cases[] = {
        {L"recycler\\X.EXE", PathRefusal::None},
        {L"RECYCLER", PathRefusal::Folder},
        {L"RECYCLER\\y.exe", PathRefusal::Missing},
        {L"lockbay QUARANTINE\\1\\x.exe.quarantined", PathRefusal::Quarantined},
        {L"C:\\x.exe", PathRefusal::OtherDrive},
    };
    for (const auto& [raw, refusal] : cases) {
        EXPECT_EQ(lockbay::findFileOnDrive(fs, L'E', raw, L"E:\\").refusal, refusal) << platform::toUtf8(raw);
    }
    fs.drive(L'E').ready = false;
    EXPECT_EQ(lockbay::findFileOnDrive(fs, L'E', L"RECYCLER\\x.exe", L"E:\\").refusal, PathRefusal::Missing);
}

TEST(CommandLines, SplitTheWayWindowsStartsThem) {
    struct Case {
        std::wstring command;
        Strings programs;
        Strings arguments;
    };
    const Case cases[] = {
        {L"\"My Tools\\x.exe\" -a b", {L"My Tools\\x.exe"}, {L"-a b"}},
        {L"virus", {L"virus", L"virus.exe"}, {L"", L""}},
        {L"My Program.exe  -x",
         {L"My", L"My.exe", L"My Program.exe", L"My Program.exe  -x"},
         {L"Program.exe  -x", L"Program.exe  -x", L"-x", L""}},
        {L"\"unterminated x", {L"unterminated x", L"unterminated x.exe"}, {L"", L""}},
        {L"   ", {}, {}},
    };
    EXPECT_EQ(lockbay::splitCommandLine(L"a b c d e f g h i j").programCandidates.size(),
              2 * lockbay::kMaxProgramWords);
    for (const Case& c : cases) {
        const auto split = lockbay::splitCommandLine(c.command);
        EXPECT_EQ(split.programCandidates, c.programs) << platform::toUtf8(c.command);
        EXPECT_EQ(split.arguments, c.arguments) << platform::toUtf8(c.command);
    }
}

TEST(CommandLines, ArgumentsYieldTheNamesALauncherRuns) {
    EXPECT_EQ(lockbay::argumentNames(L"/c start \"\" \"RECYCLER\\x 1.exe\"&explorer Photos"),
              (Strings{L"start", L"RECYCLER\\x 1.exe", L"explorer", L"Photos"}));
    EXPECT_EQ(lockbay::argumentNames(L"RECYCLER\\x.dll,Entry -s"), (Strings{L"RECYCLER\\x.dll", L"Entry"}));
    EXPECT_EQ(lockbay::argumentNames(L"a b c d", 2), (Strings{L"a", L"b"}));
    for (const wchar_t* launcher : {L"cmd", L"CMD.EXE", L"C:\\Windows\\system32\\cmd.exe",
                                    L"%windir%\\system32\\rundll32.exe", L"\"wscript.exe\"", L"cscript"}) {
        EXPECT_TRUE(lockbay::isLauncher(launcher)) << platform::toUtf8(launcher);
    }
    for (const wchar_t* other : {L"cmdx.exe", L"notepad.exe", L"cmd.com", L""}) {
        EXPECT_FALSE(lockbay::isLauncher(other)) << platform::toUtf8(other);
    }
}

std::string utf16(const std::wstring& text, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (wchar_t c : text) {
        const char low = static_cast<char>(c & 0xFF), high = static_cast<char>(c >> 8);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

TEST(AutorunFile, CollectsWhatItStarts) {
    struct Case {
        const char* what;
        std::string bytes;
        std::vector<AutorunEntry> entries;
    };
    const std::string padding(lockbay::kAutorunReadLimit, ';');
    const Case cases[] = {
        {"plain", "[autorun]\r\nopen=x.exe\r\nicon=x.exe,0\r\n", {{L"open", L"x.exe", Kind::Command}}},
        {"every command key, any case and blanks",
         "[AutoRun]\n  OPEN = RECYCLER\\x.exe -a \nShellExecute=y.exe\nshell\\open\\command=z.exe arg\n"
         "shell\\Explore\\Command=w.exe\nshell\\open=Open\nshell=open\nshell\\\\command=v.exe\n",
         {{L"OPEN", L"RECYCLER\\x.exe -a", Kind::Command},
          {L"ShellExecute", L"y.exe", Kind::Command},
          {L"shell\\open\\command", L"z.exe arg", Kind::Command},
          {L"shell\\Explore\\Command", L"w.exe", Kind::Command}}},
        {"only autorun sections",
         "open=a.exe\n[other]\nopen=b.exe\n[autorunx]\nopen=c.exe\n[autorun.amd64]\nopen=d.exe",
         {{L"open", L"d.exe", Kind::Command}}},
        {"comments, empty values and lines without =", "[autorun]\n;open=a.exe\nopen=\nopen\n", {}},
        {"action and useautoplay only where they name a file",
         "[autorun]\naction=Open folder to view files\naction=@RECYCLER\\x.dll,-101\nuseautoplay=1\n"
         "useautoplay=virus.scr\n",
         {{L"action", L"RECYCLER\\x.dll", Kind::File}, {L"useautoplay", L"virus.scr", Kind::File}}},
        {"UTF-16 little-endian",
         utf16(L"[autorun]\r\nopen=\u00fcn\u00ef.exe\r\n", false),
         {{L"open", L"\u00fcn\u00ef.exe", Kind::Command}}},
        {"UTF-16 big-endian",
         utf16(L"[autorun]\nopen=\u0416.exe", true),
         {{L"open", L"\u0416.exe", Kind::Command}}},
        {"UTF-8 with its mark",
         "\xEF\xBB\xBF[autorun]\nopen=\xC3\xA9.exe",
         {{L"open", L"\u00e9.exe", Kind::Command}}},
        {"Windows-1252 without a mark",
         "[autorun]\nopen=\xE9.exe",
         {{L"open", L"\u00e9.exe", Kind::Command}}},
        {"NUL ends a line",
         std::string("[autorun]\0open=a.exe\0junk", 26),
         {{L"open", L"a.exe", Kind::Command}}},
        {"nothing after 64 KB is read", "[autorun]\n" + padding + "\nopen=late.exe\n", {}},
        {"before 64 KB is read",
         "[autorun]\nopen=early.exe\n" + padding,
         {{L"open", L"early.exe", Kind::Command}}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(lockbay::parseAutorunFile(c.bytes).entries, c.entries) << c.what;
    }
}

TEST(AutorunFile, KeepsABoundedNumberOfEntries) {
    std::string many = "[autorun]\n";
    for (int i = 0; i < 1000; ++i) many += "open=x" + std::to_string(i) + ".exe\n";
    EXPECT_EQ(lockbay::parseAutorunFile(many).entries.size(), lockbay::kMaxAutorunEntries);
    std::string everyByte;
    for (int i = 0; i < 4096; ++i) everyByte.push_back(static_cast<char>(i * 37 % 256));
    EXPECT_TRUE(lockbay::parseAutorunFile(everyByte).entries.empty());
}

TEST(Sha256, KnownAnswersWholeAndInPieces) {
    const std::pair<std::string, const char*> cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrs"
         "mnopqrstnopqrstu",
         "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
        {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& [input, digest] : cases) {
        EXPECT_EQ(lockbay::sha256Hex(input), digest) << input.size() << " bytes";
        for (const std::size_t piece : {1u, 55u, 63u, 64u, 65u, 4096u}) {
            lockbay::Sha256 hash;
            for (std::size_t at = 0; at < input.size(); at += piece)
                hash.update(std::string_view(input).substr(at, piece));
            EXPECT_EQ(hash.hexDigest(), digest) << input.size() << " bytes in pieces of " << piece;
        }
    }
}

}  // namespace
