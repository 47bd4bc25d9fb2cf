// What the four operation dialogs share: a dialog-bordered window of a fixed client size in the
// 8-point "MS Sans Serif" face (a dialog built in code, ui/Dialog.h), centred on its owner, grey
// labels, and for the progress dialogs the modeless way of showing over a disabled owner.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ui/Dialog.h"
#include "ui/ModalLoop.h"

namespace quill {

class TOperationDialog : public TDialog {
public:
  // The progress dialogs let pending window messages run at most this often: often enough for
  // Cancel and painting, rarely enough that a copy of many small files does not pay for a look at
  // the queue on every call. Under Wine a look at an empty queue costs some 0.3 ms (a server
  // round trip): every 20 ms that was 1.5 % of a copy.
  static constexpr uint64_t kPumpMs = 50;

  ~TOperationDialog() override;

  // Left = owner left + owner width / 2 - own width / 2, top likewise; over the work area
  // without an owner.
  void CentreOnOwner();

protected:
  TOperationDialog(HWND owner, int clientWidth, int clientHeight);

  // Anything the dialog wants to see first; TRUE when handled.
  virtual INT_PTR Message(UINT message, WPARAM wParam, LPARAM lParam);

  HWND AddLabel(const std::string& text, DWORD style, int id, int x, int y, int width, int height);
  HWND AddButton(const std::string& text, int id, int x, int y, int width, int height, bool isDefault = false);
  // Labels with these ids are drawn in grey.
  void SetGreyLabels(std::vector<int> ids) { greyLabels_ = std::move(ids); }

  // The modeless way, for the progress dialogs: shown over the disabled owner; hidden after the
  // owner is enabled again and the activation and the focus have gone back where they were.
  void ShowModeless();
  void HideModeless();
  bool ShownModeless() const { return shownModeless_; }
  // Runs the pending window messages of the thread while the dialog is shown; false when a
  // WM_QUIT came (it is posted again for the outer loop).
  bool PumpMessages();

  // Focus and the default look go to this control once the dialog is up.
  void FocusLater(int id);

private:
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  bool shownModeless_ = false;
  bool ownerDisabled_ = false;
  std::optional<TFocusKeeper> focusBefore_;
  std::vector<int> greyLabels_;
};

}  // namespace quill
