// Dialogs centred on the window that asks: left = owner left + owner width / 2 - width / 2, top
// likewise.
#pragma once

#include <windows.h>

namespace quill {

// The top-left corner that centres a window of this outer size over `owner`; over the work area
// when there is no owner or it is minimised or hidden, where its centre means nothing.
POINT CentredOver(HWND owner, int width, int height);

// Moves `window` (keeping its size, z-order and activation) so that it is centred over `owner`.
void CentreWindowOver(HWND window, HWND owner);

}  // namespace quill
