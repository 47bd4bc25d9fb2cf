// The favourites organiser's list: the lines of favorite.dat ("display name=folder") in menu
// order, the selected row and the edits the dialog offers. Nothing reaches the file until Save,
// so Cancel simply drops the model. Portable; the dialog (OrganizeFavDialog) draws the rows from
// here without copying them into the list control, so a very long file opens at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/CodePage.h"
#include "base/FileStore.h"

namespace quill {

class TOrganizeFavModel {
public:
  static constexpr int kNoRow = -1;

  // The file's lines (none when it is missing); the first row is selected.
  void Load(IFileStore& store, const ICodePage& codePage, const std::string& path);
  // Every row, by the program's text-file rule, replacing the file as a whole (the store writes a
  // temporary file and renames it, so a failed write leaves the old list). 0 or a Win32 error.
  uint32_t Save(IFileStore& store, const ICodePage& codePage, const std::string& path) const;

  size_t Count() const { return lines_.size(); }
  const std::vector<std::string>& Lines() const { return lines_; }
  // The text before the first "=" (the whole line without one) and the text after it.
  std::string_view Name(size_t row) const;
  std::string_view Path(size_t row) const;
  // "( Shift + F%d )" for the rows the Shift+function keys open: the main window opens
  // favourites 1 to 12 that way, so rows 11 and 12 name Shift+F11 and Shift+F12 as well; later
  // rows have no key and show nothing.
  static std::string ShortcutText(size_t row);

  int Selected() const { return selected_; }
  // Out-of-range rows select nothing.
  void Select(int row);

  // The edits act on the selected row and return false when they change nothing. A name may not
  // hold "=" and neither name nor folder a line break: either would change the rows when the
  // file is read again, so such an edit is refused.
  bool Rename(std::string_view name);
  bool ChangePath(std::string_view folder);
  // Appended as the last row, which becomes the selected one.
  bool Add(std::string_view name, std::string_view folder);
  // The row below moves up into the selection (the new last row when the last one went).
  bool Delete();
  // The selected row moves with the selection; the first cannot go up nor the last down.
  bool Up();
  bool Down();

  static bool ValidName(std::string_view name);
  static bool ValidFolder(std::string_view folder);

private:
  bool HasSelection() const { return selected_ >= 0 && static_cast<size_t>(selected_) < lines_.size(); }

  std::vector<std::string> lines_;
  int selected_ = kNoRow;
};

}  // namespace quill
