// The acceptance check for a downloaded setup program. The updater starts only a
// Windows executable: the body begins with the "MZ" header, whose field at offset 0x3C
// (little endian) gives the offset of the "PE\0\0" signature, and the transfer itself
// completed with a success status.
//
// The check is fed the body piece by piece as it arrives and keeps only the first
// bytes it needs (at most kMaxPeOffset + 4), so it never holds a large body.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/http.h"

namespace update {

class SetupCheck {
public:
    enum class Verdict {
        Undecided,  // not enough bytes yet
        Accepted,   // the header is a Windows executable's
        Rejected,   // it is not, whatever follows
    };

    // Where the "MZ" header keeps the offset of the PE signature.
    static constexpr std::size_t kPeOffsetField = 0x3C;
    // The PE header follows the 64-byte "MZ" header ...
    static constexpr std::uint32_t kMinPeOffset = 0x40;
    // ... and lies near the start of the file; a larger offset is not a setup program.
    static constexpr std::uint32_t kMaxPeOffset = 64 * 1024;

    // Takes the next piece of the body.
    void feed(std::string_view piece);
    // The verdict on the bytes fed so far. Once Accepted or Rejected it never changes.
    Verdict verdict() const { return verdict_; }
    bool rejected() const { return verdict_ == Verdict::Rejected; }

    // The final decision: the transfer completed, with a status of 200 to 299, and the
    // body is a Windows executable.
    bool accepts(const platform::HttpResult& transfer) const;

private:
    void decide();

    std::string head_;  // the first bytes of the body, as many as the check needs
    Verdict verdict_ = Verdict::Undecided;
};

}  // namespace update
