// The in-memory platform of the unit tests: see fake_platform.h.
#include "fakes/fake_platform.h"

#include <algorithm>
#include <cwctype>

namespace fakes {

namespace attr = platform::attr;

namespace {
bool isRelative(const std::wstring& k) {
    return k.size() < 2 || k[1] != L':';
}
std::wstring parentOf(const std::wstring& k) {
    const auto slash = k.rfind(L'\\');
    if (slash == std::wstring::npos) return L"";
    if (slash == 2) return k.substr(0, 3);  // "E:\"
    return k.substr(0, slash);
}
}  // namespace

std::wstring FakeFileSystem::key(const std::wstring& path) {
    std::wstring k;
    for (wchar_t c : path) k.push_back(static_cast<wchar_t>(std::towupper(c)));
    // "E:\a\" and "E:\a" name the same entry; the root keeps its backslash.
    while (k.size() > 3 && k.back() == L'\\') k.pop_back();
    return k;
}

FakeFileSystem::Drive& FakeFileSystem::addDrive(wchar_t letter) {
    return addDrive(letter, Drive{});
}

FakeFileSystem::Drive& FakeFileSystem::addDrive(wchar_t letter, Drive drive) {
    return drives_[static_cast<wchar_t>(std::towupper(letter))] = drive;
}

void FakeFileSystem::removeDrive(wchar_t letter) {
    letter = static_cast<wchar_t>(std::towupper(letter));
    drives_.erase(letter);
    for (auto it = entries_.begin(); it != entries_.end();) {
        it = (it->first[0] == letter) ? entries_.erase(it) : std::next(it);
    }
}

void FakeFileSystem::addFile(const std::wstring& path, std::string content, std::uint32_t attributes) {
    entries_[key(path)] = Entry{attributes & ~attr::kDirectory, std::move(content)};
    names_[key(path)] = path;
}

void FakeFileSystem::addFolder(const std::wstring& path, std::uint32_t attributes) {
    entries_[key(path)] = Entry{attributes | attr::kDirectory, {}};
    names_[key(path)] = path;
}

bool FakeFileSystem::exists(const std::wstring& path) const {
    return entries_.count(key(path)) != 0;
}

bool FakeFileSystem::isFolder(const std::wstring& path) const {
    auto it = entries_.find(key(path));
    return it != entries_.end() && (it->second.attributes & attr::kDirectory);
}

std::optional<FakeFileSystem::Entry> FakeFileSystem::entry(const std::wstring& path) const {
    auto it = entries_.find(key(path));
    if (it == entries_.end()) return std::nullopt;
    return it->second;
}

std::optional<std::string> FakeFileSystem::content(const std::wstring& path) const {
    auto e = entry(path);
    if (!e || (e->attributes & attr::kDirectory)) return std::nullopt;
    return e->content;
}

const FakeFileSystem::Drive* FakeFileSystem::usableDrive(const std::wstring& k) const {
    if (isRelative(k)) {
        static const Drive workingFolder{};
        return &workingFolder;
    }
    auto it = drives_.find(k[0]);
    if (it == drives_.end() || !it->second.ready) return nullptr;
    return &it->second;
}

bool FakeFileSystem::parentExists(const std::wstring& k) const {
    const std::wstring parent = parentOf(k);
    if (parent.empty() || parent.size() == 3) return true;  // working folder or drive root
    auto it = entries_.find(parent);
    return it != entries_.end() && (it->second.attributes & attr::kDirectory);
}

bool FakeFileSystem::hasChildren(const std::wstring& k) const {
    const std::wstring prefix = k + L"\\";
    auto it = entries_.lower_bound(prefix);
    return it != entries_.end() && it->first.compare(0, prefix.size(), prefix) == 0;
}

std::vector<wchar_t> FakeFileSystem::driveLetters() {
    calls.push_back(L"drives");
    std::vector<wchar_t> letters;
    for (const auto& [letter, drive] : drives_) letters.push_back(letter);
    return letters;
}

std::optional<std::uint32_t> FakeFileSystem::attributes(const std::wstring& path) {
    const std::wstring k = key(path);
    calls.push_back(L"attributes " + k);
    if (!usableDrive(k)) return std::nullopt;
    if (k.size() == 3) return attr::kDirectory;
    auto it = entries_.find(k);
    if (it == entries_.end()) return std::nullopt;
    return it->second.attributes;
}

bool FakeFileSystem::setAttributes(const std::wstring& path, std::uint32_t attributes) {
    const std::wstring k = key(path);
    calls.push_back(L"setAttributes " + k);
    const Drive* d = usableDrive(k);
    auto it = entries_.find(k);
    if (!d || d->readOnly || it == entries_.end()) return false;
    // Like the system, the directory flag is the entry's nature, not a settable attribute.
    it->second.attributes = (attributes & ~attr::kDirectory) | (it->second.attributes & attr::kDirectory);
    return true;
}

bool FakeFileSystem::makeDirectory(const std::wstring& path) {
    const std::wstring k = key(path);
    calls.push_back(L"makeDirectory " + k);
    const Drive* d = usableDrive(k);
    if (!d || d->readOnly || entries_.count(k) || !parentExists(k)) return false;
    entries_[k] = Entry{attr::kDirectory, {}};
    names_[k] = path;
    return true;
}

bool FakeFileSystem::removeDirectory(const std::wstring& path) {
    const std::wstring k = key(path);
    calls.push_back(L"removeDirectory " + k);
    const Drive* d = usableDrive(k);
    auto it = entries_.find(k);
    if (!d || d->readOnly || it == entries_.end() || !(it->second.attributes & attr::kDirectory) ||
        hasChildren(k))
        return false;
    entries_.erase(it);
    return true;
}

bool FakeFileSystem::deleteFile(const std::wstring& path) {
    const std::wstring k = key(path);
    calls.push_back(L"deleteFile " + k);
    const Drive* d = usableDrive(k);
    auto it = entries_.find(k);
    // Like the system, a Read-only file is not deleted.
    if (!d || d->readOnly || it == entries_.end() ||
        (it->second.attributes & (attr::kDirectory | attr::kReadOnly)) || undeletable.count(k))
        return false;
    entries_.erase(it);
    return true;
}

bool FakeFileSystem::normalFileExists(const std::wstring& path) {
    const std::wstring k = key(path);
    calls.push_back(L"search " + k);
    if (!usableDrive(k)) return false;
    auto it = entries_.find(k);
    return it != entries_.end() &&
           !(it->second.attributes & (attr::kDirectory | attr::kHidden | attr::kSystem));
}

void FakeFileSystem::setEveryoneDenied(const std::wstring& path, bool denied) {
    auto it = entries_.find(key(path));
    if (it != entries_.end()) it->second.everyoneDenied = denied;
}

std::optional<bool> FakeFileSystem::everyoneDenied(const std::wstring& path) {
    const std::wstring k = key(path);
    calls.push_back(L"everyoneDenied " + k);
    auto it = entries_.find(k);
    if (!usableDrive(k) || it == entries_.end() || unreadableAccess.count(k)) return std::nullopt;
    return it->second.everyoneDenied;
}

std::wstring FakeFileSystem::fileSystemName(wchar_t drive) {
    calls.push_back(std::wstring(L"fileSystemName ") + drive);
    auto it = drives_.find(drive);
    return it == drives_.end() || !it->second.ready ? L"" : it->second.fileSystem;
}

std::uint64_t FakeFileSystem::freeBytes(wchar_t drive) {
    calls.push_back(std::wstring(L"freeBytes ") + drive);
    auto it = drives_.find(drive);
    return it == drives_.end() || !it->second.ready ? 0 : it->second.freeBytes;
}

bool FakeFileSystem::isReady(wchar_t drive) {
    calls.push_back(std::wstring(L"isReady ") + drive);
    auto it = drives_.find(drive);
    return it != drives_.end() && it->second.ready;
}

platform::DriveDetails FakeFileSystem::driveDetails(wchar_t drive) {
    calls.push_back(std::wstring(L"driveDetails ") + drive);
    auto it = drives_.find(drive);
    return it == drives_.end() ? platform::DriveDetails{} : it->second.details;
}

std::optional<std::string> FakeFileSystem::readFilePrefix(const std::wstring& path, std::size_t maxBytes) {
    const std::wstring k = key(path);
    calls.push_back(L"readFile " + k);
    if (!usableDrive(k)) return std::nullopt;
    auto whole = content(k);
    if (whole && whole->size() > maxBytes) whole->resize(maxBytes);
    return whole;
}

platform::DrivePathCheck FakeFileSystem::checkOnDrive(const std::wstring& path) {
    const std::wstring k = key(path);
    calls.push_back(L"check " + k);
    if (isRelative(k) || !usableDrive(k)) return platform::DrivePathCheck::Missing;
    if (k.size() == 3) return platform::DrivePathCheck::OnDrive;
    // Each part from the root down.
    for (std::size_t slash = k.find(L'\\', 3);; slash = k.find(L'\\', slash + 1)) {
        const auto it = entries_.find(k.substr(0, slash));
        if (it == entries_.end()) return platform::DrivePathCheck::Missing;
        if (it->second.attributes & attr::kReparsePoint) return platform::DrivePathCheck::Link;
        if (offDrive.count(it->first)) return platform::DrivePathCheck::OffDrive;
        if (slash == std::wstring::npos) return platform::DrivePathCheck::OnDrive;
    }
}

std::optional<std::string> FakeFileSystem::readDriveFilePrefix(const std::wstring& path,
                                                               std::size_t maxBytes) {
    if (checkOnDrive(path) != platform::DrivePathCheck::OnDrive) return std::nullopt;
    return readFilePrefix(path, maxBytes);
}

// Writes into "<destination>.PART" beside the destination, moved into place by commit()
// and removed when dropped uncommitted, as the real platform does. Once finished it
// takes no more writes.
class FakeOutputFile : public platform::OutputFile {
public:
    FakeOutputFile(FakeFileSystem& fs, std::wstring k) : fs_(fs), key_(std::move(k)), temp_(key_ + L".PART") {
        fs_.entries_[temp_] = FakeFileSystem::Entry{attr::kArchive, {}};
    }
    ~FakeOutputFile() override {
        if (!committed_) fs_.entries_.erase(temp_);
    }
    bool write(std::string_view bytes) override {
        if (finished_) return false;
        fs_.entries_[temp_].content.append(bytes);
        return true;
    }
    bool finish() override {
        finished_ = true;
        return true;
    }
    std::wstring temporaryPath() const override { return temp_; }
    bool commit() override {
        if (fs_.unwritable.count(key_)) {
            error_ = L"Access is denied.";
            return false;
        }
        auto it = fs_.entries_.find(key_);
        if (it != fs_.entries_.end() && (it->second.attributes & attr::kDirectory)) {
            error_ = L"Access is denied.";
            return false;
        }
        fs_.entries_[key_] = fs_.entries_[temp_];
        fs_.entries_.erase(temp_);
        committed_ = true;
        return true;
    }
    std::wstring lastError() const override { return error_; }

private:
    FakeFileSystem& fs_;
    std::wstring key_;
    std::wstring temp_;
    std::wstring error_;
    bool finished_ = false;
    bool committed_ = false;
};

std::unique_ptr<platform::OutputFile> FakeFileSystem::createReplacing(const std::wstring& path,
                                                                      std::wstring& error) {
    const std::wstring k = key(path);
    calls.push_back(L"createReplacing " + k);
    const Drive* d = usableDrive(k);
    if (!d || d->readOnly || !parentExists(k)) {
        error = L"The system cannot find the path specified.";
        return nullptr;
    }
    names_[k] = path;
    return std::make_unique<FakeOutputFile>(*this, k);
}

bool FakeFileSystem::readFileInPieces(const std::wstring& path,
                                      const std::function<bool(std::string_view)>& onPiece) {
    const std::wstring k = key(path);
    calls.push_back(L"readFileInPieces " + k);
    if (!usableDrive(k) || checkOnDrive(path) != platform::DrivePathCheck::OnDrive) return false;
    const auto whole = content(k);
    if (!whole) return false;
    constexpr std::size_t kPiece = 4096;
    for (std::size_t at = 0; at < whole->size(); at += kPiece) {
        if (!onPiece(std::string_view(*whole).substr(at, kPiece))) return false;
    }
    return true;
}

std::optional<std::vector<platform::FolderEntry>> FakeFileSystem::listFolder(const std::wstring& path) {
    const std::wstring k = key(path);
    calls.push_back(L"listFolder " + k);
    if (!usableDrive(k)) return std::nullopt;
    if (k.size() != 3 && !isFolder(k)) return std::nullopt;
    const std::wstring prefix = k.size() == 3 ? k : k + L"\\";
    std::vector<platform::FolderEntry> entries;
    for (auto it = entries_.lower_bound(prefix); it != entries_.end() && it->first.starts_with(prefix);
         ++it) {
        if (it->first.find(L'\\', prefix.size()) != std::wstring::npos) continue;  // deeper down
        const auto name = names_.find(it->first);
        const std::wstring& full = name == names_.end() ? it->first : name->second;
        entries.push_back(
            {full.substr(full.rfind(L'\\') + 1), it->second.attributes, it->second.content.size()});
    }
    return entries;
}

bool FakeFileSystem::moveWithinDrive(const std::wstring& from, const std::wstring& to, std::wstring& error) {
    const std::wstring kf = key(from);
    const std::wstring kt = key(to);
    calls.push_back(L"move " + kf + L" -> " + kt);
    const Drive* d = usableDrive(kf);
    auto it = entries_.find(kf);
    if (isRelative(kf) || isRelative(kt) || kf[0] != kt[0]) {
        error = L"The system cannot move the file to a different disk drive.";
    } else if (!d || it == entries_.end() || (it->second.attributes & attr::kDirectory)) {
        error = L"The system cannot find the file specified.";
    } else if (checkOnDrive(from) != platform::DrivePathCheck::OnDrive ||
               (parentOf(kt).size() > 3 && checkOnDrive(parentOf(kt)) == platform::DrivePathCheck::Link)) {
        error = L"The object manager encountered a reparse point while retrieving an object.";
    } else if (d->readOnly) {
        error = L"The media is write protected.";
    } else if (unmovable.count(kf) || undeletable.count(kf)) {
        error = L"The process cannot access the file because it is being used by another process.";
    } else if (entries_.count(kt)) {
        error = L"Cannot create a file when that file already exists.";
    } else if (!parentExists(kt)) {
        error = L"The system cannot find the path specified.";
    } else {
        entries_[kt] = it->second;
        entries_.erase(it);
        names_[kt] = to;
        names_.erase(kf);
        return true;
    }
    return false;
}

void FakeProcesses::started(const std::wstring& commandLine, const std::wstring& input) {
    commands.push_back(commandLine);
    if (!input.empty()) inputs[commandLine] = input;
    const std::wstring cacls = L"cmd.exe /c cacls ";
    if (accessLists && commandLine.rfind(cacls, 0) == 0) {
        const std::wstring path =
            commandLine.substr(cacls.size(), commandLine.find(L' ', cacls.size()) - cacls.size());
        if (commandLine.find(L" /e /c /d ") != std::wstring::npos) accessLists->setEveryoneDenied(path, true);
        if (commandLine.find(L" /e /c /g ") != std::wstring::npos)
            accessLists->setEveryoneDenied(path, false);
    }
    if (onCommand) onCommand(commandLine);
}

std::vector<wchar_t> FakeFileSystem::drivesAnswering(const std::vector<wchar_t>& drives, int timeoutMs) {
    answerTimeouts.push_back(timeoutMs);
    std::vector<wchar_t> answered;
    for (const wchar_t drive : drives) {
        const auto it = drives_.find(drive);
        if (it != drives_.end() && it->second.answers) answered.push_back(drive);
    }
    return answered;
}

platform::StartResult FakeProcesses::runCommand(const std::wstring& commandLine) {
    if (failCommands) return {false, L"The system cannot find the file specified."};
    started(commandLine, {});
    return {true, {}};
}

platform::StartResult FakeProcesses::startProgram(const std::wstring& path) {
    if (failPrograms) return {false, L"The system cannot find the file specified."};
    programs.push_back(path);
    return {true, {}};
}

platform::StartResult FakeProcesses::shellOpen(const std::wstring& target) {
    if (failShellOpen) return {false, L"The system cannot find the file specified."};
    shellOpens.push_back(target);
    return {true, {}};
}

namespace {
// A program started by FakeProcesses: it has ended when `exitCode` gives a code.
class FakeRunningProcess : public platform::RunningProcess {
public:
    explicit FakeRunningProcess(std::function<std::optional<std::uint32_t>()> exitCode)
        : exitCode_(std::move(exitCode)) {}
    std::optional<std::uint32_t> exitCode() override { return exitCode_(); }

private:
    std::function<std::optional<std::uint32_t>()> exitCode_;
};
}  // namespace

platform::CommandStart FakeProcesses::startCommand(const std::wstring& commandLine,
                                                   const std::wstring& input) {
    if (failCommands) return {nullptr, L"The system cannot find the file specified."};
    started(commandLine, input);
    // Its end is asked of the test's commandOutcome each time its exit code is read.
    return {std::make_unique<FakeRunningProcess>([this, commandLine]() -> std::optional<std::uint32_t> {
                const auto result = commandOutcome ? commandOutcome(commandLine) : platform::CommandResult{};
                if (result.outcome == platform::CommandResult::Outcome::TimedOut) return std::nullopt;
                return result.exitCode;
            }),
            {}};
}

platform::CommandResult FakeProcesses::runCommandAndWait(const std::wstring& commandLine, int timeoutMs,
                                                         const std::wstring& input) {
    if (failCommands) {
        return {platform::CommandResult::Outcome::NotStarted, 0,
                L"The system cannot find the file specified."};
    }
    waitTimeouts.push_back(timeoutMs);
    started(commandLine, input);
    if (commandOutcome) return commandOutcome(commandLine);
    return {platform::CommandResult::Outcome::Finished, 0, {}};
}

platform::ElevatedStart FakeProcesses::startElevated(const std::wstring& program,
                                                     const std::wstring& parameters) {
    platform::ElevatedStart start;
    if (declineElevation) {
        start.declined = true;
        start.error = L"The operation was canceled by the user.";
        return start;
    }
    elevatedStarts.push_back(program + L" " + parameters);
    start.process = std::make_unique<FakeRunningProcess>([this] { return elevatedExitCode; });
    return start;
}

platform::StartResult FakeProcesses::openWebPage(const std::wstring& address) {
    if (failShellOpen) return {false, L"The system cannot find the file specified."};
    webPages.push_back(address);
    return {true, {}};
}

platform::HttpResult FakeHttp::get(const std::wstring& url,
                                   const std::function<bool(std::string_view)>& onBody,
                                   const platform::HttpLimits& requestLimits) {
    requests.push_back(url);
    limits.push_back(requestLimits);
    if (onRequest) onRequest(url);
    if (answers.empty()) return {false, 0, L"The server name or address could not be resolved"};
    Answer answer = answers.front();
    if (answers.size() > 1) answers.pop_front();
    // Hand the body over in small pieces, as a real transfer does.
    for (std::size_t i = 0; i < answer.body.size(); i += 7) {
        if (!onBody(std::string_view(answer.body).substr(i, 7))) return {false, answer.status, L"aborted"};
    }
    return {answer.completed, answer.status, answer.error};
}

std::wstring FakeRegistry::keyName(platform::RegistryRoot root, const std::wstring& key) {
    std::wstring name = root == platform::RegistryRoot::LocalMachine ? L"HKLM\\" : L"HKCU\\";
    for (wchar_t c : key) name.push_back(static_cast<wchar_t>(std::towupper(c)));
    while (!name.empty() && name.back() == L'\\') name.pop_back();
    return name;
}

std::optional<platform::RegistryValue> FakeRegistry::read(platform::RegistryRoot root,
                                                          const std::wstring& key, const std::wstring& name) {
    auto k = keys_.find(keyName(root, key));
    if (k == keys_.end()) return std::nullopt;
    auto v = k->second.values.find(FakeFileSystem::key(name));
    if (v == k->second.values.end()) return std::nullopt;
    return v->second;
}

platform::RegistryStatus FakeRegistry::write(platform::RegistryRoot root, const std::wstring& key,
                                             const std::wstring& name, const platform::RegistryValue& value) {
    if (!mayChange(root)) return platform::RegistryStatus::AccessDenied;
    // Like the system, writing a value makes every missing key on its path.
    const std::wstring full = keyName(root, key);
    for (std::size_t slash = full.find(L'\\', 5); slash != std::wstring::npos;
         slash = full.find(L'\\', slash + 1)) {
        keys_.try_emplace(full.substr(0, slash));
    }
    keys_[full].values[FakeFileSystem::key(name)] = value;
    return platform::RegistryStatus::Done;
}

platform::RegistryStatus FakeRegistry::remove(platform::RegistryRoot root, const std::wstring& key,
                                              const std::wstring& name) {
    auto k = keys_.find(keyName(root, key));
    if (k == keys_.end()) return platform::RegistryStatus::Done;
    if (!mayChange(root)) return platform::RegistryStatus::AccessDenied;
    k->second.values.erase(FakeFileSystem::key(name));
    return platform::RegistryStatus::Done;
}

bool FakeRegistry::keyExists(platform::RegistryRoot root, const std::wstring& key) {
    return keys_.count(keyName(root, key)) != 0;
}

std::vector<std::wstring> FakeRegistry::valueNames(platform::RegistryRoot root, const std::wstring& key,
                                                   std::size_t limit) {
    std::vector<std::wstring> names;
    if (const auto k = keys_.find(keyName(root, key)); k != keys_.end()) {
        for (const auto& value : k->second.values) names.push_back(value.first);
    }
    names.resize(std::min(names.size(), limit));
    return names;
}

platform::RegistryStatus FakeRegistry::removeEmptyKey(platform::RegistryRoot root, const std::wstring& key) {
    const std::wstring full = keyName(root, key);
    auto k = keys_.find(full);
    if (k == keys_.end()) return platform::RegistryStatus::Done;
    if (!mayChange(root)) return platform::RegistryStatus::AccessDenied;
    auto next = std::next(k);
    const bool hasSubkeys = next != keys_.end() && next->first.compare(0, full.size() + 1, full + L"\\") == 0;
    if (!k->second.values.empty() || hasSubkeys) return platform::RegistryStatus::Failed;
    keys_.erase(k);
    return platform::RegistryStatus::Done;
}

}  // namespace fakes
