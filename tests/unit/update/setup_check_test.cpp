// The acceptance check for a downloaded setup program: which bodies and transfers count
// as a Windows executable, fed in pieces as they arrive.
#include "update/core/setup_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

using update::SetupCheck;
using Verdict = SetupCheck::Verdict;

// A body that begins like a Windows executable: "MZ", the PE offset at 0x3C and, when
// the body reaches that far, "PE\0\0" there followed by a file header of zeros (no
// sections, no optional header), so that the headers end 24 bytes after the offset.
// `size` 0 means "just up to the end of those headers".
std::string executable(std::uint32_t peOffset, std::size_t size = 0, std::string signature = {"PE\0\0", 4}) {
    if (size == 0) size = peOffset + 24;
    std::string body(std::max<std::size_t>(size, 0x40), '\x90');
    body[0] = 'M';
    body[1] = 'Z';
    for (int i = 0; i < 4; ++i) body[0x3C + i] = static_cast<char>((peOffset >> (8 * i)) & 0xFF);
    signature.append(20, '\0');
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
        {"truncated inside the file header", executable(0x80).substr(0, 0x97), Verdict::Undecided},
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

TEST(SetupCheck, DecidesExactlyWhenTheHeadersAreComplete) {
    const std::string body = executable(0x100, 0x400);
    SetupCheck checker;
    for (std::size_t i = 0; i < body.size(); ++i) {
        checker.feed(std::string_view(body).substr(i, 1));
        const Verdict expected = i + 1 < 0x118 ? Verdict::Undecided : Verdict::Accepted;
        ASSERT_EQ(checker.verdict(), expected) << "after " << i + 1 << " bytes";
    }
}

TEST(SetupCheck, RejectsAWrongSignatureAsSoonAsItsFourBytesArrive) {
    SetupCheck checker;
    checker.feed(executable(0x80, 0x83, {"NE\0\0", 4}));
    EXPECT_EQ(checker.verdict(), Verdict::Undecided);
    checker.feed(std::string_view("\0", 1));
    EXPECT_TRUE(checker.rejected());
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

// ---- Complete executables --------------------------------------------------------

// The parts of a Windows executable that tell how long the whole file is.
struct RawData {
    std::uint32_t offset = 0;  // PointerToRawData
    std::uint32_t size = 0;    // SizeOfRawData
};

struct PeLayout {
    bool pe32Plus = false;
    std::uint32_t peOffset = 0x80;
    std::vector<RawData> sections = {{0x200, 0x400}, {0x600, 0x200}};
    RawData certificates;                  // the security directory: a file offset and a length
    std::uint32_t directoryCount = 16;     // NumberOfRvaAndSizes
    std::uint16_t sectionCount = 0;        // when not 0, written instead of sections.size()
    std::uint16_t optionalHeaderSize = 0;  // when not 0, written instead of the standard size
};

void putUint16(std::string& bytes, std::size_t offset, std::uint16_t value) {
    for (std::size_t i = 0; i < 2; ++i) bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

void putUint32(std::string& bytes, std::size_t offset, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// The offset just past the headers: signature, file header, optional header, section table.
std::size_t headersEnd(const PeLayout& layout) {
    const std::size_t optionalHeaderSize =
        layout.optionalHeaderSize != 0 ? layout.optionalHeaderSize : (layout.pe32Plus ? 0xF0 : 0xE0);
    const std::size_t sectionCount = layout.sectionCount != 0 ? layout.sectionCount : layout.sections.size();
    return layout.peOffset + 24 + optionalHeaderSize + 40 * sectionCount;
}

// The size of the complete file: the furthest end of the section data (a section
// without data in the file has an offset but no bytes) and of the certificate table, or
// the headers when they are longer.
std::size_t fileSize(const PeLayout& layout) {
    std::size_t size = headersEnd(layout);
    for (const RawData& section : layout.sections) {
        if (section.size != 0) size = std::max<std::size_t>(size, std::size_t{section.offset} + section.size);
    }
    if (layout.certificates.size != 0) {
        size =
            std::max<std::size_t>(size, std::size_t{layout.certificates.offset} + layout.certificates.size);
    }
    return size;
}

// A complete Windows executable as the linker lays it out, the data filled with a
// pattern. Sections whose data would lie beyond 1 MiB are described but not written.
std::string buildPe(const PeLayout& layout) {
    const std::size_t size = std::min<std::size_t>(fileSize(layout), 1 << 20);
    std::string body(size, '\0');
    for (std::size_t i = headersEnd(layout); i < size; ++i) body[i] = static_cast<char>((i * 7 + 3) & 0xFF);
    body[0] = 'M';
    body[1] = 'Z';
    putUint32(body, 0x3C, layout.peOffset);
    body.replace(layout.peOffset, 4, std::string("PE\0\0", 4));

    const std::size_t fileHeader = layout.peOffset + 4;
    const std::uint16_t sectionCount =
        layout.sectionCount != 0 ? layout.sectionCount : static_cast<std::uint16_t>(layout.sections.size());
    const std::uint16_t optionalHeaderSize =
        layout.optionalHeaderSize != 0 ? layout.optionalHeaderSize : (layout.pe32Plus ? 0xF0 : 0xE0);
    putUint16(body, fileHeader, layout.pe32Plus ? 0x8664 : 0x14C);  // the machine
    putUint16(body, fileHeader + 2, sectionCount);
    putUint16(body, fileHeader + 16, optionalHeaderSize);
    putUint16(body, fileHeader + 18, 0x0102);  // an executable image

    const std::size_t optionalHeader = fileHeader + 20;
    putUint16(body, optionalHeader, layout.pe32Plus ? 0x20B : 0x10B);
    const std::size_t directories = optionalHeader + (layout.pe32Plus ? 112 : 96);
    if (optionalHeaderSize >= directories - optionalHeader) {
        putUint32(body, directories - 4, layout.directoryCount);
    }
    if (optionalHeaderSize >= directories + 40 - optionalHeader) {
        putUint32(body, directories + 32, layout.certificates.offset);
        putUint32(body, directories + 36, layout.certificates.size);
    }

    const std::size_t sectionTable = optionalHeader + optionalHeaderSize;
    for (std::size_t i = 0; i < layout.sections.size() && i < sectionCount; ++i) {
        const std::size_t header = sectionTable + 40 * i;
        body.replace(header, 8,
                     std::string(".sect") + static_cast<char>('0' + i % 10) + std::string(2, '\0'));
        putUint32(body, header + 16, layout.sections[i].size);
        putUint32(body, header + 20, layout.sections[i].offset);
    }
    return body;
}

// Feeds `body` in pieces of `pieceSize` bytes and tells whether a completed transfer
// with status 200 would be accepted.
bool acceptsBody(std::string_view body, std::size_t pieceSize) {
    SetupCheck checker;
    for (std::size_t i = 0; i < body.size(); i += pieceSize) checker.feed(body.substr(i, pieceSize));
    return checker.accepts(kComplete200);
}

PeLayout signedPe(bool pe32Plus) {
    PeLayout layout;
    layout.pe32Plus = pe32Plus;
    layout.certificates = {0x800, 0x180};
    return layout;
}

struct CutCase {
    const char* name;
    std::size_t size;  // the bytes of the file that arrive
    bool accepted;
};

TEST(SetupCheck, AcceptsOnlyTheWholeExecutable) {
    for (const bool pe32Plus : {false, true}) {
        const PeLayout layout = signedPe(pe32Plus);
        const std::string whole = buildPe(layout);
        ASSERT_EQ(whole.size(), 0x980u);
        const std::size_t sectionTable = headersEnd(layout) - 2 * 40;
        const CutCase cases[] = {
            {"cut inside the MZ header", 0x30, false},
            {"cut inside the file header", 0x80 + 12, false},
            {"cut inside the optional header", 0x80 + 24 + 0x40, false},
            {"cut inside the section table", sectionTable + 40 + 20, false},
            {"cut one byte before the end of the section table", headersEnd(layout) - 1, false},
            {"cut at the end of the headers", headersEnd(layout), false},
            {"cut inside the first section", 0x300, false},
            {"cut one byte before the end of the last section", 0x7FF, false},
            {"cut at the end of the last section", 0x800, false},
            {"cut one byte before the end of the certificate table", 0x97F, false},
            {"whole", 0x980, true},
        };
        for (const CutCase& c : cases) {
            const std::string_view body = std::string_view(whole).substr(0, c.size);
            const char* format = pe32Plus ? "PE32+" : "PE32";
            EXPECT_EQ(acceptsBody(body, body.size() + 1), c.accepted)
                << format << ", " << c.name << " (one piece)";
            EXPECT_EQ(acceptsBody(body, 1), c.accepted) << format << ", " << c.name << " (byte by byte)";
        }
    }
}

TEST(SetupCheck, AcceptsBytesBeyondTheEndOfTheExecutable) {
    // An overlay (data appended after the image) does not make the file any less complete.
    const std::string body = buildPe(signedPe(true)) + std::string(5000, 'x');
    EXPECT_TRUE(acceptsBody(body, body.size()));
    EXPECT_TRUE(acceptsBody(body, 1));
    // A setup of more is refused as it arrives (an e2e test would serve 256 MiB for it).
    SetupCheck checker;
    checker.feed(body);
    for (int i = 0; i < 256; ++i) checker.feed(std::string(1 << 20, 'x'));
    EXPECT_TRUE(checker.rejected());
}

struct LayoutCase {
    const char* name;
    PeLayout layout;
    std::size_t required;  // the fewest bytes of the built file that are accepted
};

TEST(SetupCheck, TakesTheRequiredSizeFromTheHeaders) {
    const auto layoutWith = [](auto change) {
        PeLayout layout;
        change(layout);
        return layout;
    };
    const LayoutCase cases[] = {
        {"unsigned: the end of the last section", PeLayout{}, 0x800},
        {"signed: the end of the certificate table", signedPe(false), 0x980},
        {"signed PE32+: the end of the certificate table", signedPe(true), 0x980},
        {"the furthest section need not be the last in the table", layoutWith([](PeLayout& l) {
             l.sections = {{0x600, 0x400}, {0x200, 0x400}};
         }),
         0xA00},
        {"a section without data in the file asks for nothing", layoutWith([](PeLayout& l) {
             l.sections = {{0x200, 0x400}, {0x7000, 0}};
         }),
         0x600},
        {"a certificate table inside the sections asks for nothing more", layoutWith([](PeLayout& l) {
             l.certificates = {0x300, 0x10};
         }),
         0x800},
        {"no room for the security directory: it is not read", layoutWith([](PeLayout& l) {
             l.certificates = {0x800, 0x180};
             l.directoryCount = 4;
         }),
         0x800},
        {"an optional header too short for the security directory", layoutWith([](PeLayout& l) {
             l.certificates = {0x800, 0x180};
             l.optionalHeaderSize = 0x60;
         }),
         0x800},
        {"no sections: the headers alone", layoutWith([](PeLayout& l) { l.sections.clear(); }),
         0x80 + 24 + 0xE0},
        {"96 sections", layoutWith([](PeLayout& l) {
             l.sections.assign(96, RawData{0x1200, 0x200});
         }),
         0x1400},
        {"the largest PE offset", layoutWith([](PeLayout& l) {
             l.peOffset = 0x10000;
             l.sections = {{0x10200, 0x200}};
         }),
         0x10400},
    };
    for (const LayoutCase& c : cases) {
        const std::string whole = buildPe(c.layout);
        ASSERT_GE(whole.size(), c.required) << c.name;
        const std::string_view body = std::string_view(whole).substr(0, c.required);
        EXPECT_TRUE(acceptsBody(body, body.size())) << c.name << " (one piece)";
        EXPECT_TRUE(acceptsBody(body, 1)) << c.name << " (byte by byte)";
        EXPECT_FALSE(acceptsBody(body.substr(0, c.required - 1), body.size()))
            << c.name << " (one byte short)";
        EXPECT_FALSE(acceptsBody(body.substr(0, c.required - 1), 1))
            << c.name << " (one byte short, byte by byte)";
    }
}

TEST(SetupCheck, NeverAcceptsDataEndingBeyondFourGigabytes) {
    // The ends are computed without wrapping around: 0xFFFFF000 + 0x2000 is not 0x1000.
    PeLayout layout;
    layout.sections = {{0x200, 0x200}, {0xFFFFF000, 0x2000}};
    EXPECT_FALSE(acceptsBody(buildPe(layout) + std::string(0x10000, '\0'), 4096));
    layout = PeLayout{};
    layout.certificates = {0xFFFFFF00, 0x200};
    EXPECT_FALSE(acceptsBody(buildPe(layout) + std::string(0x10000, '\0'), 4096));
}

struct AbsurdCase {
    const char* name;
    PeLayout layout;
};

TEST(SetupCheck, RejectsHeadersNoSetupProgramHas) {
    PeLayout manySections;
    manySections.sections.assign(97, RawData{0x2000, 0x200});
    PeLayout countOfAllSections;
    countOfAllSections.sectionCount = 0xFFFF;
    PeLayout hugeOptionalHeader;
    hugeOptionalHeader.optionalHeaderSize = 0xFFFF;
    hugeOptionalHeader.sections.clear();
    const AbsurdCase cases[] = {
        {"97 sections", manySections},
        {"65535 sections", countOfAllSections},
        {"an optional header of 64 KiB", hugeOptionalHeader},
    };
    for (const AbsurdCase& c : cases) {
        // Only the file header is fed: the check decides before the rest arrives.
        const std::string head = buildPe(c.layout).substr(0, c.layout.peOffset + 24);
        SetupCheck checker;
        checker.feed(head);
        EXPECT_TRUE(checker.rejected()) << c.name;
        EXPECT_FALSE(checker.accepts(kComplete200)) << c.name;
    }
}

}  // namespace
