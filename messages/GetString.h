// The one-line input dialog (TfGetString) and AskText, which asks through it.
#pragma once

#include <windows.h>

#include <string>

#include "ui/Dialog.h"

namespace quill {

// A fixed-size dialog with a prompt (`Descript`, may run over several lines), a one-line edit box
// (`Edit`), OK (the default button) and Cancel. Built in code, created hidden; ShowModal runs it
// over its owner. The destructor frees the window.
class TfGetString : public TDialog {
public:
  static constexpr int kClientWidth = 377;
  static constexpr int kClientHeight = 101;
  static constexpr int kDescriptId = 100;
  static constexpr int kEditId = 101;

  explicit TfGetString(HWND owner);

  HWND Descript() const { return Item(kDescriptId); }
  HWND Edit() const { return Item(kEditId); }

  void SetPrompt(const std::string& prompt);
  using TDialog::SetCaption;
  // The edit box's letter case: 0 as typed, 1 upper, 2 lower (anything else as typed).
  void SetCharCase(int charCase);
  // Every typed character shows as `passwordChar` (0: as typed).
  void SetPasswordChar(wchar_t passwordChar);
  // The initial text, in the letter case set before, all of it selected with selectAll, else with
  // the caret at its end.
  void SetText(const std::string& text, bool selectAll);
  std::string Text() const { return TDialog::Text(kEditId); }

  // Puts the dialog's centre on the owner's centre; without an owner, or with a minimised or
  // hidden one, on the work area's.
  void CentreOnOwner();

  // Shows the dialog with its owner disabled until OK (mrOk), Cancel, Esc or the close box
  // (mrCancel). A WM_QUIT met meanwhile is posted again and cancels.
  int ShowModal();

private:
  void CreateControls() override;
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void Command(int id, int notification) override;
  void ApplySelection();

  int charCase_ = 0;
  bool selectAll_ = true;
};

// Asks for one line of text over `owner`. `text` is the initial text and, after OK, the answer;
// after Cancel it is left as it was. Returns mrOk or mrCancel; what an empty answer means is the
// caller's business. A `passwordChar` masks what is typed (a password).
int AskText(HWND owner, const std::string& caption, const std::string& prompt, std::string& text, bool selectAll,
            int charCase, wchar_t passwordChar = 0);

}  // namespace quill
