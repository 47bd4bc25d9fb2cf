// The one-line input dialog (TfGetString) and AskText, which asks through it.
#pragma once

#include <windows.h>

#include <string>

namespace quill {

// A fixed-size dialog with a prompt (`Descript`, may run over several lines), a one-line edit box
// (`Edit`), OK (the default button) and Cancel. Built in code, created hidden; ShowModal runs it
// over its owner. The destructor frees the window.
class TfGetString {
public:
  static constexpr int kClientWidth = 377;
  static constexpr int kClientHeight = 101;
  static constexpr int kDescriptId = 100;
  static constexpr int kEditId = 101;

  explicit TfGetString(HWND owner);
  ~TfGetString();
  TfGetString(const TfGetString&) = delete;
  TfGetString& operator=(const TfGetString&) = delete;

  HWND Handle() const { return handle_; }
  HWND Descript() const { return descript_; }
  HWND Edit() const { return edit_; }

  void SetCaption(const std::string& caption);
  void SetPrompt(const std::string& prompt);
  // The edit box's letter case: 0 as typed, 1 upper, 2 lower (anything else as typed).
  void SetCharCase(int charCase);
  // The initial text, in the letter case set before, all of it selected with selectAll, else with
  // the caret at its end.
  void SetText(const std::string& text, bool selectAll);
  std::string Text() const;

  // Puts the dialog's centre on the owner's centre; without an owner, or with a minimised or
  // hidden one, on the work area's.
  void CentreOnOwner();

  // Shows the dialog with its owner disabled until OK (mrOk), Cancel, Esc or the close box
  // (mrCancel). A WM_QUIT met meanwhile is posted again and cancels.
  int ShowModal();

private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void CreateControls();
  void ApplySelection();

  HWND owner_ = nullptr;
  HWND handle_ = nullptr;
  HWND descript_ = nullptr;
  HWND edit_ = nullptr;
  int modalResult_ = 0;
  int charCase_ = 0;
  bool selectAll_ = true;
};

// Asks for one line of text over `owner`. `text` is the initial text and, after OK, the answer;
// after Cancel it is left as it was. Returns mrOk or mrCancel; what an empty answer means is the
// caller's business.
int AskText(HWND owner, const std::string& caption, const std::string& prompt, std::string& text, bool selectAll,
            int charCase);

}  // namespace quill
