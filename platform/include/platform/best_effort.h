// Every result that a program deliberately drops goes through ignoreFailure(), so that
// the choice is visible at the call: a failing step is skipped and the next one runs.
#pragma once

#include "platform/processes.h"
#include "platform/registry.h"

namespace platform {

inline void ignoreFailure(bool /*succeeded*/) {}
inline void ignoreFailure(const StartResult& /*started*/) {}
inline void ignoreFailure(RegistryStatus /*status*/) {}

}  // namespace platform
