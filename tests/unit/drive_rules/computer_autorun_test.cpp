// The computer's AutoRun switch on the fake registry: off and back on leaves every key
// and value exactly as before (also absent values and keys that did not exist), a second
// "off" never replaces the first save, and a refused write changes nothing.
#include "drive_rules/computer_autorun.h"

#include <gtest/gtest.h>

#include "fakes/fake_platform.h"

namespace {

using lockbay::AutoRunChange;
using platform::RegistryRoot;

const wchar_t kPolicies[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
const wchar_t kMapping[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\IniFileMapping\\autorun.inf";

struct Start {
    const char* what;
    std::function<void(fakes::FakeRegistry&)> prepare;
};

const std::vector<Start>& starts() {
    static const std::vector<Start> cases = {
        {"an empty registry", [](fakes::FakeRegistry&) {}},
        {"keys there, values absent",
         [](fakes::FakeRegistry& r) {
             r.write(RegistryRoot::LocalMachine, kPolicies, L"NoDriveTypeAutoRun", platform::dwordValue(1));
             r.remove(RegistryRoot::LocalMachine, kPolicies, L"NoDriveTypeAutoRun");
             r.write(RegistryRoot::LocalMachine,
                     L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\IniFileMapping", L"win.ini",
                     platform::stringValue(L"#SYS:x"));
         }},
        {"values of their own, one of an odd type",
         [](fakes::FakeRegistry& r) {
             r.write(RegistryRoot::LocalMachine, kPolicies, L"NoDriveTypeAutoRun",
                     platform::dwordValue(0x91));
             r.write(RegistryRoot::LocalMachine, kMapping, L"",
                     {platform::regtype::kExpandString, std::string("x\0y\0\0\0", 6)});
             r.write(RegistryRoot::LocalMachine, L"SOFTWARE\\Lockbay", L"Installed", platform::dwordValue(1));
         }},
    };
    return cases;
}

TEST(ComputerAutoRun, OffThenOnLeavesTheRegistryExactlyAsItWas) {
    for (const Start& start : starts()) {
        fakes::FakeRegistry registry;
        start.prepare(registry);
        const auto before = registry.keys();
        EXPECT_FALSE(lockbay::readComputerAutoRun(registry).off) << start.what;

        ASSERT_EQ(lockbay::turnComputerAutoRunOff(registry), AutoRunChange::Done) << start.what;
        const auto off = lockbay::readComputerAutoRun(registry);
        EXPECT_TRUE(off.off && off.saved) << start.what;
        EXPECT_EQ(registry.read(RegistryRoot::LocalMachine, kPolicies, L"NoDriveTypeAutoRun"),
                  platform::dwordValue(0xFF));
        EXPECT_EQ(registry.read(RegistryRoot::LocalMachine, kMapping, L""),
                  platform::stringValue(L"@SYS:DoesNotExist"));

        // A second "off" keeps the first save: "on" must not put Lockbay's own values back.
        ASSERT_EQ(lockbay::turnComputerAutoRunOff(registry), AutoRunChange::Done) << start.what;
        ASSERT_EQ(lockbay::turnComputerAutoRunOn(registry), AutoRunChange::Done) << start.what;
        EXPECT_EQ(registry.keys().size(), before.size()) << start.what;
        EXPECT_TRUE(registry.keys() == before) << start.what;
        EXPECT_FALSE(lockbay::readComputerAutoRun(registry).saved) << start.what;
    }
}

TEST(ComputerAutoRun, OnWithoutASaveChangesNothing) {
    fakes::FakeRegistry registry;
    registry.write(RegistryRoot::LocalMachine, kPolicies, L"NoDriveTypeAutoRun", platform::dwordValue(0xFF));
    registry.write(RegistryRoot::LocalMachine, kMapping, L"", platform::stringValue(L"@sys:doesnotexist"));
    const auto before = registry.keys();
    const auto state = lockbay::readComputerAutoRun(registry);
    EXPECT_TRUE(state.off);  // set by an administrator, letter case aside
    EXPECT_FALSE(state.saved);
    EXPECT_EQ(lockbay::turnComputerAutoRunOn(registry), AutoRunChange::NothingSaved);
    EXPECT_TRUE(registry.keys() == before);
}

TEST(ComputerAutoRun, WithoutAdministratorRightsNothingIsChanged) {
    fakes::FakeRegistry registry;
    registry.write(RegistryRoot::LocalMachine, kPolicies, L"NoDriveTypeAutoRun", platform::dwordValue(0x91));
    registry.elevated = false;
    const auto before = registry.keys();
    EXPECT_EQ(lockbay::turnComputerAutoRunOff(registry), AutoRunChange::NeedsAdministrator);
    EXPECT_TRUE(registry.keys() == before);
}

TEST(ComputerAutoRun, AKeyThatGainedOtherValuesStaysWhenAutoRunGoesBackOn) {
    fakes::FakeRegistry registry;
    ASSERT_EQ(lockbay::turnComputerAutoRunOff(registry), AutoRunChange::Done);
    registry.write(RegistryRoot::LocalMachine, kPolicies, L"NoAutorun", platform::dwordValue(1));
    ASSERT_EQ(lockbay::turnComputerAutoRunOn(registry), AutoRunChange::Done);
    EXPECT_EQ(registry.read(RegistryRoot::LocalMachine, kPolicies, L"NoAutorun"), platform::dwordValue(1));
    EXPECT_FALSE(registry.read(RegistryRoot::LocalMachine, kPolicies, L"NoDriveTypeAutoRun"));
    EXPECT_FALSE(registry.keyExists(RegistryRoot::LocalMachine, kMapping));
    EXPECT_FALSE(registry.keyExists(RegistryRoot::LocalMachine, L"SOFTWARE\\Lockbay"));
}

TEST(ComputerAutoRun, AValueLeftByAnInterruptedSaveIsNotPutBack) {
    fakes::FakeRegistry registry;
    registry.write(RegistryRoot::LocalMachine, lockbay::kSavedAutoRunKey, L"NoDriveTypeAutoRun",
                   platform::dwordValue(0x91));
    ASSERT_EQ(lockbay::turnComputerAutoRunOff(registry), AutoRunChange::Done);
    ASSERT_EQ(lockbay::turnComputerAutoRunOn(registry), AutoRunChange::Done);
    EXPECT_FALSE(registry.read(RegistryRoot::LocalMachine, kPolicies, L"NoDriveTypeAutoRun"));
}

}  // namespace
