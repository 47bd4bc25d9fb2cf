// TCommandBox: the one-line command box that takes the status area's place while it is open: a
// combo box with the earlier commands and a Run button. It only reports; the main window runs
// the text, keeps the history and decides when the box closes.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/Window.h"

namespace quill {

class TCommandBox : public TWindow {
public:
  bool Create(HWND parent);

  // Shows the box with these earlier commands in its list, empty text, the focus in the box.
  void Open(const std::vector<std::string>& history);
  void Hide();
  HWND Combo() const { return combo_; }
  HWND Edit() const { return edit_; }
  HWND RunButton() const { return run_; }
  std::string Text() const;
  // The text came from the list and was not edited since.
  bool Picked() const { return picked_; }

  // Enter (with the list closed) or the Run button.
  std::function<void(const std::string& text, bool typed)> OnRun;
  // Escape with the list closed.
  std::function<void()> OnCancel;
  // The focus went to a window outside the box.
  std::function<void()> OnFocusLost;

private:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  static LRESULT CALLBACK EditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR data);
  void Layout();
  void Run();
  bool HasFocus() const;

  HWND combo_ = nullptr;
  HWND edit_ = nullptr;
  HWND run_ = nullptr;
  bool picked_ = false;
};

}  // namespace quill
