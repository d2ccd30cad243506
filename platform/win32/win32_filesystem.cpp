// The file system behind platform::FileSystem: drives and volumes, files read, written
// and moved through handles checked to stay on their drive, and access lists.
#include <windows.h>
// After <windows.h>, which they build on.
#include <aclapi.h>
#include <sddl.h>
#include <winioctl.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <cwctype>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/encoding.h"
#include "platform/message_text.h"
#include "platform/platform.h"
#include "platform/system_rules.h"
#include "platform/win32.h"
#include "win32_error.h"
#include "win32_handle.h"

namespace platform::win32 {

namespace {

// While alive, a drive without a medium makes the calling thread's file operations fail
// instead of asking the user to insert a disk.
class CriticalErrorBoxesOff {
public:
    CriticalErrorBoxesOff() {
        ::SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previous_);
    }
    CriticalErrorBoxesOff(const CriticalErrorBoxesOff&) = delete;
    CriticalErrorBoxesOff& operator=(const CriticalErrorBoxesOff&) = delete;
    ~CriticalErrorBoxesOff() { ::SetThreadErrorMode(previous_, nullptr); }

private:
    DWORD previous_ = 0;
};

std::wstring driveRoot(wchar_t drive) {
    return std::wstring{drive, L':', L'\\'};
}

// A full path ("E:\...") that is too long for the plain calls, in the form that lifts
// their limit ("\\?\E:\..."). Folders are limited to 248 characters, files to 260.
std::wstring longPathForm(const std::wstring& path) {
    constexpr std::size_t kPlainLimit = 248;
    if (path.size() < kPlainLimit || path.size() < 3 || path[1] != L':' || path[2] != L'\\') return path;
    return L"\\\\?\\" + path;
}

bool onSameDrive(const std::wstring& a, const std::wstring& b) {
    return a.size() >= 3 && b.size() >= 3 && a[1] == L':' && b[1] == L':' && a[2] == L'\\' && b[2] == L'\\' &&
           std::towupper(a[0]) == std::towupper(b[0]);
}

// Writes a growing file's data to the disk while it is still being written, on a thread
// of its own through a second handle (so that the writer never waits for it), and the
// flush before the file is moved into place has only the last part left to write. A
// flush that fails here changes nothing: that final flush covers the whole file.
class BackgroundFlusher {
public:
    explicit BackgroundFlusher(const std::wstring& path)
        : handle_(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {
        if (!handle_) return;
        try {
            thread_ = std::thread([this] { run(); });
        } catch (const std::system_error&) {
            handle_.reset();  // no thread: the final flush does all of it
        }
    }
    BackgroundFlusher(const BackgroundFlusher&) = delete;
    BackgroundFlusher& operator=(const BackgroundFlusher&) = delete;
    ~BackgroundFlusher() { stop(); }

    // Asks for a flush of what has been written so far; requests made while one runs
    // are served by a single flush after it.
    void request() {
        if (!thread_.joinable()) return;
        const std::lock_guard lock(mutex_);
        wanted_ = true;
        changed_.notify_one();
    }

    // Waits for a flush under way and closes the second handle.
    void stop() {
        if (thread_.joinable()) {
            {
                const std::lock_guard lock(mutex_);
                stopping_ = true;
            }
            changed_.notify_one();
            thread_.join();
        }
        handle_.reset();
    }

private:
    void run() {
        for (;;) {
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [this] { return wanted_ || stopping_; });
                if (stopping_) return;
                wanted_ = false;
            }
            ::FlushFileBuffers(handle_.get());
        }
    }

    KernelHandle handle_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool wanted_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

// The full path of a path that may be relative to the working folder; the path itself
// when the system cannot tell.
std::wstring fullPath(const std::wstring& path) {
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (length == 0) return path;
        if (length < full.size()) {
            full.resize(length);
            return full;
        }
        full.resize(length);
    }
}

// A file written under "<destination>.part-<process id>" and moved into place on commit.
// While it is written, and once finished until the commit, nobody else may delete it
// (an updater that starts meanwhile removes only the leftovers of stopped ones); once
// finished, nobody may write to it either.
class Win32OutputFile final : public OutputFile {
public:
    Win32OutputFile(std::wstring destination, std::wstring temporary, KernelHandle file)
        : destination_(std::move(destination)),
          temporary_(std::move(temporary)),
          file_(std::move(file)),
          flusher_(temporary_) {}
    Win32OutputFile(const Win32OutputFile&) = delete;
    Win32OutputFile& operator=(const Win32OutputFile&) = delete;

    ~Win32OutputFile() override {
        if (committed_) return;
        flusher_.stop();
        file_.reset();
        finishedGuard_.reset();
        ::DeleteFileW(temporary_.c_str());
    }

