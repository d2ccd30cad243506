// Whether a downloaded setup program is ours: see setup_trust.h.
#include "update/core/setup_trust.h"

namespace update {

namespace {

namespace status = platform::trust_status;

// The check verified the signature over the content; what it objects to, if anything,
// is only the certificate's standing: no chain to a trusted root, or its validity period
// (no time stamp can be had without the network). The pin decides then.
bool contentSignatureHolds(std::uint32_t code) {
    switch (code) {
        case status::kValid:
        case status::kUntrustedRoot:
        case status::kChaining:
        case status::kUntrustedTestRoot:
        case status::kUntrustedCa:
        case status::kExpired:
            return true;
        default:
            return false;
    }
}

bool notSigned(std::uint32_t code) {
    return code == status::kNoSignature || code == status::kSubjectFormUnknown ||
           code == status::kProviderUnknown;
}

// The content does not match its signature, or the signature itself is damaged.
bool altered(std::uint32_t code) {
    return code == status::kBadDigest || code == status::kHashValue ||
           (code >= status::kFirstAsn1Error && code <= status::kLastAsn1Error);
}

}  // namespace

SetupTrust judgeSetup(const platform::SignatureReport& report, const platform::KeyHash& trustedKey) {
    if (notSigned(report.status)) return SetupTrust::NotSigned;
    if (altered(report.status)) return SetupTrust::Altered;
    // Revoked or explicitly distrusted certificates, and failures of the check itself.
    if (!contentSignatureHolds(report.status) || !report.signerKey) return SetupTrust::Unverifiable;
    return *report.signerKey == trustedKey ? SetupTrust::Trusted : SetupTrust::SignedBySomeoneElse;
}

}  // namespace update
