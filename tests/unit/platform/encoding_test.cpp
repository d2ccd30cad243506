// Windows-1252 and UTF-8 conversions.
#include <gtest/gtest.h>

#include "platform/encoding.h"

namespace {

TEST(Windows1252, DecodesEveryHighByteToItsCharacter) {
    // The code page's table for 0x80..0x9F; the rest of the upper half is Latin-1.
    const wchar_t expected80[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    for (int b = 0x80; b <= 0xFF; ++b) {
        const std::string byte(1, static_cast<char>(b));
        const std::wstring text = platform::fromWindows1252(byte);
        ASSERT_EQ(text.size(), 1u) << b;
        const wchar_t want = b < 0xA0 ? expected80[b - 0x80] : static_cast<wchar_t>(b);
        EXPECT_EQ(text[0], want) << "byte " << b;
        EXPECT_EQ(platform::toWindows1252(text), byte) << "round trip of byte " << b;
    }
}

TEST(Windows1252, KeepsAsciiAndControlBytes) {
    const std::string bytes("a\rb\nc\0d", 7);
    EXPECT_EQ(platform::fromWindows1252(bytes), std::wstring(L"a\rb\nc\0d", 7));
}

TEST(Windows1252, UnmappableCharactersBecomeQuestionMarks) {
    EXPECT_EQ(platform::toWindows1252(L"Fran\u00e7ais \u4e2d"), "Fran\xe7" "ais ?");
}

TEST(Utf8, RoundTripsAndRepairsBrokenSequences) {
    const std::wstring text = L"Rom\u00e2n\u00e3 \u20ac \U0001F600";
    EXPECT_EQ(platform::fromUtf8(platform::toUtf8(text)), text);
    EXPECT_EQ(platform::toUtf8(L"\u00e7"), "\xc3\xa7");
    EXPECT_EQ(platform::fromUtf8("a\xc3"), L"a\ufffd");
    EXPECT_EQ(platform::fromUtf8("\xff" "b"), L"\ufffd" L"b");
}

// Every ill-formed part becomes one U+FFFD (one per maximal part that could have begun a
// sequence), and decoding goes on with the next byte that could begin one: nothing after
// a broken sequence is lost, and no code point that UTF-8 cannot hold gets through.
TEST(Utf8, EachBrokenPartBecomesOneReplacementAndTheRestIsKept) {
    struct Case {
        const char* what;
        std::string bytes;
        std::wstring text;
    };
    const Case cases[] = {
        {"cut-off four-byte sequence, then text",
         "\xf0\x9f"
         "ab",
         L"\ufffd"
         L"ab"},
        {"cut-off three-byte sequence at the end", "a\xe2\x82", L"a\ufffd"},
        {"lone continuation bytes",
         "\x80\xbf"
         "c",
         L"\ufffd\ufffd"
         L"c"},
        {"overlong encodings",
         "\xc0\xaf\xe0\x80\xaf"
         "d",
         L"\ufffd\ufffd\ufffd\ufffd\ufffd"
         L"d"},
        {"a surrogate",
         "\xed\xa0\x80"
         "e",
         L"\ufffd\ufffd\ufffd"
         L"e"},
        {"beyond U+10FFFF",
         "\xf4\x90\x80\x80"
         "f",
         L"\ufffd\ufffd\ufffd\ufffd"
         L"f"},
        {"bytes that never begin a sequence",
         "\xf5\xfe"
         "g",
         L"\ufffd\ufffd"
         L"g"},
        {"the largest code points kept", "\xef\xbf\xbd\xf4\x8f\xbf\xbf", L"\ufffd\U0010FFFF"},
    };
    for (const Case& c : cases) EXPECT_EQ(platform::fromUtf8(c.bytes), c.text) << c.what;
}

}  // namespace
