// Fuzz target for the version rule. The input is one answer of the update host, or two
// answers separated by a NUL byte. Checked: a parsed version stays within nine digits
// per part, reads back from its plain form and is never newer than itself; of two
// parsed versions at most one is newer than the other, and exactly one when they
// differ; surrounding blanks never change the outcome, other surrounding bytes reject.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "lockbay/app/version_rule.h"

namespace {

using platform::ProgramVersion;

constexpr int kLargestPart = 999'999'999;
constexpr std::string_view kPaddings[] = {" ", "\t", "\r\n", "\n", " \t\r\n \r"};

bool sameVersion(const std::optional<ProgramVersion>& a, const std::optional<ProgramVersion>& b) {
    if (a.has_value() != b.has_value()) return false;
    return !a || (a->major == b->major && a->minor == b->minor && a->revision == b->revision);
}

std::string plainForm(const ProgramVersion& v) {
    return std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.revision);
}

bool partInRange(int part) {
    return part >= 0 && part <= kLargestPart;
}

// Everything that must hold for one answer on its own.
std::optional<ProgramVersion> checkOneAnswer(std::string_view body) {
    const auto version = lockbay::parseServerVersion(body);

    for (const std::string_view pad : kPaddings) {
        const std::string text(body);
        const std::string p(pad);
        FUZZ_CHECK(sameVersion(lockbay::parseServerVersion(p + text), version));
        FUZZ_CHECK(sameVersion(lockbay::parseServerVersion(text + p), version));
        FUZZ_CHECK(sameVersion(lockbay::parseServerVersion(p + text + p), version));
    }
    // A letter before the answer is never a version.
    FUZZ_CHECK(!lockbay::parseServerVersion("v" + std::string(body)));

    if (!version) {
        FUZZ_CHECK(!lockbay::isNewerVersion(body, ProgramVersion{}));
        FUZZ_CHECK(!lockbay::isNewerVersion(body, ProgramVersion{-1, -1, -1}));
        return version;
    }
    FUZZ_CHECK(partInRange(version->major) && partInRange(version->minor) && partInRange(version->revision));
    FUZZ_CHECK(sameVersion(lockbay::parseServerVersion(plainForm(*version)), version));
    // A fourth part is not a version.
    FUZZ_CHECK(!lockbay::parseServerVersion(std::string(body) + ".0"));
    FUZZ_CHECK(!lockbay::isNewerVersion(body, *version));
    FUZZ_CHECK(!lockbay::isNewerVersion(plainForm(*version), *version));
    return version;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    checkOneAnswer(input);

    const std::size_t separator = input.find('\0');
    if (separator == std::string_view::npos) return 0;
    const std::string_view first = input.substr(0, separator);
    const std::string_view second = input.substr(separator + 1);
    const auto a = checkOneAnswer(first);
    const auto b = checkOneAnswer(second);
    if (!a || !b) return 0;

    const bool aNewer = lockbay::isNewerVersion(first, *b);
    const bool bNewer = lockbay::isNewerVersion(second, *a);
    FUZZ_CHECK(!(aNewer && bNewer));
    if (sameVersion(a, b)) {
        FUZZ_CHECK(!aNewer && !bNewer);
    } else {
        FUZZ_CHECK(aNewer != bNewer);
    }
    return 0;
}
