// The acceptance check for a downloaded setup program: which bodies and transfers count
// as a Windows executable, fed in pieces as they arrive.
#include "update/core/setup_check.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

using update::SetupCheck;
using Verdict = SetupCheck::Verdict;

// A body that begins like a Windows executable: "MZ", the PE offset at 0x3C and, when
// the body reaches that far, "PE\0\0" there. `size` 0 means "just up to the signature".
std::string executable(std::uint32_t peOffset, std::size_t size = 0, std::string signature = {"PE\0\0", 4}) {
    if (size == 0) size = peOffset + 4;
    std::string body(std::max<std::size_t>(size, 0x40), '\x90');
    body[0] = 'M';
    body[1] = 'Z';
    for (int i = 0; i < 4; ++i) body[0x3C + i] = static_cast<char>((peOffset >> (8 * i)) & 0xFF);
    for (std::size_t i = 0; i < signature.size() && peOffset + i < body.size(); ++i) {
        body[peOffset + i] = signature[i];
    }
    body.resize(size);
    return body;
}

Verdict check(const std::string& body, std::size_t pieceSize) {
    SetupCheck checker;
    for (std::size_t i = 0; i < body.size(); i += pieceSize)
        checker.feed(std::string_view(body).substr(i, pieceSize));
    return checker.verdict();
}

constexpr platform::HttpResult kComplete200{true, 200, {}};

struct BodyCase {
    const char* name;
    std::string body;
    Verdict verdict;
};

TEST(SetupCheck, JudgesBodiesByTheirHeader) {
    const BodyCase cases[] = {
        {"empty body", "", Verdict::Undecided},
        {"one byte of an HTML page", "<", Verdict::Rejected},
        {"one byte M", "M", Verdict::Undecided},
        {"HTML error page", "<html><head><title>404 Not Found</title></head><body>" + std::string(4000, 'x'),
         Verdict::Rejected},
        {"MZ only", "MZ", Verdict::Undecided},
        {"lower-case mz", "mz" + std::string(200, '\0'), Verdict::Rejected},
        {"ZM", "ZM" + std::string(200, '\0'), Verdict::Rejected},
        {"M then something else", "MX", Verdict::Rejected},
        {"truncated inside the MZ header", executable(0x80).substr(0, 0x3E), Verdict::Undecided},
        {"truncated before the PE signature", executable(0x80, 0x60), Verdict::Undecided},
        {"truncated inside the PE signature", executable(0x80).substr(0, 0x82), Verdict::Undecided},
        {"PE offset beyond the body", executable(0x200, 0x100), Verdict::Undecided},
        {"PE offset inside the MZ header", executable(0x3C - 4, 0x100), Verdict::Rejected},
        {"PE offset pointing into the first bytes", executable(0x04, 0x100), Verdict::Rejected},
        {"PE offset beyond 64 KiB", executable(0x10001, 0x100), Verdict::Rejected},
        {"PE offset of four gigabytes", executable(0xFFFFFFFF, 0x100), Verdict::Rejected},
        {"wrong signature NE", executable(0x80, 0x200, {"NE\0\0", 4}), Verdict::Rejected},
        {"signature without its zero bytes", executable(0x80, 0x200, "PEPE"), Verdict::Rejected},
        {"valid minimal executable", executable(0x40), Verdict::Accepted},
        {"valid executable with a typical offset", executable(0x80, 4096), Verdict::Accepted},
        {"valid executable with the largest offset", executable(0x10000), Verdict::Accepted},
    };
    for (const BodyCase& c : cases) {
        EXPECT_EQ(check(c.body, c.body.size() + 1), c.verdict) << c.name << " (one piece)";
        EXPECT_EQ(check(c.body, 7), c.verdict) << c.name << " (pieces of 7 bytes)";
        EXPECT_EQ(check(c.body, 1), c.verdict) << c.name << " (byte by byte)";
    }
}

TEST(SetupCheck, DecidesExactlyWhenTheSignatureIsComplete) {
    const std::string body = executable(0x100, 0x400);
    SetupCheck checker;
    for (std::size_t i = 0; i < body.size(); ++i) {
        checker.feed(std::string_view(body).substr(i, 1));
        const Verdict expected = i + 1 < 0x104 ? Verdict::Undecided : Verdict::Accepted;
        ASSERT_EQ(checker.verdict(), expected) << "after " << i + 1 << " bytes";
    }
}

TEST(SetupCheck, RejectsAtTheFirstByteThatIsNotAnExecutable) {
    SetupCheck checker;
    checker.feed("<");
    EXPECT_TRUE(checker.rejected());
    // What follows cannot change the verdict, not even a perfect executable.
    checker.feed(executable(0x40));
    EXPECT_EQ(checker.verdict(), Verdict::Rejected);
    EXPECT_FALSE(checker.accepts(kComplete200));
}

TEST(SetupCheck, KeepsItsVerdictWhateverFollowsAnAcceptedHeader) {
    SetupCheck checker;
    checker.feed(executable(0x40));
    ASSERT_EQ(checker.verdict(), Verdict::Accepted);
    checker.feed("<html>");
    checker.feed(std::string(1 << 20, '\0'));
    EXPECT_EQ(checker.verdict(), Verdict::Accepted);
    EXPECT_TRUE(checker.accepts(kComplete200));
}

TEST(SetupCheck, AcceptsALargeOffsetReachedThroughManySmallPieces) {
    // The signature lies far beyond the first pieces; every piece size gives the same answer.
    const std::string body = executable(0xF000, 0x10000);
    for (std::size_t pieceSize : {1u, 3u, 64u, 4096u, 65536u}) {
        EXPECT_EQ(check(body, pieceSize), Verdict::Accepted) << pieceSize;
    }
}

struct TransferCase {
    platform::HttpResult transfer;
    bool accepted;
};

TEST(SetupCheck, AcceptsOnlyACompletedTransferWithASuccessStatus) {
    const TransferCase cases[] = {
        {{true, 200, {}}, true},
        {{true, 201, {}}, true},
        {{true, 299, {}}, true},
        {{true, 199, {}}, false},
        {{true, 300, {}}, false},
        {{true, 302, {}}, false},
        {{true, 404, {}}, false},
        {{true, 500, {}}, false},
        {{true, 0, {}}, false},
        {{false, 200, L"aborted"}, false},
        {{false, 0, L"no connection"}, false},
    };
    SetupCheck checker;
    checker.feed(executable(0x80, 1024));
    ASSERT_EQ(checker.verdict(), Verdict::Accepted);
    for (const TransferCase& c : cases) {
        EXPECT_EQ(checker.accepts(c.transfer), c.accepted)
            << "completed " << c.transfer.completed << ", status " << c.transfer.status;
    }
}

TEST(SetupCheck, NeverAcceptsAnUndecidedBodyEvenWhenTheTransferSucceeded) {
    for (const std::string& body :
         {std::string(), std::string("M"), std::string("MZ"), executable(0x80, 0x60)}) {
        SetupCheck checker;
        checker.feed(body);
        EXPECT_FALSE(checker.accepts(kComplete200)) << body.size() << " bytes";
    }
}

}  // namespace
