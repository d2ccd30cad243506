// In-memory stand-ins for the operating system, for the unit tests: drives with
// letters, file-system names, free space, readiness and read-only media; files and
// folders with attributes; recorded command lines and shell opens; canned HTTP answers.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/filesystem.h"
#include "platform/headless.h"
#include "platform/http.h"
#include "platform/platform.h"
#include "platform/processes.h"
#include "platform/program.h"
#include "platform/registry.h"
#include "platform/signatures.h"

namespace fakes {

class FakeFileSystem : public platform::FileSystem {
public:
    struct Drive {
        std::wstring fileSystem = L"FAT32";
        std::uint64_t freeBytes = 1ull << 30;
        bool ready = true;
        bool readOnly = false;
        platform::DriveDetails details{platform::DriveKind::Removable, true, L""};
        bool answers = true;  // false: a network drive whose server is away
    };
    struct Entry {
        std::uint32_t attributes = platform::attr::kArchive;
        std::string content;          // files only
        bool everyoneDenied = false;  // its access list denies Everyone all access
    };

    // Drives; adding one makes its root exist.
    Drive& addDrive(wchar_t letter);
    Drive& addDrive(wchar_t letter, Drive drive);
    void removeDrive(wchar_t letter);
    Drive& drive(wchar_t letter) { return drives_.at(letter); }

    // Entries, by full path such as L"E:\\autorun.inf" (case-insensitive). An entry with
    // kReparsePoint is a link (junction or symbolic link): checkOnDrive refuses it and
    // every path through it.
    void addFile(const std::wstring& path, std::string content = {},
                 std::uint32_t attributes = platform::attr::kArchive);
    void addFolder(const std::wstring& path, std::uint32_t attributes = platform::attr::kDirectory);
    bool exists(const std::wstring& path) const;
    bool isFolder(const std::wstring& path) const;
    std::optional<Entry> entry(const std::wstring& path) const;
    std::optional<std::string> content(const std::wstring& path) const;
    // Every entry below a drive root, for "nothing lost" comparisons.
    std::map<std::wstring, Entry> snapshot() const { return entries_; }

    // Makes deleteFile and moveWithinDrive fail for a path (a file in use or locked).
    std::set<std::wstring> undeletable;
    // Paths whose access list cannot be read.
    std::set<std::wstring> unreadableAccess;
    // Sets or clears the deny entry for Everyone of an existing entry.
    void setEveryoneDenied(const std::wstring& path, bool denied);
    // Makes createReplacing or its commit fail for a path.
    std::set<std::wstring> unwritable;
    // Makes moveWithinDrive fail for a source path (a file in use).
    std::set<std::wstring> unmovable;
    // Paths that are no link but whose object lies outside the drive's root (a drive made
    // with subst): checkOnDrive reads OffDrive.
    std::set<std::wstring> offDrive;
    // The drive that holds Windows.
    std::optional<wchar_t> systemDriveLetter = L'C';
    // Every call, in order, as "op path" (for ordering checks).
    std::vector<std::wstring> calls;

