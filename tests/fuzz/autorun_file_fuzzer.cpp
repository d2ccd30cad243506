// Fuzz target for the autorun.inf reader and the path rules it feeds: nothing after the
// first 64 KB changes the result; the entries are bounded, single-line and of the keys
// that start something; every program a command may name, and every name its arguments
// give a launcher, leads only to a place on the drive (drive_path_check.h). An ASCII file
// read as UTF-16 with its mark gives the same entries.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "drive_path_check.h"
#include "drive_rules/autorun_file.h"
#include "fuzz_check.h"

namespace {

bool isStartKey(const lockbay::AutorunEntry& entry) {
    using lockbay::sameName;
    if (entry.kind == lockbay::AutorunEntry::Kind::File)
        return sameName(entry.key, L"action") || sameName(entry.key, L"useautoplay");
    return sameName(entry.key, L"open") || sameName(entry.key, L"shellexecute") ||
           (entry.key.size() > 14 && sameName(entry.key.substr(0, 6), L"shell\\") &&
            sameName(entry.key.substr(entry.key.size() - 8), L"\\command"));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const lockbay::AutorunFile file = lockbay::parseAutorunFile(bytes);

    FUZZ_CHECK(file.entries.size() <= lockbay::kMaxAutorunEntries);
    if (bytes.size() > lockbay::kAutorunReadLimit) {
        FUZZ_CHECK(lockbay::parseAutorunFile(bytes.substr(0, lockbay::kAutorunReadLimit)).entries ==
                   file.entries);
    }
    for (const lockbay::AutorunEntry& entry : file.entries) {
        FUZZ_CHECK(isStartKey(entry));
        FUZZ_CHECK(!entry.value.empty());
        FUZZ_CHECK(entry.value.find_first_of(std::wstring_view(L"\r\n\0", 3)) == std::wstring::npos);
        if (entry.kind == lockbay::AutorunEntry::Kind::File) {
            checkDrivePath(entry.value, L"E:\\");
            continue;
        }
        const lockbay::CommandLine split = lockbay::splitCommandLine(entry.value);
        FUZZ_CHECK(split.programCandidates.size() == split.arguments.size());
        for (std::size_t i = 0; i < split.programCandidates.size(); ++i) {
            checkDrivePath(split.programCandidates[i], L"E:\\");
            for (const std::wstring& name : lockbay::argumentNames(split.arguments[i]))
                checkDrivePath(name, L"E:\\RECYCLER");
        }
    }

    // The same text in UTF-16 with its byte-order mark reads the same.
    const bool plainAscii =
        bytes.size() < lockbay::kAutorunReadLimit / 2 - 1 && !bytes.starts_with("\xEF\xBB\xBF") &&
        bytes.find_first_of(std::string_view("\0", 1)) == std::string_view::npos &&
        std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (plainAscii) {
        std::string utf16 = "\xFF\xFE";
        for (const char c : bytes) utf16 += {c, '\0'};
        FUZZ_CHECK(lockbay::parseAutorunFile(utf16).entries == file.entries);
    }
    return 0;
}
