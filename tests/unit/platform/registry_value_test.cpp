// Registry values as the system stores them: UTF-16LE strings and little-endian numbers,
// read back whether or not a string carries its terminating zero.
#include <gtest/gtest.h>

#include "platform/registry.h"

namespace {

TEST(RegistryValues, StringsAndNumbersReadBackAsWritten) {
    const platform::RegistryValue text = platform::stringValue(L"C:\\Program Files\\Lockbay\\x.exe \u00e9");
    EXPECT_EQ(text.data.size(), (32u + 1u) * 2u) << "UTF-16 with the terminating zero";
    EXPECT_EQ(platform::stringOf(text), L"C:\\Program Files\\Lockbay\\x.exe \u00e9");
    // Programs may store a string without its zero, or with garbage after it.
    EXPECT_EQ(platform::stringOf({platform::regtype::kString, std::string("a\0b", 3)}), L"a");
    EXPECT_EQ(platform::stringOf({platform::regtype::kExpandString, std::string("a\0\0\0x\0", 6)}), L"a");

    const platform::RegistryValue number = platform::dwordValue(0x000000FF);
    EXPECT_EQ(number.data, std::string("\xFF\0\0\0", 4));
    EXPECT_EQ(platform::dwordOf(number), 0xFFu);
    EXPECT_EQ(platform::dwordOf(platform::dwordValue(0x91000000)), 0x91000000u);
    EXPECT_FALSE(platform::dwordOf({platform::regtype::kDword, "abc"})) << "a damaged number is no number";
    EXPECT_FALSE(platform::dwordOf(text));
    EXPECT_FALSE(platform::stringOf(number));
}

}  // namespace
