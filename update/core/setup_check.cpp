// The acceptance check for a downloaded setup program: see setup_check.h.
#include "update/core/setup_check.h"

#include <algorithm>

namespace update {

namespace {

constexpr std::string_view kMzHeader("MZ", 2);
constexpr std::string_view kPeSignature("PE\0\0", 4);

std::uint32_t readUint32LittleEndian(std::string_view bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[offset + i])) << (8 * i);
    }
    return value;
}

}  // namespace

void SetupCheck::feed(std::string_view piece) {
    if (verdict_ != Verdict::Undecided) return;
    // Keep no more than the largest header the check may need to see.
    const std::size_t room = kMaxPeOffset + kPeSignature.size() - head_.size();
    head_.append(piece.substr(0, std::min(room, piece.size())));
    decide();
}

void SetupCheck::decide() {
    const std::string_view head(head_);
    if (head.size() < kMzHeader.size()) {
        if (!kMzHeader.starts_with(head)) verdict_ = Verdict::Rejected;
        return;
    }
    if (!head.starts_with(kMzHeader)) {
        verdict_ = Verdict::Rejected;
        return;
    }
    if (head.size() < kPeOffsetField + 4) return;
    const std::uint32_t peOffset = readUint32LittleEndian(head, kPeOffsetField);
    if (peOffset < kMinPeOffset || peOffset > kMaxPeOffset) {
        verdict_ = Verdict::Rejected;
        return;
    }
    if (head.size() < peOffset + kPeSignature.size()) return;
    verdict_ =
        head.substr(peOffset, kPeSignature.size()) == kPeSignature ? Verdict::Accepted : Verdict::Rejected;
    // The decision is made; the header is no longer needed.
    head_.clear();
    head_.shrink_to_fit();
}

bool SetupCheck::accepts(const platform::HttpResult& transfer) const {
    return transfer.completed && transfer.status >= 200 && transfer.status <= 299 &&
           verdict_ == Verdict::Accepted;
}

}  // namespace update
