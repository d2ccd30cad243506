// The caption table: which line of a language file sets which text. The windows take
// their built-in English texts from the same numbering, so one table serves both.
#pragma once

#include <string>

namespace lockbay {

enum Caption : int {
    kStatusProtected = 1,
    kStatusInfected = 2,
    kStatusUnprotected = 3,
    kDialogTitle = 4,
    kDialogMessage = 5,
    kDialogUpdate = 6,
    kCancel = 7,  // the update dialog's and the chooser's Cancel
    kFreeSpaceTitle = 8,
    kFreeSpaceMessage = 9,
    kFreeSpaceContinue = 10,
    kFreeSpaceCancel = 11,
    kMainHeading = 12,
    kMainPleaseWait = 13,
    kMainRefresh = 14,
    kMainProtect = 15,
    kMainRestore = 16,
    kMainSimple = 17,
    kMainAdvanced = 18,
    kMainProgramSupport = 19,
    kHelpTabAbout = 20,
    kHelpTabHowItWorks = 21,
    kHelpTabHowToProtect = 22,
    kHelpTabHowToRestore = 23,
    kHelpFaqLink = 24,
    kHelpTitleLine = 25,
    kHelpVersionLine = 26,
    kHelpCreditLine = 27,
    kHelpSupportLine = 28,
    kHelpSimpleHeading = 29,
    kHelpAdvancedHeading = 30,
    kHelpProtectText = 31,
    kHelpRestoreHeading = 32,
    kHelpRestoreText = 33,
    kHelpSimpleText = 34,
    kHelpAdvancedText = 35,
    kHelpAboutHeading = 36,
    kHelpProtectHeading = 37,
    kHelpWelcomeText = 38,
};

// The built-in English text of a caption line (1..38).
const std::wstring& builtInText(int line);

}  // namespace lockbay
