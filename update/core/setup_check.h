// The acceptance check for a downloaded setup program. The updater starts only a
// complete Windows executable:
// - the body begins with the "MZ" header, whose field at offset 0x3C (little endian)
//   gives the offset of the "PE\0\0" signature;
// - the signature is followed by the file header, the optional header and the section
//   table, with at most kMaxSections sections and an optional header of at most
//   kMaxOptionalHeaderSize bytes;
// - the body reaches the end of every section's data in the file and, for a signed
//   program, the end of its certificate table (the security directory of a PE32 or
//   PE32+ optional header, whose address is a file offset);
// - the file is at most kMaxSetupSize bytes long, as its headers say and as it arrives;
// - and the transfer itself completed with a success status.
// The headers tell how long the whole file is, so a body cut short is refused even when
// the server announced the shorter length and the transfer seemed complete.
//
// The check is fed the body piece by piece as it arrives. It keeps only the headers (at
// most kMaxHeaderSize bytes) and counts the rest, so it never holds a large body.
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
        Undecided,  // the headers have not all arrived yet
        Accepted,   // the headers are a Windows executable's; the rest may still be missing
        Rejected,   // it is not, whatever follows
    };

    // Where the "MZ" header keeps the offset of the PE signature.
    static constexpr std::size_t kPeOffsetField = 0x3C;
    // The PE header follows the 64-byte "MZ" header ...
    static constexpr std::uint32_t kMinPeOffset = 0x40;
    // ... and lies near the start of the file; a larger offset is not a setup program.
    static constexpr std::uint32_t kMaxPeOffset = 64 * 1024;
    // The file header after the signature, and each entry of the section table.
    static constexpr std::size_t kFileHeaderSize = 20;
    static constexpr std::size_t kSectionHeaderSize = 40;
    // Linkers write a handful of sections and older Windows versions load no more than
    // 96; more is not a setup program.
    static constexpr std::uint32_t kMaxSections = 96;
    // The optional header is 224 bytes (PE32) or 240 (PE32+); anything beyond a few
    // kilobytes is not a setup program's.
    static constexpr std::uint32_t kMaxOptionalHeaderSize = 4096;
    // The largest setup program taken: a server on the way cannot fill drive C:. The
    // real one is well under a megabyte.
    static constexpr std::uint64_t kMaxSetupSize = 256ull * 1024 * 1024;
    // The most header bytes the check keeps.
    static constexpr std::size_t kMaxHeaderSize =
        kMaxPeOffset + 4 + kFileHeaderSize + kMaxOptionalHeaderSize + kMaxSections * kSectionHeaderSize;

    // Takes the next piece of the body.
    void feed(std::string_view piece);
    // The verdict on the headers fed so far. Once Rejected it never changes; Accepted
    // turns into Rejected only when the body grows beyond kMaxSetupSize.
    Verdict verdict() const { return verdict_; }
    bool rejected() const { return verdict_ == Verdict::Rejected; }

    // The final decision: the transfer completed, with a status of 200 to 299, the
    // headers are a Windows executable's, and the body is as long as they say.
    bool accepts(const platform::HttpResult& transfer) const;

private:
    void decide();
    bool reached(std::size_t size);
    void settle(Verdict verdict);

    std::string head_;                         // the first bytes of the body, as many as the check needs
    std::size_t wanted_ = kPeOffsetField + 4;  // the bytes of `head_` the next step reads
    std::uint64_t received_ = 0;               // every byte fed, the headers included
    std::uint64_t requiredSize_ = 0;           // the size of the whole file, once Accepted
    Verdict verdict_ = Verdict::Undecided;
};

}  // namespace update
