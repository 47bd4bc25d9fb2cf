#include "operations/RenameChanges.h"

#include <windows.h>

#include "fileview/ShellUtils.h"
#include "operations/OperationRules.h"
#include "platform/Utf16.h"

namespace quill {
namespace {

std::wstring Upper(std::wstring text) {
  if (!text.empty()) CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

}  // namespace

uint32_t TWin32EntryChanges::MoveEntry(const std::string& from, const std::string& to) {
  // Verbatim paths: an old name ending in a dot or a blank is reached as it is. Without
  // MOVEFILE_REPLACE_EXISTING the system refuses a target that is another entry.
  const std::wstring source = VerbatimPath(from), target = VerbatimPath(to);
  if (source != target && Upper(source) == Upper(target)) {
    // A change of case alone: Wine finds the old entry under the new spelling and leaves the
    // name as it was, so the entry goes through a name of its own first.
    const std::wstring step = VerbatimPath(TemporarySibling(to, GetTickCount()));
    if (!MoveFileExW(source.c_str(), step.c_str(), 0)) return GetLastError();
    if (MoveFileExW(step.c_str(), target.c_str(), 0)) return 0;
    const DWORD error = GetLastError();
    MoveFileExW(step.c_str(), source.c_str(), 0);
    return error;
  }
  if (MoveFileExW(source.c_str(), target.c_str(), 0)) return 0;
  return GetLastError();
}

uint32_t TWin32EntryChanges::SetEntryTimes(const std::string& path, uint64_t fileTime) {
  if (SetFileTimes(path, fileTime)) return 0;
  const DWORD error = GetLastError();
  return error ? error : ERROR_ACCESS_DENIED;
}

}  // namespace quill
