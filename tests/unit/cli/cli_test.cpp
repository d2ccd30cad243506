// lockbay-cli on the fake platform: its arguments and their messages, the exit codes,
// the commands it waits for (exactly as started), and the read-back that decides
// success: a tool's exit code of 0 is not taken on trust.
#include <gtest/gtest.h>

#include <deque>

#include "cli/cli_program.h"
#include "cli/drive_operations.h"
#include "cli/json.h"
#include "drive_rules/computer_autorun.h"
#include "fakes/fake_platform.h"
#include "infected_stick.h"

namespace {

namespace attr = platform::attr;
using platform::CommandResult;

class FakeConsole : public platform::Console {
public:
    std::wstring out_;
    std::wstring err_;
    std::deque<std::wstring> input;  // typed lines; then the end of the input
    void out(std::wstring_view text) override { out_ += text; }
    void err(std::wstring_view text) override { err_ += text; }
    std::optional<std::wstring> readLine() override {
        if (input.empty()) return std::nullopt;
        std::wstring line = input.front();
        input.pop_front();
        return line;
    }
};

class CliTest : public ::testing::Test {
protected:
    CliTest() {
        fs.addDrive(L'C', {L"NTFS", 50ull << 30, true, false, {platform::DriveKind::Fixed, false, L""}});
        fs.addDrive(L'E', {L"NTFS", 1ull << 30, true, false, {platform::DriveKind::Removable, true, L""}});
        // A cacls that really writes its entry, as the real one does.
        processes.onCommand = [this](const std::wstring& line) {
            if (line.find(L"/d Everyone") != std::wstring::npos)
                fs.setEveryoneDenied(L"E:\\autorun.inf", true);
            if (line.find(L"/g Everyone:F") != std::wstring::npos)
                fs.setEveryoneDenied(L"E:\\autorun.inf", false);
        };
    }

    int run(std::vector<std::wstring> arguments) {
        console.out_.clear();
        console.err_.clear();
        platform::ConsolePlatform p{console, fs, processes, program, registry};
        return cli::run(p, arguments);
    }

