// TfDelWarning, "Delete Confirm": the question before deleting, and before deleting an item
// with important attributes, with Delete (or All), Yes and No.
#pragma once

#include <windows.h>

#include <string>

#include "operations/OperationDialog.h"

namespace quill {

class TfDelWarning : public TOperationDialog {
public:
  static constexpr int kClientWidth = 376;
  static constexpr int kClientHeight = 114;
  enum TControl : int { kIconId = 100, kTextId };
  // The buttons' ids are their modal results.
  static constexpr int kAllId = 8;
  static constexpr int kYesId = IDYES;
  static constexpr int kNoId = IDNO;

  explicit TfDelWarning(HWND owner);

  void SetQuestion(const std::string& text);
  // The first button reads "All(&A)" instead of "&Delete".
  void SetWithAll(bool withAll);
  // Shows the dialog modally with the focus on button 0 (Delete/All), 1 (Yes) or 2 (No); the
  // modal result, 2 for Esc or the close box.
  int Run(int focusedButton);

private:
  void CreateControls() override;
  void Command(int id, int notification) override;
};

// The delete confirmation over `owner`: 8 for the first button, 6 Yes, 7 No, 2 Esc or closed.
int AskDelete(HWND owner, const std::string& text, int focusedButton, bool withAll);

}  // namespace quill
