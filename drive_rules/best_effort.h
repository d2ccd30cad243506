// Lockbay works on drives on a best-effort basis: a file operation or a command that
// fails is skipped, and the next step runs; the drive's status after the next list
// rebuild is what shows the user the outcome. Every such deliberately dropped result
// goes through ignoreFailure(), so that the choice is visible at the call.
#pragma once

#include "platform/best_effort.h"

namespace lockbay {

using platform::ignoreFailure;

}  // namespace lockbay
