// The real platform on Windows. Only the code behind this header includes <windows.h>.
#pragma once

#include <memory>
#include <string>

#include "platform/filesystem.h"
#include "platform/http.h"
#include "platform/processes.h"
#include "platform/program.h"
#include "platform/registry.h"
#include "platform/tray.h"
#include "platform/signatures.h"
#include "platform/ui.h"

namespace platform::win32 {

std::unique_ptr<ui::Backend> makeBackend();
std::unique_ptr<FileSystem> makeFileSystem();
std::unique_ptr<Processes> makeProcesses();
// Time-outs: connecting and the gap between received bytes, in milliseconds.
std::unique_ptr<HttpClient> makeHttpClient(int connectTimeoutMs = 10000, int receiveTimeoutMs = 10000);
std::unique_ptr<ProgramInfo> makeProgramInfo();
std::unique_ptr<Registry> makeRegistry();
// The notification-area host of a background program. `name` names its window class and,
// with the signed-in user's identity, its single instance and its window.
std::unique_ptr<TrayHost> makeTrayHost(const std::wstring& name);
// The running program file's name without its folder (for the title of a last-resort
// message).
std::wstring programFileName();
// Authenticode signatures (WinVerifyTrust). Made by the program that needs it, so that
// the others do not load the system's signature libraries.
std::unique_ptr<SignatureCheck> makeSignatureCheck();

}  // namespace platform::win32
