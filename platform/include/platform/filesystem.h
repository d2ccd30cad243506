// The file system and drive operations that Lockbay and the updater rely on.
// Paths are Windows paths ("E:\autorun.inf"); drive letters are upper case.
#pragma once

#include <cstdint>
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
}  // namespace attr

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

    // Drive queries; a failing query gives "", 0 or false.
    virtual std::wstring fileSystemName(wchar_t drive) = 0;
    virtual std::uint64_t freeBytes(wchar_t drive) = 0;
    virtual bool isReady(wchar_t drive) = 0;

    // The whole content of a file, or nothing when it cannot be read.
    virtual std::optional<std::string> readFile(const std::wstring& path) = 0;
    // Starts writing `path` under a temporary name beside it; nothing when even that fails
    // (`error` then tells why).
    virtual std::unique_ptr<OutputFile> createReplacing(const std::wstring& path, std::wstring& error) = 0;

    // The names (without the folder) of the files in `folder` whose names begin with
    // `prefix`, compared without regard to case; folders are not listed.
    virtual std::vector<std::wstring> fileNamesStartingWith(const std::wstring& folder,
                                                            const std::wstring& prefix) = 0;
};

// Writes a whole file through createReplacing(); `error` tells why it failed.
bool writeWholeFile(FileSystem& fs, const std::wstring& path, std::string_view bytes, std::wstring& error);

}  // namespace platform
