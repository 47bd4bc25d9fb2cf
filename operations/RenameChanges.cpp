#include "operations/RenameChanges.h"

#include <windows.h>

#include "fileview/ShellUtils.h"
#include "platform/Utf16.h"

namespace quill {

uint32_t TWin32EntryChanges::MoveEntry(const std::string& from, const std::string& to) {
  // Verbatim paths: an old name ending in a dot or a blank is reached as it is. Without
  // MOVEFILE_REPLACE_EXISTING the system refuses a target that is another entry, while a change
  // of case of the entry itself goes through.
  if (MoveFileExW(VerbatimPath(from).c_str(), VerbatimPath(to).c_str(), 0)) return 0;
  return GetLastError();
}

uint32_t TWin32EntryChanges::SetEntryTimes(const std::string& path, uint64_t fileTime) {
  if (SetFileTimes(path, fileTime)) return 0;
  const DWORD error = GetLastError();
  return error ? error : ERROR_ACCESS_DENIED;
}

}  // namespace quill
