// The version rule: which answers of the update host offer the update.
#include "lockbay/app/version_rule.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using platform::ProgramVersion;

struct VersionCase {
    const char* name;
    std::string serverBody;
    ProgramVersion local;
    bool newer;
};

const VersionCase kCases[] = {
    // Newer, compared as numbers part by part.
    {"revision one higher", "4.0.1", {4, 0, 0}, true},
    {"minor higher", "4.1.0", {4, 0, 0}, true},
    {"major higher", "5.0.0", {4, 0, 0}, true},
    {"two-digit revision beats one digit", "4.0.10", {4, 0, 9}, true},
    {"two-digit major beats one digit", "10.0.0", {4, 0, 0}, true},
    {"minor decides before revision", "4.1.0", {4, 0, 99}, true},
    {"major decides before minor", "5.0.0", {4, 99, 99}, true},
    {"nine digits are a number", "999999999.0.0", {4, 0, 0}, true},
    {"leading zeros are still the number", "04.00.01", {4, 0, 0}, true},
    // Surrounding blanks are ignored.
    {"CR LF after the version", "4.0.1\r\n", {4, 0, 0}, true},
    {"LF after the version", "4.0.1\n", {4, 0, 0}, true},
    {"spaces and tabs around", " \t4.0.1 \t", {4, 0, 0}, true},
    {"line breaks before", "\r\n\n4.0.1", {4, 0, 0}, true},
    // Equal or older never offers the update.
    {"equal", "4.0.0", {4, 0, 0}, false},
    {"equal with leading zeros", "4.0.00", {4, 0, 0}, false},
    {"equal with CR LF", "4.0.0\r\n", {4, 0, 0}, false},
    {"older revision", "4.0.8", {4, 0, 9}, false},
    {"older minor, higher revision", "4.0.99", {4, 1, 0}, false},
    {"older major, higher minor", "3.99.99", {4, 0, 0}, false},
    {"textually greater but numerically smaller", "4.0.9", {4, 0, 10}, false},
    // Anything that is not exactly Major.Minor.Revision never offers it.
    {"empty", "", {4, 0, 0}, false},
    {"blanks only", " \r\n\t", {4, 0, 0}, false},
    {"two parts", "4.1", {4, 0, 0}, false},
    {"four parts", "4.0.0.1", {4, 0, 0}, false},
    {"one part", "5", {4, 0, 0}, false},
    {"a word", "zzzzz", {4, 0, 0}, false},
    {"a word of six letters", "update", {4, 0, 0}, false},
    {"HTML page", "<html><body><h1>404 Not Found</h1></body></html>", {4, 0, 0}, false},
    {"HTML page starting with a version", "5.0.0<html></html>", {4, 0, 0}, false},
    {"negative part", "4.0.-1", {4, 0, 0}, false},
    {"plus sign", "+5.0.0", {4, 0, 0}, false},
    {"empty part", "4..0", {4, 0, 0}, false},
    {"empty last part", "5.0.", {4, 0, 0}, false},
    {"empty first part", ".5.0", {4, 0, 0}, false},
    {"trailing dot", "5.0.0.", {4, 0, 0}, false},
    {"ten digits", "5.0.1000000000", {4, 0, 0}, false},
    {"huge number", "99999999999999999999.0.0", {4, 0, 0}, false},
    {"letter suffix", "5.0.0a", {4, 0, 0}, false},
    {"v prefix", "v5.0.0", {4, 0, 0}, false},
    {"blank inside", "5. 0.0", {4, 0, 0}, false},
    {"comma", "5,0,0", {4, 0, 0}, false},
    {"NUL after the version", std::string("5.0.0\0", 6), {4, 0, 0}, false},
    {"form feed is not a blank", "5.0.0\f", {4, 0, 0}, false},
    {"byte order mark",
     "\xEF\xBB\xBF"
     "5.0.0",
     {4, 0, 0},
     false},
    {"full-width digit bytes", "\xEF\xBC\x95.0.0", {4, 0, 0}, false},
    {"two versions on two lines", "5.0.0\r\n6.0.0", {4, 0, 0}, false},
};

TEST(VersionRule, DecidesEveryCaseOfTheTable) {
    for (const VersionCase& c : kCases) {
        EXPECT_EQ(lockbay::isNewerVersion(c.serverBody, c.local), c.newer) << c.name;
    }
}

TEST(VersionRule, ReadsTheNumbersOfAWellFormedAnswer) {
    const auto version = lockbay::parseServerVersion(" 12.345.999999999\r\n");
    ASSERT_TRUE(version.has_value());
    EXPECT_EQ(version->major, 12);
    EXPECT_EQ(version->minor, 345);
    EXPECT_EQ(version->revision, 999999999);
}

TEST(VersionRule, GivesNothingForAnAnswerThatIsNotAVersion) {
    for (const char* body : {"", "4.1", "4.0.0.1", "4..0", "4.0.-1", "1234567890.0.0", "<html>"}) {
        EXPECT_FALSE(lockbay::parseServerVersion(body).has_value()) << body;
    }
}

}  // namespace
