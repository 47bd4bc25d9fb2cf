#include "operations/DelWarningDialog.h"

#include "operations/OperationTexts.h"
#include "platform/StringTable.h"

namespace quill {

TfDelWarning::TfDelWarning(HWND owner) : TOperationDialog(owner, kClientWidth, kClientHeight) {
  Create("Delete Confirm");
}

void TfDelWarning::CreateControls() {
  HWND icon = AddLabel("", SS_ICON, kIconId, 16, 12, 32, 32);
  SendMessageW(icon, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconW(nullptr, IDI_WARNING)), 0);
  AddLabel("", SS_LEFT | SS_EDITCONTROL, kTextId, 72, 14, 291, 47);
  AddButton("&Delete", kAllId, 140, 85, 70, 22);
  AddButton("&Yes", kYesId, 216, 85, 70, 22);
  AddButton("&No", kNoId, 292, 85, 70, 22);
}

void TfDelWarning::SetQuestion(const std::string& text) { SetText(kTextId, text); }

void TfDelWarning::SetWithAll(bool withAll) {
  const std::string all = LoadText(kTextAll);
  SetText(kAllId, withAll ? AllCaption(all.empty() ? "All" : all) : "&Delete");
}

int TfDelWarning::Run(int focusedButton) {
  FocusLater(focusedButton == 1 ? kYesId : focusedButton == 2 ? kNoId : kAllId);
  return ShowModal();
}

void TfDelWarning::Command(int id, int notification) {
  if (notification != BN_CLICKED) return;
  // Esc reaches here as IDCANCEL from the dialog manager, as does the close box.
  if (id == kAllId || id == kYesId || id == kNoId || id == IDCANCEL) SetModalResult(id);
}

int AskDelete(HWND owner, const std::string& text, int focusedButton, bool withAll) {
  TfDelWarning dialog(owner);
  if (!dialog.Handle()) return IDCANCEL;
  dialog.SetQuestion(text);
  dialog.SetWithAll(withAll);
  dialog.CentreOnOwner();
  return dialog.Run(focusedButton);
}

}  // namespace quill
