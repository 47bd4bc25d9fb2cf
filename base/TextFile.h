// Encoding rules for the program's text files (quill.ini, last.dir, history.dat, descript.dat, ...):
// read as UTF-8 when the bytes start with a UTF-8 BOM or are valid UTF-8, otherwise as the ANSI
// code page; written in the ANSI code page when every character fits, otherwise as UTF-8 with a
// BOM; lines end CR LF.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/CodePage.h"

namespace quill {

// File bytes to UTF-8 text (BOM removed).
std::string DecodeText(std::string_view bytes, const ICodePage& codePage);

// Splits at CR LF, LF or lone CR. A final line end does not start another line; NUL bytes are
// kept as they are (callers treat the text as data).
std::vector<std::string> SplitLines(std::string_view text);

// DecodeText followed by SplitLines.
std::vector<std::string> DecodeLines(std::string_view bytes, const ICodePage& codePage);

// UTF-8 text to file bytes by the writing rule above (no line handling).
std::string EncodeText(std::string_view utf8, const ICodePage& codePage);

// Each line followed by CR LF, then encoded as one text (so one line that does not fit the
// code page makes the whole file UTF-8).
std::string EncodeLines(const std::vector<std::string>& lines, const ICodePage& codePage);

}  // namespace quill
