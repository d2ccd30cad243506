// Facts about the running program itself.
#pragma once

#include <optional>
#include <string>

namespace platform {

struct ProgramVersion {
    int major = 0;
    int minor = 0;
    int revision = 0;
};

class ProgramInfo {
public:
    virtual ~ProgramInfo() = default;
    // From the program's own version resource; nothing when it cannot be read.
    virtual std::optional<ProgramVersion> version() = 0;
    // The folder that holds the program file, without a trailing separator
    // (except for a drive root, where the system reports "C:\").
    virtual std::wstring directory() = 0;
    // The program runs with administrator rights (an elevated token).
    virtual bool elevated() = 0;
};

}  // namespace platform
