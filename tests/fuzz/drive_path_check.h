// The property every path accepted by the drive rules must have, whatever the input: it
// lies on the drive given (in full, from its root), has no "." or ".." part and no empty
// one, no part that names a device or ends in a dot or blank, no character a file name
// cannot hold, fits in a Windows path, and normalising it again gives it back unchanged.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

#include "drive_rules/drive_paths.h"
#include "fuzz_check.h"

inline void checkDrivePath(std::wstring_view raw, std::wstring_view base) {
    const lockbay::DrivePath result = lockbay::normalizeOnDrive(L'E', raw, base);
    if (!result.accepted()) {
        FUZZ_CHECK(result.path.empty());
        return;
    }
    const std::wstring& path = result.path;
    FUZZ_CHECK(path.size() > 3 && path.size() <= lockbay::kMaxPathLength);
    FUZZ_CHECK(path.starts_with(L"E:\\"));
    std::size_t start = 3;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find(L'\\', start), path.size());
        const std::wstring_view part = std::wstring_view(path).substr(start, end - start);
        FUZZ_CHECK(!part.empty() && part != L"." && part != L"..");
        FUZZ_CHECK(part.back() != L'.' && part.back() != L' ');
        for (const wchar_t c : part) {
            FUZZ_CHECK(c >= 0x20 && std::wstring_view(L"<>:\"|?*/").find(c) == std::wstring_view::npos);
        }
        FUZZ_CHECK(lockbay::normalizeOnDrive(L'E', part, L"E:\\").refusal !=
                   lockbay::PathRefusal::DeviceName);
        start = end + 1;
    }
    const lockbay::DrivePath again = lockbay::normalizeOnDrive(L'E', path, L"E:\\Other");
    FUZZ_CHECK(again.accepted() && again.path == path);
}
