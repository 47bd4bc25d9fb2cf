// The program's numbered user-visible texts, kept in the executable's string table.
#pragma once

#include <string>

namespace quill {

// The text with this id as UTF-8; "" when the table has no such id.
std::string LoadText(unsigned id);

}  // namespace quill