    fakes::FakeFileSystem fs;
    fakes::FakeProcesses processes;
    fakes::FakeProgramInfo program;
    fakes::FakeRegistry registry;
    FakeConsole console;
};

TEST_F(CliTest, BadInputGetsItsMessageAndExitCode) {
    fs.addDrive(L'D', {L"CDFS", 0, true, true, {platform::DriveKind::Optical, false, L""}});
    fs.addDrive(L'H', {L"FAT32", 1 << 20, true, true, {platform::DriveKind::Removable, true, L""}});
    struct Case {
        std::vector<std::wstring> arguments;
        int code;
        std::wstring message;
    };
    const Case cases[] = {
        {{}, 2, L"No command given."},
        {{L"frobnicate"}, 2, L"Unknown command \"frobnicate\"."},
        {{L"list", L"--fast"}, 2, L"Unknown option \"--fast\"."},
        {{L"protect", L"1:"}, 2, L"\"1:\" is not a drive letter"},
        {{L"protect", L"E"}, 2, L"\"E\" is not a drive: write the letter with its colon, E:."},
        {{L"protect", L"E:\\autorun.inf"}, 2, L"\"E:\\autorun.inf\" is a path"},
        {{L"restore", L"\\\\server\\share"}, 2, L"is a path"},
        {{L"protect"}, 2, L"\"protect\" needs a drive"},
        {{L"protect", L"E:", L"--all-removable"}, 2, L"not both"},
        {{L"restore", L"E:", L"--advanced"}, 2, L"--advanced does not go with this command."},
        {{L"restore", L"E:", L"--clean"}, 2, L"--clean does not go with this command."},
        {{L"computer", L"off"}, 2, L"Unknown computer command \"off\""},
        {{L"protect", L"Q:"}, 4, L"Q: is not there"},
        {{L"protect", L"D:"}, 4, L"D: is a CD or DVD drive"},
        {{L"restore", L"H:"}, 4, L"H: cannot be written"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(run(c.arguments), c.code) << c.message;
        EXPECT_NE(console.err_.find(c.message), std::wstring::npos) << console.err_;
        EXPECT_TRUE(console.out_.empty()) << console.out_;
    }
    EXPECT_TRUE(processes.commands.empty());
    EXPECT_EQ(run({L"frobnicate", L"--json"}), 2);
    EXPECT_EQ(console.out_,
              L"{\"error\":{\"code\":2,\"message\":\"Unknown command \\\"frobnicate\\\". Run \\\"lockbay-cli "
              L"--help\\\" to see the commands.\"}}\n");
}

TEST_F(CliTest, ListShowsEveryWritableDriveWithItsProtection) {
    fs.addFolder(L"E:\\autorun.inf", attr::kDirectory | attr::kHidden);
    fs.addFolder(L"E:\\advancedlockbay", attr::kDirectory | attr::kHidden);
    fs.addDrive(L'F', {L"FAT32", 1 << 30, true, false, {platform::DriveKind::Fixed, false, L""}});
    fs.addFile(L"F:\\autorun.inf", "[autorun]");
    fs.addDrive(L'G', {L"FAT32", 1 << 30, true, true, {platform::DriveKind::Removable, true, L""}});
    fs.addDrive(L'K', {L"NTFS", 1 << 30, true, false, {platform::DriveKind::Network, false, L""}});
    fs.addFolder(L"K:\\autorun.inf");
    fs.setEveryoneDenied(L"K:\\autorun.inf", true);  // protected through a conversion: no marker
    fs.addDrive(L'N', {L"NTFS", 1 << 30, true, false, {platform::DriveKind::Network, false, L""}, false});
    ASSERT_EQ(run({L"list"}), 0);
    EXPECT_EQ(console.out_,
              L"DRIVE  TYPE       FILE SYSTEM  STATUS       ADVANCED\n"
              L"C:     fixed      NTFS         UNPROTECTED  no\n"
              L"E:     removable  NTFS         PROTECTED    yes\n"
              L"F:     fixed      FAT32        INFECTED     no\n"
              L"K:     network    NTFS         PROTECTED    yes\n");
    ASSERT_EQ(run({L"list", L"--json"}), 0);
    EXPECT_NE(console.out_.find(L"{\"drive\":\"F:\",\"type\":\"fixed\",\"fileSystem\":\"FAT32\",\"status\":"
                                L"\"INFECTED\",\"advanced\":false}"),
              std::wstring::npos);
    EXPECT_FALSE(fs.exists(L"E:\\a"));  // the write probe leaves nothing behind
}

TEST_F(CliTest, AdvancedProtectWaitsForCaclsAndReadsTheDenyEntryBack) {
    ASSERT_EQ(run({L"protect", L"e:", L"--advanced"}), 0) << console.err_;
    EXPECT_EQ(processes.commands,
              std::vector<std::wstring>{L"cmd.exe /c cacls E:\\autorun.inf /e /c /d Everyone "});
    EXPECT_EQ(processes.waitTimeouts, std::vector<int>{cli::kToolTimeoutMs});
    EXPECT_EQ(fs.entry(L"E:\\autorun.inf")->attributes, attr::kDirectory | attr::kHidden);
    EXPECT_EQ(fs.entry(L"E:\\advancedlockbay")->attributes, attr::kDirectory | attr::kHidden);
    EXPECT_EQ(console.out_,
              L"E: protected (Advanced): E:\\autorun.inf is a hidden folder that denies Everyone access.\n");
}

TEST_F(CliTest, AdvancedProtectFailsWhenCaclsFailsOrItsEntryIsNotThere) {
    struct Case {
        const char* what;
        std::function<CommandResult(const std::wstring&)> outcome;
        bool writesEntry;
        std::wstring message;
    };
    const Case cases[] = {
        {"exit code 5",
         [](const std::wstring&) {
             return CommandResult{CommandResult::Outcome::Finished, 5, {}};
         },
         true,
         L"The step \"deny Everyone access to E:\\autorun.inf\" failed: \"cmd.exe /c cacls E:\\autorun.inf "
         L"/e /c "
         L"/d Everyone \" ended with exit code 5."},
        {"time-out",
         [](const std::wstring&) {
             return CommandResult{CommandResult::Outcome::TimedOut, 0, {}};
         },
         true, L"had not ended after 2 minutes"},
        {"success without the entry", nullptr, false,
         L"Advanced protection could not be applied: the access list of E:\\autorun.inf does not deny "
         L"Everyone "
         L"access after the deny step, so no marker was made."},
    };
    for (const Case& c : cases) {
        fs.removeDrive(L'E');
        fs.addDrive(L'E', {L"NTFS", 1ull << 30, true, false, {}});
        processes.commandOutcome = c.outcome;
        if (!c.writesEntry) processes.onCommand = nullptr;
        EXPECT_EQ(run({L"protect", L"E:", L"--advanced"}), 1) << c.what;
        EXPECT_NE(console.err_.find(c.message), std::wstring::npos) << c.what << ": " << console.err_;
    }
    fs.unreadableAccess.insert(L"E:\\AUTORUN.INF");
    processes.commandOutcome = nullptr;
    EXPECT_EQ(run({L"protect", L"E:", L"--advanced"}), 1);
    EXPECT_NE(console.err_.find(L"does not deny Everyone access after the deny step"), std::wstring::npos);
    EXPECT_FALSE(fs.exists(L"E:\\advancedlockbay"));
}

TEST_F(CliTest, AdvancedProtectOfAFatDriveConvertsOnlyWhenConfirmed) {
    fs.drive(L'E').fileSystem = L"FAT32";
    // Without administrator rights convert cannot run: refused before anything changes.
    program.isElevated = false;
    EXPECT_EQ(run({L"protect", L"E:", L"--advanced", L"--yes"}), 3);
    EXPECT_NE(console.err_.find(L"converts it to NTFS, which needs administrator rights"),
              std::wstring::npos);
    EXPECT_FALSE(fs.exists(L"E:\\autorun.inf"));
    program.isElevated = true;
    // No answer (the end of the input): nothing changes.
    EXPECT_EQ(run({L"protect", L"E:", L"--advanced", L"--json"}), 1);
    EXPECT_NE(console.err_.find(L"E: is FAT32. Advanced protection converts it to NTFS first"),
              std::wstring::npos);
    EXPECT_NE(console.out_.find(L"\"outcome\":\"declined\""), std::wstring::npos);
    EXPECT_FALSE(fs.exists(L"E:\\autorun.inf"));
    EXPECT_TRUE(processes.commands.empty());

    processes.onCommand = [this, cacls = processes.onCommand](const std::wstring& line) {
        if (line.find(L"convert") != std::wstring::npos) fs.drive(L'E').fileSystem = L"NTFS";
        cacls(line);
    };
    console.input = {L" Yes "};
    fs.drive(L'E').details.label = L"MYSTICK";
    ASSERT_EQ(run({L"protect", L"E:", L"--advanced"}), 0) << console.err_;
    EXPECT_EQ(processes.commands,
              (std::vector<std::wstring>{L"cmd.exe /c convert E: /FS:NTFS /X ",
                                         L"cmd.exe /c cacls E:\\autorun.inf /e /c /d Everyone"}));
    EXPECT_EQ(processes.inputs[L"cmd.exe /c convert E: /FS:NTFS /X "], L"MYSTICK\r\n");
    EXPECT_EQ(processes.waitTimeouts, (std::vector<int>{cli::kConversionTimeoutMs, cli::kToolTimeoutMs}));
    EXPECT_TRUE(fs.isFolder(L"E:\\advancedlockbay"));

    // Too little room to convert: refused before anything changes.
    fs.removeDrive(L'F');
    fs.addDrive(L'F', {L"FAT", 8u << 20, true, false, {}});
    EXPECT_EQ(run({L"protect", L"F:", L"--advanced", L"--yes"}), 1);
    EXPECT_NE(console.err_.find(L"F: has 8.0 MB free; converting it to NTFS needs at least 9 MB."),
              std::wstring::npos);
    EXPECT_FALSE(fs.exists(L"F:\\autorun.inf"));

    // exFAT: convert refuses it, so the protection is refused before anything changes.
    fs.addDrive(L'G', {L"exFAT", 1ull << 30, true, false, {}});
    EXPECT_EQ(run({L"protect", L"G:", L"--advanced", L"--yes"}), 1);
    EXPECT_NE(console.err_.find(L"G: reads as exFAT, which cannot be converted to NTFS"), std::wstring::npos);
    EXPECT_FALSE(fs.exists(L"G:\\autorun.inf"));
}

TEST_F(CliTest, AnInfectedFileThatResistsIsGrantedAccessThenDeleted) {
    fs.addFile(L"E:\\autorun.inf", "[autorun]\r\nopen=virus.exe\r\n");
    fs.undeletable.insert(L"E:\\AUTORUN.INF");
    EXPECT_EQ(run({L"protect", L"E:"}), 1);
    EXPECT_EQ(processes.commands,
              std::vector<std::wstring>{L"cmd.exe /c cacls E:\\autorun.inf /e /c /g Everyone:F"});
    EXPECT_NE(console.err_.find(L"The file E:\\autorun.inf could not be deleted"), std::wstring::npos);

    processes.onCommand = [this](const std::wstring&) { fs.undeletable.clear(); };
    EXPECT_EQ(run({L"protect", L"E:"}), 0) << console.err_;
    EXPECT_TRUE(fs.isFolder(L"E:\\autorun.inf"));
}

TEST_F(CliTest, RestoreGivesAccessBackThenRemovesBothFolders) {
    fs.addFolder(L"E:\\autorun.inf", attr::kDirectory | attr::kHidden);
    fs.setEveryoneDenied(L"E:\\autorun.inf", true);  // no marker: protected through a conversion
    ASSERT_EQ(run({L"restore", L"E:"}), 0) << console.err_;
    EXPECT_EQ(processes.commands,
              (std::vector<std::wstring>{L"cmd.exe /c takeown /f E:\\autorun.inf",
                                         L"cmd.exe /c cacls E:\\autorun.inf /e /c /g Everyone:F"}));
    EXPECT_FALSE(fs.exists(L"E:\\autorun.inf"));

    // A folder with a file inside is never emptied: the drive stays protected.
    fs.addFolder(L"E:\\autorun.inf", attr::kDirectory | attr::kHidden);
    fs.addFolder(L"E:\\advancedlockbay", attr::kDirectory | attr::kHidden);
    fs.addFile(L"E:\\autorun.inf\\notes.txt", "mine");
    EXPECT_EQ(run({L"restore", L"E:", L"--json"}), 1);
    EXPECT_NE(console.out_.find(
                  L"\"error\":\"E: is still protected afterwards: E:\\\\autorun.inf could not be removed."),
              std::wstring::npos)
        << console.out_;
    EXPECT_TRUE(fs.exists(L"E:\\advancedlockbay")) << "the marker stays with the folder";
    EXPECT_EQ(fs.content(L"E:\\autorun.inf\\notes.txt"), "mine");
}

TEST_F(CliTest, AllRemovableTakesRemovableAndUsbDrivesButNeverTheSystemDrive) {
    fs.drive(L'C').details = {platform::DriveKind::Removable, false, L""};
    fs.addDrive(L'F', {L"NTFS", 1 << 30, true, false, {platform::DriveKind::Fixed, true, L""}});
    fs.addDrive(L'G', {L"NTFS", 1 << 30, true, false, {platform::DriveKind::Fixed, false, L""}});
    fs.addDrive(L'H', {L"NTFS", 1 << 30, true, true, {platform::DriveKind::Removable, true, L""}});
    ASSERT_EQ(run({L"protect", L"--all-removable"}), 0) << console.err_;
    EXPECT_TRUE(fs.isFolder(L"E:\\autorun.inf"));
    EXPECT_TRUE(fs.isFolder(L"F:\\autorun.inf"));
    EXPECT_FALSE(fs.exists(L"G:\\autorun.inf"));
    EXPECT_FALSE(fs.exists(L"C:\\autorun.inf"));
    EXPECT_NE(
        console.out_.find(L"C: is left out: it is the system drive, which --all-removable never includes."),
        std::wstring::npos);
    EXPECT_NE(console.out_.find(L"H: cannot be written"), std::wstring::npos);
}

TEST_F(CliTest, TheComputerSwitchNeedsAdministratorRightsAndReportsEachSetting) {
    program.isElevated = false;
    EXPECT_EQ(run({L"computer", L"protect"}), 3);
    EXPECT_NE(console.err_.find(L"needs administrator rights"), std::wstring::npos);
    EXPECT_TRUE(registry.keys().empty());

    program.isElevated = true;
    registry.write(platform::RegistryRoot::CurrentUser,
                   L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer", L"NoAutorun",
                   platform::dwordValue(1));
    ASSERT_EQ(run({L"computer", L"protect"}), 0);
    ASSERT_EQ(run({L"computer", L"status"}), 0);
    EXPECT_NE(console.out_.find(L"This computer: AutoRun is off\n"), std::wstring::npos);
    EXPECT_NE(console.out_.find(
                  L"    value:   0x000000ff (255)\n    meaning: AutoRun is off for every type of drive."),
              std::wstring::npos);
    EXPECT_NE(console.out_.find(
                  L"NoAutorun, policy of this user (HKCU\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\"
                  L"Policies\\Explorer)\n    value:   0x00000001 (1)\n    meaning: AutoRun commands are "
                  L"never run."),
              std::wstring::npos);
    ASSERT_EQ(run({L"computer", L"restore", L"--json"}), 0);
    EXPECT_EQ(console.out_, L"{\"autoRun\":\"on\",\"saved\":false}\n");
    EXPECT_EQ(run({L"computer", L"restore"}), 1);
    EXPECT_NE(console.err_.find(L"no saved settings to put back"), std::wstring::npos);

    registry.elevated = false;  // elevated, yet the registry refuses
    EXPECT_EQ(run({L"computer", L"protect"}), 3);
}

// Protect on an infected stick says what its autorun.inf started and how to clean, and
// moves nothing; the drive is handed over, so that a later --clean still knows the
// programs that only the removed autorun.inf named. A file --clean cannot move: exit 1.
TEST_F(CliTest, ProtectReportsWhatAutorunStartedAndOnlyCleanMovesIt) {
    fs.drive(L'E').details.serial = 0x1234ABCD;
    infected_stick::addTo(fs);
    auto before = fs.snapshot();
    before.erase(L"E:\\AUTORUN.INF");
    EXPECT_EQ(run({L"protect", L"E:"}), 0);
    EXPECT_TRUE(
        console.out_.starts_with(L"E: protected: E:\\autorun.inf is a hidden folder.\n"
                                 L"E: holds files that its autorun.inf started, or that pose as "
                                 L"your folders:\n  Programs that the virus runs:\n"
                                 L"    E:\\RECYCLER\\S-1-5-21\\autorun.exe\n"))
        << console.out_;
    EXPECT_NE(console.out_.find(L"  Folders that the virus has hidden:\n    E:\\Music\n"),
              std::wstring::npos);
    EXPECT_TRUE(console.out_.ends_with(L"run: lockbay-cli protect E: --clean\n")) << console.out_;
    auto after = fs.snapshot();
    after.erase(L"E:\\AUTORUN.INF");
    std::erase_if(after, [](const auto& e) { return e.first.starts_with(L"E:\\LOCKBAY QUARANTINE"); });
    EXPECT_EQ(after.size(), before.size()) << "nothing moved but autorun.inf";
    EXPECT_EQ(after.count(L"E:\\RECYCLER\\S-1-5-21\\AUTORUN.EXE"), 1u);

    fs.unmovable.insert(L"E:\\RECYCLER\\X.DLL");
    EXPECT_EQ(run({L"protect", L"E:", L"--clean", L"--json"}), 1);
    EXPECT_NE(console.out_.find(L"\"found\":{\"programs\":[\"E:\\\\RECYCLER\\\\S-1-5-21\\\\autorun.exe\""),
              std::wstring::npos)
        << "known from the handed-over autorun.inf: " << console.out_;
    EXPECT_NE(console.out_.find(L"\"kind\":\"program\",\"path\":\"E:\\\\RECYCLER\\\\x.dll\",\"newPath\":null,"
                                L"\"ok\":false"),
              std::wstring::npos)
        << console.out_;
    EXPECT_FALSE(fs.exists(L"E:\\RECYCLER\\S-1-5-21\\autorun.exe"));
    EXPECT_TRUE(fs.exists(L"E:\\RECYCLER\\x.dll"));
    EXPECT_FALSE(
        registry.keyExists(platform::RegistryRoot::CurrentUser, L"Software\\Lockbay\\Drives to clean"));
}

TEST(CliJson, StringsStayValidWhateverTheyHold) {
    EXPECT_EQ(cli::jsonString(L"a\"b\\c\n\x01\u00e9"), L"\"a\\\"b\\\\c\\n\\u0001\u00e9\"");
}

}  // namespace
