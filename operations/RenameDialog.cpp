#include "operations/RenameDialog.h"

#include "base/Text.h"
#include "operations/ARenameDialog.h"
#include "operations/BatchRename.h"

namespace quill {

TfRename::TfRename(HWND owner) : TOperationDialog(owner, kClientWidth, kClientHeight) { Create("Rename"); }

void TfRename::CreateControls() {
  AddLabel("", SS_LEFT | SS_ENDELLIPSIS, kOldFileNameId, 10, 10, 310, 16);
  AddControl(L"EDIT", "", WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, kFileNameId, 10, 30, 310, 21, WS_EX_CLIENTEDGE);
  SendMessageW(Item(kFileNameId), EM_SETLIMITTEXT, 255, 0);
  AddControl(L"BUTTON", "Change E&xtension", WS_TABSTOP | BS_AUTOCHECKBOX, kExtensionId, 10, 58, 150, 18);
  SendMessageW(Item(kExtensionId), BM_SETCHECK, BST_CHECKED, 0);
  AddButton("&Advanced", kAdvancedId, 10, 82, 75, 24);
  AddButton("&OK", kOkId, 170, 82, 72, 24, true);
  AddButton("&Cancel", kCancelId, 248, 82, 72, 24);
}

int TfRename::Ask(size_t index, const std::vector<std::string>& oldNames, std::vector<std::string>& newNames) {
  oldNames_ = &oldNames;
  newNames_ = &newNames;
  index_ = index;
  const std::string& old = oldNames[index];
  SetText(kOldFileNameId, Format("%s (%d/%d)", old.c_str(), static_cast<int>(index + 1),
                                 static_cast<int>(oldNames.size())));
  SetText(kFileNameId, old);
  SendMessageW(Item(kFileNameId), EM_SETSEL, 0, -1);
  CentreOnOwner();
  FocusLater(kFileNameId);
  const int result = ShowModal();
  return result == kOkId ? mrOk : result == mrAll ? mrAll : mrCancel;
}

void TfRename::Command(int id, int notification) {
  if (notification != BN_CLICKED) return;
  switch (id) {
    case kOkId:
      (*newNames_)[index_] = RenameDialogName(Text(kFileNameId), (*oldNames_)[index_],
                                              SendMessageW(Item(kExtensionId), BM_GETCHECK, 0, 0) == BST_CHECKED);
      SetModalResult(kOkId);
      break;
    case kCancelId: SetModalResult(kCancelId); break;
    case kExtensionId:
      if (SendMessageW(Item(kExtensionId), BM_GETCHECK, 0, 0) == BST_CHECKED) SetFocus(Item(kFileNameId));
      break;
    case kAdvancedId: AdvancedClick(); break;
  }
}

void TfRename::AdvancedClick() {
  // From the entry being asked on: the ones before it are renamed already.
  TfARename advanced(Handle(), *oldNames_, *newNames_, index_);
  if (advanced.Run() == mrOk) SetModalResult(mrAll);
}

}  // namespace quill
