// The language file: lines of Windows-1252 text, one text per line. Lines 1 to 38 are
// the caption table of the classic windows; the texts of newer features follow as lines
// 39 and up, so that a file made for an older Lockbay (38 lines) still reads, and an
// older Lockbay reads a newer file (it stops after line 38). Also the built-in English
// texts, which every window takes as its defaults and which english.vlng repeats.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace lockbay {

// The lines of the caption table: every one of them sets a text of a classic window.
inline constexpr std::size_t kCaptionLineCount = 38;

// The most characters of one line that are kept; the rest of a longer line is skipped.
// Every text is measured and drawn by some label, so a file of megabyte-long lines would
// freeze the windows; the longest text shipped is about 540 characters.
inline constexpr std::size_t kMaxLanguageLineLength = 4096;

// The lines of a language file, numbered from 1 as in the file.
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
    kWelcomeText,  // line 38: the last line of the caption table

    // Lines 39 and up: the texts of newer features, in file order. A file that stops
    // before one of them gives its English text (see textOrEnglish).
    // The watcher (lockbay-watch.exe): its menu, its icon's tooltip and its
    // notifications. In a notification's text "%1" stands for the drive, as
    // "LABEL (E:)" or "E:".
    kWatchOpenLockbay,           // menu: "Open Lockbay"
    kWatchStartWithWindows,      // menu: "Start with Windows" (checked while on)
    kWatchExit,                  // menu: "Exit"
    kWatchTooltip,               // the icon's tooltip: what the watcher does
    kWatchProtectedTitle,        // notification title: the drive is protected
    kWatchProtectedText,         // an unprotected drive got the protection folder
    kWatchCleanedText,           // an infected drive lost its autorun.inf file and got the folder
    kWatchAlreadyProtectedText,  // a protected drive, left as it was
    kWatchNotProtectedTitle,     // notification title: the drive is not protected
    kWatchFileNotRemovedText,    // an autorun.inf file could not be removed
    kWatchDriveGoneText,         // the drive went away during the steps
    kWatchFailedText,            // any other failure, most often a write-protected drive

    // The main window's line on the computer's AutoRun switch.
    kAutoRunOnLine,
    kAutoRunOffLine,
    kTurnAutoRunOff,  // its action
    kTurnAutoRunOn,
    kAutoRunNotChanged,  // message when the switch failed

    // Cleaning an infected drive: the main window's question ("%1" the drive letter,
    // "%2" a folder), its answers and summaries, and the quarantine's README.txt.
    kCleanFoundIntro,
    kCleanProgramsHeading,
    kCleanShortcutsHeading,
    kCleanHiddenFoldersHeading,
    kCleanMoreItems,  // "%1": how many more entries a shortened list holds
    kCleanQuestion,
    kCleanDeclined,
    kCleanDone,
    kCleanPartlyDone,
    kCleanMovedHeading,
    kCleanNotMovedHeading,
    kCleanShownHeading,
    kCleanStillHiddenHeading,
    kCleanNoQuarantine,
    kCleanReadmeNotWritten,  // "%1": the reason
    kQuarantineReadmeIntro,  // "%1" the drive letter, "%2" the date and time
    kQuarantineReadmeHowToRestore,
    kQuarantineReadmeOldPath,
    kQuarantineReadmeNewPath,
    kQuarantineReadmeSize,
    kQuarantineReadmeSha256,
    kQuarantineReadmeNotMoved,
    kQuarantineReadmeAutorunCopy,
    kQuarantineReadmeAutorunCut,  // "%1" the bytes kept, "%2" the bytes the file had

    // The watcher's notification for a drive that it protected but that still carries
    // what its autorun.inf started: "%1" the drive, "%2" how many files.
    kWatchStillCarriesText,

    // What cleaning left alone and why: the heading of the list (in the question, the
    // summary and README.txt), then the reasons shown after each name.
    kCleanRefusedHeading,
    kRefusedOffDrive,        // it leads off the drive (also through a link)
    kRefusedMissing,         // the drive holds no file of that name
    kRefusedFolder,          // it names a folder
    kRefusedBadName,         // not a file name: a device, a bad character, too long
    kRefusedQuarantined,     // it lies in the quarantine already
    kCleanQuarantineIsLink,  // "%1": the quarantine folder, which is a link: nothing moved
    // Advanced protection and Restore in the main window ("%1" the drive letter).
    kConvertQuestion,        // before convert /X takes the drive off-line (Yes or No)
    kCannotConvert,          // "%2" the drive's file system, which convert refuses
    kConversionFailed,       // "%2" convert's exit code, "%3" the file system the drive reads as
    kAdvancedNotApplied,     // the deny entry did not read back after the deny step
    kProtectionFolderStays,  // Restore could not remove the autorun.inf folder
    // Every autorun.inf that Lockbay removes is moved into the quarantine: the README.txt
    // of a quarantine folder that holds it alone ("%1" the drive letter, "%2" the date
    // and time), and the attributes a quarantined file had ("%1" as attrib gives them,
    // "%2" its old path).
    kQuarantineReadmeAutorunIntro,
    kQuarantineReadmeAttributes,
    // No quarantine folder could be made, so autorun.inf was deleted: the main window's
    // message ("%1" the drive letter, "%2" the quarantine folder) and the watcher's
    // notification ("%1" the drive).
    kAutorunNotKept,
    kWatchCleanedNoCopyText,
    // The buttons of the cleaning question.
    kCleanQuestionYes,
    kCleanQuestionNo,
    // Where the organisation's policy decides ("set by your organisation"): cleaning
    // turned off, so the drive is only reported ("%1" the drive letter); Advanced
    // protection refused because conversion to NTFS is not allowed ("%1" the drive
    // letter); the watcher turned off, said when it is started by hand; and its
    // "Start with Windows" menu item while the policy keeps it on.
    kPolicyCleaningOff,
    kPolicyConversionOff,
    kWatchPolicyOff,
    kWatchStartSetByOrganisation,

    kEndOfLines  // not a line: one past the last
};
static_assert(static_cast<std::size_t>(CaptionLine::kWelcomeText) == kCaptionLineCount);

