// The Authenticode signature of a program file, as the system's signature check reads
// it: whether the signature covers the file's content as it is, and the key of the
// certificate that signed it. What to make of that is the caller's decision.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/filesystem.h"

namespace platform {

// The SHA-256 of a certificate's SubjectPublicKeyInfo (its DER encoding).
using KeyHash = std::array<std::uint8_t, 32>;

// Results of the system's signature check (WinVerifyTrust) that callers tell apart.
namespace trust_status {
inline constexpr std::uint32_t kValid = 0;                        // signature and chain to a trusted root
inline constexpr std::uint32_t kProviderUnknown = 0x800B0001;     // TRUST_E_PROVIDER_UNKNOWN
inline constexpr std::uint32_t kSubjectFormUnknown = 0x800B0003;  // TRUST_E_SUBJECT_FORM_UNKNOWN
inline constexpr std::uint32_t kNoSignature = 0x800B0100;         // TRUST_E_NOSIGNATURE
inline constexpr std::uint32_t kExpired = 0x800B0101;             // CERT_E_EXPIRED
inline constexpr std::uint32_t kUntrustedRoot = 0x800B0109;       // CERT_E_UNTRUSTEDROOT
inline constexpr std::uint32_t kChaining = 0x800B010A;            // CERT_E_CHAINING
inline constexpr std::uint32_t kRevoked = 0x800B010C;             // CERT_E_REVOKED
inline constexpr std::uint32_t kUntrustedTestRoot = 0x800B010D;   // CERT_E_UNTRUSTEDTESTROOT
inline constexpr std::uint32_t kExplicitDistrust = 0x800B0111;    // TRUST_E_EXPLICIT_DISTRUST
inline constexpr std::uint32_t kUntrustedCa = 0x800B0112;         // CERT_E_UNTRUSTEDCA
inline constexpr std::uint32_t kBadDigest = 0x80096010;           // TRUST_E_BAD_DIGEST
inline constexpr std::uint32_t kHashValue = 0x80091007;           // CRYPT_E_HASH_VALUE
inline constexpr std::uint32_t kFirstAsn1Error = 0x80093100;      // CRYPT_E_ASN1_ERROR ...
inline constexpr std::uint32_t kLastAsn1Error = 0x800931FF;       // ... and the rest of its range
}  // namespace trust_status

struct SignatureReport {
    std::uint32_t status = trust_status::kNoSignature;  // the check's result
    std::optional<KeyHash> signerKey;  // the signer certificate's key, when a signer was found
};

class SignatureCheck {
public:
    virtual ~SignatureCheck() = default;
    // Checks the file's embedded signature against its content, without asking the user,
    // without a revocation look-up and without the network.
    virtual SignatureReport examine(const std::wstring& path) = 0;
    // The same check of a finished file, read through the handle that holds it (where it
    // has one), so that nobody can change it between the check and its use.
    virtual SignatureReport examineHeld(const OutputFile& file) { return examine(file.temporaryPath()); }
};

}  // namespace platform
