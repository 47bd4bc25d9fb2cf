// The About box: the program's icon, name and version over an OK button.
#pragma once

#include <windows.h>

#include "ui/Dialog.h"

namespace quill {

// Built in code and created hidden, as start-up keeps it; ShowModal runs it centred over its
// owner until OK, Enter, Escape or the close box, and gives the focus back where it was.
class TfAbout : public TDialog {
public:
  static constexpr int kClientWidth = 250;
  static constexpr int kClientHeight = 104;
  static constexpr int kIconId = 100;
  static constexpr int kNameId = 101;
  static constexpr int kVersionId = 102;

  explicit TfAbout(HWND owner);
  ~TfAbout() override;

  void ShowModal();

private:
  void CreateControls() override;
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void Command(int id, int notification) override;

  HFONT nameFont_ = nullptr;
};

// Shows the About box modally over `owner`.
void ShowAboutBox(HWND owner);

}  // namespace quill
