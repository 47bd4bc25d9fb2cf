#include "archivers/zipdll/ZipMessages.h"

namespace zipdll {

const char* MessageText(int32_t code) {
  switch (code) {
    case kMsgNoArchive: return "Error - no zip file specified!";
    case kMsgArchiveUnreadable: return "Destination zip archive could not be opened!";
    case kMsgNoFiles: return "Error - no files to zip!";
    case kMsgNoPassword: return "Unattended action not possible without a password";
    case kMsgCreateFailed: return "Creation of output file failed";
    case kMsgWriteError: return "Write error in output file";
    case kMsgReadZipped: return "Error while reading zipped data";
    default: return "";
  }
}

}  // namespace zipdll
