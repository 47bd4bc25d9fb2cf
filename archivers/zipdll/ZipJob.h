// One add command from start to end: resolve the specifications, plan against the existing
// archive, write the new archive beside it and put it in place, then remove moved originals.
#pragma once

#include <cstdint>

#include "archivers/ZipInterface.h"

namespace zipdll {

// The number of files added; 0 after a refusal, a failure or a cancel, which leave every file as
// it was. Never throws.
int32_t RunZipCommand(const zipapi::ZipCommand& command);

}  // namespace zipdll
