// The language file's byte-level rules and the built-in English texts.
#include "texts/language_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "product/identity.h"

namespace {

using lockbay::kLanguageLineCount;
using lockbay::parseLanguageFile;
using Lines = std::vector<std::wstring>;

struct SplitCase {
    const char* what;
    std::string bytes;
    Lines lines;
};

TEST(LanguageFile, SplitsLinesByteExactly) {
    const SplitCase cases[] = {
        {"empty file", "", {}},
        {"one line with CR LF", "A\r\n", {L"A"}},
        {"one line without a line end", "A", {L"A"}},
        {"last line without a line end", "A\r\nB", {L"A", L"B"}},
        {"CR LF between lines", "A\r\nB\r\n", {L"A", L"B"}},
        {"a CR alone ends a line", "A\rB\r", {L"A", L"B"}},
        {"a lone LF is a character", "A\nB\r\nC", {L"A\nB", L"C"}},
        {"a LF after the CR LF is a character", "A\r\n\nB", {L"A", L"\nB"}},
        {"LF CR is a character and a line end", "A\n\rB", {L"A\n", L"B"}},
        {"CR CR LF is an empty line between", "A\r\r\nB", {L"A", L"", L"B"}},
        {"a file of only a LF", "\n", {L"\n"}},
        {"a file of only a CR", "\r", {L""}},
        {"empty lines give empty texts", "\r\n\r\nC\r\n", {L"", L"", L"C"}},
        {"spaces kept at both ends", "  A B  \r\n\tC\t\r\n", {L"  A B  ", L"\tC\t"}},
        {"a line of spaces stays", "   \r\n", {L"   "}},
    };
    for (const SplitCase& c : cases) {
        EXPECT_EQ(parseLanguageFile(c.bytes).lines, c.lines) << c.what;
    }
}

TEST(LanguageFile, DecodesWindows1252) {
    const auto lines = parseLanguageFile("GESCH\xdcTZT\r\nPROT\xc9G\xc9\r\n\x80 \x93quoted\x94\r\n").lines;
    EXPECT_EQ(lines, (Lines{L"GESCH\u00dcTZT", L"PROT\u00c9G\u00c9", L"\u20ac \u201cquoted\u201d"}));
}

TEST(LanguageFile, AByteOrderMarkIsThreeCharactersOfLineOne) {
    const auto lines = parseLanguageFile("\xef\xbb\xbfPROTECTED\r\nINFECTED\r\n").lines;
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], L"\u00ef\u00bb\u00bfPROTECTED");
    EXPECT_EQ(lines[1], L"INFECTED");
}

std::string numberedLines(int count, const char* lineEnd = "\r\n") {
    std::string text;
    for (int n = 1; n <= count; ++n) text += "L" + std::to_string(n) + lineEnd;
    return text;
}

TEST(LanguageFile, ReadsAtMostItsLineCount) {
    const int most = static_cast<int>(kLanguageLineCount);
    for (const int count : {37, 38, 39, most - 1, most, most + 1, 200}) {
        const auto lines = parseLanguageFile(numberedLines(count)).lines;
        const std::size_t expected = std::min(static_cast<std::size_t>(count), kLanguageLineCount);
        ASSERT_EQ(lines.size(), expected) << count << " lines in the file";
        EXPECT_EQ(lines.front(), L"L1");
        EXPECT_EQ(lines.back(), L"L" + std::to_wstring(expected));
    }
}

TEST(LanguageFile, TheLineAfterTheLastIsNotReadEvenWhenBroken) {
    std::string bytes = numberedLines(static_cast<int>(kLanguageLineCount), "\r");
    bytes += std::string("\0\xff\r\n", 4);
    const auto lines = parseLanguageFile(bytes).lines;
    ASSERT_EQ(lines.size(), kLanguageLineCount);
    EXPECT_EQ(lines.back(), L"L" + std::to_wstring(kLanguageLineCount));
}

