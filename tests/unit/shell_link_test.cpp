// The shortcut reader: every form a link records its target in, and damaged links.
#include "lockbay/protection/shell_link.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell_link_builder.h"

namespace {

using lockbay::ShellLink;
using testing_links::buildShellLink;
using testing_links::LinkSpec;

TEST(ShellLinkReader, ReadsEveryFormOfTarget) {
    struct Case {
        const char* what;
        LinkSpec spec;
        ShellLink expected;
    };
    std::vector<Case> cases(6);
    cases[0].what = "local path in parts, ANSI strings";
    cases[0].spec.localBasePath = L"E:\\RECYCLER";
    cases[0].spec.pathSuffix = L"x.exe";
    cases[0].spec.unicodeStrings = false;
    cases[0].expected.localPath = L"E:\\RECYCLER\\x.exe";
    cases[1].what = "local path whole, no ID list";
    cases[1].spec.localBasePath = L"E:\\x.exe";
    cases[1].spec.idList = false;
    cases[1].expected.localPath = L"E:\\x.exe";
    cases[2].what = "local path in UTF-16";
    cases[2].spec.localBasePath = L"E:\\\u0416\\";
    cases[2].spec.pathSuffix = L"\u00e9.exe";
    cases[2].spec.unicodeLinkInfo = true;
    cases[2].expected.localPath = L"E:\\\u0416\\\u00e9.exe";
    cases[3].what = "network share";
    cases[3].spec.networkShare = L"\\\\server\\share";
    cases[3].spec.pathSuffix = L"x.exe";
    cases[3].expected.networkPath = L"\\\\server\\share\\x.exe";
    cases[4].what = "relative path, working folder and arguments";
    cases[4].spec.relativePath = cases[4].expected.relativePath = L".\\RECYCLER\\x.exe";
    cases[4].spec.workingFolder = cases[4].expected.workingFolder = L"E:\\";
    cases[4].spec.arguments = cases[4].expected.arguments = L"-open \"Photos\"";
    cases[5].what = "a launcher through an environment variable";
    cases[5].spec.arguments = cases[5].expected.arguments = L"/c start x.exe";
    cases[5].spec.environmentTarget = cases[5].expected.environmentTarget = L"%windir%\\system32\\cmd.exe";
    for (const Case& c : cases) {
        const auto link = lockbay::parseShellLink(buildShellLink(c.spec));
        ASSERT_TRUE(link) << c.what;
        EXPECT_EQ(*link, c.expected) << c.what;
    }
}

TEST(ShellLinkReader, ADamagedLinkIsNoLink) {
    LinkSpec spec;
    spec.localBasePath = L"E:\\x.exe";
    spec.relativePath = L"x.exe";
    spec.arguments = L"-a";
    const std::string good = buildShellLink(spec);
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
    EXPECT_FALSE(damaged(good.size() - 10, 0x7F)) << "the arguments running past the end";
    EXPECT_FALSE(
        lockbay::parseShellLink(good.substr(0, good.size() - 4) + std::string("\x0C\0\0\0\x01\0\0\xA0\0", 9)))
        << "an extra block cut short";
    EXPECT_FALSE(lockbay::parseShellLink(good + std::string(lockbay::kMaxShellLinkSize, '\0')))
        << "too large";
}

}  // namespace
