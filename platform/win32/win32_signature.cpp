// The Authenticode check of a program file: WinVerifyTrust with the generic verify
// action (no user interface, no revocation look-up, nothing fetched from the network),
// and the SHA-256 of the signer certificate's SubjectPublicKeyInfo, read from the
// check's own state so that it is the certificate the check verified the file with.
//
// The signature libraries (wintrust, crypt32, bcrypt) are loaded when the first file is
// checked, not when the program starts: a program that never checks a file, or has not
// yet, does not carry them. They are loaded by full path from the system folder (never
// by name, which the working folder could answer), and kept for the rest of the process.
// When they or one of their functions cannot be had, the check fails: the report says
// that the signature could not be checked, never that it holds.
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
#include "win32_library.h"

namespace platform::win32 {

namespace {

// A library of the system folder, by its full path; dependencies come from there too.
HMODULE systemFolderLibrary(const wchar_t* name) {
    wchar_t folder[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    std::wstring path(folder, length);
    if (path.back() != L'\\') path += L'\\';
    path += name;
    return ::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
}

// The functions the check needs, bound once for the life of the process.
class SignatureApi {
public:
    // Nothing when a library or one of its functions cannot be had.
    static const SignatureApi* get() {
        static const SignatureApi api;
        return api.complete() ? &api : nullptr;
    }

    decltype(&::WinVerifyTrust) winVerifyTrust = nullptr;
    decltype(&::WTHelperProvDataFromStateData) providerData = nullptr;
    decltype(&::WTHelperGetProvSignerFromChain) providerSigner = nullptr;
    decltype(&::WTHelperGetProvCertFromChain) providerCertificate = nullptr;
    decltype(&::CryptEncodeObjectEx) encodeObject = nullptr;
    decltype(&::BCryptOpenAlgorithmProvider) openAlgorithm = nullptr;
    decltype(&::BCryptCloseAlgorithmProvider) closeAlgorithm = nullptr;
    decltype(&::BCryptCreateHash) createHash = nullptr;
    decltype(&::BCryptDestroyHash) destroyHash = nullptr;
    decltype(&::BCryptHashData) hashData = nullptr;
    decltype(&::BCryptFinishHash) finishHash = nullptr;

private:
    SignatureApi() {
        const HMODULE wintrust = systemFolderLibrary(L"wintrust.dll");
        const HMODULE crypt32 = systemFolderLibrary(L"crypt32.dll");
        const HMODULE bcrypt = systemFolderLibrary(L"bcrypt.dll");
        winVerifyTrust = bindFunction<decltype(winVerifyTrust)>(wintrust, "WinVerifyTrust");
        providerData = bindFunction<decltype(providerData)>(wintrust, "WTHelperProvDataFromStateData");
        providerSigner = bindFunction<decltype(providerSigner)>(wintrust, "WTHelperGetProvSignerFromChain");
        providerCertificate =
            bindFunction<decltype(providerCertificate)>(wintrust, "WTHelperGetProvCertFromChain");
        encodeObject = bindFunction<decltype(encodeObject)>(crypt32, "CryptEncodeObjectEx");
        openAlgorithm = bindFunction<decltype(openAlgorithm)>(bcrypt, "BCryptOpenAlgorithmProvider");
        closeAlgorithm = bindFunction<decltype(closeAlgorithm)>(bcrypt, "BCryptCloseAlgorithmProvider");
        createHash = bindFunction<decltype(createHash)>(bcrypt, "BCryptCreateHash");
        destroyHash = bindFunction<decltype(destroyHash)>(bcrypt, "BCryptDestroyHash");
        hashData = bindFunction<decltype(hashData)>(bcrypt, "BCryptHashData");
        finishHash = bindFunction<decltype(finishHash)>(bcrypt, "BCryptFinishHash");
    }
    bool complete() const {
        return winVerifyTrust && providerData && providerSigner && providerCertificate && encodeObject &&
               openAlgorithm && closeAlgorithm && createHash && destroyHash && hashData && finishHash;
    }
};

// The status of a check that could not run: not one that passes, nor one that says the
// file is unsigned or altered.
constexpr std::uint32_t kCheckUnavailable = static_cast<std::uint32_t>(TRUST_E_SYSTEM_ERROR);

bool succeeded(NTSTATUS status) {
    return status >= 0;
}

std::optional<KeyHash> sha256(const SignatureApi& api, const BYTE* data, DWORD size) {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (!succeeded(api.openAlgorithm(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) return std::nullopt;
    BCRYPT_HASH_HANDLE hash = nullptr;
    KeyHash digest{};
    const bool hashed = succeeded(api.createHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0)) &&
                        succeeded(api.hashData(hash, const_cast<BYTE*>(data), size, 0)) &&
                        succeeded(api.finishHash(hash, digest.data(), static_cast<ULONG>(digest.size()), 0));
    if (hash != nullptr) api.destroyHash(hash);
    api.closeAlgorithm(algorithm, 0);
    if (!hashed) return std::nullopt;
    return digest;
}

// The SHA-256 of a public key as the certificate carries it (DER).
std::optional<KeyHash> keyHash(const SignatureApi& api, const CERT_PUBLIC_KEY_INFO& key) {
    BYTE* encoded = nullptr;
    DWORD size = 0;
    if (!api.encodeObject(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, &key, CRYPT_ENCODE_ALLOC_FLAG, nullptr,
                          &encoded, &size)) {
        return std::nullopt;
    }
    const LocalMemory owner(encoded);
    return sha256(api, encoded, size);
}

// One run of the check. Its state keeps the signer's certificates until it is closed.
class Verification {
public:
    // With a handle, the check reads the file through it; the path only names the file.
    Verification(const SignatureApi& api, const std::wstring& path, HANDLE held = nullptr)
        : api_(api), path_(path) {
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
        status_ = api_.winVerifyTrust(kNoInteractiveUser, &action_, &data_);
    }
    Verification(const Verification&) = delete;
    Verification& operator=(const Verification&) = delete;
    ~Verification() {
        data_.dwStateAction = WTD_STATEACTION_CLOSE;
        api_.winVerifyTrust(kNoInteractiveUser, &action_, &data_);
    }

    std::uint32_t status() const { return static_cast<std::uint32_t>(status_); }

    // The certificate of the file's first signer; nothing when the check found none.
    const CERT_CONTEXT* signerCertificate() const {
        CRYPT_PROVIDER_DATA* provider = api_.providerData(data_.hWVTStateData);
        if (!provider) return nullptr;
        CRYPT_PROVIDER_SGNR* signer = api_.providerSigner(provider, 0, FALSE, 0);
        if (!signer) return nullptr;
        CRYPT_PROVIDER_CERT* certificate = api_.providerCertificate(signer, 0);
        return certificate ? certificate->pCert : nullptr;
    }

private:
    // Tells the check that nobody is there to answer questions.
    static inline const HWND kNoInteractiveUser = static_cast<HWND>(INVALID_HANDLE_VALUE);

    const SignatureApi& api_;
    std::wstring path_;
    GUID action_ = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    WINTRUST_FILE_INFO file_{};
    WINTRUST_DATA data_{};
    LONG status_ = 0;
};

class Win32SignatureCheck final : public SignatureCheck {
public:
    SignatureReport examine(const std::wstring& path) override {
        const SignatureApi* api = SignatureApi::get();
        if (!api) return unavailable();
        return report(*api, Verification(*api, path));
    }

    SignatureReport examineHeld(const OutputFile& file) override {
        const auto held = reinterpret_cast<HANDLE>(file.heldHandle());
        if (held == nullptr) return examine(file.temporaryPath());
        const SignatureApi* api = SignatureApi::get();
        if (!api) return unavailable();
        return report(*api, Verification(*api, file.temporaryPath(), held));
    }

private:
    static SignatureReport unavailable() {
        SignatureReport report;
        report.status = kCheckUnavailable;
        return report;
    }

    static SignatureReport report(const SignatureApi& api, const Verification& verification) {
        SignatureReport report;
        report.status = verification.status();
        if (const CERT_CONTEXT* certificate = verification.signerCertificate();
            certificate && certificate->pCertInfo) {
            report.signerKey = keyHash(api, certificate->pCertInfo->SubjectPublicKeyInfo);
        }
        return report;
    }
};

}  // namespace

std::unique_ptr<SignatureCheck> makeSignatureCheck() {
    return std::make_unique<Win32SignatureCheck>();
}

}  // namespace platform::win32
