// Fuzz target for the shortcut reader: any bytes give a link or none, never a crash or a
// read outside them; a link's strings are no longer than the input could hold (a path's
// base and suffix may be the same bytes), the ones that end at a NUL hold none; the same
// bytes read the same twice; and every target a decoy check would follow leads only to a
// place on the drive (drive_path_check.h).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "drive_path_check.h"
#include "drive_rules/drive_paths.h"
#include "drive_rules/shell_link.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The bytes in a heap block of their exact size, so a read past them is caught.
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const auto link = lockbay::parseShellLink(bytes);
    FUZZ_CHECK(lockbay::parseShellLink(bytes) == link);
    if (!link) return 0;
    FUZZ_CHECK(size >= 0x4C && size <= lockbay::kMaxShellLinkSize);

    for (const std::wstring* text : {&link->localPath, &link->networkPath, &link->environmentTarget}) {
        FUZZ_CHECK(text->find(L'\0') == std::wstring::npos);
        // A path is its base and its suffix joined by a "\"; both are read from the input,
        // and their offsets may name the same bytes.
        FUZZ_CHECK(text->size() <= 2 * size + 1);
    }
    FUZZ_CHECK(link->environmentTarget.size() <= size);
    for (const std::wstring* text : {&link->relativePath, &link->workingFolder, &link->arguments}) {
        FUZZ_CHECK(text->size() <= size);
    }
    for (const std::wstring* target : {&link->localPath, &link->networkPath, &link->relativePath,
                                       &link->environmentTarget, &link->workingFolder}) {
        checkDrivePath(*target, L"E:\\");
    }
    for (const std::wstring& name : lockbay::argumentNames(link->arguments)) checkDrivePath(name, L"E:\\");
    return 0;
}
