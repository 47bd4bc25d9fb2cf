// TfEditFunc ("Edit Function Key"): edits one function-key entry, either as a program with its
// parameters or as one of Quill's own functions. The entry's meaning is FunctionEntry's; this is
// only its two pages of controls.
#pragma once

#include <windows.h>

#include <string>

#include "messages/Questions.h"
#include "settings/FunctionEntry.h"
#include "ui/Dialog.h"

namespace quill {

class TfEditFunc : public TDialog {
public:
  static constexpr int kClientWidth = 420;
  enum TControl : int {
    kLinkId = 100,
    kQuillFuncId,
    kOptionsGroupId,
    kPageId,
    // The "Link" page.
    kLinkNameLabelId,
    kLinkNameId,  // lDisplayName
    kCommandLabelId,
    kCommandId,
    kBrowseId,
    kParametersLabelId,
    kParametersId,
    kLegendId,
    kLegendLine1Id,
    kLegendLine2Id,
    // The "QuillFunc" page.
    kQuillNameLabelId,
    kQuillNameId,  // quillDisplayName
    kFunctionLabelId,
    kFunctionId,  // QuillFunction
  };

  TfEditFunc(HWND owner, IQuestions& questions, const std::string& entry);

  // mrOk or mrCancel.
  int ShowModal();
  // The entry the controls stand for now (after OK: the new entry).
  std::string Entry() const { return EntryFromFields(Fields()); }
  TFunctionFields Fields() const;
  bool LinkShown() const { return link_; }

  // What the controls do, callable on their own.
  void ChooseLink();
  void ChooseQuillFunc();
  void Browse();  // "..."

private:
  void CreateControls() override;
  void Command(int id, int notification) override;
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void ShowPage(bool link);
  void SetOuterHeight(int height);
  void SetHeight(int id, int height);
  void SetTop(int id, int top);

  IQuestions& questions_;
  TFunctionFields initial_;
  bool link_ = true;
};

// Runs TfEditFunc modally on `entry`; on OK stores the new entry there and returns true.
bool EditFunctionKey(HWND owner, IQuestions& questions, std::string& entry);

}  // namespace quill
