// The rule that decides whether the update host's answer names a newer version than
// the running program.
#pragma once

#include <optional>
#include <string_view>

#include "platform/program.h"

namespace lockbay {

// Reads the update host's answer as a version. The answer, with surrounding spaces,
// tabs and line breaks ignored, must be exactly Major.Minor.Revision: three parts of
// one to nine decimal digits each, nothing else. Anything else gives nothing.
std::optional<platform::ProgramVersion> parseServerVersion(std::string_view serverBody);

// True only when the answer is such a version and its numbers are greater than the
// local ones, compared as numbers in the order Major, Minor, Revision.
bool isNewerVersion(std::string_view serverBody, platform::ProgramVersion local);

}  // namespace lockbay
