// The shell's special folders as the registry names them, and the item and byte totals that the
// operations announce before they start.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quill {

// The path stored under the current user's "Shell Folders" key for `name` ("Desktop",
// "Start Menu", "Personal"); "" when the key or the value is missing.
std::string ShellFolder(const std::string& name);

// Files a list of items stands for: a folder counts the files in its whole tree (nothing when it
// cannot be entered), anything else counts 1.
int64_t CountItems(const std::vector<std::string>& paths);

// The bytes of a list of items, with the number of files they hold in `count`: a folder adds the
// size of every file in its tree and their number, anything else its own size and 1. A folder
// that cannot be entered adds nothing.
uint64_t TotalSize(const std::vector<std::string>& paths, int64_t& count);

}  // namespace quill
