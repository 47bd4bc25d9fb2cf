// The real IEntryChanges: MoveFileW without the replace flag, and the time stamps through a
// handle opened for writing.
#pragma once

#include "operations/RenameSystem.h"

namespace quill {

class TWin32EntryChanges : public IEntryChanges {
public:
  uint32_t MoveEntry(const std::string& from, const std::string& to) override;
  uint32_t SetEntryTimes(const std::string& path, uint64_t fileTime) override;
};

}  // namespace quill
