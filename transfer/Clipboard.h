// Files and text through the system clipboard, as the shell exchanges them: a file list
// (CF_HDROP) with its "Preferred DropEffect", and plain text in both the ANSI and the wide form.
// `owner` is the window that owns what is put there; null is allowed for programs without one.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace quill {

// What the clipboard holds as a file list.
struct TClipboardFiles {
  std::vector<std::string> names;  // full paths in UTF-8; empty when there is no list
  bool move = false;               // the preferred effect has its move bit
  bool hasEffect = false;          // a "Preferred DropEffect" value is there at all
};

// Replaces the clipboard's contents with `paths` and the copy or move effect. False when the
// clipboard could not be opened or took nothing.
bool PutClipboardFiles(HWND owner, const std::vector<std::string>& paths, bool move);
TClipboardFiles ReadClipboardFiles(HWND owner);
bool ClipboardHasFiles();

// Replaces the clipboard's contents with `text` as CF_UNICODETEXT and CF_TEXT (ANSI code page:
// characters outside it become '?' there, and stay whole in the wide form).
bool PutClipboardText(HWND owner, const std::string& text);
// CF_UNICODETEXT in UTF-8; empty when there is none.
std::string ReadClipboardText(HWND owner);

bool EmptyTheClipboard(HWND owner);

// Changes with every change of the clipboard's contents, by any program.
uint32_t ClipboardSequence();

}  // namespace quill
