// What Empty Temp Folder deletes. Every entry of the temporary folder goes, with two exceptions
// that make the command safe on a folder other programs are using at the same moment:
// - a link to a folder (a junction or a symbolic link) goes as a link and is never entered, so
//   nothing outside the temporary folder is touched;
// - a file in use stays where it is, and so does every folder that holds one; the rest of such
//   a folder is listed entry by entry, so the delete run never meets a file it cannot remove.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "base/FileSystem.h"

namespace quill {

constexpr uint32_t faReparsePoint = 0x400;

struct TTempPlan {
  // Full paths to hand to the delete operation: whole folders where nothing below them stays.
  std::vector<std::string> deletions;
  // What stays: files in use and folders that could not be read.
  std::vector<std::string> kept;
};

// `inUse` answers for a file whether another program holds it so that it cannot be deleted.
TTempPlan PlanTempFolderDeletion(IFileSystem& fs, const std::string& folder,
                                 const std::function<bool(const std::string&)>& inUse);

}  // namespace quill
