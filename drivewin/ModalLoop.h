// Modal windows without the dialog manager: the owner is disabled and a local message loop runs
// until the window sets its result.
#pragma once

#include <windows.h>

namespace quill {

// Shows `window` (already created, owned by `owner`) and pumps messages until `result` is not
// zero. The owner is enabled again before the window is hidden, so activation goes back to it.
// A WM_QUIT ends the loop with 2 (cancel) and is posted again for the outer loop. A dialog-class
// window gets the dialog manager's keyboard handling.
int RunModal(HWND window, HWND owner, const int& result);

// The top-left corner that centres a window of this outer size over `owner` (over the work
// area when there is no owner).
POINT CentredOver(HWND owner, int width, int height);

}  // namespace quill
