// The file system and drive operations that Lockbay and the updater rely on.
// Paths are Windows paths ("E:\autorun.inf"); drive letters are upper case.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

namespace attr {
inline constexpr std::uint32_t kReadOnly = 0x01;
inline constexpr std::uint32_t kHidden = 0x02;
inline constexpr std::uint32_t kSystem = 0x04;
inline constexpr std::uint32_t kDirectory = 0x10;
inline constexpr std::uint32_t kArchive = 0x20;
inline constexpr std::uint32_t kNormal = 0x80;
// A junction, a symbolic link or a mount point: the entry leads somewhere else.
inline constexpr std::uint32_t kReparsePoint = 0x400;
}  // namespace attr

// Where a path on a drive leads, checked as the object it names (FileSystem::checkOnDrive).
enum class DrivePathCheck {
    OnDrive,   // it is there and stays on the drive
    Missing,   // nothing of that name, or a folder on its way is missing
    Link,      // it, or a folder on its way from the root, is a link (junction, symbolic link, mount point)
    OffDrive,  // what it opens lies outside the drive's root
    Failed,    // it could not be opened to be checked (in use, no access)
};

// What kind of drive a letter names, as the system reports it.
enum class DriveKind {
    Unknown,    // the system cannot tell, or the letter names no drive
    Removable,  // a medium that can be taken out: a USB stick, a card reader, a floppy
    Fixed,      // a hard disk (also one on the USB bus)
    Network,    // a mapped network share
    Optical,    // a CD, DVD or Blu-ray drive
    RamDisk,
};

struct DriveDetails {
    DriveKind kind = DriveKind::Unknown;
    bool usbBus = false;  // the disk sits on the USB bus (false when the system cannot tell)
    std::wstring label;   // the volume label; empty when it has none or cannot be read
    // The volume serial number, which formatting changes: it tells one stick from another
    // that later gets the same letter. 0 when it cannot be read.
    std::uint32_t serial = 0;
};

// One entry of a folder listing.
struct FolderEntry {
    std::wstring name;  // the name alone, as the folder holds it
    std::uint32_t attributes = 0;
    std::uint64_t size = 0;  // files only
};

// A file being written under a temporary name beside its destination. Nothing
// appears under the destination name until commit() succeeds; dropping the object
// without a commit removes the temporary file.
class OutputFile {
public:
    virtual ~OutputFile() = default;
    virtual bool write(std::string_view bytes) = 0;
    // Writes what is left to the disk and closes the file under its temporary name, so
    // that it can be examined there; until the commit or the drop nobody may change or
    // delete it. Nothing more can be written.
    virtual bool finish() = 0;
    // The file's temporary name, beside the destination.
    virtual std::wstring temporaryPath() const = 0;
    // Moves the finished file into place, replacing what the destination held (and
    // finishes it first when that has not been done).
    virtual bool commit() = 0;
    // The system's reason for the last failure, readable by a person.
    virtual std::wstring lastError() const = 0;
    // The system's handle through which the finished file is held (a Windows HANDLE; 0
    // where there is none): a check that reads the file through it reads exactly the
    // bytes that the commit moves into place.
    virtual std::uintptr_t heldHandle() const { return 0; }
};

// A file or folder of a drive opened once to be checked, read, changed and moved: what
// is done through it is done to the object that was checked (see FileSystem::checkOnDrive).
class DriveEntry {
public:
    virtual ~DriveEntry() = default;
    // What checkOnDrive says of it.
    virtual DrivePathCheck check() = 0;
    // Its attributes; nothing when they cannot be read.
    virtual std::optional<std::uint32_t> attributes() = 0;
    virtual bool setAttributes(std::uint32_t attributes) = 0;
    // Its whole content, as FileSystem::readFileInPieces.
    virtual bool readInPieces(const std::function<bool(std::string_view)>& onPiece) = 0;
    // As FileSystem::moveWithinDrive, for this entry.
    virtual bool moveWithinDrive(const std::wstring& to, std::wstring& error) = 0;
};

// What a DriveEntry is opened for: what the opening must allow.
enum class DriveEntryUse {
    ReadAndMove,    // a file to read and then move (into the quarantine)
    SetAttributes,  // a file or folder whose attributes are changed
};

// While alive, a folder of a drive and every folder on its way stay open (see
// FileSystem::holdDriveFolder).
class DriveFolderHold {
public:
    virtual ~DriveFolderHold() = default;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // The drive letters present now, ascending ('A'..'Z').
    virtual std::vector<wchar_t> driveLetters() = 0;

    // Attributes of a path; nothing when it does not exist or its drive is not ready.
    virtual std::optional<std::uint32_t> attributes(const std::wstring& path) = 0;
    virtual bool setAttributes(const std::wstring& path, std::uint32_t attributes) = 0;

    // Fails when the folder exists already or the medium cannot be written.
    virtual bool makeDirectory(const std::wstring& path) = 0;
    // Removes only an empty folder.
    virtual bool removeDirectory(const std::wstring& path) = 0;
    virtual bool deleteFile(const std::wstring& path) = 0;

    // A directory search with the normal-files filter: true for a file that is
    // neither hidden nor system (read-only and archive files count; folders do not).
    virtual bool normalFileExists(const std::wstring& path) = 0;

    // True when the access list of the path holds an entry that denies the group
    // Everyone all access; nothing when the list cannot be read.
    virtual std::optional<bool> everyoneDenied(const std::wstring& path) = 0;
    // The name this Windows gives the group Everyone (the well-known SID S-1-1-0): "Jeder"
    // on German Windows, "Tout le monde" on French. "Everyone" when it cannot be looked up.
    virtual std::wstring everyoneGroupName() = 0;