// A file made for an older Lockbay ends after the caption table: the watcher's lines
// are then the English ones, and the caption lines stay the file's own.
TEST(LanguageFile, AFileOf38LinesGivesTheEnglishTextsOfTheNewerLines) {
    using lockbay::CaptionLine;
    const auto file = parseLanguageFile(numberedLines(38));
    ASSERT_EQ(file.lines.size(), 38u);
    EXPECT_EQ(lockbay::textOrEnglish(file, CaptionLine::kWelcomeText), L"L38");
    EXPECT_EQ(lockbay::textOrEnglish(file, CaptionLine::kWatchOpenLockbay), L"Open Lockbay");
    EXPECT_EQ(lockbay::textOrEnglish(file, CaptionLine::kWatchStartWithWindows), L"Start with Windows");
    EXPECT_EQ(lockbay::textOrEnglish(file, CaptionLine::kWatchExit), L"Exit");
    for (std::size_t n = lockbay::kCaptionLineCount + 1; n <= kLanguageLineCount; ++n) {
        const auto line = static_cast<CaptionLine>(n);
        EXPECT_TRUE(lockbay::isNewerLine(line));
        EXPECT_EQ(lockbay::textOrEnglish(file, line), lockbay::englishText(line)) << "line " << n;
    }
}

TEST(LanguageFile, AShortFileGivesTheLinesItHas) {
    const auto lines = parseLanguageFile("PROTEGIDO\r\nINFECTADO").lines;
    EXPECT_EQ(lines, (Lines{L"PROTEGIDO", L"INFECTADO"}));
}

constexpr std::size_t kLimit = lockbay::kMaxLanguageLineLength;

TEST(LanguageFile, AOneMegabyteLineIsCutToTheLimit) {
    const std::string big(1 << 20, '\xe9');
    const auto lines = parseLanguageFile("PROTECTED\r\n" + big + "\r\nUNPROTECTED\r\nnext").lines;
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], L"PROTECTED");
    EXPECT_EQ(lines[1], std::wstring(kLimit, L'\u00e9'));
    // The rest of the long line is skipped: the following lines keep their captions.
    EXPECT_EQ(lines[2], L"UNPROTECTED");
    EXPECT_EQ(lines[3], L"next");
}

TEST(LanguageFile, EveryLineIsCutAndTheFileStillEndsAfter38Lines) {
    std::string bytes;
    for (std::size_t n = 1; n <= kLanguageLineCount + 1; ++n) {
        bytes += std::string(kLimit * 3, static_cast<char>('A' + n % 26)) + "\r\n";
    }
    const auto lines = parseLanguageFile(bytes).lines;
    ASSERT_EQ(lines.size(), kLanguageLineCount);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i], std::wstring(kLimit, static_cast<wchar_t>(L'A' + (i + 1) % 26)))
            << "line " << i + 1;
    }
}

struct LongLineCase {
    const char* what;
    std::string bytes;
    Lines lines;
};

TEST(LanguageFile, CutsLongLinesWithoutLosingTheLineEnds) {
    const std::string full(kLimit, 'x');
    const std::wstring cut(kLimit, L'x');
    const LongLineCase cases[] = {
        {"a line of exactly the limit is kept whole", full + "\r\nB", {cut, L"B"}},
        {"a line one character longer loses that character", full + "y\r\nB", {cut, L"B"}},
        {"a line one character shorter is kept whole", full.substr(1) + "\r\nB", {cut.substr(1), L"B"}},
        {"a lone CR ends a cut line", full + "yyy\rB\rC", {cut, L"B", L"C"}},
        {"a lone LF after the limit is cut with the rest", full + "y\nz\r\nB", {cut, L"B"}},
        {"a lone LF before the limit is kept",
         full.substr(2) + "\ny" + "zzz\r\nB",
         {cut.substr(2) + L"\ny", L"B"}},
        {"CR CR LF after a cut line is an empty line between", full + "yy\r\r\nB", {cut, L"", L"B"}},
        {"a LF after the CR LF of a cut line is a character", full + "yy\r\n\nB", {cut, L"\nB"}},
        {"a cut last line without a line end", "A\r\n" + full + "yyy", {L"A", cut}},
        {"a cut line ending the file with CR LF", full + "yyy\r\n", {cut}},
    };
    for (const LongLineCase& c : cases) {
        EXPECT_EQ(parseLanguageFile(c.bytes).lines, c.lines) << c.what;
    }
}

