// Dialogs built in code. An in-memory template without items gives the window its frame and its
// font; the controls are created in pixels once the window exists, so a layout is written down
// the way it is measured.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace quill {

// The template of a hidden dialog with a caption, a system menu and the modal frame in the face
// and point size given, without items: the words of a DLGTEMPLATE and its trailing arrays.
std::vector<WORD> DialogTemplate(const wchar_t* face, WORD points);

class TDialog {
public:
  virtual ~TDialog();
  TDialog(const TDialog&) = delete;
  TDialog& operator=(const TDialog&) = delete;

  HWND Handle() const { return handle_; }
  HWND Owner() const { return owner_; }
  // The control with this id, nullptr when there is none (or no window).
  HWND Item(int id) const { return handle_ ? GetDlgItem(handle_, id) : nullptr; }
  std::string Text(int id) const;

protected:
  // A dialog of this client size in this face. The window comes with Create.
  TDialog(HWND owner, int clientWidth, int clientHeight, const wchar_t* face, WORD points);
  // Creates the window, hidden; the client size is fitted and CreateControls runs inside. Called
  // from the derived class's constructor, when its part of the object exists.
  bool Create(const std::string& caption);

  virtual void CreateControls() = 0;
  // Every message after the set-up; the default hands WM_COMMAND to Command. TRUE when handled.
  virtual INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  virtual void Command(int id, int notification);

  // A child control in pixels, in the dialog's font.
  HWND AddControl(const wchar_t* className, const std::string& text, DWORD style, int id, int x, int y, int width,
                  int height, DWORD exStyle = 0);
  void SetText(int id, const std::string& text);
  void SetCaption(const std::string& caption);

  // Runs the dialog modally over its owner (ui/ModalLoop.h) until a modal result is set; 2 when
  // it is closed otherwise. `shown` runs once the dialog is up and active.
  int ShowModal(const std::function<void()>& shown = {});
  void SetModalResult(int result) { modalResult_ = result; }

private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
  void FitClientSize();

  HWND owner_;
  HWND handle_ = nullptr;
  int clientWidth_;
  int clientHeight_;
  const wchar_t* face_;
  WORD points_;
  int modalResult_ = 0;
};

}  // namespace quill
