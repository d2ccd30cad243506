// What the elevated programs hand to the system. Wine cannot show either: its cmd.exe
// ignores NoDefaultCurrentDirectoryInExePath (the e2e tests show the working folder
// instead), and it keeps no access lists on files.
#include "platform/system_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::string_literals;

TEST(SystemRules, ToolsFindNoProgramInTheCurrentFolderAndTheUpdatersFileIsForAdministratorsOnly) {
    EXPECT_EQ(platform::toolEnvironment(L"=C:=C:\\x\0nodefaultcurrentdirectoryinexepath=\0TMP=C:\\T\0\0"s),
              L"=C:=C:\\x\0TMP=C:\\T\0NoDefaultCurrentDirectoryInExePath=1\0\0"s);
    // The updater's file: protected ("P"): nothing inherited from C:\; full control (FA) for SYSTEM and
    // Administrators, no other entry.
    EXPECT_STREQ(platform::kAdministratorsOnlyAccess, L"D:P(A;;FA;;;SY)(A;;FA;;;BA)");
}

}  // namespace