TEST(LanguageFile, BinaryGarbageWithNulBytesIsText) {
    std::string bytes;
    for (int i = 0; i < 3; ++i) {
        for (int b = 0; b < 256; ++b) bytes.push_back(static_cast<char>(b));
    }
    // Every 256-byte round holds one CR (byte 13) followed by byte 14: one line end each.
    const auto lines = parseLanguageFile(bytes).lines;
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].size(), 13u);
    EXPECT_EQ(lines[0][0], L'\0');
    EXPECT_EQ(lines[0][10], L'\n');
    EXPECT_EQ(lines[1].size(), 255u);  // 14..255 then 0..12
    EXPECT_EQ(lines[1][0], static_cast<wchar_t>(14));
    EXPECT_EQ(lines[1][128 - 14], L'\u20ac');
    EXPECT_EQ(lines[3].size(), 242u);  // 14..255, no line end at the end of the file
}

TEST(EnglishTexts, HoldTheBuiltInInterfaceInTableOrder) {
    const auto& texts = lockbay::englishTexts();
    ASSERT_EQ(texts.size(), kLanguageLineCount);
    EXPECT_EQ(texts[0], L"PROTECTED");
    EXPECT_EQ(texts[1], L"INFECTED");
    EXPECT_EQ(texts[2], L"UNPROTECTED");
    EXPECT_EQ(texts[3], L"Lockbay - Update Available");
    EXPECT_EQ(texts[6], L"Cancel");
    EXPECT_EQ(texts[10], L"Cancel");
    EXPECT_EQ(texts[11], L"Select the drive to protect / restore:");
    EXPECT_EQ(texts[12], L"Please Wait...");
    EXPECT_EQ(texts[23], L"Click here to see the online FAQ section.");
    EXPECT_EQ(texts[24], L"TITLE: Lockbay");
    EXPECT_EQ(texts[25], L"VERSION: 4.0.0");
    EXPECT_EQ(texts[26], std::wstring(L"CREATED BY: ") + product::kWebSiteName);
    EXPECT_EQ(texts[27], std::wstring(L"SUPPORT: ") + product::kSupportAddress);
    EXPECT_EQ(texts[35], L"Application description:");
    EXPECT_EQ(texts[36], L"How to protect a drive or USB");
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_FALSE(texts[i].empty()) << "line " << i + 1;
        EXPECT_EQ(texts[i].find_first_of(L"\r\n"), std::wstring::npos) << "line " << i + 1;
    }
}

TEST(EnglishTexts, KeepTheTwoBlanksAfterTheSecondNtfs) {
    const std::wstring& howToProtect = lockbay::englishText(lockbay::CaptionLine::kHowToProtectText);
    EXPECT_NE(howToProtect.find(L"convert it to NTFS  if you want Advanced Protection."), std::wstring::npos);
    EXPECT_EQ(howToProtect.find(L"  "), howToProtect.find(L"NTFS  ") + 4) << "the first double blank";
    EXPECT_EQ(howToProtect.rfind(L"  "), howToProtect.find(L"  ")) << "and the only one";
}

TEST(EnglishTexts, NamedLinesMatchTheirNumbers) {
    using lockbay::CaptionLine;
    EXPECT_EQ(lockbay::englishText(CaptionLine::kProtectedWord), L"PROTECTED");
    EXPECT_EQ(lockbay::englishText(CaptionLine::kUpdateButton), L"Update");
    EXPECT_EQ(lockbay::englishText(CaptionLine::kContinueButton), L"Continue");
    EXPECT_EQ(lockbay::englishText(CaptionLine::kRefreshButton), L"Refresh");
    EXPECT_EQ(lockbay::englishText(CaptionLine::kAdvancedMode), L"Advanced");
    EXPECT_EQ(lockbay::englishText(CaptionLine::kProgramSupportButton), L"Program Support");
    EXPECT_EQ(lockbay::englishText(CaptionLine::kAboutTab), L"About Lockbay");
    EXPECT_EQ(lockbay::englishText(CaptionLine::kHowToRestoreTab), L"How to restore a drive?");
    EXPECT_EQ(lockbay::englishText(CaptionLine::kAdvancedMethodHeading), L"Advanced protection method:");
    EXPECT_EQ(lockbay::englishText(CaptionLine::kHowToRestoreHeading), L"How to restore a drive or USB");
    EXPECT_EQ(lockbay::englishText(CaptionLine::kWelcomeText).rfind(L"Welcome to Lockbay.", 0), 0u);
}

}  // namespace
