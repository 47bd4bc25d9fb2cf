// Where the pane's movement keys take the focus, and how the page follows it. Pure functions
// over the page layout, so the window only maps its key messages and applies the answer.
// Portable.
#pragma once

#include "fileview/FileViewLayout.h"

namespace quill {

// The keys that move the focus. Ctrl with Up or Down is deliberately not among them.
enum TNavKey {
  nkPageUp,
  nkPageDown,
  nkHome,
  nkEnd,         // also "]"
  nkFirstDrive,  // "["
  nkLeft,
  nkRight,
  nkUp,
  nkDown,
  nkCtrlPageUp,    // first folder
  nkCtrlPageDown,  // last folder
  nkCtrlHome,      // first file
  nkCtrlEnd,       // last file
};

struct TNavState {
  int Focused = -1;
  int Count = 0;
  int FirstVisible = -1;
  int RowsPerPage = 1;
  int Columns = 1;
  TViewStyle Style = vsList;
  int Folders = 0;  // the parent entry included
  int Drives = 0;   // drive entries and the Network entry
  int PageSize() const { return RowsPerPage * Columns; }
};

enum TNavAction {
  naNone,        // the key changes nothing
  naFocus,       // focus Target
  naAdjustPage,  // the focus is off the shown page: only bring its page back
};

struct TNavResult {
  TNavAction Action = naNone;
  int Target = -1;
  bool operator==(const TNavResult&) const = default;
};

// The key's effect. A target outside the list or equal to the focus is naNone, as setting the
// focus would ignore it. Without a focus only the keys with absolute targets move.
TNavResult KeyTarget(TNavKey key, const TNavState& state);

// Last index of the page starting at firstVisible.
int PageEnd(int firstVisible, int pageSize, int count);
bool OnPage(int index, int firstVisible, int pageSize, int count);

// The first visible index for a focus: the start of its page, -1 for an empty list.
int PageStart(int focused, int pageSize, int count);
// Pages of the scroll bar; it scrolls only when there is more than one.
int PageCount(int count, int pageSize);

enum TScrollAction { saLineUp, saLineDown, saPageUp, saPageDown, saThumb, saTop, saBottom, saEndScroll };
// The page a scroll-bar action leads to, kept within the pages; thumb actions go to
// `thumbPage`. Top, bottom and end-of-scroll keep the page.
int ScrollPage(TScrollAction action, int page, int thumbPage, int pageCount);

}  // namespace quill
