// Modal windows without the dialog manager's own loop, and the keyboard focus given back when a
// modal window goes away.
#pragma once

#include <windows.h>

#include <functional>

namespace quill {

// Remembers this thread's active window and the control that has the keyboard focus, and gives
// both back on Restore (or at the end of its scope). When a modal window closes the system puts
// the activation wherever it likes: on a disabled owner (whose controls then take no keys) or on
// the owner instead of the progress window standing over it. A window that was active but is
// disabled now hands its turn to the enabled window it owns (the progress window over the main
// window). Nothing moves while another program is in the foreground.
class TFocusKeeper {
public:
  TFocusKeeper();
  ~TFocusKeeper() { Restore(); }
  TFocusKeeper(const TFocusKeeper&) = delete;
  TFocusKeeper& operator=(const TFocusKeeper&) = delete;

  // Once; later calls do nothing.
  void Restore();

private:
  HWND active_;
  HWND focus_;
  bool restored_ = false;
};

// Shows `window` (already created, owned by `owner`) and pumps messages until `result` is not
// zero. The owner's top-level window is disabled meanwhile unless it already was (a nested
// question must not enable what its caller disabled). `shown` runs once the window is up and
// active. At the end the owner is enabled again and the activation and the focus go back to
// where they were before the window is hidden. A WM_QUIT ends the loop with 2 (cancel) and is
// posted again for the outer loop. A dialog-class window gets the dialog manager's keyboard
// handling.
int RunModal(HWND window, HWND owner, const int& result, const std::function<void()>& shown = {});

}  // namespace quill
