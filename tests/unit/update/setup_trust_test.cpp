// Which signature reports make a setup program ours, and why the others are refused.
#include "update/core/setup_trust.h"

#include <gtest/gtest.h>

namespace {

using platform::KeyHash;
using update::SetupTrust;
namespace status = platform::trust_status;

constexpr KeyHash kPin{0x7a, 0x03, 0x73, 0xd6};
constexpr KeyHash kSameButLastByte = [] {
    KeyHash key = kPin;
    key[31] = 1;
    return key;
}();

TEST(SetupTrust, OnlyAnIntactSignatureWithThePinnedKeyIsTrusted) {
    struct Case {
        const char* name;
        platform::SignatureReport report;
        SetupTrust expected;
    };
    const Case cases[] = {
        {"development certificate: no trusted root", {status::kUntrustedRoot, kPin}, SetupTrust::Trusted},
        {"chain to a trusted root", {status::kValid, kPin}, SetupTrust::Trusted},
        {"issuer unknown here", {status::kChaining, kPin}, SetupTrust::Trusted},
        {"certificate expired since", {status::kExpired, kPin}, SetupTrust::Trusted},
        {"a trusted root never replaces the pin",
         {status::kValid, kSameButLastByte},
         SetupTrust::SignedBySomeoneElse},
        {"another key", {status::kUntrustedRoot, KeyHash{}}, SetupTrust::SignedBySomeoneElse},
        {"no signature", {status::kNoSignature, std::nullopt}, SetupTrust::NotSigned},
        {"not a signable file", {status::kSubjectFormUnknown, std::nullopt}, SetupTrust::NotSigned},
        {"content changed", {status::kBadDigest, kPin}, SetupTrust::Altered},
        {"signature damaged", {0x8009310B, std::nullopt}, SetupTrust::Altered},
        {"revoked", {status::kRevoked, kPin}, SetupTrust::Unverifiable},
        {"distrusted on this computer", {status::kExplicitDistrust, kPin}, SetupTrust::Unverifiable},
        {"check failed", {0x80070005, kPin}, SetupTrust::Unverifiable},
        {"no signer could be read", {status::kUntrustedRoot, std::nullopt}, SetupTrust::Unverifiable},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(update::judgeSetup(c.report, kPin), c.expected) << c.name;
    }
}

}  // namespace