    std::vector<wchar_t> driveLetters() override;
    std::optional<std::uint32_t> attributes(const std::wstring& path) override;
    bool setAttributes(const std::wstring& path, std::uint32_t attributes) override;
    bool makeDirectory(const std::wstring& path) override;
    bool removeDirectory(const std::wstring& path) override;
    bool deleteFile(const std::wstring& path) override;
    bool normalFileExists(const std::wstring& path) override;
    std::optional<bool> everyoneDenied(const std::wstring& path) override;
    std::wstring everyoneGroupName() override { return everyoneName; }
    std::wstring everyoneName = L"Everyone";
    std::wstring fileSystemName(wchar_t drive) override;
    std::uint64_t freeBytes(wchar_t drive) override;
    bool isReady(wchar_t drive) override;
    std::vector<wchar_t> drivesAnswering(const std::vector<wchar_t>& drives, int timeoutMs) override;
    std::vector<int> answerTimeouts;  // the limit of each drivesAnswering call
    platform::DriveKind driveKind(wchar_t drive) override { return driveDetails(drive).kind; }
    platform::DriveDetails driveDetails(wchar_t drive) override;
    std::optional<wchar_t> systemDrive() override { return systemDriveLetter; }
    std::optional<std::string> readFilePrefix(const std::wstring& path, std::size_t maxBytes) override;
    platform::DrivePathCheck checkOnDrive(const std::wstring& path) override;
    std::optional<std::string> readDriveFilePrefix(const std::wstring& path, std::size_t maxBytes) override;
    std::unique_ptr<platform::OutputFile> createReplacing(const std::wstring& path,
                                                          std::wstring& error) override;
    bool readFileInPieces(const std::wstring& path,
                          const std::function<bool(std::string_view)>& onPiece) override;
    std::optional<std::vector<platform::FolderEntry>> listFolder(const std::wstring& path) override;
    bool moveWithinDrive(const std::wstring& from, const std::wstring& to, std::wstring& error) override;

    static std::wstring key(const std::wstring& path);

private:
    friend class FakeOutputFile;
    const Drive* usableDrive(const std::wstring& path) const;
    bool parentExists(const std::wstring& k) const;
    bool hasChildren(const std::wstring& k) const;
    std::map<wchar_t, Drive> drives_;
    std::map<std::wstring, Entry> entries_;  // keyed by key(path)
    std::map<std::wstring, std::wstring> names_;  // key(path) -> the path as it was given
};

class FakeProcesses : public platform::Processes {
public:
    std::vector<std::wstring> commands;    // every command line started, exactly
    std::vector<std::wstring> programs;    // every program started
    std::vector<std::wstring> shellOpens;  // every target opened through the shell
    std::vector<std::wstring> webPages;    // every web page opened with the user's own rights
    bool failCommands = false;
    bool failShellOpen = false;
    bool failPrograms = false;
    // Called for each started command line (for example to simulate a conversion).
    std::function<void(const std::wstring&)> onCommand;
    // When set, cacls writes its entry there as the real one does: "/e /c /d <group>" denies
    // the group Everyone on the path, "/e /c /g <group>:F" takes the denial away.
    FakeFileSystem* accessLists = nullptr;
    // Commands waited for or kept: how each one ends (by default it finishes with exit
    // code 0). A kept command that TimedOut is still running; it is asked again each
    // time its exit code is read.
    std::function<platform::CommandResult(const std::wstring&)> commandOutcome;
    // What each command was given on its standard input, by command line.
    std::map<std::wstring, std::wstring> inputs;
    std::vector<int> waitTimeouts;  // the time-out of each command waited for

    // Programs started with administrator rights, as "<program> <parameters>".
    std::vector<std::wstring> elevatedStarts;
    bool declineElevation = false;
    // The exit code of the elevated program; nothing while it still runs.
    std::optional<std::uint32_t> elevatedExitCode;

    platform::StartResult runCommand(const std::wstring& commandLine) override;
    platform::StartResult startProgram(const std::wstring& path) override;
    platform::StartResult shellOpen(const std::wstring& target) override;
    platform::CommandStart startCommand(const std::wstring& commandLine, const std::wstring& input) override;
    platform::CommandResult runCommandAndWait(const std::wstring& commandLine, int timeoutMs,
                                              const std::wstring& input) override;
    platform::ElevatedStart startElevated(const std::wstring& program,
                                          const std::wstring& parameters) override;
    platform::StartResult openWebPage(const std::wstring& address) override;

private:
    void started(const std::wstring& commandLine, const std::wstring& input);
};

class FakeHttp : public platform::HttpClient {
public:
    struct Answer {
        bool completed = true;
        int status = 200;
        std::string body;
        std::wstring error;
    };
    // Answers in order; once used up, the last one repeats. No answers: no connection.
    std::deque<Answer> answers;
    std::vector<std::wstring> requests;
    std::vector<platform::HttpLimits> limits;  // of each request
    // Called before each answer (for example to advance a virtual clock).
    std::function<void(const std::wstring&)> onRequest;

