// What the attribute and rename loops need of the file system beyond IFileSystem: a move that
// never replaces, and the three time stamps. TWin32EntryChanges is the real one; tests fake it.
#pragma once

#include <cstdint>
#include <string>

namespace quill {

class IEntryChanges {
public:
  virtual ~IEntryChanges() = default;
  // Renames `from` to `to` (full paths). Never replaces another entry: 183 (ERROR_ALREADY_EXISTS)
  // or the system's code when `to` names something else; a case-only change of the same entry
  // is allowed. 0 when done.
  virtual uint32_t MoveEntry(const std::string& from, const std::string& to) = 0;
  // Creation, last-access and last-write time of a file; 0 or the error code.
  virtual uint32_t SetEntryTimes(const std::string& path, uint64_t fileTime) = 0;
};

}  // namespace quill
