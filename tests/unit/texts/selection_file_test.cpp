// The selection file clng.vlng: reading its first field and writing a choice.
#include "texts/selection_file.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

using lockbay::readSelectionName;

struct ReadCase {
    const char* what;
    std::string bytes;
    std::optional<std::wstring> name;
};

TEST(SelectionFile, ReadsTheFirstFieldOnly) {
    const ReadCase cases[] = {
        {"as the chooser writes it", "german.vlng\r\n", L"german.vlng"},
        {"without a line end", "german.vlng", L"german.vlng"},
        {"ended by a LF alone", "german.vlng\nitalian.vlng\r\n", L"german.vlng"},
        {"ended by a CR alone", "german.vlng\ritalian.vlng", L"german.vlng"},
        {"ended by a comma", "german.vlng,italian.vlng\r\n", L"german.vlng"},
        {"later lines ignored", "german.vlng\r\nitalian.vlng\r\n", L"german.vlng"},
        {"leading spaces skipped", "   german.vlng\r\n", L"german.vlng"},
        {"inner and trailing spaces kept", "my lang.vlng  ,x", L"my lang.vlng  "},
        {"a leading tab is not a space", "\tgerman.vlng", L"\tgerman.vlng"},
        {"quotes dropped", "\"german.vlng\"\r\n", L"german.vlng"},
        {"quoted after spaces", "  \"german.vlng\"", L"german.vlng"},
        {"comma inside quotes kept", "\"a,b.vlng\",c\r\n", L"a,b.vlng"},
        {"line end inside quotes kept", "\"a\r\nb.vlng\"", L"a\r\nb.vlng"},
        {"text after the closing quote ignored", "\"german.vlng\"italian.vlng", L"german.vlng"},
        {"quote never closed runs to the end", "\"german.vlng\r\n", L"german.vlng\r\n"},
        {"a quote inside an unquoted field is kept", "ger\"man.vlng\r\n", L"ger\"man.vlng"},
        {"a directory part is kept", "lang\\german.vlng\r\n", L"lang\\german.vlng"},
    };
    for (const ReadCase& c : cases) {
        EXPECT_EQ(readSelectionName(c.bytes), c.name) << c.what;
    }
}

TEST(SelectionFile, AnEmptyFirstFieldNamesNoFile) {
    const ReadCase cases[] = {
        {"empty file", "", std::nullopt},
        {"only spaces", "    ", std::nullopt},
        {"starts with a line end", "\r\ngerman.vlng\r\n", std::nullopt},
        {"starts with a LF", "\ngerman.vlng", std::nullopt},
        {"spaces then a comma", "  ,german.vlng", std::nullopt},
        {"empty quotes", "\"\"german.vlng", std::nullopt},
        {"a lone quote", "\"", std::nullopt},
    };
    for (const ReadCase& c : cases) {
        EXPECT_EQ(readSelectionName(c.bytes), c.name) << c.what;
    }
}

TEST(SelectionFile, DecodesTheNameFromWindows1252) {
    // ç, ñ, the euro sign (0x80) and ÿ (0xFF): every byte of the upper half is a character.
    EXPECT_EQ(readSelectionName("fran\xe7"
                                "ais.vlng\r\n"),
              L"fran\u00e7ais.vlng");
    EXPECT_EQ(readSelectionName("\"espa\xf1ol.vlng\""), L"espa\u00f1ol.vlng");
    EXPECT_EQ(readSelectionName("\x80\xff.vlng"), L"\u20ac\u00ff.vlng");
}

TEST(SelectionFile, ANulByteIsPartOfTheName) {
    const std::string bytes("a\0b.vlng\r\n", 10);
    EXPECT_EQ(readSelectionName(bytes), std::wstring(L"a\0b.vlng", 8));
}

TEST(SelectionFile, ContentIsTheBareNameAndCrLf) {
    EXPECT_EQ(lockbay::selectionFileContent(L"german.vlng"), "german.vlng\r\n");
    EXPECT_EQ(lockbay::selectionFileContent(L"fran\u00e7ais.vlng"),
              "fran\xe7"
              "ais.vlng\r\n");
}

TEST(SelectionFile, WhatIsWrittenReadsBackAsTheSameName) {
    for (const wchar_t* name :
         {L"english.vlng", L"francais.vlng", L"romana.vlng", L"german.vlng", L"spanish.vlng",
          L"indonesian.vlng", L"italian.vlng", L"caf\u00e9 \u20ac.vlng"}) {
        EXPECT_EQ(readSelectionName(lockbay::selectionFileContent(name)), std::wstring(name));
    }
}

}  // namespace
