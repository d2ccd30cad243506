// Starting other programs: command lines, programs and shell "open".
#pragma once

#include <string>

namespace platform {

struct StartResult {
    bool started = false;
    std::wstring error;  // the system's reason when not started
};

class Processes {
public:
    virtual ~Processes() = default;
    // Starts a command line such as "cmd.exe /c cacls E:\autorun.inf /e /c /g Everyone:F"
    // as its own process in a minimized window that takes the focus. Never waited for.
    virtual StartResult runCommand(const std::wstring& commandLine) = 0;
    // Starts a program file with no arguments, minimized with the focus. Never waited for.
    virtual StartResult startProgram(const std::wstring& path) = 0;
    // Asks the shell to "open" a file or web address (show command 0), with this
    // program's own rights.
    virtual StartResult shellOpen(const std::wstring& target) = 0;
    // Opens a web page in the browser with the rights of the signed-in user, not the
    // raised rights this program may run with; where the system offers no way to do
    // that, the shell opens it as shellOpen() does.
    virtual StartResult openWebPage(const std::wstring& address) = 0;
};

}  // namespace platform
