// Helpers built on the FileSystem interface.
#include "platform/filesystem.h"

namespace platform {

namespace {

// An entry whose every call is the path's own call on the file system.
class PathDriveEntry final : public DriveEntry {
public:
    PathDriveEntry(FileSystem& fs, std::wstring path) : fs_(fs), path_(std::move(path)) {}

    DrivePathCheck check() override { return fs_.checkOnDrive(path_); }
    std::optional<std::uint32_t> attributes() override { return fs_.attributes(path_); }
    bool setAttributes(std::uint32_t attributes) override { return fs_.setAttributes(path_, attributes); }
    bool readInPieces(const std::function<bool(std::string_view)>& onPiece) override {
        return fs_.readFileInPieces(path_, onPiece);
    }
    bool moveWithinDrive(const std::wstring& to, std::wstring& error) override {
        return fs_.moveWithinDrive(path_, to, error);
    }

private:
    FileSystem& fs_;
    std::wstring path_;
};

}  // namespace

std::unique_ptr<DriveEntry> FileSystem::openDriveEntry(const std::wstring& path, DriveEntryUse use) {
    static_cast<void>(use);
    return std::make_unique<PathDriveEntry>(*this, path);
}

bool writeWholeFile(FileSystem& fs, const std::wstring& path, std::string_view bytes, std::wstring& error) {
    auto file = fs.createReplacing(path, error);
    if (!file) return false;
    if (!file->write(bytes) || !file->commit()) {
        error = file->lastError();
        return false;
    }
    return true;
}

}  // namespace platform
