// The acceptance check for a downloaded setup program: see setup_check.h.
#include "update/core/setup_check.h"

#include <algorithm>

namespace update {

namespace {

constexpr std::string_view kMzHeader("MZ", 2);
constexpr std::string_view kPeSignature("PE\0\0", 4);

// Fields of the file header, from its start.
constexpr std::size_t kSectionCountField = 2;
constexpr std::size_t kOptionalHeaderSizeField = 16;
// Fields of a section table entry, from its start.
constexpr std::size_t kRawDataSizeField = 16;
constexpr std::size_t kRawDataOffsetField = 20;

// The optional header's first field tells its layout; the two layouts differ in where
// the count of data directories and the directories themselves begin.
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::size_t kPe32DirectoryCountField = 92;
constexpr std::size_t kPe32PlusDirectoryCountField = 108;
// Each data directory is an address and a size. For the security directory, which
// holds the program's signature, the address is an offset in the file.
constexpr std::size_t kDirectorySize = 8;
constexpr std::uint32_t kSecurityDirectory = 4;

std::uint32_t readLittleEndian(std::string_view bytes, std::size_t offset, std::size_t size) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < size; ++i) {
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[offset + i])) << (8 * i);
    }
    return value;
}

std::uint32_t readUint16(std::string_view bytes, std::size_t offset) {
    return readLittleEndian(bytes, offset, 2);
}

std::uint32_t readUint32(std::string_view bytes, std::size_t offset) {
    return readLittleEndian(bytes, offset, 4);
}

// The end of the certificate table in the file; 0 when the optional header has no
// security directory or the program is not signed.
std::uint64_t certificateTableEnd(std::string_view optionalHeader) {
    if (optionalHeader.size() < 2) return 0;
    std::size_t countField = 0;
    switch (readUint16(optionalHeader, 0)) {
        case kPe32Magic:
            countField = kPe32DirectoryCountField;
            break;
        case kPe32PlusMagic:
            countField = kPe32PlusDirectoryCountField;
            break;
        default:
            return 0;
    }
    const std::size_t entry = countField + 4 + kSecurityDirectory * kDirectorySize;
    if (optionalHeader.size() < entry + kDirectorySize) return 0;
    if (readUint32(optionalHeader, countField) <= kSecurityDirectory) return 0;
    const std::uint32_t size = readUint32(optionalHeader, entry + 4);
    if (size == 0) return 0;
    return std::uint64_t{readUint32(optionalHeader, entry)} + size;
}

}  // namespace

void SetupCheck::feed(std::string_view piece) {
    received_ += piece.size();
    if (received_ > kMaxSetupSize) return settle(Verdict::Rejected);
    // Each step of decide() either decides or asks for more header bytes, up to wanted_.
    while (verdict_ == Verdict::Undecided && !piece.empty()) {
        const std::size_t take = std::min(piece.size(), wanted_ - head_.size());
        head_.append(piece.substr(0, take));
        piece.remove_prefix(take);
        decide();
    }
}

// True when the header bytes reach `size`; otherwise the next step waits for them.
bool SetupCheck::reached(std::size_t size) {
    if (head_.size() >= size) return true;
    wanted_ = size;
    return false;
}

void SetupCheck::settle(Verdict verdict) {
    verdict_ = verdict;
    // The decision is made; the headers are no longer needed.
    head_.clear();
    head_.shrink_to_fit();
}

void SetupCheck::decide() {
    const std::string_view head(head_);
    if (!kMzHeader.starts_with(head.substr(0, kMzHeader.size()))) return settle(Verdict::Rejected);
    if (!reached(kPeOffsetField + 4)) return;

    const std::uint32_t peOffset = readUint32(head, kPeOffsetField);
    if (peOffset < kMinPeOffset || peOffset > kMaxPeOffset) return settle(Verdict::Rejected);
    if (!reached(peOffset + kPeSignature.size())) return;
    if (head.substr(peOffset, kPeSignature.size()) != kPeSignature) return settle(Verdict::Rejected);

    const std::size_t fileHeader = peOffset + kPeSignature.size();
    if (!reached(fileHeader + kFileHeaderSize)) return;
    const std::uint32_t sectionCount = readUint16(head, fileHeader + kSectionCountField);
    const std::uint32_t optionalHeaderSize = readUint16(head, fileHeader + kOptionalHeaderSizeField);
    if (sectionCount > kMaxSections || optionalHeaderSize > kMaxOptionalHeaderSize) {
        return settle(Verdict::Rejected);
    }

    const std::size_t optionalHeader = fileHeader + kFileHeaderSize;
    const std::size_t sectionTable = optionalHeader + optionalHeaderSize;
    const std::size_t headersEnd = sectionTable + sectionCount * kSectionHeaderSize;
    if (!reached(headersEnd)) return;

    // The file ends where the furthest of its parts ends: the headers, a section's data
    // or the certificate table. The sums are 64-bit, so no field can wrap them around.
    std::uint64_t required = std::max<std::uint64_t>(
        headersEnd, certificateTableEnd(head.substr(optionalHeader, optionalHeaderSize)));
    for (std::size_t entry = sectionTable; entry < headersEnd; entry += kSectionHeaderSize) {
        const std::uint32_t size = readUint32(head, entry + kRawDataSizeField);
        if (size == 0) continue;  // data only in memory, such as zero-filled variables
        required = std::max(required, std::uint64_t{readUint32(head, entry + kRawDataOffsetField)} + size);
    }
    if (required > kMaxSetupSize) return settle(Verdict::Rejected);
    requiredSize_ = required;
    settle(Verdict::Accepted);
}

bool SetupCheck::accepts(const platform::HttpResult& transfer) const {
    return transfer.completed && transfer.status >= 200 && transfer.status <= 299 &&
           verdict_ == Verdict::Accepted && received_ >= requiredSize_;
}

}  // namespace update
