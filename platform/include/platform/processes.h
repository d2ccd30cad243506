// Starting other programs: command lines, programs and shell "open".
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace platform {

struct StartResult {
    bool started = false;
    std::wstring error;  // the system's reason when not started
};

// A command line that was started and waited for.
struct CommandResult {
    enum class Outcome {
        Finished,    // it ended; exitCode is its exit code
        TimedOut,    // it was still running when the time was up (it is left running)
        NotStarted,  // it could not be started; error says why
    };
    Outcome outcome = Outcome::NotStarted;
    std::uint32_t exitCode = 0;
    std::wstring error;
};

// A program started with administrator rights, watched from the caller's event loop.
class RunningProcess {
public:
    virtual ~RunningProcess() = default;
    // Its exit code once it has ended; nothing while it runs.
    virtual std::optional<std::uint32_t> exitCode() = 0;
};

// A command line started and kept, so that the caller sees it end.
struct CommandStart {
    std::unique_ptr<RunningProcess> process;  // null when it was not started
    std::wstring error;                       // the system's reason then
};

struct ElevatedStart {
    std::unique_ptr<RunningProcess> process;  // null when it was not started
    bool declined = false;                    // the user answered No to the system's prompt
    std::wstring error;                       // the system's reason otherwise
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
    // Starts a command line exactly as runCommand does (same text, minimized with the
    // focus) and keeps its process, so that the caller's event loop sees it end and reads
    // its exit code. `input`, when not empty, is what it reads on its standard input
    // (as console text), after which its input ends; convert asks there for a volume's label.
    virtual CommandStart startCommand(const std::wstring& commandLine, const std::wstring& input) = 0;
    // Starts a command line exactly as runCommand does (same text, minimized with the
    // focus) and waits at most `timeoutMs` for it to end. Its console is its own, so its
    // output never mixes with the caller's. `input` as for startCommand.
    virtual CommandResult runCommandAndWait(const std::wstring& commandLine, int timeoutMs,
                                            const std::wstring& input) = 0;
    // Asks the shell to start a program with administrator rights (the "runas" verb: the
    // system asks the user once when the caller has none). Its window is hidden.
    virtual ElevatedStart startElevated(const std::wstring& program, const std::wstring& parameters) = 0;
    // Opens a web page in the browser with the rights of the signed-in user, not the
    // raised rights this program may run with; where the system offers no way to do
    // that, the shell opens it as shellOpen() does.
    virtual StartResult openWebPage(const std::wstring& address) = 0;
};

}  // namespace platform
