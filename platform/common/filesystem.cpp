// Helpers built on the FileSystem interface.
#include "platform/filesystem.h"

namespace platform {

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