    using platform::HttpClient::get;
    platform::HttpResult get(const std::wstring& url, const std::function<bool(std::string_view)>& onBody,
                             const platform::HttpLimits& limits) override;
};

class FakeProgramInfo : public platform::ProgramInfo {
public:
    std::optional<platform::ProgramVersion> programVersion = platform::ProgramVersion{4, 0, 0};
    std::wstring programDirectory = L"C:\\Program Files\\Lockbay";
    bool isElevated = true;
    std::optional<platform::ProgramVersion> version() override { return programVersion; }
    std::wstring directory() override { return programDirectory; }
    bool elevated() override { return isElevated; }
};

// The registry in memory: keys by root and path (case-insensitive), each with its values.
class FakeRegistry : public platform::Registry {
public:
    struct Key {
        std::map<std::wstring, platform::RegistryValue> values;  // by upper-case name
        bool operator==(const Key&) const = default;
    };
    // Keys of the machine root that need administrator rights to change (all of them
    // unless `elevated`).
    bool elevated = true;

    std::optional<platform::RegistryValue> read(platform::RegistryRoot root, const std::wstring& key,
                                                const std::wstring& name) override;
    platform::RegistryStatus write(platform::RegistryRoot root, const std::wstring& key,
                                   const std::wstring& name, const platform::RegistryValue& value) override;
    platform::RegistryStatus remove(platform::RegistryRoot root, const std::wstring& key,
                                    const std::wstring& name) override;
    bool keyExists(platform::RegistryRoot root, const std::wstring& key) override;
    // The names in upper case, as the fake keeps them.
    std::vector<std::wstring> valueNames(platform::RegistryRoot root, const std::wstring& key,
                                         std::size_t limit) override;
    platform::RegistryStatus removeEmptyKey(platform::RegistryRoot root, const std::wstring& key) override;

    // Every key and value, for before-and-after comparisons.
    const std::map<std::wstring, Key>& keys() const { return keys_; }

private:
    static std::wstring keyName(platform::RegistryRoot root, const std::wstring& key);
    bool mayChange(platform::RegistryRoot root) const {
        return elevated || root == platform::RegistryRoot::CurrentUser;
    }
    std::map<std::wstring, Key> keys_;
};

// Signatures: every file reads as signed over its content by `ourKey` (with no chain to
// a trusted root, like a development certificate) until a test sets another report.
class FakeSignatureCheck : public platform::SignatureCheck {
public:
    static constexpr platform::KeyHash ourKey{0x4c, 0x6f, 0x63, 0x6b, 0x62, 0x61, 0x79};
    platform::SignatureReport report{platform::trust_status::kUntrustedRoot, ourKey};
    std::vector<std::wstring> examined;  // every path examined, in order
    // Called for each examination (for example to look at the file system then).
    std::function<void(const std::wstring&)> onExamine;

    platform::SignatureReport examine(const std::wstring& path) override {
        examined.push_back(path);
        if (onExamine) onExamine(path);
        return report;
    }
};

// One complete fake platform with a headless backend.
struct FakePlatform {
    platform::ui::HeadlessBackend backend;
    platform::ui::Runtime runtime{backend};
    FakeFileSystem fs;
    FakeProcesses processes;
    FakeHttp http;
    FakeProgramInfo program;
    FakeRegistry registry;
    FakeSignatureCheck signatures;  // not part of the bundle: only the updater checks signatures
    platform::Platform platform{runtime, fs, processes, http, program, registry};

    FakePlatform() { processes.accessLists = &fs; }
    void advance(std::int64_t ms) { backend.advance(ms); }
};

}  // namespace fakes
