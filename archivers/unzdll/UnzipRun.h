// One run of UnzDllExec: the archive's entries chosen by the command's specifications are
// extracted under the process's current folder (or only tested), with progress, questions and
// messages going through the command's callback.
#pragma once

#include <cstdint>

#include "archivers/ZipInterface.h"

namespace unzdll {

// Returns the number of files extracted (or tested good). Never throws.
int32_t RunUnzip(const zipapi::UnzipCommand& command);

}  // namespace unzdll
