// The command line of lockbay-cli: what the administrator asked for, or why the
// arguments make no sense.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace cli {

enum class Command {
    Help,
    Version,
    List,
    Protect,
    Restore,
    ComputerStatus,
    ComputerProtect,
    ComputerRestore,
    Policy,  // the organisation's policies in force
};

struct Invocation {
    Command command = Command::Help;
    std::vector<wchar_t> drives;  // upper-case letters, in the order given
    bool allRemovable = false;    // --all-removable in place of the letters
    bool advanced = false;        // protect --advanced
    bool yes = false;             // --yes: convert to NTFS without asking
    bool clean = false;           // protect --clean: quarantine what an infected autorun.inf started
    bool json = false;            // --json
};

struct ParsedArguments {
    std::optional<Invocation> invocation;  // nothing when the arguments are bad
    std::wstring error;                    // then: what is wrong, for a person
    bool json = false;                     // --json was among them (also when they are bad)
};

ParsedArguments parseArguments(const std::vector<std::wstring>& arguments);

}  // namespace cli
