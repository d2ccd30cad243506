// What a console program gets from the operating system: its arguments, standard
// output and error, typed answers, and the services it works with. The Win32 platform
// builds these, calls consoleMain and ends the process with its result as exit code.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/filesystem.h"
#include "platform/processes.h"
#include "platform/program.h"
#include "platform/registry.h"

namespace platform {

class Console {
public:
    virtual ~Console() = default;
    // Text for standard output and standard error. Any character may appear: a console
    // shows it as it is, a file or pipe receives UTF-8.
    virtual void out(std::wstring_view text) = 0;
    virtual void err(std::wstring_view text) = 0;
    // A line from standard input without its line end; nothing at the end of the input.
    virtual std::optional<std::wstring> readLine() = 0;
};

struct ConsolePlatform {
    Console& console;
    FileSystem& fs;
    Processes& processes;
    ProgramInfo& program;
    Registry& registry;
};

// A console program defines this entry point. `arguments` leaves out the program's name.
int consoleMain(ConsolePlatform& platform, const std::vector<std::wstring>& arguments);

}  // namespace platform
