// lockbay-cli.exe's entry point: the platform layer has built the real services.
#include "cli/cli_program.h"
#include "platform/console.h"

int platform::consoleMain(platform::ConsolePlatform& platform, const std::vector<std::wstring>& arguments) {
    return cli::run(platform, arguments);
}
