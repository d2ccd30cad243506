// Starting processes behind platform::Processes: the system's tools in a minimized
// console window with a working folder and search path of the system's own, commands
// watched until they end, and documents and web pages opened through the desktop shell.
#include <windows.h>

#include <shellapi.h>

#include <memory>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "platform/system_rules.h"
#include "platform/win32.h"
#include "win32_desktop_shell.h"
#include "win32_error.h"
#include "win32_handle.h"

namespace platform::win32 {

namespace {

// The system folder (System32), without a trailing separator; empty when the system
// cannot tell.
std::wstring systemFolder() {
    wchar_t folder[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    return std::wstring(folder, length);
}

// The program file a command line starts. A bare name such as "cmd.exe" is the system
// program of that name, taken from the system folder: left to the search, Windows
// would look in this program's folder and the current folder first, where anyone who
// can write there could plant a program of that name. A quoted or otherwise qualified
// path is used as it stands (empty: the system takes the first word itself).
std::wstring programOf(const std::wstring& commandLine) {
    if (commandLine.empty() || commandLine.front() == L'"') return {};
    std::wstring first = commandLine.substr(0, commandLine.find(L' '));
    if (first.find_first_of(L"\\/:") != std::wstring::npos) return {};
    const std::wstring folder = systemFolder();
    if (folder.empty()) return {};
    // Given a file name, the system assumes no extension.
    if (first.find(L'.') == std::wstring::npos) first += L".exe";
    return folder + L'\\' + first;
}

// Where a started tool runs: the system folder as its working folder, and this
// program's environment with the search of the current folder for programs turned off.
// A tool such as cmd.exe looks for the programs it is told to run (cacls, convert,
// takeown) in its working folder first; this program's own working folder may be a
// stick's root or any folder a user can write to.
struct ToolSurroundings {
    std::wstring folder;       // empty when the system cannot tell: the child inherits ours
    std::wstring environment;  // empty when the system gives none: the child inherits ours
};

ToolSurroundings toolSurroundings() {
    ToolSurroundings surroundings{systemFolder(), {}};
    if (wchar_t* own = ::GetEnvironmentStringsW()) {
        std::size_t length = 0;
        while (own[length] != L'\0' || own[length + 1] != L'\0') ++length;
        surroundings.environment = toolEnvironment(std::wstring_view(own, length + 2));
        ::FreeEnvironmentStringsW(own);
    }
    return surroundings;
}

// Starts a command line as its own process, minimized with the focus, in the
// surroundings of a tool (toolSurroundings). A bare program name is the system's
// program (programOf); the command line reaches the program exactly as given. Both
// runCommand and runCommandAndWait start their processes here, so they share every
// rule of how a command is started. `program`, when known, is named in the error text
// in place of its "%1".
bool createMinimized(const std::wstring& commandLine, DWORD creationFlags, PROCESS_INFORMATION& started,
                     std::wstring& error, std::wstring_view program = {}, HANDLE input = nullptr) {
    // CreateProcessW may write into the command line, so it gets a private copy.
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    const std::wstring application = programOf(commandLine);
    ToolSurroundings surroundings = toolSurroundings();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWMINIMIZED;
    if (input != nullptr) {
        startup.dwFlags |= STARTF_USESTDHANDLES;
        startup.hStdInput = input;
    }
    if (!::CreateProcessW(application.empty() ? nullptr : application.c_str(), line.data(), nullptr, nullptr,
                          input != nullptr, creationFlags | CREATE_UNICODE_ENVIRONMENT,
                          surroundings.environment.empty() ? nullptr : surroundings.environment.data(),
                          surroundings.folder.empty() ? nullptr : surroundings.folder.c_str(), &startup,
                          &started)) {
        const DWORD code = ::GetLastError();
        error = program.empty() ? errorMessage(code) : errorMessage(code, program);
        return false;
    }
    return true;
}

// What a command reads on its standard input: the text in the console's code page and
// then the end of its input. The pipe's buffer holds it whole, so it is written before
// the command starts; the read end is the only handle the command inherits.
class CommandInput {
public:
    explicit CommandInput(const std::wstring& text) {
        if (text.empty()) return;
        SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
        HANDLE read = nullptr;
        HANDLE write = nullptr;
        if (!::CreatePipe(&read, &write, &inheritable, 0)) return;
        read_ = KernelHandle(read);
        const KernelHandle writeEnd(write);
        const std::string bytes = narrowText(text, CP_OEMCP);
        DWORD written = 0;
        if (!::WriteFile(writeEnd.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
            read_ = KernelHandle();
        }
    }
    HANDLE handle() const { return read_ ? read_.get() : nullptr; }

private:
    static std::string narrowText(const std::wstring& text, UINT codePage) {
        const int size = ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()),
                                               nullptr, 0, nullptr, nullptr);
        std::string bytes(static_cast<std::size_t>(std::max(size, 0)), '\0');
        if (size > 0) {
            ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size,
                                  nullptr, nullptr);
        }
        return bytes;
    }
    KernelHandle read_;
};

// Starts a command line and lets it go: both handles are closed at once and nothing
// waits for it.
StartResult startMinimized(const std::wstring& commandLine, std::wstring_view program = {}) {
    PROCESS_INFORMATION started{};
    std::wstring error;
    if (!createMinimized(commandLine, 0, started, error, program)) return {false, error};
    const KernelHandle process(started.hProcess);
    const KernelHandle thread(started.hThread);
    return {true, {}};
}

// Starts a command line and waits for its end. It gets a console of its own, as it does
// when a window program starts it: its output and questions (convert asks for a
// volume's label) stay in its own window and never reach the caller's output.
CommandResult runAndWait(const std::wstring& commandLine, int timeoutMs, const std::wstring& inputText) {
    const CommandInput input(inputText);
    PROCESS_INFORMATION started{};
    CommandResult result;
    if (!createMinimized(commandLine, CREATE_NEW_CONSOLE, started, result.error, {}, input.handle()))
        return result;
    const KernelHandle process(started.hProcess);
    const KernelHandle thread(started.hThread);
    const DWORD waited = ::WaitForSingleObject(process.get(), static_cast<DWORD>(timeoutMs));
    if (waited == WAIT_TIMEOUT) {
        result.outcome = CommandResult::Outcome::TimedOut;
        return result;
    }
    DWORD code = 0;
    if (waited != WAIT_OBJECT_0 || !::GetExitCodeProcess(process.get(), &code)) {
        result.error = lastErrorMessage();
        return result;
    }
    result.outcome = CommandResult::Outcome::Finished;
    result.exitCode = code;
    return result;
}

// A process started through the shell, watched until it ends.
class Win32RunningProcess final : public RunningProcess {
public:
    explicit Win32RunningProcess(HANDLE process) : process_(process) {}

