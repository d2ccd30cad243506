// The Authenticode check of a program file: WinVerifyTrust with the generic verify
// action (no user interface, no revocation look-up, nothing fetched from the network),
// and the SHA-256 of the signer certificate's SubjectPublicKeyInfo, read from the
// check's own state so that it is the certificate the check verified the file with.
#include <windows.h>
// After <windows.h>, which they build on.
#include <bcrypt.h>
#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <optional>
#include <string>

#include "platform/win32.h"
#include "win32_handle.h"

namespace platform::win32 {

namespace {

struct AlgorithmTraits {
    using Type = BCRYPT_ALG_HANDLE;
    static Type none() { return nullptr; }
    static bool valid(Type handle) { return handle != nullptr; }
    static void close(Type handle) { ::BCryptCloseAlgorithmProvider(handle, 0); }
};

struct HashTraits {
    using Type = BCRYPT_HASH_HANDLE;
    static Type none() { return nullptr; }
    static bool valid(Type handle) { return handle != nullptr; }
    static void close(Type handle) { ::BCryptDestroyHash(handle); }
};

bool succeeded(NTSTATUS status) {
    return status >= 0;
}

std::optional<KeyHash> sha256(const BYTE* data, DWORD size) {
    BCRYPT_ALG_HANDLE rawAlgorithm = nullptr;
    if (!succeeded(::BCryptOpenAlgorithmProvider(&rawAlgorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) {
        return std::nullopt;
    }
    const UniqueHandle<AlgorithmTraits> algorithm(rawAlgorithm);
    BCRYPT_HASH_HANDLE rawHash = nullptr;
    if (!succeeded(::BCryptCreateHash(algorithm.get(), &rawHash, nullptr, 0, nullptr, 0, 0)))
        return std::nullopt;
    const UniqueHandle<HashTraits> hash(rawHash);
    KeyHash digest{};
    if (!succeeded(::BCryptHashData(hash.get(), const_cast<BYTE*>(data), size, 0)) ||
        !succeeded(::BCryptFinishHash(hash.get(), digest.data(), static_cast<ULONG>(digest.size()), 0))) {
        return std::nullopt;
    }
    return digest;
}

// The SHA-256 of a public key as the certificate carries it (DER).
std::optional<KeyHash> keyHash(const CERT_PUBLIC_KEY_INFO& key) {
    BYTE* encoded = nullptr;
    DWORD size = 0;
    if (!::CryptEncodeObjectEx(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, &key, CRYPT_ENCODE_ALLOC_FLAG,
                               nullptr, &encoded, &size)) {
        return std::nullopt;
    }
    const LocalMemory owner(encoded);
    return sha256(encoded, size);
}

// One run of the check. Its state keeps the signer's certificates until it is closed.
class Verification {
public:
    // With a handle, the check reads the file through it; the path only names the file.
    explicit Verification(const std::wstring& path, HANDLE held = nullptr) : path_(path) {
        file_.cbStruct = sizeof file_;
        file_.pcwszFilePath = path_.c_str();
        file_.hFile = held;
        data_.cbStruct = sizeof data_;
        data_.dwUIChoice = WTD_UI_NONE;
        data_.fdwRevocationChecks = WTD_REVOKE_NONE;
        data_.dwUnionChoice = WTD_CHOICE_FILE;
        data_.pFile = &file_;
        data_.dwStateAction = WTD_STATEACTION_VERIFY;
        data_.dwProvFlags = WTD_REVOCATION_CHECK_NONE | WTD_CACHE_ONLY_URL_RETRIEVAL;
        status_ = ::WinVerifyTrust(kNoInteractiveUser, &action_, &data_);
    }
    Verification(const Verification&) = delete;
    Verification& operator=(const Verification&) = delete;
    ~Verification() {
        data_.dwStateAction = WTD_STATEACTION_CLOSE;
        ::WinVerifyTrust(kNoInteractiveUser, &action_, &data_);
    }

    std::uint32_t status() const { return static_cast<std::uint32_t>(status_); }

    // The certificate of the file's first signer; nothing when the check found none.
    const CERT_CONTEXT* signerCertificate() const {
        CRYPT_PROVIDER_DATA* provider = ::WTHelperProvDataFromStateData(data_.hWVTStateData);
        if (!provider) return nullptr;
        CRYPT_PROVIDER_SGNR* signer = ::WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0);
        if (!signer) return nullptr;
        CRYPT_PROVIDER_CERT* certificate = ::WTHelperGetProvCertFromChain(signer, 0);
        return certificate ? certificate->pCert : nullptr;
    }

private:
    // Tells the check that nobody is there to answer questions.
    static inline const HWND kNoInteractiveUser = static_cast<HWND>(INVALID_HANDLE_VALUE);

    std::wstring path_;
    GUID action_ = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    WINTRUST_FILE_INFO file_{};
    WINTRUST_DATA data_{};
    LONG status_ = 0;
};

class Win32SignatureCheck final : public SignatureCheck {
public:
    SignatureReport examine(const std::wstring& path) override { return report(Verification(path)); }

    SignatureReport examineHeld(const OutputFile& file) override {
        const auto held = reinterpret_cast<HANDLE>(file.heldHandle());
        if (held == nullptr) return examine(file.temporaryPath());
        return report(Verification(file.temporaryPath(), held));
    }

private:
    static SignatureReport report(const Verification& verification) {
        SignatureReport report;
        report.status = verification.status();
        if (const CERT_CONTEXT* certificate = verification.signerCertificate();
            certificate && certificate->pCertInfo) {
            report.signerKey = keyHash(certificate->pCertInfo->SubjectPublicKeyInfo);
        }
        return report;
    }
};

}  // namespace

std::unique_ptr<SignatureCheck> makeSignatureCheck() {
    return std::make_unique<Win32SignatureCheck>();
}

}  // namespace platform::win32
