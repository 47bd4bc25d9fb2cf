// TfARename, "Advanced Rename": one rule (Head, Tail, Count, Cut, Change Extension, Replace)
// computes the new names of every entry from a start index on (operations/BatchRename.h);
// "Pre&view" lists them in TfRenamePreview, "Rename Preview".
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "operations/BatchRename.h"
#include "operations/OperationDialog.h"

namespace quill {

class TfARename : public TOperationDialog {
public:
  static constexpr int kClientWidth = 384;
  static constexpr int kClientHeight = 262;
  enum TControl : int {
    kActionCaptionId = 100,
    kActionId,
    kOptionsId,
    kEditCaptionId,
    kEditId,
    kHelpId,
    kStartCaptionId,
    kStartId,
    kStartSpinId,
    kStepCaptionId,
    kStepId,
    kStepSpinId,
    kDigitsCaptionId,
    kDigitsId,
    kHeadId,
    kTailId,
    kFindCaptionId,
    kFindId,
    kReplaceCaptionId,
    kReplaceId,
    kChangeNameId,
    kChangeExtId,
    kKeysId,
    kPreviewId,
    kPageFrameId,
  };
  static constexpr int kOkId = IDOK;
  static constexpr int kCancelId = IDCANCEL;
  // The pages of the Options control.
  enum TPage : int { pgDefault = 0, pgCount, pgReplace };

  // Works on the caller's lists: newNames is filled from `startIndex` on.
  TfARename(HWND owner, const std::vector<std::string>& oldNames, std::vector<std::string>& newNames,
            size_t startIndex);

  // Shows the dialog modally; mrOk once every new name from the start index on is computed.
  int Run();
  // Choosing an action (the combo box and Alt+H, T, C, X, E, R): its page, captions and help.
  void SelectAction(TBatchAction action);
  TBatchAction Action() const;
  int Page() const { return page_; }
  // The rule as the controls hold it.
  TBatchRule Rule() const;
  // Computes the new names; false after "Invalid Format" was shown.
  bool Compute();

private:
  void CreateControls() override;
  void Command(int id, int notification) override;
  INT_PTR Message(UINT message, WPARAM wParam, LPARAM lParam) override;
  void ShowPage(int page);
  void CheckRadio(int on, int off);
  bool Checked(int id) const;
  void Preview();
  void OkClick();
  static LRESULT CALLBACK ChildProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                    DWORD_PTR self);

  const std::vector<std::string>& oldNames_;
  std::vector<std::string>& newNames_;
  size_t startIndex_;
  int page_ = pgDefault;
};

// "Rename Preview": the old names beside their new ones from the start index on, and "&Close".
class TfRenamePreview : public TOperationDialog {
public:
  static constexpr int kClientWidth = 384;
  static constexpr int kClientHeight = 300;
  enum TControl : int { kListId = 100 };
  static constexpr int kCloseId = IDCANCEL;

  TfRenamePreview(HWND owner, const std::vector<std::string>& oldNames, const std::vector<std::string>& newNames,
                  size_t startIndex);
  int Run();
  // The row's two texts, as the list shows them.
  std::string OldName(int row) const;
  std::string NewName(int row) const;
  int Rows() const { return static_cast<int>(oldNames_.size() - startIndex_); }

private:
  void CreateControls() override;
  void Command(int id, int notification) override;
  INT_PTR Message(UINT message, WPARAM wParam, LPARAM lParam) override;

  const std::vector<std::string>& oldNames_;
  const std::vector<std::string>& newNames_;
  size_t startIndex_;
  std::wstring cell_;  // the text handed to the list last
};

}  // namespace quill