    // Drive queries; a failing query gives "", 0 or false.
    virtual std::wstring fileSystemName(wchar_t drive) = 0;
    virtual std::uint64_t freeBytes(wchar_t drive) = 0;
    virtual bool isReady(wchar_t drive) = 0;
    // Which of `drives` answer within `timeoutMs`: each root is asked on a thread of its own,
    // all at once, and the calling thread's windows keep painting and answering other
    // programs while it waits (no input or timer is handled meanwhile). A drive that has
    // not answered by then is left out; its question is left to end by itself.
    virtual std::vector<wchar_t> drivesAnswering(const std::vector<wchar_t>& drives, int timeoutMs) = 0;
    // The drive's kind alone: one question to the system, where driveDetails asks three.
    virtual DriveKind driveKind(wchar_t drive) = 0;
    // The drive's kind, bus and label; a failing part of the query stays at its default.
    virtual DriveDetails driveDetails(wchar_t drive) = 0;
    // The volume's serial number alone (DriveDetails::serial): one question to the system,
    // where driveDetails asks three.
    virtual std::uint32_t volumeSerial(wchar_t drive) { return driveDetails(drive).serial; }
    // The letter of the drive that holds Windows; nothing when the system cannot tell.
    virtual std::optional<wchar_t> systemDrive() = 0;

    // A drive's content is written by whoever had the drive last, and Lockbay's programs may
    // run elevated, so a path on a drive ("E:\x\y") is checked as the object it names: each
    // part from the root down is opened without following a link and must not be one, and
    // the object opened must lie under the drive's root. The drive reads and the move below
    // check the same way and then act on the handle that was checked, holding every folder
    // on the way open so that none of them can be swapped in between.
    virtual DrivePathCheck checkOnDrive(const std::wstring& path) = 0;
    // readFilePrefix for a file on a drive, through its checked handle: nothing when the
    // check fails.
    virtual std::optional<std::string> readDriveFilePrefix(const std::wstring& path,
                                                           std::size_t maxBytes) = 0;

    // The first `maxBytes` bytes of a file (all of a shorter one), or nothing when it
    // cannot be read. Only files on a disk are read: a device name never blocks.
    virtual std::optional<std::string> readFilePrefix(const std::wstring& path, std::size_t maxBytes) = 0;
    // The whole content of a file, or nothing when it cannot be read.
    std::optional<std::string> readFile(const std::wstring& path) {
        return readFilePrefix(path, std::numeric_limits<std::size_t>::max());
    }
    // Reads a whole file on a drive in pieces of at most 64 KB, in order, handing each to
    // `onPiece` (which returns false to stop), through its checked handle (checkOnDrive).
    // False when the file fails the check, cannot be opened or read, or reading was
    // stopped. Only files on a disk are read, as with readFilePrefix.
    virtual bool readFileInPieces(const std::wstring& path,
                                  const std::function<bool(std::string_view)>& onPiece) = 0;
    // The entries of a folder, without "." and "..", in no particular order; nothing when
    // the folder cannot be listed.
    virtual std::optional<std::vector<FolderEntry>> listFolder(const std::wstring& path) = 0;
    // Gives a file a new path on the same drive without copying it: its data stays where
    // it is, so the move needs no free space and can never leave half a copy behind.
    // Fails when `to` exists already, its folder does not, or it lies on another drive;
    // `error` then tells why. `from` and the folder of `to` pass checkOnDrive, and the file
    // is renamed through the handle that was checked.
    virtual bool moveWithinDrive(const std::wstring& from, const std::wstring& to, std::wstring& error) = 0;
    // `path` of a drive, to act on several times through one opening where the system
    // allows it (each part from the root down checked once, as checkOnDrive checks it);
    // otherwise each call of the entry is the path's own call above (check() is
    // checkOnDrive, readInPieces readFileInPieces...), made only when the entry's call is.
    virtual std::unique_ptr<DriveEntry> openDriveEntry(const std::wstring& path, DriveEntryUse use);
    // Keeps the drive's folder `folder`, which passes checkOnDrive, and every folder on its
    // way open until the hold is dropped, so that none of them can be renamed, removed or
    // replaced meanwhile: checks of it, and moves into it, need not open them again.
    // Nothing when the check fails or the system holds no folders (then nothing changes).
    virtual std::unique_ptr<DriveFolderHold> holdDriveFolder(const std::wstring& folder) {
        static_cast<void>(folder);
        return nullptr;
    }
    // Starts writing `path` under a temporary name beside it; nothing when even that fails
    // (`error` then tells why).
    virtual std::unique_ptr<OutputFile> createReplacing(const std::wstring& path, std::wstring& error) = 0;
    // The same, but the temporary file must be new (anything already at its name, which
    // someone else may control, fails the call) and only SYSTEM and Administrators may
    // change it (kAdministratorsOnlyAccess). Where the system keeps no access lists, it is
    // createReplacing.
    virtual std::unique_ptr<OutputFile> createPrivateReplacing(const std::wstring& path,
                                                               std::wstring& error) {
        return createReplacing(path, error);
    }
};

// Writes a whole file through createReplacing(); `error` tells why it failed.
bool writeWholeFile(FileSystem& fs, const std::wstring& path, std::string_view bytes, std::wstring& error);

}  // namespace platform
