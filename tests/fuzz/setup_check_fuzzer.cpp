// Fuzz target for the updater's acceptance check. The input describes a body and the
// points at which it arrives in pieces; the check fed piece by piece must reach the
// same verdict as the check fed the whole body at once, and that verdict must follow
// from the body's header. Each piece sits in a heap block of exactly its size, so any
// read past a piece is caught by AddressSanitizer.
//
// Input layout (FuzzedDataProvider; the control values come from the end of the input,
// so any file works as a seed): a bool choosing a built body, for a built body the PE
// offset to write at 0x3C and four signature bytes, the number of pieces and their cut
// points, then the remaining bytes as the body (or as the built body's header and tail).
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "update/core/setup_check.h"

namespace {

using update::SetupCheck;
using Verdict = SetupCheck::Verdict;

constexpr std::size_t kMzHeaderSize = 0x40;
constexpr std::size_t kMaxPieces = 32;

std::uint32_t readLittleEndian(std::string_view bytes, std::size_t offset, std::size_t size) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < size; ++i) {
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[offset + i])) << (8 * i);
    }
    return value;
}

// What the header comment of setup_check.h describes, computed on the whole body: the
// verdict on its headers and the size the whole file must have.
struct Expected {
    Verdict verdict = Verdict::Undecided;
    std::uint64_t requiredSize = 0;
};

Expected expected(std::string_view body) {
    constexpr std::string_view kMz("MZ", 2);
    constexpr std::string_view kPe("PE\0\0", 4);
    if (body.size() < kMz.size()) return {kMz.starts_with(body) ? Verdict::Undecided : Verdict::Rejected};
    if (!body.starts_with(kMz)) return {Verdict::Rejected};
    if (body.size() < SetupCheck::kPeOffsetField + 4) return {};
    const std::uint32_t peOffset = readLittleEndian(body, SetupCheck::kPeOffsetField, 4);
    if (peOffset < SetupCheck::kMinPeOffset || peOffset > SetupCheck::kMaxPeOffset)
        return {Verdict::Rejected};
    if (body.size() < std::size_t{peOffset} + kPe.size()) return {};
    if (body.substr(peOffset, kPe.size()) != kPe) return {Verdict::Rejected};

    const std::size_t fileHeader = peOffset + kPe.size();
    if (body.size() < fileHeader + 20) return {};
    const std::uint32_t sections = readLittleEndian(body, fileHeader + 2, 2);
    const std::uint32_t optionalSize = readLittleEndian(body, fileHeader + 16, 2);
    if (sections > SetupCheck::kMaxSections || optionalSize > SetupCheck::kMaxOptionalHeaderSize) {
        return {Verdict::Rejected};
    }
    const std::size_t optional = fileHeader + 20;
    const std::size_t table = optional + optionalSize;
    const std::size_t headersEnd = table + 40 * std::size_t{sections};
    if (body.size() < headersEnd) return {};
    FUZZ_CHECK(headersEnd <= SetupCheck::kMaxHeaderSize);

    std::uint64_t required = headersEnd;
    for (std::size_t i = 0; i < sections; ++i) {
        const std::uint64_t size = readLittleEndian(body, table + 40 * i + 16, 4);
        const std::uint64_t offset = readLittleEndian(body, table + 40 * i + 20, 4);
        if (size != 0) required = std::max(required, offset + size);
    }
    // The security directory, the fifth data directory, when the optional header has it.
    const std::uint32_t magic = optionalSize >= 2 ? readLittleEndian(body, optional, 2) : 0;
    const std::size_t countField = magic == 0x10B ? 92 : magic == 0x20B ? 108 : 0;
    if (countField != 0 && optionalSize >= countField + 4 + 5 * 8 &&
        readLittleEndian(body, optional + countField, 4) > 4) {
        const std::uint64_t offset = readLittleEndian(body, optional + countField + 4 + 4 * 8, 4);
        const std::uint64_t size = readLittleEndian(body, optional + countField + 8 + 4 * 8, 4);
        if (size != 0) required = std::max(required, offset + size);
    }
    // A file longer than the largest setup taken is refused on its headers.
    if (required > SetupCheck::kMaxSetupSize) return {Verdict::Rejected};
    return {Verdict::Accepted, required};
}

