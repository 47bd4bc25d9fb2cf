// TfRename, "Rename": asks one entry's new name for the Rename command's loop
// (operations/RenameRun.h); "&Advanced" hands the rest of the run to Advanced Rename.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "operations/OperationDialog.h"
#include "operations/RenameRun.h"

namespace quill {

class TfRename : public TOperationDialog, public IRenameAsker {
public:
  static constexpr int kClientWidth = 330;
  static constexpr int kClientHeight = 112;
  enum TControl : int { kOldFileNameId = 100, kFileNameId, kExtensionId, kAdvancedId };
  static constexpr int kOkId = IDOK;
  static constexpr int kCancelId = IDCANCEL;

  explicit TfRename(HWND owner);

  // Fills the dialog for entry `index` and shows it: mrOk with newNames[index] set, mrAll when
  // Advanced Rename computed the names from `index` on, mrCancel.
  int Ask(size_t index, const std::vector<std::string>& oldNames, std::vector<std::string>& newNames) override;

private:
  void CreateControls() override;
  void Command(int id, int notification) override;
  void AdvancedClick();

  const std::vector<std::string>* oldNames_ = nullptr;
  std::vector<std::string>* newNames_ = nullptr;
  size_t index_ = 0;
};

}  // namespace quill
