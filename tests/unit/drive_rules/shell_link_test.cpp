// The shortcut reader: every form a link records its target in, and damaged links. The
// links are made by our own generator (tests/e2e/lib/make_lnk.py).
#include "drive_rules/shell_link.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "infected_stick.h"

namespace {

using infected_stick::sampleLink;
using lockbay::ShellLink;

ShellLink link(std::wstring local, std::wstring network, std::wstring relative, std::wstring working,
               std::wstring arguments, std::wstring environment) {
    return {std::move(local),   std::move(network),   std::move(relative),
            std::move(working), std::move(arguments), std::move(environment)};
}

TEST(ShellLinkReader, ReadsEveryFormOfTarget) {
    const std::vector<std::pair<const char*, ShellLink>> cases = {
        {"relative_target",
         link(L"F:\\RECYCLER\\S-1-5-21\\autorun.exe", {}, L".\\RECYCLER\\S-1-5-21\\autorun.exe", {}, {}, {})},
        {"cmd_through_variable",
         link({}, {}, {}, L"E:\\", L"/c start \"\" \"RECYCLER\\S-1-5-21\\autorun\" & start explorer Music",
              L"%windir%\\system32\\cmd.exe")},
        {"rundll32_local",
         link(L"C:\\Windows\\system32\\rundll32.exe", {}, {}, {}, L"RECYCLER\\x.dll,Entry", {})},
        {"network_share", link({}, L"\\\\server\\share\\x.exe", {}, {}, {}, {})},  // ANSI strings, no ID list
        {"ansi_strings", link({}, {}, L"..\\..\\Windows\\notepad.exe", {}, L"CON", {})},
        {"utf16_local_path", link(L"E:\\\u0416\\\u00e9.exe", {}, {}, {}, {}, {})},
    };
    for (const auto& [name, expected] : cases) {
        const auto parsed = lockbay::parseShellLink(sampleLink(name));
        ASSERT_TRUE(parsed) << name;
        EXPECT_EQ(*parsed, expected) << name;
    }
    for (const char* damaged : {"truncated", "header_only"}) {
        EXPECT_FALSE(lockbay::parseShellLink(sampleLink(damaged))) << damaged;
    }
}

TEST(ShellLinkReader, ADamagedLinkIsNoLink) {
    // An ID list, link information with a local path, the arguments as the last string.
    const std::string good = sampleLink("rundll32_local");
    ASSERT_TRUE(lockbay::parseShellLink(good));
    // Cut anywhere before its terminal block, it is refused; a link that simply ends there
    // reads as the whole.
    for (std::size_t size = 0; size < good.size(); ++size) {
        const auto cut = lockbay::parseShellLink(good.substr(0, size));
        if (size < good.size() - 4) {
            EXPECT_FALSE(cut) << "cut to " << size << " bytes";
        } else {
            EXPECT_EQ(cut, lockbay::parseShellLink(good)) << "cut to " << size << " bytes";
        }
    }
    const auto damaged = [&](std::size_t at, char byte) {
        std::string bytes = good;
        bytes[at] = byte;
        return lockbay::parseShellLink(bytes);
    };
    EXPECT_FALSE(damaged(0, 0x4D)) << "header size";
    EXPECT_FALSE(lockbay::parseShellLink(good.substr(0, 20) + std::string(4, '\0')))
        << "a header cut short, no parts";
    EXPECT_FALSE(damaged(19, 0x47)) << "class id";
    EXPECT_FALSE(damaged(76, '\xFF')) << "an ID list running past the end";
    const std::size_t linkInfo = 76 + 2 + 22;
    EXPECT_FALSE(damaged(linkInfo + 1, 0x7F)) << "link information running past the end";
    EXPECT_FALSE(damaged(linkInfo + 16, 0x7F)) << "a local path outside the link information";
    const std::size_t argumentsCount =
        good.size() - 4 - 2 * std::wstring(L"RECYCLER\\x.dll,Entry").size() - 2;
    EXPECT_FALSE(damaged(argumentsCount, 0x7F)) << "the arguments running past the end";
    EXPECT_FALSE(
        lockbay::parseShellLink(good.substr(0, good.size() - 4) + std::string("\x0C\0\0\0\x01\0\0\xA0\0", 9)))
        << "an extra block cut short";
    EXPECT_FALSE(lockbay::parseShellLink(good + std::string(lockbay::kMaxShellLinkSize, '\0')))
        << "too large";
}

}  // namespace