// A body that may reach the largest PE offset although the input is small: the first
// 64 bytes of `bytes` (zero-padded) as the MZ header with `peOffset` written at 0x3C,
// zeros up to that offset, the signature, then the rest of `bytes`.
std::string buildBody(std::uint32_t peOffset, const std::string& signature, const std::string& bytes) {
    std::string body = bytes.substr(0, kMzHeaderSize);
    body.resize(kMzHeaderSize, '\0');
    for (std::size_t i = 0; i < 4; ++i) {
        body[SetupCheck::kPeOffsetField + i] = static_cast<char>((peOffset >> (8 * i)) & 0xFF);
    }
    if (body.size() < peOffset) body.resize(peOffset, '\0');
    body += signature;
    if (bytes.size() > kMzHeaderSize) body += bytes.substr(kMzHeaderSize);
    return body;
}

// Feeds one piece from a heap block of exactly its size.
void feedExactly(SetupCheck& check, std::string_view piece) {
    if (piece.empty()) {
        check.feed(std::string_view());
        return;
    }
    const auto block = std::make_unique<char[]>(piece.size());
    std::copy(piece.begin(), piece.end(), block.get());
    check.feed(std::string_view(block.get(), piece.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider provider(data, size);
    const bool built = provider.ConsumeBool();
    std::uint32_t peOffset = 0;
    std::string signature;
    if (built) {
        peOffset = provider.ConsumeIntegralInRange<std::uint32_t>(0, SetupCheck::kMaxPeOffset + 16);
        signature = provider.ConsumeBytesAsString(4);
    }
    const std::size_t pieceCount = provider.ConsumeIntegralInRange<std::size_t>(1, kMaxPieces);
    std::vector<std::size_t> cuts;
    for (std::size_t i = 1; i < pieceCount; ++i) cuts.push_back(provider.ConsumeIntegral<std::uint32_t>());
    const std::string rest = provider.ConsumeRemainingBytesAsString();
    const std::string body = built ? buildBody(peOffset, signature, rest) : rest;

    for (std::size_t& cut : cuts) cut %= body.size() + 1;
    cuts.push_back(body.size());
    std::sort(cuts.begin(), cuts.end());

    // The whole body at once.
    SetupCheck whole;
    whole.feed(body);
    const Verdict verdict = whole.verdict();
    const Expected expectation = expected(body);
    FUZZ_CHECK(verdict == expectation.verdict);

    // The same body in pieces, some possibly empty; once decided, the verdict stays.
    SetupCheck pieces;
    std::size_t start = 0;
    Verdict previous = Verdict::Undecided;
    for (const std::size_t cut : cuts) {
        feedExactly(pieces, std::string_view(body).substr(start, cut - start));
        start = cut;
        if (previous != Verdict::Undecided) FUZZ_CHECK(pieces.verdict() == previous);
        previous = pieces.verdict();
    }
    FUZZ_CHECK(pieces.verdict() == verdict);

    // More bytes never undo a decision.
    if (verdict != Verdict::Undecided) {
        whole.feed(body);
        FUZZ_CHECK(whole.verdict() == verdict);
    }

    // Only a completed transfer with a success status and a whole executable is taken.
    const bool isExecutable = verdict == Verdict::Accepted && body.size() >= expectation.requiredSize;
    FUZZ_CHECK(pieces.accepts(platform::HttpResult{true, 200, {}}) == isExecutable);
    FUZZ_CHECK(pieces.accepts(platform::HttpResult{true, 299, {}}) == isExecutable);
    FUZZ_CHECK(!pieces.accepts(platform::HttpResult{false, 200, {}}));
    FUZZ_CHECK(!pieces.accepts(platform::HttpResult{true, 404, {}}));
    FUZZ_CHECK(!pieces.accepts(platform::HttpResult{true, 199, {}}));
    FUZZ_CHECK(pieces.rejected() == (verdict == Verdict::Rejected));
    return 0;
}
