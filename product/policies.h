// The policies an organisation sets through Group Policy (the administrative templates
// installer/policies/Lockbay.admx and en-US/Lockbay.adml): one table of their names,
// registry values and English titles, and the code that reads them. Every program reads
// them at start; the template test reads the same table, so that a policy cannot be in
// the templates without the programs knowing it, nor the other way round.
// Header-only: the updater links against nothing of Lockbay but the platform layer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/registry.h"

namespace product::policy {

// Where Group Policy writes the values, under HKEY_LOCAL_MACHINE (only administrators
// can write there, unlike HKCU).
inline constexpr const wchar_t* kKey = L"Software\\Policies\\Lockbay";

// An installation from the Windows Installer package (Lockbay.msi) leaves REG_DWORD 1 in
// this value under HKLM: the organisation deploys each new version as a package, so the
// programs behave as with the update check turned off.
inline constexpr const wchar_t* kInstallationKey = L"Software\\Lockbay";
inline constexpr const wchar_t* kUpdatesManagedValue = L"UpdatesManaged";

// The policies in force. Nothing: not configured, today's behaviour.
struct Policies {
    std::optional<bool> updateCheck;           // check for a newer version at start-up
    std::optional<std::wstring> updateHost;    // the organisation's host asked for the newest version
    std::optional<std::wstring> downloadHost;  // the organisation's host that serves the setup
    std::optional<bool> watcher;               // protect USB drives when they are plugged in
    std::optional<bool> offerCleaning;         // offer to clean infected drives
    std::optional<bool> ntfsConversion;        // allow conversion to NTFS

    bool operator==(const Policies&) const = default;
};

enum class Kind {
    Switch,  // REG_DWORD, 1 enabled, 0 disabled
    Host,    // REG_SZ, a host name with an optional port
};

struct Entry {
    const char* policy;        // the policy's name in the ADMX (and its title's string id)
    const wchar_t* valueName;  // the value under kKey
    const char* element;       // for a Host: the ADMX element's id; for a Switch: nullptr
    Kind kind;
    const char* title;    // the policy's English title, as in the ADML
    const char* cliName;  // the name `lockbay-cli policy` prints
    std::optional<bool> Policies::*flag;
    std::optional<std::wstring> Policies::*text;
};

inline constexpr Entry kEntries[] = {
    {"UpdateCheck", L"UpdateCheck", nullptr, Kind::Switch, "Check for a newer version at start-up",
     "update-check", &Policies::updateCheck, nullptr},
    {"UpdateHost", L"UpdateHost", "UpdateHost", Kind::Host, "Update host", "update-host", nullptr,
     &Policies::updateHost},
    {"UpdateHost", L"DownloadHost", "DownloadHost", Kind::Host, "Update host", "download-host", nullptr,
     &Policies::downloadHost},
    {"ProtectOnPlugIn", L"ProtectOnPlugIn", nullptr, Kind::Switch,
     "Protect USB drives when they are plugged in", "watcher", &Policies::watcher, nullptr},
    {"OfferCleaning", L"OfferCleaning", nullptr, Kind::Switch, "Offer to clean infected drives", "cleaning",
     &Policies::offerCleaning, nullptr},
    {"AllowNtfsConversion", L"AllowNtfsConversion", nullptr, Kind::Switch, "Allow conversion to NTFS",
     "ntfs-conversion", &Policies::ntfsConversion, nullptr},
};

// A host the programs may put into an http:// address: letters, digits, '.', '-' and an
// optional ":port", at most 253 characters. Anything else is treated as not configured.
inline bool usableHost(const std::wstring& host) {
    if (host.empty() || host.size() > 253) return false;
    std::size_t colons = 0;
    for (wchar_t c : host) {
        const bool plain = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') ||
                           c == L'.' || c == L'-';
        if (c == L':')
            ++colons;
        else if (!plain)
            return false;
    }
    return colons <= 1 && host.front() != L':' && host.back() != L':';
}

// Reads every policy of the table from HKLM. A value of the wrong type, or a switch other
// than 0 or 1, or an unusable host, counts as not configured. An installation from
// Lockbay.msi turns the update check off whatever its policy says.
inline Policies read(platform::Registry& registry) {
    Policies policies;
    for (const Entry& entry : kEntries) {
        const auto value = registry.read(platform::RegistryRoot::LocalMachine, kKey, entry.valueName);
        if (!value) continue;
        if (entry.kind == Kind::Switch) {
            const auto number = platform::dwordOf(*value);
            if (number && *number <= 1) policies.*entry.flag = *number == 1;
        } else {
            const auto text = platform::stringOf(*value);
            if (text && usableHost(*text)) policies.*entry.text = *text;
        }
    }
    const auto managed =
        registry.read(platform::RegistryRoot::LocalMachine, kInstallationKey, kUpdatesManagedValue);
    if (managed && platform::dwordOf(*managed) == 1u) policies.updateCheck = false;
    return policies;
}

}  // namespace product::policy
