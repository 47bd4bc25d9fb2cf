// What the four operation dialogs share: a dialog-bordered window of a fixed client size in the
// 8-point "MS Sans Serif" face, built from an in-memory template with its controls placed in
// pixels, centred on its owner, grey labels, and (for the confirmations) the modal run.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace quill {

class TOperationDialog {
public:
  virtual ~TOperationDialog();
  TOperationDialog(const TOperationDialog&) = delete;
  TOperationDialog& operator=(const TOperationDialog&) = delete;

  HWND Handle() const { return handle_; }
  HWND Owner() const { return owner_; }
  // The control with this id, nullptr when there is none.
  HWND Item(int id) const { return handle_ ? GetDlgItem(handle_, id) : nullptr; }

  // Left = owner left + owner width / 2 - own width / 2, top likewise; over the work area
  // without an owner.
  void CentreOnOwner();

protected:
  TOperationDialog(HWND owner, int clientWidth, int clientHeight);
  // Creates the window (hidden); CreateControls runs inside. Called from the derived class's
  // constructor, when its part of the object exists.
  bool Create(const std::string& caption);

  virtual void CreateControls() = 0;
  virtual void Command(int id, int notification) = 0;
  // Anything else the dialog wants to see first; TRUE when handled.
  virtual INT_PTR Message(UINT message, WPARAM wParam, LPARAM lParam);

  HWND AddControl(const wchar_t* className, const std::string& text, DWORD style, int id, int x, int y, int width,
                  int height, DWORD exStyle = 0);
  HWND AddLabel(const std::string& text, DWORD style, int id, int x, int y, int width, int height);
  HWND AddButton(const std::string& text, int id, int x, int y, int width, int height, bool isDefault = false);
  // Labels with these ids are drawn in grey.
  void SetGreyLabels(std::vector<int> ids) { greyLabels_ = std::move(ids); }
  void SetText(int id, const std::string& text);
  void SetCaption(const std::string& caption);
  std::string Text(int id) const;

  // The modeless way, for the progress dialogs: shown over the disabled owner, and hidden after
  // the owner is enabled again, so that the activation returns to it.
  void ShowModeless();
  void HideModeless();
  bool ShownModeless() const { return shownModeless_; }
  // Runs the pending window messages of the thread; false when a WM_QUIT came (it is posted
  // again for the outer loop).
  bool PumpMessages();

  // Runs the dialog modally over its owner until a modal result is set; 2 when it is closed.
  int ShowModal();
  void SetModalResult(int result) { modalResult_ = result; }
  // Focus and the default look go to this control once the dialog is up.
  void FocusLater(int id);

private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void FitClientSize();

  HWND owner_;
  HWND handle_ = nullptr;
  int clientWidth_;
  int clientHeight_;
  int modalResult_ = 0;
  bool shownModeless_ = false;
  bool ownerDisabled_ = false;
  std::vector<int> greyLabels_;
};

}  // namespace quill
