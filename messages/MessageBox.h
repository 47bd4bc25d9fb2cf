// Message boxes over a window: the error box for Windows error codes and plain boxes, each
// centred on its owner rather than wherever the system would put it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "messages/Questions.h"

namespace quill {

// A system message box centred on `owner` (on the screen without one); returns the button's
// modal result (mrOk, mrCancel, mrYes, mrNo).
int MessageText(HWND owner, const std::string& text, const std::string& caption, TMessageButtons buttons,
                TMessageIcon icon);

// The message of a Windows error code with the stop icon. With stopOnly the box has OK and the
// result is false; otherwise it asks whether to process the remaining items and returns true on
// Yes.
bool ShowError(HWND owner, uint32_t code, const std::string& caption, bool stopOnly);

}  // namespace quill