    bool write(std::string_view bytes) override {
        if (!file_) return fail(ERROR_INVALID_HANDLE);
        while (!bytes.empty()) {
            constexpr std::size_t kMostPerCall = 1u << 30;
            const auto toWrite =
                static_cast<DWORD>(bytes.size() < kMostPerCall ? bytes.size() : kMostPerCall);
            DWORD written = 0;
            if (!::WriteFile(file_.get(), bytes.data(), toWrite, &written, nullptr))
                return fail(::GetLastError());
            bytes.remove_prefix(written);
            unflushed_ += written;
        }
        if (unflushed_ >= kFlushEvery) {
            flusher_.request();
            unflushed_ = 0;
        }
        return true;
    }

    bool finish() override {
        if (!file_) return finishedGuard_ ? true : fail(ERROR_INVALID_HANDLE);
        flusher_.stop();
        if (!::FlushFileBuffers(file_.get())) return fail(::GetLastError());
        // A handle with write access would make the system refuse to start the file, so
        // the writing one is closed and the file held through one that only reads (and
        // renames). Readers are welcome (the signature check, the start); writers and
        // deleters are not, until the object is dropped.
        file_.reset();
        finishedGuard_.reset(::CreateFileW(temporary_.c_str(), GENERIC_READ | DELETE, FILE_SHARE_READ,
                                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!finishedGuard_) return fail(::GetLastError());
        return true;
    }

    std::wstring temporaryPath() const override { return temporary_; }

    // Renames the held file itself, so that the file moved into place is the one that
    // was finished (and perhaps checked) and nothing else; it stays held until the
    // object is dropped. Retrying after a failed move is possible.
    bool commit() override {
        if (committed_) return true;
        if (file_ && !finish()) return false;
        if (!finishedGuard_) return fail(ERROR_INVALID_HANDLE);
        // The full path in the system's own form (backslash, two question marks, backslash,
        // then the path), which the rename takes as it stands.
        const std::wstring target = std::wstring(L"\\?") + L"?\\" + fullPath(destination_);
        std::vector<std::byte> buffer(sizeof(FILE_RENAME_INFO) + target.size() * sizeof(wchar_t));
        auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
        rename->ReplaceIfExists = TRUE;
        rename->RootDirectory = nullptr;
        rename->FileNameLength = static_cast<DWORD>(target.size() * sizeof(wchar_t));
        std::memcpy(rename->FileName, target.c_str(), (target.size() + 1) * sizeof(wchar_t));
        if (!::SetFileInformationByHandle(finishedGuard_.get(), FileRenameInfo, rename,
                                          static_cast<DWORD>(buffer.size()))) {
            return fail(::GetLastError());
        }
        committed_ = true;
        return true;
    }

    std::wstring lastError() const override { return error_; }

    std::uintptr_t heldHandle() const override {
        return reinterpret_cast<std::uintptr_t>(finishedGuard_.get());
    }

private:
    bool fail(DWORD code) {
        error_ = errorMessage(code);
        return false;
    }

    // How much is written before the next flush is asked for.
    static constexpr std::uint64_t kFlushEvery = 8 * 1024 * 1024;

    std::wstring destination_;
    std::wstring temporary_;
    KernelHandle file_;
    KernelHandle finishedGuard_;  // held from finish() to the commit
    BackgroundFlusher flusher_;
    std::uint64_t unflushed_ = 0;
    bool committed_ = false;
    std::wstring error_;
};

#ifdef LOCKBAY_E2E_VOLUME_FACTS
// End-to-end test builds only. Wine reports every drive that maps a folder as a ready
// NTFS volume with the host's free space, so FAT sticks, full sticks and a conversion in
// progress cannot be staged for real. There the tests describe a drive's volume in
// %LOCKBAY_E2E_VOLUMES%\<letter>.txt as "<file system> <free bytes> <ready|notready>".
struct VolumeFacts {
    std::wstring fileSystem;
    std::uint64_t freeBytes = 0;
    bool ready = true;
};

std::optional<VolumeFacts> stagedVolume(wchar_t drive) {
    wchar_t folder[MAX_PATH] = {};
    const DWORD length = ::GetEnvironmentVariableW(L"LOCKBAY_E2E_VOLUMES", folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::nullopt;
    const std::wstring path = std::wstring(folder) + L"\\" + drive + L".txt";
    const KernelHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
    if (!file) return std::nullopt;
    char buffer[256] = {};
    DWORD read = 0;
    if (!::ReadFile(file.get(), buffer, sizeof buffer - 1, &read, nullptr)) return std::nullopt;
    char name[64] = {};
    unsigned long long freeBytes = 0;
    char state[16] = {};
    if (std::sscanf(buffer, "%63s %llu %15s", name, &freeBytes, state) != 3) return std::nullopt;
    VolumeFacts facts;
    for (const char* c = name; *c; ++c) facts.fileSystem.push_back(static_cast<wchar_t>(*c));
    facts.freeBytes = freeBytes;
    facts.ready = std::strcmp(state, "ready") == 0;
    return facts;
}
#endif

#ifdef LOCKBAY_E2E_ACCESS_ENTRIES
// End-to-end test builds only. Wine keeps no access list: it turns one into the Unix
// mode bits of the file and hands back a list made up from those, without any deny
// entry. The tests' stand-in for cacls writes the entry for real and also records it as
// a line ("deny Everyone" or "grant Everyone") appended to
// %LOCKBAY_E2E_ACCESS%\<path, ':' and '\' as '_'>.txt; the last line is what the path's
// list holds. Without such a file the real list is read.
std::optional<bool> recordedDenial(const std::wstring& path) {
    wchar_t folder[MAX_PATH] = {};
    const DWORD length = ::GetEnvironmentVariableW(L"LOCKBAY_E2E_ACCESS", folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::nullopt;
    std::wstring name = path;
    std::replace(name.begin(), name.end(), L':', L'_');
    std::replace(name.begin(), name.end(), L'\\', L'_');
    const KernelHandle file(::CreateFileW((std::wstring(folder) + L"\\" + name + L".txt").c_str(),
                                          GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
    if (!file) return std::nullopt;
    char buffer[4096] = {};
    DWORD read = 0;
    if (!::ReadFile(file.get(), buffer, sizeof buffer - 1, &read, nullptr)) return std::nullopt;
    std::string lines(buffer, read);
    while (!lines.empty() && (lines.back() == '\n' || lines.back() == '\r')) lines.pop_back();
    const auto lastLine = lines.find_last_of('\n');
    return lines.substr(lastLine == std::string::npos ? 0 : lastLine + 1) == "deny Everyone";
}
#endif

// True for an entry that denies the group Everyone (S-1-1-0) all access, as cacls /d
// writes it: every right of a file or folder, or the generic "all".
bool deniesEveryoneAll(const ACE_HEADER* header, PSID everyone) {
    if (header->AceType != ACCESS_DENIED_ACE_TYPE) return false;
    const auto* ace = reinterpret_cast<const ACCESS_DENIED_ACE*>(header);
    const bool all = (ace->Mask & GENERIC_ALL) != 0 || (ace->Mask & FILE_ALL_ACCESS) == FILE_ALL_ACCESS;
    return all && ::EqualSid(const_cast<DWORD*>(&ace->SidStart), everyone);
}

// Asks the storage driver which bus the drive's disk sits on. The question needs no
// access rights to the volume, only a handle to it.
bool onUsbBus(wchar_t drive) {
    const std::wstring volume = std::wstring(L"\\\\.\\") + drive + L":";
    const KernelHandle device(::CreateFileW(volume.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            OPEN_EXISTING, 0, nullptr));
    if (!device) return false;
    STORAGE_PROPERTY_QUERY query{};
    query.PropertyId = StorageDeviceProperty;
    query.QueryType = PropertyStandardQuery;
    STORAGE_DEVICE_DESCRIPTOR descriptor{};
    DWORD returned = 0;
    if (!::DeviceIoControl(device.get(), IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, &descriptor,
                           sizeof descriptor, &returned, nullptr) ||
        returned < offsetof(STORAGE_DEVICE_DESCRIPTOR, BusType) + sizeof descriptor.BusType) {
        return false;
    }
    return descriptor.BusType == BusTypeUsb;
}

// ---- A drive's own files, checked as the objects they name -------------------------

// A path on a drive opened part by part from its root, none of the parts through a link.
// Every folder on the way stays open without delete sharing, so that none of them can be
// renamed, removed or replaced by a link while the caller acts on `object`.
struct DriveObject {
    DrivePathCheck check = DrivePathCheck::Failed;
    std::vector<KernelHandle> folders;
    KernelHandle object;
    DWORD attributes = 0;
};

// True when the handle's final path lies under the drive root `root` ("E:\"): a link
// anywhere on the way, or a folder mounted there, shows as another path.
bool finalPathUnder(HANDLE handle, const std::wstring& root) {
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    for (int attempt = 0; attempt < 2; ++attempt) {
        const DWORD length = ::GetFinalPathNameByHandleW(
            handle, buffer.data(), static_cast<DWORD>(buffer.size()), FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0) return false;
        if (length < buffer.size()) {
            const std::wstring prefix = L"\\\\?\\" + root;
            const std::wstring_view final(buffer.data(), length);
            if (final.size() < prefix.size()) return false;
            return ::CompareStringOrdinal(final.data(), static_cast<int>(prefix.size()), prefix.data(),
                                          static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL;
        }
        buffer.resize(length + 1);
    }
    return false;
}

// A handle's attributes alone: GetFileInformationByHandle also asks for the volume's
// serial number, which takes Wine a round trip to its mount manager each time.
std::optional<DWORD> handleAttributes(HANDLE handle) {
    FILE_BASIC_INFO information{};
    if (!::GetFileInformationByHandleEx(handle, FileBasicInfo, &information, sizeof information))
        return std::nullopt;
    return information.FileAttributes;
}

// True when the part `part`, opened as a handle with `attributes`, is a link. Windows
// shows a link on the handle opened as the link itself; Wine, which opens a Unix symbolic
// link's target, on the name. The handle is held, so the name still names the object the
// handle opened.
bool linkByHandleOrName(DWORD attributes, const std::wstring& part) {
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return true;
    const DWORD byName = ::GetFileAttributesW(longPathForm(part).c_str());
    return byName != INVALID_FILE_ATTRIBUTES && (byName & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Opens `path` ("E:\a\b") for `access` with `share`, as DriveObject describes. The last
// part is opened as it is (a link itself, never its target); a part that is a link, or
// whose object lies outside the drive, ends the walk.
DriveObject openOnDrive(const std::wstring& path, DWORD access, DWORD share) {
    DriveObject opened;
    if (path.size() < 4 || path[1] != L':' || path[2] != L'\\') return opened;
    const std::wstring root = path.substr(0, 3);
    std::size_t start = 3;
    while (start < path.size()) {
        std::size_t end = path.find(L'\\', start);
        const bool last = end == std::wstring::npos || end + 1 >= path.size();
        if (end == std::wstring::npos) end = path.size();
        const std::wstring part = path.substr(0, end);
        KernelHandle handle(
            ::CreateFileW(longPathForm(part).c_str(), last ? access : FILE_READ_ATTRIBUTES,
                          last ? share : FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                          FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (!handle) {
            const DWORD code = ::GetLastError();
            opened.check = code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND
                               ? DrivePathCheck::Missing
                               : DrivePathCheck::Failed;
            return opened;
        }
        const std::optional<DWORD> attributes = handleAttributes(handle.get());
        if (!attributes) return opened;
        if (linkByHandleOrName(*attributes, part)) {
            opened.check = DrivePathCheck::Link;
            return opened;
        }
        if (!finalPathUnder(handle.get(), root)) {
            opened.check = DrivePathCheck::OffDrive;
            return opened;
        }
        if (last) {
            opened.check = DrivePathCheck::OnDrive;
            opened.attributes = *attributes;
            opened.object = std::move(handle);
            return opened;
        }
        if (!(*attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            opened.check = DrivePathCheck::Missing;
            return opened;
        }
        opened.folders.push_back(std::move(handle));
        start = end + 1;
    }
    return opened;
}

// ERROR_REPARSE_POINT_ENCOUNTERED, which mingw-w64's headers lack.
constexpr DWORD kReparsePointEncountered = 4395;

// The system's text for a path that failed its check.
std::wstring checkFailure(DrivePathCheck check, const std::wstring& path) {
    switch (check) {
        case DrivePathCheck::Missing:
            return errorMessage(ERROR_FILE_NOT_FOUND, path);
        case DrivePathCheck::Link:
        case DrivePathCheck::OffDrive:
            return errorMessage(kReparsePointEncountered, path);
        case DrivePathCheck::OnDrive:
        case DrivePathCheck::Failed:
            break;
    }
    return errorMessage(ERROR_ACCESS_DENIED, path);
}

// Reads an opened file from its start, handing each piece to `onPiece`; false when a read
// fails or `onPiece` stops it.
bool readPieces(HANDLE file, std::size_t maxBytes, const std::function<bool(std::string_view)>& onPiece) {
    if (::GetFileType(file) != FILE_TYPE_DISK) return false;
    std::vector<char> buffer(64 * 1024);
    std::size_t total = 0;
    while (total < maxBytes) {
        const std::size_t wanted = std::min(buffer.size(), maxBytes - total);
        DWORD got = 0;
        if (!::ReadFile(file, buffer.data(), static_cast<DWORD>(wanted), &got, nullptr)) return false;
        if (got == 0) return true;
        total += got;
        if (!onPiece(std::string_view(buffer.data(), got))) return false;
    }
    return true;
}

class Win32FileSystem final : public FileSystem {
public:
    std::vector<wchar_t> driveLetters() override {
        const DWORD present = ::GetLogicalDrives();
        std::vector<wchar_t> letters;
        for (int i = 0; i < 26; ++i) {
            if (present & (DWORD{1} << i)) letters.push_back(static_cast<wchar_t>(L'A' + i));
        }
        return letters;
    }

    std::optional<std::uint32_t> attributes(const std::wstring& path) override {
        const CriticalErrorBoxesOff quiet;
        const DWORD value = ::GetFileAttributesW(path.c_str());
        if (value == INVALID_FILE_ATTRIBUTES) return std::nullopt;
        return value;
    }

    bool setAttributes(const std::wstring& path, std::uint32_t value) override {
        const CriticalErrorBoxesOff quiet;
        return ::SetFileAttributesW(path.c_str(), value) != FALSE;
    }

    bool makeDirectory(const std::wstring& path) override {
        const CriticalErrorBoxesOff quiet;
        return ::CreateDirectoryW(longPathForm(path).c_str(), nullptr) != FALSE;
    }

    bool removeDirectory(const std::wstring& path) override {
        const CriticalErrorBoxesOff quiet;
        return ::RemoveDirectoryW(path.c_str()) != FALSE;
    }

    bool deleteFile(const std::wstring& path) override {
        const CriticalErrorBoxesOff quiet;
        return ::DeleteFileW(path.c_str()) != FALSE;
    }

    bool normalFileExists(const std::wstring& path) override {
        // The classic "normal files" search: every match is looked at, and the first
        // one that is neither a folder nor hidden nor a system file counts.
        constexpr DWORD kExcluded = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
        const CriticalErrorBoxesOff quiet;
        WIN32_FIND_DATAW entry{};
        const FindHandle search(::FindFirstFileW(path.c_str(), &entry));
        if (!search) return false;
        do {
            if ((entry.dwFileAttributes & kExcluded) == 0) return true;
        } while (::FindNextFileW(search.get(), &entry));
        return false;
    }

    std::optional<bool> everyoneDenied(const std::wstring& path) override {
#ifdef LOCKBAY_E2E_ACCESS_ENTRIES
        if (const auto recorded = recordedDenial(path)) return recorded;
#endif
        const CriticalErrorBoxesOff quiet;
        PACL list = nullptr;
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        if (::GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                    &list, nullptr, &descriptor) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        const UniqueHandle<LocalMemoryTraits> owner(descriptor);
        if (list == nullptr) return false;  // no list at all: everyone has every right
        BYTE sid[SECURITY_MAX_SID_SIZE] = {};
        DWORD sidSize = sizeof sid;
        if (!::CreateWellKnownSid(WinWorldSid, nullptr, sid, &sidSize)) return std::nullopt;
        for (DWORD i = 0; i < list->AceCount; ++i) {
            void* ace = nullptr;
            if (::GetAce(list, i, &ace) && deniesEveryoneAll(static_cast<const ACE_HEADER*>(ace), sid))
                return true;
        }
        return false;
    }

    std::wstring everyoneGroupName() override {
        BYTE sid[SECURITY_MAX_SID_SIZE] = {};
        DWORD sidSize = sizeof sid;
        wchar_t name[256] = {};
        DWORD nameSize = 256;
        wchar_t domain[256] = {};
        DWORD domainSize = 256;
        SID_NAME_USE use{};
        if (!::CreateWellKnownSid(WinWorldSid, nullptr, sid, &sidSize) ||
            !::LookupAccountSidW(nullptr, sid, name, &nameSize, domain, &domainSize, &use) ||
            name[0] == L'\0') {
            return L"Everyone";
        }
        return name;
    }

    std::wstring fileSystemName(wchar_t drive) override {
#ifdef LOCKBAY_E2E_VOLUME_FACTS
        if (const auto staged = stagedVolume(drive)) return staged->ready ? staged->fileSystem : std::wstring();
#endif
        const CriticalErrorBoxesOff quiet;
        wchar_t name[MAX_PATH + 1] = {};
        if (!::GetVolumeInformationW(driveRoot(drive).c_str(), nullptr, 0, nullptr, nullptr, nullptr, name,
                                     MAX_PATH + 1)) {
            return {};
        }
        return name;
    }

    std::uint64_t freeBytes(wchar_t drive) override {
#ifdef LOCKBAY_E2E_VOLUME_FACTS
        if (const auto staged = stagedVolume(drive)) return staged->ready ? staged->freeBytes : 0;
#endif
        const CriticalErrorBoxesOff quiet;
        ULARGE_INTEGER availableToCaller{};
        if (!::GetDiskFreeSpaceExW(driveRoot(drive).c_str(), &availableToCaller, nullptr, nullptr)) return 0;
        return availableToCaller.QuadPart;
    }

    bool isReady(wchar_t drive) override {
#ifdef LOCKBAY_E2E_VOLUME_FACTS
        if (const auto staged = stagedVolume(drive)) return staged->ready;
#endif
        const CriticalErrorBoxesOff quiet;
        return ::GetVolumeInformationW(driveRoot(drive).c_str(), nullptr, 0, nullptr, nullptr, nullptr,
                                       nullptr, 0) != FALSE;
    }

    std::vector<wchar_t> drivesAnswering(const std::vector<wchar_t>& drives, int timeoutMs) override {
        // Shared with the threads, which may outlive this call while a server stays away.
        struct Probe {
            std::mutex mutex;
            std::vector<wchar_t> answered;
            std::size_t done = 0;
            KernelHandle wake{::CreateEventW(nullptr, FALSE, FALSE, nullptr)};
        };
        const auto probe = std::make_shared<Probe>();
        std::size_t started = 0;
        for (const wchar_t drive : drives) {
            try {
                std::thread([probe, drive] {
                    const CriticalErrorBoxesOff quiet;
                    const bool answers =
                        ::GetFileAttributesW(driveRoot(drive).c_str()) != INVALID_FILE_ATTRIBUTES;
                    const std::lock_guard lock(probe->mutex);
                    if (answers) probe->answered.push_back(drive);
                    ++probe->done;
                    ::SetEvent(probe->wake.get());
                }).detach();
                ++started;
            } catch (const std::system_error&) {
                // No thread for it: the drive counts as not answering.
            }
        }
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            {
                const std::lock_guard lock(probe->mutex);
                if (probe->done >= started) break;
            }
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
            if (left <= 0) break;
            // Messages sent by other threads and programs are handled inside the wait and the
            // peek; paint is dispatched; input and timers stay queued for the event loop.
            const HANDLE wake = probe->wake.get();
            ::MsgWaitForMultipleObjectsEx(1, &wake, static_cast<DWORD>(left), QS_SENDMESSAGE | QS_PAINT, 0);
            MSG message{};
            while (::PeekMessageW(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE))
                ::DispatchMessageW(&message);
        }
        const std::lock_guard lock(probe->mutex);
        return probe->answered;
    }

    DriveKind driveKind(wchar_t drive) override {
        const CriticalErrorBoxesOff quiet;
        switch (::GetDriveTypeW(driveRoot(drive).c_str())) {
            case DRIVE_REMOVABLE:
                return DriveKind::Removable;
            case DRIVE_FIXED:
                return DriveKind::Fixed;
            case DRIVE_REMOTE:
                return DriveKind::Network;
            case DRIVE_CDROM:
                return DriveKind::Optical;
            case DRIVE_RAMDISK:
                return DriveKind::RamDisk;
            default:
                return DriveKind::Unknown;
        }
    }

    DriveDetails driveDetails(wchar_t drive) override {
        const CriticalErrorBoxesOff quiet;
        const std::wstring root = driveRoot(drive);
        DriveDetails details;
        details.kind = driveKind(drive);
        wchar_t label[MAX_PATH + 1] = {};
        DWORD serial = 0;
        if (::GetVolumeInformationW(root.c_str(), label, MAX_PATH + 1, &serial, nullptr, nullptr, nullptr,
                                    0)) {
            details.label = label;
            details.serial = serial;
        }
        if (details.kind == DriveKind::Removable || details.kind == DriveKind::Fixed) {
            details.usbBus = onUsbBus(drive);
        }
        return details;
    }

    std::uint32_t volumeSerial(wchar_t drive) override {
        const CriticalErrorBoxesOff quiet;
        DWORD serial = 0;
        const std::wstring root = driveRoot(drive);
        if (!::GetVolumeInformationW(root.c_str(), nullptr, 0, &serial, nullptr, nullptr, nullptr, 0)) return 0;
        return serial;
    }

    std::optional<wchar_t> systemDrive() override {
        wchar_t folder[MAX_PATH + 1] = {};
        const UINT length = ::GetSystemWindowsDirectoryW(folder, MAX_PATH + 1);
        if (length < 2 || length > MAX_PATH || folder[1] != L':') return std::nullopt;
        return static_cast<wchar_t>(std::towupper(folder[0]));
    }

    std::optional<std::string> readFilePrefix(const std::wstring& path, std::size_t maxBytes) override {
        const CriticalErrorBoxesOff quiet;
        const KernelHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                              nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!file) return std::nullopt;
        // Only a file on a disk is read. A name such as "COM1", "CON" or "\\.\pipe\x" opens
        // a device or a pipe, whose reads may wait forever for data that never comes.
        if (::GetFileType(file.get()) != FILE_TYPE_DISK) return std::nullopt;
        std::string content;
        LARGE_INTEGER size{};
        if (::GetFileSizeEx(file.get(), &size) && size.QuadPart > 0) {
            content.reserve(static_cast<std::size_t>(
                std::min<unsigned long long>(static_cast<unsigned long long>(size.QuadPart), maxBytes)));
        }
        std::vector<char> buffer(64 * 1024);
        while (content.size() < maxBytes) {
            const std::size_t wanted = std::min(buffer.size(), maxBytes - content.size());
            DWORD got = 0;
            if (!::ReadFile(file.get(), buffer.data(), static_cast<DWORD>(wanted), &got, nullptr)) {
                return std::nullopt;
            }
            if (got == 0) break;
            content.append(buffer.data(), got);
        }
        return content;
    }

    DrivePathCheck checkOnDrive(const std::wstring& path) override {
        const CriticalErrorBoxesOff quiet;
        if (heldAndNoLink(path)) return DrivePathCheck::OnDrive;
        return openOnDrive(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE)
            .check;
    }

    std::optional<std::string> readDriveFilePrefix(const std::wstring& path, std::size_t maxBytes) override {
        const CriticalErrorBoxesOff quiet;
        const DriveObject file = openOnDrive(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
        if (file.check != DrivePathCheck::OnDrive) return std::nullopt;
        std::string content;
        if (!readPieces(file.object.get(), maxBytes, [&](std::string_view piece) {
                content.append(piece);
                return true;
            })) {
            return std::nullopt;
        }
        return content;
    }

    bool readFileInPieces(const std::wstring& path,
                          const std::function<bool(std::string_view)>& onPiece) override {
        const CriticalErrorBoxesOff quiet;
        const DriveObject file = openOnDrive(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
        return file.check == DrivePathCheck::OnDrive &&
               readPieces(file.object.get(), std::numeric_limits<std::size_t>::max(), onPiece);
    }

    std::optional<std::vector<FolderEntry>> listFolder(const std::wstring& path) override {
        const CriticalErrorBoxesOff quiet;
        std::wstring pattern = path;
        if (!pattern.empty() && pattern.back() != L'\\') pattern += L'\\';
        pattern += L'*';
        WIN32_FIND_DATAW found{};
        const FindHandle search(::FindFirstFileExW(longPathForm(pattern).c_str(), FindExInfoBasic, &found,
                                                   FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
        if (!search) return std::nullopt;
        std::vector<FolderEntry> entries;
        do {
            const std::wstring_view name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            entries.push_back({std::wstring(name), found.dwFileAttributes,
                               std::uint64_t{found.nFileSizeHigh} << 32 | found.nFileSizeLow});
        } while (::FindNextFileW(search.get(), &found));
        if (::GetLastError() != ERROR_NO_MORE_FILES) return std::nullopt;
        return entries;
    }

    bool moveWithinDrive(const std::wstring& from, const std::wstring& to, std::wstring& error) override {
        if (!onSameDrive(from, to)) {
            error = errorMessage(ERROR_NOT_SAME_DEVICE);
            return false;
        }
        const CriticalErrorBoxesOff quiet;
        // Others may go on reading or writing the file, but none may rename or delete it
        // while it is moved.
        const DriveObject source = openOnDrive(from, DELETE | SYNCHRONIZE | FILE_READ_ATTRIBUTES,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE);
        if (source.check != DrivePathCheck::OnDrive) {
            error = checkFailure(source.check, from);
            return false;
        }
        return renameChecked(source, from, to, error);
    }

    std::unique_ptr<DriveEntry> openDriveEntry(const std::wstring& path, DriveEntryUse use) override {
        const CriticalErrorBoxesOff quiet;
        // A file to read and move is shared as in readFileInPieces and moveWithinDrive: others
        // may go on reading or writing it, but none may rename or delete it meanwhile.
        // Attributes are changed as SetFileAttributesW opens for it.
        DriveObject opened =
            use == DriveEntryUse::ReadAndMove
                ? openOnDrive(path, GENERIC_READ | DELETE | SYNCHRONIZE | FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE)
                : openOnDrive(path, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
        if (opened.check == DrivePathCheck::OnDrive)
            return std::make_unique<Win32DriveEntry>(*this, path, std::move(opened));
        // Not so opened (missing, a link, in use, no access): each call is the path's own,
        // which tells its reason as it always did.
        return FileSystem::openDriveEntry(path, use);
    }

    std::unique_ptr<DriveFolderHold> holdDriveFolder(const std::wstring& folder) override {
        const CriticalErrorBoxesOff quiet;
        // The folder itself is held as those on its way: without delete sharing.
        DriveObject chain = openOnDrive(folder, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE);
        if (chain.check != DrivePathCheck::OnDrive || !(chain.attributes & FILE_ATTRIBUTE_DIRECTORY))
            return nullptr;
        return std::make_unique<Hold>(*this, folder, std::move(chain));
    }

    std::unique_ptr<OutputFile> createReplacing(const std::wstring& path, std::wstring& error) override {
        return startOutputFile(path, error, false);
    }

    std::unique_ptr<OutputFile> createPrivateReplacing(const std::wstring& path,
                                                       std::wstring& error) override {
        return startOutputFile(path, error, true);
    }

private:
    // A file or folder opened by openDriveEntry, acted on through its handle.
    class Win32DriveEntry final : public DriveEntry {
    public:
        Win32DriveEntry(Win32FileSystem& fs, std::wstring path, DriveObject opened)
            : fs_(fs), path_(std::move(path)), opened_(std::move(opened)) {}

        DrivePathCheck check() override { return DrivePathCheck::OnDrive; }

        std::optional<std::uint32_t> attributes() override {
            return handleAttributes(opened_.object.get());
        }

        bool setAttributes(std::uint32_t attributes) override {
            const CriticalErrorBoxesOff quiet;
            // Times of 0 stay as they are; attributes of 0 would too, so none is "normal".
            FILE_BASIC_INFO information{};
            information.FileAttributes = attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
            return ::SetFileInformationByHandle(opened_.object.get(), FileBasicInfo, &information,
                                                sizeof information) != FALSE;
        }

        bool readInPieces(const std::function<bool(std::string_view)>& onPiece) override {
            const CriticalErrorBoxesOff quiet;
            const LARGE_INTEGER start{};
            return ::SetFilePointerEx(opened_.object.get(), start, nullptr, FILE_BEGIN) &&
                   readPieces(opened_.object.get(), std::numeric_limits<std::size_t>::max(), onPiece);
        }

        bool moveWithinDrive(const std::wstring& to, std::wstring& error) override {
            if (!onSameDrive(path_, to)) {
                error = errorMessage(ERROR_NOT_SAME_DEVICE);
                return false;
            }
            const CriticalErrorBoxesOff quiet;
            return fs_.renameChecked(opened_, path_, to, error);
        }

    private:
        Win32FileSystem& fs_;
        std::wstring path_;
        DriveObject opened_;
    };

    // A folder held by holdDriveFolder, known to its file system while it lives.
    class Hold final : public DriveFolderHold {
    public:
        Hold(Win32FileSystem& fs, std::wstring path, DriveObject chain)
            : fs_(fs), path_(std::move(path)), chain_(std::move(chain)) {
            const std::lock_guard lock(fs_.holdsMutex_);
            fs_.holds_.push_back(this);
        }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;
        ~Hold() override {
            const std::lock_guard lock(fs_.holdsMutex_);
            std::erase(fs_.holds_, this);
        }

        const std::wstring& path() const { return path_; }

        // True while none of the held folders has been made a link where it is (a junction
        // set on an empty folder keeps its handle). Their handles pin their names: none can
        // be renamed, removed or replaced by a link of that name meanwhile, so the handles'
        // attributes tell it.
        bool noLink() const {
            const auto isPlainFolder = [](HANDLE handle) {
                const std::optional<DWORD> attributes = handleAttributes(handle);
                return attributes && (*attributes & FILE_ATTRIBUTE_DIRECTORY) &&
                       !(*attributes & FILE_ATTRIBUTE_REPARSE_POINT);
            };
            return isPlainFolder(chain_.object.get()) &&
                   std::all_of(chain_.folders.begin(), chain_.folders.end(),
                               [&](const KernelHandle& folder) { return isPlainFolder(folder.get()); });
        }

    private:
        Win32FileSystem& fs_;
        std::wstring path_;
        DriveObject chain_;
    };

    // True when `path` is a held folder (holdDriveFolder) that is still no link.
    bool heldAndNoLink(const std::wstring& path) {
        const std::lock_guard lock(holdsMutex_);
        for (const Hold* hold : holds_) {
            if (::CompareStringOrdinal(hold->path().data(), static_cast<int>(hold->path().size()),
                                       path.data(), static_cast<int>(path.size()), TRUE) == CSTR_EQUAL)
                return hold->noLink();
        }
        return false;
    }

    // Renames `source`, the checked opening of `from`, to `to` (on the same drive), once
    // the folder of `to` passes checkOnDrive, and holds that folder meanwhile.
    bool renameChecked(const DriveObject& source, const std::wstring& from, const std::wstring& to,
                       std::wstring& error) {
        if (source.attributes & FILE_ATTRIBUTE_DIRECTORY) {
            error = errorMessage(ERROR_ACCESS_DENIED, from);
            return false;
        }
        const std::wstring folder = to.substr(0, to.rfind(L'\\'));
        DriveObject target;
        if (!heldAndNoLink(folder)) {
            target = openOnDrive(folder, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE);
            if (target.check != DrivePathCheck::OnDrive) {
                error = target.check == DrivePathCheck::Missing ? errorMessage(ERROR_PATH_NOT_FOUND)
                                                                : checkFailure(target.check, folder);
                return false;
            }
        }
        // Renamed through the checked handle, never by name. The new name is given in the
        // system's own form ("\??\E:\..."), which the call takes as it stands. The rename
        // never replaces a file and never copies: it fails on another volume.
        const std::wstring name = L"\\??\\" + to;
        std::vector<std::byte> buffer(sizeof(FILE_RENAME_INFO) + name.size() * sizeof(wchar_t));
        auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
        rename->ReplaceIfExists = FALSE;
        rename->RootDirectory = nullptr;
        rename->FileNameLength = static_cast<DWORD>(name.size() * sizeof(wchar_t));
        std::memcpy(rename->FileName, name.c_str(), rename->FileNameLength);
        if (!::SetFileInformationByHandle(source.object.get(), FileRenameInfo, rename,
                                          static_cast<DWORD>(buffer.size()))) {
            error = errorMessage(::GetLastError(), from);
            return false;
        }
        return true;
    }

    std::mutex holdsMutex_;
    std::vector<const Hold*> holds_;

    static std::unique_ptr<OutputFile> startOutputFile(const std::wstring& path, std::wstring& error,
                                                       bool administratorsOnly) {
        const CriticalErrorBoxesOff quiet;
        std::wstring temporary = path + L".part-" + std::to_wstring(::GetCurrentProcessId());
        // An access list applies only to a file that is made new: one found at the name
        // would keep its own.
        SECURITY_ATTRIBUTES security{sizeof security, nullptr, FALSE};
        LocalMemory descriptor;
        if (administratorsOnly) {
            if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(
                    kAdministratorsOnlyAccess, SDDL_REVISION_1, &security.lpSecurityDescriptor, nullptr)) {
                error = lastErrorMessage();
                return nullptr;
            }
            descriptor.reset(security.lpSecurityDescriptor);
        }
        // Shared for writing only with the background flush's handle (see BackgroundFlusher).
        KernelHandle file(::CreateFileW(temporary.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        descriptor ? &security : nullptr,
                                        descriptor ? CREATE_NEW : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                        nullptr));
        if (!file) {
            error = lastErrorMessage();
            return nullptr;
        }
        return std::make_unique<Win32OutputFile>(path, std::move(temporary), std::move(file));
    }
};

}  // namespace

std::unique_ptr<FileSystem> makeFileSystem() {
    return std::make_unique<Win32FileSystem>();
}

}  // namespace platform::win32
