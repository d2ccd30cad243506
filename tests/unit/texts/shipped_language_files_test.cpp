// The seven language files made at build time: their bytes as they ship.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "platform/encoding.h"
#include "product/identity.h"
#include "texts/language_file.h"

#ifndef LOCKBAY_LANGUAGE_DIR
#error \
    "LOCKBAY_LANGUAGE_DIR names the folder of the generated language files (target language_files_location)"
#endif

namespace {

using lockbay::CaptionLine;
using lockbay::kLanguageLineCount;

const char* const kLanguageFiles[] = {"english.vlng", "francais.vlng",   "romana.vlng", "german.vlng",
                                      "spanish.vlng", "indonesian.vlng", "italian.vlng"};

std::string readShipped(const std::string& name) {
    std::ifstream in(std::string(LOCKBAY_LANGUAGE_DIR) + "/" + name, std::ios::binary);
    EXPECT_TRUE(in.good()) << name << " was not generated in " << LOCKBAY_LANGUAGE_DIR;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const std::wstring& lineOf(const lockbay::LanguageLines& file, CaptionLine line) {
    return file.lines.at(static_cast<std::size_t>(line) - 1);
}

// Lower-case letters of Windows-1252's Latin range: a-z and à-þ without the division sign.
bool isLowerCase(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7);
}

bool contains(const std::wstring& text, std::wstring_view part) {
    return text.find(part) != std::wstring::npos;
}

TEST(ShippedLanguageFiles, HaveExactly38CrLfLines) {
    for (const char* name : kLanguageFiles) {
        SCOPED_TRACE(name);
        const std::string bytes = readShipped(name);
        ASSERT_FALSE(bytes.empty());
        std::size_t crLf = 0;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (bytes[i] == '\r') {
                ASSERT_TRUE(i + 1 < bytes.size() && bytes[i + 1] == '\n') << "CR without LF at byte " << i;
                ++crLf;
            } else if (bytes[i] == '\n') {
                ASSERT_TRUE(i > 0 && bytes[i - 1] == '\r') << "LF without CR at byte " << i;
            }
        }
        EXPECT_EQ(crLf, kLanguageLineCount);
        EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n") << "the last line ends with CR LF";
        EXPECT_NE(bytes.substr(0, 3), "\xef\xbb\xbf") << "no byte-order mark";
        EXPECT_EQ(lockbay::parseLanguageFile(bytes).lines.size(), kLanguageLineCount);
    }
}

TEST(ShippedLanguageFiles, EnglishHoldsTheBuiltInTexts) {
    const auto file = lockbay::parseLanguageFile(readShipped("english.vlng"));
    ASSERT_EQ(file.lines.size(), kLanguageLineCount);
    for (std::size_t i = 0; i < kLanguageLineCount; ++i) {
        EXPECT_EQ(file.lines[i], lockbay::englishTexts()[i]) << "line " << i + 1;
    }
}

TEST(ShippedLanguageFiles, EveryLineHasATextAndTheAboutLinesKeepTheProduct) {
    for (const char* name : kLanguageFiles) {
        SCOPED_TRACE(name);
        const auto file = lockbay::parseLanguageFile(readShipped(name));
        ASSERT_EQ(file.lines.size(), kLanguageLineCount);
        for (std::size_t i = 0; i < kLanguageLineCount; ++i) {
            EXPECT_FALSE(file.lines[i].empty()) << "line " << i + 1;
            EXPECT_EQ(file.lines[i].find(L"@LOCKBAY_"), std::wstring::npos)
                << "placeholder left in line " << i + 1;
        }
        EXPECT_TRUE(contains(lineOf(file, CaptionLine::kTitleLine), L": Lockbay"));
        EXPECT_TRUE(contains(lineOf(file, CaptionLine::kVersionLine), L": 4.0.0"));
        EXPECT_TRUE(
            contains(lineOf(file, CaptionLine::kCreatedByLine), std::wstring(L": ") + product::kWebSiteName));
        EXPECT_TRUE(contains(lineOf(file, CaptionLine::kSupportLine),
                             std::wstring(L": ") + product::kSupportAddress));
        EXPECT_TRUE(contains(lineOf(file, CaptionLine::kWelcomeText), L"Lockbay"));
    }
}

TEST(ShippedLanguageFiles, TranslationsTranslateAndKeepStatusWordsUpperCase) {
    const auto& english = lockbay::englishTexts();
    for (const char* name : kLanguageFiles) {
        if (std::string(name) == "english.vlng") continue;
        SCOPED_TRACE(name);
        const auto file = lockbay::parseLanguageFile(readShipped(name));
        ASSERT_EQ(file.lines.size(), kLanguageLineCount);
        for (const CaptionLine line :
             {CaptionLine::kProtectedWord, CaptionLine::kInfectedWord, CaptionLine::kUnprotectedWord}) {
            const std::wstring& word = lineOf(file, line);
            EXPECT_FALSE(word.empty());
            for (const wchar_t c : word) EXPECT_FALSE(isLowerCase(c)) << platform::toUtf8(word);
        }
        // The long help paragraphs are translated, not copied.
        for (const CaptionLine line :
             {CaptionLine::kUpdateQuestion, CaptionLine::kFreeSpaceMessage, CaptionLine::kHowToProtectText,
              CaptionLine::kHowToRestoreText, CaptionLine::kSimpleMethodText,
              CaptionLine::kAdvancedMethodText, CaptionLine::kWelcomeText}) {
            EXPECT_NE(lineOf(file, line), english[static_cast<std::size_t>(line) - 1]);
        }
    }
}

// The watcher's lines in every language: translated, and each notification text names
// the drive through its one "%1".
TEST(ShippedLanguageFiles, WatcherLinesAreTranslatedAndNameTheDrive) {
    const CaptionLine withDrive[] = {
        CaptionLine::kWatchProtectedText,        CaptionLine::kWatchCleanedText,
        CaptionLine::kWatchAlreadyProtectedText, CaptionLine::kWatchFileNotRemovedText,

        CaptionLine::kWatchDriveGoneText,        CaptionLine::kWatchFailedText};
    for (const char* name : kLanguageFiles) {
        SCOPED_TRACE(name);
        const auto file = lockbay::parseLanguageFile(readShipped(name));
        for (const CaptionLine line : withDrive) {
            const std::wstring& text = lineOf(file, line);
            EXPECT_EQ(text.find(L"%1"), text.rfind(L"%1")) << platform::toUtf8(text);
            EXPECT_NE(text.find(L"%1"), std::wstring::npos) << platform::toUtf8(text);
        }
        const std::wstring& stillCarries = lineOf(file, CaptionLine::kWatchStillCarriesText);
        EXPECT_NE(stillCarries.find(L"%1"), std::wstring::npos) << platform::toUtf8(stillCarries);
        EXPECT_NE(stillCarries.find(L"%2"), std::wstring::npos) << platform::toUtf8(stillCarries);
        if (std::string(name) == "english.vlng") continue;
        for (auto n = static_cast<std::size_t>(CaptionLine::kWatchOpenLockbay);
             n <= static_cast<std::size_t>(CaptionLine::kWatchFailedText); ++n) {
            const auto line = static_cast<CaptionLine>(n);
            EXPECT_NE(lineOf(file, line), lockbay::englishText(line)) << "line " << n;
        }
        EXPECT_NE(lineOf(file, CaptionLine::kWatchStillCarriesText),
                  lockbay::englishText(CaptionLine::kWatchStillCarriesText));
    }
}

}  // namespace
