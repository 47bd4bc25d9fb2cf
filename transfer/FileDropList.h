// The shell's file list, the block behind CF_HDROP on the clipboard and in drag and drop: a
// 20-byte header (offset of the names, drop point, non-client flag, wide flag) followed by
// names each ending in a null and the list ending in one more. Other programs write it, so it
// is read as untrusted bytes. Portable: the block is plain little-endian bytes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/CodePage.h"

namespace quill {

constexpr size_t kFileDropHeaderSize = 20;

// The block naming `paths` (UTF-8) in UTF-16, as every program since the NT family reads it.
std::string BuildFileDropList(const std::vector<std::string>& paths);

// The names of a block from anyone, in UTF-8: UTF-16 when the wide flag is set, else the ANSI
// code page. Reading stops at the terminating empty name or the block's end; a names offset
// outside the block gives no names. Unpaired surrogates become U+FFFD.
std::vector<std::string> ParseFileDropList(std::string_view block, const ICodePage& codePage);

// The "Preferred DropEffect" value (a 4-byte little-endian DWORD) and its reading: move when
// its move bit (2) is set, otherwise copy, also when the value is missing or short.
constexpr unsigned kDropEffectCopy = 1, kDropEffectMove = 2, kDropEffectLink = 4;
std::string DropEffectBytes(unsigned effect);
bool PreferredEffectIsMove(std::string_view value);

}  // namespace quill
