// The computer's AutoRun switch: see computer_autorun.h.
//
// The save under kSavedAutoRunKey holds, for each setting Lockbay changes:
//   "<name>"            the value as it was (type and bytes), only when it was there;
//   "<name> new keys"   how many keys at the end of the setting's path did not exist;
// and "Own new keys", how many keys at the end of kSavedAutoRunKey did not exist. That
// last value is written last and removed first: it is what makes a save complete.
#include "drive_rules/computer_autorun.h"

#include <cwctype>

#include "drive_rules/best_effort.h"

namespace lockbay {

namespace {

using platform::RegistryRoot;
using platform::RegistryStatus;
using platform::RegistryValue;

const wchar_t kExplorerPolicies[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
const wchar_t kInfMappingKey[] =
    L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\IniFileMapping\\autorun.inf";
const wchar_t kOwnNewKeys[] = L"Own new keys";

// The settings Lockbay changes, with the name each one's saved value has.
struct ChangedSetting {
    AutoRunSetting setting;
    const wchar_t* savedName;
};
const ChangedSetting kChanged[] = {
    {AutoRunSetting::MachineDriveTypes, L"NoDriveTypeAutoRun"},
    {AutoRunSetting::InfMapping, L"autorun.inf mapping"},
};

std::wstring newKeysName(const ChangedSetting& changed) {
    return std::wstring(changed.savedName) + L" new keys";
}

RegistryValue offValue(AutoRunSetting setting) {
    return setting == AutoRunSetting::InfMapping ? platform::stringValue(kIgnoredInfMapping)
                                                 : platform::dwordValue(kAllDriveTypes);
}

bool sameText(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::towupper(a[i]) != std::towupper(b[i])) return false;
    }
    return true;
}

bool isOffValue(AutoRunSetting setting, const std::optional<RegistryValue>& value) {
    if (!value) return false;
    if (setting == AutoRunSetting::InfMapping) {
        const auto text = platform::stringOf(*value);
        return text && sameText(*text, kIgnoredInfMapping);
    }
    return platform::dwordOf(*value) == kAllDriveTypes;
}

// How many keys at the end of `key` do not exist ("A\B\C" with only "A" there: 2).
std::uint32_t missingKeys(platform::Registry& registry, RegistryRoot root, std::wstring key) {
    std::uint32_t missing = 0;
    while (!key.empty() && !registry.keyExists(root, key)) {
        ++missing;
        const auto slash = key.rfind(L'\\');
        key = slash == std::wstring::npos ? std::wstring() : key.substr(0, slash);
    }
    return missing;
}

// Removes the last `count` keys of `key`, deepest first, each only while it is empty:
// a key that has been given something else since stays, with the keys above it.
void removeNewKeys(platform::Registry& registry, RegistryRoot root, std::wstring key, std::uint32_t count) {
    for (std::uint32_t i = 0; i < count && !key.empty(); ++i) {
        if (registry.removeEmptyKey(root, key) != RegistryStatus::Done) return;
        const auto slash = key.rfind(L'\\');
        key = slash == std::wstring::npos ? std::wstring() : key.substr(0, slash);
    }
}

AutoRunChange changeOf(RegistryStatus status) {
    switch (status) {
        case RegistryStatus::Done:
            return AutoRunChange::Done;
        case RegistryStatus::AccessDenied:
            return AutoRunChange::NeedsAdministrator;
        case RegistryStatus::Failed:
            break;
    }
    return AutoRunChange::Failed;
}

bool hasSave(platform::Registry& registry) {
    return registry.read(RegistryRoot::LocalMachine, kSavedAutoRunKey, kOwnNewKeys).has_value();
}

// Removes the save: its completing value first, so that a save cut short is never taken
// for a whole one, then the other values and the keys it made.
RegistryStatus removeSave(platform::Registry& registry) {
    const auto own = registry.read(RegistryRoot::LocalMachine, kSavedAutoRunKey, kOwnNewKeys);
    if (const auto status = registry.remove(RegistryRoot::LocalMachine, kSavedAutoRunKey, kOwnNewKeys);
        status != RegistryStatus::Done) {
        return status;
    }
    for (const ChangedSetting& changed : kChanged) {
        for (const std::wstring& name : {std::wstring(changed.savedName), newKeysName(changed)}) {
            if (const auto status = registry.remove(RegistryRoot::LocalMachine, kSavedAutoRunKey, name);
                status != RegistryStatus::Done) {
                return status;
            }
        }
    }
    removeNewKeys(registry, RegistryRoot::LocalMachine, kSavedAutoRunKey,
                  own ? platform::dwordOf(*own).value_or(0) : 0);
    return RegistryStatus::Done;
}

RegistryStatus writeSave(platform::Registry& registry) {
    const std::uint32_t ownNewKeys = missingKeys(registry, RegistryRoot::LocalMachine, kSavedAutoRunKey);
    for (const ChangedSetting& changed : kChanged) {
        const AutoRunSettingPlace& place = placeOf(changed.setting);
        // An absent setting is saved as an absent value: one that an interrupted save left
        // behind would otherwise be put back in its place.
        const auto value = registry.read(place.root, place.key, place.name);
        if (const auto status =
                value
                    ? registry.write(RegistryRoot::LocalMachine, kSavedAutoRunKey, changed.savedName, *value)
                    : registry.remove(RegistryRoot::LocalMachine, kSavedAutoRunKey, changed.savedName);
            status != RegistryStatus::Done) {
            return status;
        }
        const auto newKeys = platform::dwordValue(missingKeys(registry, place.root, place.key));
        if (const auto status =
                registry.write(RegistryRoot::LocalMachine, kSavedAutoRunKey, newKeysName(changed), newKeys);
            status != RegistryStatus::Done) {
            return status;
        }
    }
    return registry.write(RegistryRoot::LocalMachine, kSavedAutoRunKey, kOwnNewKeys,
                          platform::dwordValue(ownNewKeys));
}

// Puts the saved values back; the save itself stays.
RegistryStatus putSavedValuesBack(platform::Registry& registry) {
    for (const ChangedSetting& changed : kChanged) {
        const AutoRunSettingPlace& place = placeOf(changed.setting);
        const auto saved = registry.read(RegistryRoot::LocalMachine, kSavedAutoRunKey, changed.savedName);
        const auto status = saved ? registry.write(place.root, place.key, place.name, *saved)
                                  : registry.remove(place.root, place.key, place.name);
        if (status != RegistryStatus::Done) return status;
        if (!saved) {
            const auto newKeys =
                registry.read(RegistryRoot::LocalMachine, kSavedAutoRunKey, newKeysName(changed));
            removeNewKeys(registry, place.root, place.key,
                          newKeys ? platform::dwordOf(*newKeys).value_or(0) : 0);
        }
    }
    return RegistryStatus::Done;
}

}  // namespace

