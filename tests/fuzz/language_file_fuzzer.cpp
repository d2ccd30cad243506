// Fuzz target for the language-file reader and its Windows-1252 decoding: at most 38
// lines, none holding a CR or longer than the limit, and the lines encoded back give the
// file's bytes exactly, separated by CR LF or a lone CR (a line at the limit may have
// been cut: the bytes after it up to the next CR are skipped).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "platform/encoding.h"
#include "texts/language_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const lockbay::LanguageLines parsed = lockbay::parseLanguageFile(bytes);
    const auto& lines = parsed.lines;

    FUZZ_CHECK(lines.size() <= lockbay::kLanguageLineCount);
    FUZZ_CHECK(lines.empty() == bytes.empty());

    // Walk the input alongside the lines: each line's bytes, then its line end.
    std::size_t pos = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::wstring& line = lines[i];
        FUZZ_CHECK(line.find(L'\r') == std::wstring::npos);

        const std::string encoded = platform::toWindows1252(line);
        FUZZ_CHECK(encoded.size() == line.size());
        FUZZ_CHECK(platform::fromWindows1252(encoded) == line);
        FUZZ_CHECK(bytes.substr(pos, encoded.size()) == encoded);
        pos += encoded.size();
        // A line cut at the limit: the rest of it, up to its line end, is skipped.
        FUZZ_CHECK(line.size() <= lockbay::kMaxLanguageLineLength);
        if (line.size() == lockbay::kMaxLanguageLineLength)
            pos = std::min(bytes.find('\r', pos), bytes.size());

        if (pos == bytes.size()) {
            FUZZ_CHECK(i + 1 == lines.size());  // a last line without a line end
            break;
        }
        FUZZ_CHECK(bytes[pos] == '\r');
        ++pos;
        if (pos < bytes.size() && bytes[pos] == '\n') ++pos;
    }
    // Only a file with all 38 lines may have bytes left over; they are not kept.
    if (lines.size() < lockbay::kLanguageLineCount) FUZZ_CHECK(pos == bytes.size());

    // Reading the 38 lines' own bytes again gives the same lines.
    if (lines.size() == lockbay::kLanguageLineCount) {
        FUZZ_CHECK(lockbay::parseLanguageFile(bytes.substr(0, pos)).lines == lines);
    }
    return 0;
}
