// The running program's version: from its version resource, or, when that cannot be
// read, the version it was built as (product/version.h). Never 0.0.0, which would make
// every answer of the update host an update and show "Ver: 0.0".
#pragma once

#include "platform/program.h"
#include "product/version.h"

namespace product {

inline platform::ProgramVersion runningVersion(platform::ProgramInfo& program) {
    return program.version().value_or(
        platform::ProgramVersion{LOCKBAY_VERSION_MAJOR, LOCKBAY_VERSION_MINOR, LOCKBAY_VERSION_REVISION});
}

}  // namespace product
