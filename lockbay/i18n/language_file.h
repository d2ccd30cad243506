// The language file: 38 lines of Windows-1252 text, one text per line, in the order
// of the caption table. Also the built-in English texts, which every window takes as
// its defaults and which english.vlng repeats.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace lockbay {

inline constexpr std::size_t kLanguageLineCount = 38;

// The most characters of one line that are kept; the rest of a longer line is skipped.
// Every text is measured and drawn by some label, so a file of megabyte-long lines would
// freeze the windows; the longest text shipped is about 540 characters.
inline constexpr std::size_t kMaxLanguageLineLength = 4096;

// The lines of the caption table, numbered from 1 as in a language file.
enum class CaptionLine : std::size_t {
    kProtectedWord = 1,
    kInfectedWord,
    kUnprotectedWord,
    kUpdateDialogTitle,
    kUpdateQuestion,
    kUpdateButton,
    kCancelButton,  // the update dialog's and the language chooser's Cancel
    kFreeSpaceTitle,
    kFreeSpaceMessage,
    kContinueButton,
    kFreeSpaceCancelButton,
    kDriveListHeading,
    kPleaseWait,
    kRefreshButton,
    kProtectButton,
    kRestoreButton,
    kSimpleMode,    // both "Simple" labels of the main window
    kAdvancedMode,  // both "Advanced" labels of the main window
    kProgramSupportButton,
    kAboutTab,
    kHowItWorksTab,
    kHowToProtectTab,
    kHowToRestoreTab,
    kFaqLink,
    kTitleLine,
    kVersionLine,
    kCreatedByLine,
    kSupportLine,
    kSimpleMethodHeading,
    kAdvancedMethodHeading,
    kHowToProtectText,
    kHowToRestoreHeading,
    kHowToRestoreText,
    kSimpleMethodText,
    kAdvancedMethodText,
    kDescriptionHeading,
    kHowToProtectHeading,
    kWelcomeText,
};
static_assert(static_cast<std::size_t>(CaptionLine::kWelcomeText) == kLanguageLineCount);

// The texts a language file holds, in file order: lines[0] is line 1. A file with
// fewer than 38 lines gives fewer entries; lines after line 38 are not kept.
struct LanguageLines {
    std::vector<std::wstring> lines;
};

// Splits a language file's bytes into lines and decodes them from Windows-1252.
// A line ends at CR LF or at a CR alone; a LF without a CR before it is an ordinary
// character. Nothing is trimmed and no byte-order mark is recognised. A last line
// without a line end still counts; an empty file has no lines. A line keeps at most
// kMaxLanguageLineLength characters; the rest of it, up to its line end, is skipped.
LanguageLines parseLanguageFile(std::string_view bytes);

// The built-in English texts, one per caption line: index 0 is line 1.
const std::array<std::wstring, kLanguageLineCount>& englishTexts();
const std::wstring& englishText(CaptionLine line);

}  // namespace lockbay