    std::optional<std::uint32_t> exitCode() override {
        if (::WaitForSingleObject(process_.get(), 0) != WAIT_OBJECT_0) return std::nullopt;
        DWORD code = 0;
        if (!::GetExitCodeProcess(process_.get(), &code)) return std::numeric_limits<std::uint32_t>::max();
        return code;
    }

private:
    KernelHandle process_;
};

// Starts a command line and keeps its process handle for the caller to watch.
CommandStart startKept(const std::wstring& commandLine, const std::wstring& inputText) {
    const CommandInput input(inputText);
    PROCESS_INFORMATION started{};
    CommandStart result;
    if (!createMinimized(commandLine, 0, started, result.error, {}, input.handle())) return result;
    const KernelHandle thread(started.hThread);
    result.process = std::make_unique<Win32RunningProcess>(started.hProcess);
    return result;
}

// ShellExecuteW reports failure as a small number, partly its own SE_ERR_* codes; this
// maps them to the system error codes whose texts say the same.
DWORD shellExecuteErrorCode(INT_PTR result) {
    switch (result) {
        case 0:
        case SE_ERR_OOM:
            return ERROR_NOT_ENOUGH_MEMORY;
        case SE_ERR_SHARE:
            return ERROR_SHARING_VIOLATION;
        case SE_ERR_ASSOCINCOMPLETE:
        case SE_ERR_NOASSOC:
            return ERROR_NO_ASSOCIATION;
        case SE_ERR_DDETIMEOUT:
        case SE_ERR_DDEFAIL:
        case SE_ERR_DDEBUSY:
            return ERROR_DDE_FAIL;
        case SE_ERR_DLLNOTFOUND:
            return ERROR_DLL_NOT_FOUND;
        default:  // ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_BAD_FORMAT, SE_ERR_ACCESSDENIED
            return static_cast<DWORD>(result);
    }
}

class Win32Processes final : public Processes {
public:
    StartResult runCommand(const std::wstring& commandLine) override { return startMinimized(commandLine); }

    StartResult startProgram(const std::wstring& path) override {
        return startMinimized(L"\"" + path + L"\"", path);
    }

    StartResult shellOpen(const std::wstring& target) override {
        const auto result = reinterpret_cast<INT_PTR>(
            ::ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, SW_HIDE));
        if (result > 32) return {true, {}};
        return {false, errorMessage(shellExecuteErrorCode(result), target)};
    }

    CommandStart startCommand(const std::wstring& commandLine, const std::wstring& input) override {
        return startKept(commandLine, input);
    }

    CommandResult runCommandAndWait(const std::wstring& commandLine, int timeoutMs,
                                    const std::wstring& input) override {
        return runAndWait(commandLine, timeoutMs, input);
    }

    ElevatedStart startElevated(const std::wstring& program, const std::wstring& parameters) override {
        SHELLEXECUTEINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
        info.lpVerb = L"runas";
        info.lpFile = program.c_str();
        info.lpParameters = parameters.c_str();
        info.nShow = SW_HIDE;
        ElevatedStart start;
        if (!::ShellExecuteExW(&info)) {
            const DWORD code = ::GetLastError();
            start.declined = code == ERROR_CANCELLED;
            start.error = errorMessage(code, program);
            return start;
        }
        if (info.hProcess == nullptr) {
            start.error = errorMessage(ERROR_INVALID_HANDLE, program);
            return start;
        }
        start.process = std::make_unique<Win32RunningProcess>(info.hProcess);
        return start;
    }

    StartResult openWebPage(const std::wstring& address) override {
        if (openThroughDesktopShell(address)) return {true, {}};
        return shellOpen(address);
    }
};

}  // namespace

std::unique_ptr<Processes> makeProcesses() {
    return std::make_unique<Win32Processes>();
}


}  // namespace platform::win32