const AutoRunSettingPlace& placeOf(AutoRunSetting setting) {
    static const AutoRunSettingPlace places[] = {
        {RegistryRoot::LocalMachine, kExplorerPolicies, L"NoDriveTypeAutoRun"},
        {RegistryRoot::CurrentUser, kExplorerPolicies, L"NoDriveTypeAutoRun"},
        {RegistryRoot::LocalMachine, kExplorerPolicies, L"NoAutorun"},
        {RegistryRoot::CurrentUser, kExplorerPolicies, L"NoAutorun"},
        {RegistryRoot::LocalMachine, kInfMappingKey, L""},
    };
    return places[static_cast<std::size_t>(setting)];
}

const std::vector<AutoRunSetting>& allAutoRunSettings() {
    static const std::vector<AutoRunSetting> settings = {
        AutoRunSetting::MachineDriveTypes, AutoRunSetting::UserDriveTypes, AutoRunSetting::MachineNoAutorun,
        AutoRunSetting::UserNoAutorun,     AutoRunSetting::InfMapping,
    };
    return settings;
}

ComputerAutoRun readComputerAutoRun(platform::Registry& registry) {
    ComputerAutoRun state;
    state.off = true;
    for (const AutoRunSetting setting : allAutoRunSettings()) {
        const AutoRunSettingPlace& place = placeOf(setting);
        auto value = registry.read(place.root, place.key, place.name);
        for (const ChangedSetting& changed : kChanged) {
            if (changed.setting == setting && !isOffValue(setting, value)) state.off = false;
        }
        state.settings.push_back({setting, std::move(value)});
    }
    state.saved = hasSave(registry);
    return state;
}

AutoRunChange turnComputerAutoRunOff(platform::Registry& registry) {
    // A save that is there already holds the values from before Lockbay's first switch;
    // the settings now may be Lockbay's own, which must never replace them.
    const bool savedNow = !hasSave(registry);
    if (savedNow) {
        if (const auto status = writeSave(registry); status != RegistryStatus::Done) {
            ignoreFailure(removeSave(registry));
            return changeOf(status);
        }
    }
    for (const ChangedSetting& changed : kChanged) {
        const AutoRunSettingPlace& place = placeOf(changed.setting);
        if (const auto status = registry.write(place.root, place.key, place.name, offValue(changed.setting));
            status != RegistryStatus::Done) {
            ignoreFailure(putSavedValuesBack(registry));
            if (savedNow) ignoreFailure(removeSave(registry));
            return changeOf(status);
        }
    }
    return AutoRunChange::Done;
}

AutoRunChange turnComputerAutoRunOn(platform::Registry& registry) {
    if (!hasSave(registry)) return AutoRunChange::NothingSaved;
    if (const auto status = putSavedValuesBack(registry); status != RegistryStatus::Done)
        return changeOf(status);
    return changeOf(removeSave(registry));
}

}  // namespace lockbay
