// What Lockbay's elevated programs hand to the system, kept apart from the calls so that
// it can be checked on its own: the environment of the tools they start, and the access
// list of a file that only administrators may change.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Set in every started tool's environment: the system's program search (and a command
// interpreter that honours it) then never looks in the current folder for a program.
inline constexpr std::wstring_view kNoCurrentFolderSearch = L"NoDefaultCurrentDirectoryInExePath";

// The environment block for a started tool: the given block ("NAME=value\0...\0\0", as
// the system hands it over) with kNoCurrentFolderSearch set to 1; an entry of that name
// already there (in any case) is replaced. The result ends with two nulls.
std::wstring toolEnvironment(std::wstring_view parentBlock);

// The access list of a file that the updater writes and then starts: SYSTEM and the
// Administrators group have full control, nobody else has any access, and nothing is
// inherited from the folder (protected), so that no other account can change or
// replace the file between its check and its start.
inline constexpr const wchar_t* kAdministratorsOnlyAccess = L"D:P(A;;FA;;;SY)(A;;FA;;;BA)";

}  // namespace platform
