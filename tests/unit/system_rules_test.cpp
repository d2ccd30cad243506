// What the elevated programs hand to the system. Wine cannot show either: its cmd.exe
// ignores NoDefaultCurrentDirectoryInExePath (the e2e tests show the working folder
// instead), and it keeps no access lists on files.
#include "platform/system_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::string_literals;

TEST(SystemRules, AToolsEnvironmentKeepsEveryEntryAndTurnsOffTheCurrentFolderSearch) {
    const std::wstring parent =
        L"=C:=C:\\stick\0PATH=C:\\Windows\0nodefaultcurrentdirectoryinexepath=\0TMP=C:\\T\0\0"s;
    EXPECT_EQ(platform::toolEnvironment(parent),
              L"=C:=C:\\stick\0PATH=C:\\Windows\0TMP=C:\\T\0NoDefaultCurrentDirectoryInExePath=1\0\0"s);
    EXPECT_EQ(platform::toolEnvironment(L"\0\0"s), L"NoDefaultCurrentDirectoryInExePath=1\0\0"s);
}

TEST(SystemRules, TheUpdatersFileIsForSystemAndAdministratorsOnlyAndInheritsNothing) {
    // "P": protected, no entry of C:\ is inherited; full control (FA) for SYSTEM (SY) and
    // Administrators (BA), no other entry.
    EXPECT_STREQ(platform::kAdministratorsOnlyAccess, L"D:P(A;;FA;;;SY)(A;;FA;;;BA)");
}

}  // namespace
