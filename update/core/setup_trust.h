// Whether a downloaded setup program is ours: its Authenticode signature must cover its
// content as it arrived, and the certificate that made it must carry the key fixed at
// build time (the pin). A chain to a root that Windows trusts is not required: the pin
// is the stronger test, and a development certificate has no such root. A trusted root
// never replaces the pin either.
#pragma once

#include "platform/signatures.h"

namespace update {

enum class SetupTrust {
    Trusted,              // signed over its content with the pinned key
    NotSigned,            // it carries no signature
    Altered,              // changed after it was signed (or its signature is damaged)
    SignedBySomeoneElse,  // intact, but signed with another key
    Unverifiable,         // the system could not check it, or distrusts its certificate
};

SetupTrust judgeSetup(const platform::SignatureReport& report, const platform::KeyHash& trustedKey);

}  // namespace update
