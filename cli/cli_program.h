// lockbay-cli: reads the command line, runs the command and tells the result, on
// standard output (a table, messages, or one JSON document with --json) and as the exit
// code. It runs with the caller's rights and never asks for more.
#pragma once

#include <string>
#include <vector>

#include "platform/console.h"

namespace cli {

enum ExitCode : int {
    kDone = 0,
    kFailed = 1,              // an operation failed; what failed is printed
    kBadUsage = 2,            // the arguments make no sense
    kNeedsAdministrator = 3,  // the operation needs administrator rights
    kDriveUnusable = 4,       // the drive is not there or cannot be written
    kRefusedByPolicy = 5,     // the organisation's policy does not allow it; nothing was changed
};

int run(platform::ConsolePlatform& platform, const std::vector<std::wstring>& arguments);

}  // namespace cli
