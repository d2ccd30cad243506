// The computer's own AutoRun switch: the registry settings that make Windows ignore
// autorun.inf on every drive, read, turned off and put back exactly as they were. The
// command line and the main window both switch AutoRun here and nowhere else.
//
// Off means two machine-wide settings:
//   - NoDriveTypeAutoRun = 0xFF under the machine's Explorer policies (AutoRun off for
//     every type of drive);
//   - the IniFileMapping entry for autorun.inf set to "@SYS:DoesNotExist", so that
//     Windows reads no autorun.inf at all.
// Before changing them, the values they held (or that they were absent, and which keys
// on their path did not exist) are saved under Lockbay's own key; turning AutoRun back
// on puts exactly those back and removes the save.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace lockbay {

// Every setting that decides whether Windows runs autorun.inf, in the order a report
// shows them. Lockbay changes only the first and the last.
enum class AutoRunSetting {
    MachineDriveTypes,  // NoDriveTypeAutoRun of the machine's policies
    UserDriveTypes,     // NoDriveTypeAutoRun of the user's own policies
    MachineNoAutorun,   // NoAutorun of the machine's policies
    UserNoAutorun,      // NoAutorun of the user's own policies
    InfMapping,         // the IniFileMapping entry for autorun.inf (its default value)
};

struct AutoRunSettingPlace {
    platform::RegistryRoot root;
    std::wstring key;
    std::wstring name;  // empty: the key's default value
};

// Where a setting lives in the registry.
const AutoRunSettingPlace& placeOf(AutoRunSetting setting);
// Every setting, in report order.
const std::vector<AutoRunSetting>& allAutoRunSettings();

// The values Lockbay writes to turn AutoRun off.
inline constexpr std::uint32_t kAllDriveTypes = 0xFF;
inline constexpr wchar_t kIgnoredInfMapping[] = L"@SYS:DoesNotExist";

// Lockbay's own key, where the replaced values are kept.
inline constexpr wchar_t kSavedAutoRunKey[] = L"SOFTWARE\\Lockbay\\Saved AutoRun settings";

struct AutoRunSettingValue {
    AutoRunSetting setting;
    std::optional<platform::RegistryValue> value;  // nothing: the value is absent
};

struct ComputerAutoRun {
    bool off = false;    // both of Lockbay's settings are in place
    bool saved = false;  // Lockbay holds the values it replaced: it can turn AutoRun back on
    std::vector<AutoRunSettingValue> settings;  // every setting, in report order
};

ComputerAutoRun readComputerAutoRun(platform::Registry& registry);

enum class AutoRunChange {
    Done,
    NothingSaved,        // turning on: Lockbay has not turned AutoRun off, nothing to put back
    NeedsAdministrator,  // the registry refused: the caller lacks administrator rights
    Failed,              // the registry refused for another reason
};

// Saves the values it replaces (unless a save is there already, from an earlier
// switch that has not been undone) and writes the two settings. When a write is refused,
// what was written is put back and the save made by this call is removed again.
AutoRunChange turnComputerAutoRunOff(platform::Registry& registry);

// Puts back exactly the saved values (an absent value is removed again, and the keys
// that did not exist are removed when nothing else has been put into them), then removes
// the save. When a write is refused the save stays, so that the switch can be tried again.
AutoRunChange turnComputerAutoRunOn(platform::Registry& registry);

}  // namespace lockbay
