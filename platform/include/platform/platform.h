// Everything a program gets from the operating system, in one bundle.
#pragma once

#include "platform/filesystem.h"
#include "platform/http.h"
#include "platform/processes.h"
#include "platform/program.h"
#include "platform/registry.h"
#include "platform/ui.h"

namespace platform {

struct Platform {
    ui::Runtime& ui;
    FileSystem& fs;
    Processes& processes;
    HttpClient& http;
    ProgramInfo& program;
    Registry& registry;
};

// Each program defines this entry point. The Win32 platform builds the real services,
// calls it, and ends the process with its result. The program creates its first window
// and then runs the event loop (platform.ui.run()).
int programMain(Platform& platform);

}  // namespace platform