// Every line a language file holds; lines after this one are never read.
inline constexpr std::size_t kLanguageLineCount = static_cast<std::size_t>(CaptionLine::kEndOfLines) - 1;

// How much of a language file is read: every line of the file as long as the limit above
// allows, each with its CR LF. A file within that format is read whole; of a larger,
// damaged one the lines that lie beyond are missing, as from a short file, so a file of
// gigabytes can neither stall the program nor exhaust its memory.
inline constexpr std::size_t kLanguageFileReadLimit = kLanguageLineCount * (kMaxLanguageLineLength + 2);

// The texts a language file holds, in file order: lines[0] is line 1. A shorter file
// gives fewer entries; lines after kLanguageLineCount are not kept.
struct LanguageLines {
    std::vector<std::wstring> lines;
};

// Splits a language file's bytes into lines and decodes them from Windows-1252.
// A line ends at CR LF or at a CR alone; a LF without a CR before it is an ordinary
// character. Nothing is trimmed and no byte-order mark is recognised. A last line
// without a line end still counts; an empty file has no lines. A line keeps at most
// kMaxLanguageLineLength characters; the rest of it, up to its line end, is skipped.
LanguageLines parseLanguageFile(std::string_view bytes);

// The built-in English texts, one per line: index 0 is line 1.
const std::array<std::wstring, kLanguageLineCount>& englishTexts();
const std::wstring& englishText(CaptionLine line);

// True for the lines after the caption table (39 and up).
constexpr bool isNewerLine(CaptionLine line) { return static_cast<std::size_t>(line) > kCaptionLineCount; }

// A line of a file read by parseLanguageFile: the file's own text, or the English text
// when the file stops before that line (a file made for an older Lockbay).
const std::wstring& textOrEnglish(const LanguageLines& language, CaptionLine line);

}  // namespace lockbay
