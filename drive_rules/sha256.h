// SHA-256 (FIPS 180-4), fed in pieces, for the README that lists every quarantined
// file with its content hash. Portable: it needs nothing from the system.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace lockbay {

class Sha256 {
public:
    Sha256();
    void update(std::string_view bytes);
    // The digest of everything fed so far, as 64 lower-case hex digits. The object is
    // finished afterwards; feed a new one for a new digest.
    std::string hexDigest();

private:
    void compress(const std::uint8_t* block);

    std::array<std::uint32_t, 8> state_;
    std::array<std::uint8_t, 64> buffer_{};
    std::size_t buffered_ = 0;
    std::uint64_t totalBytes_ = 0;
};

// The digest of one piece of bytes.
std::string sha256Hex(std::string_view bytes);

}  // namespace lockbay
