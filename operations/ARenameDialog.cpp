#include "operations/ARenameDialog.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <optional>

#include "base/Text.h"
#include "messages/MessageBox.h"
#include "platform/Utf16.h"

namespace quill {
namespace {

constexpr const char* kCaption = "Advanced Rename";
constexpr const char* kInvalidFormat = "Invalid Format";
constexpr std::array<const char*, 6> kActions = {"Head", "Tail", "Count", "Cut", "Change Extension", "Replace"};
constexpr const char* kCutHelp =
    "ex) 12345678.EXT\n     ~4  => 5678.EXT    2~4  => 15678.EXT\n     3~  => 12.EXT        3-  => 12345.EXT";
constexpr const char* kExtHelp =
    "Change extension of all files to the entered new extension.\nPlease enter new extension without leading "
    "period mark.";

// The controls of each page of the Options control.
constexpr int kDefaultPage[] = {TfARename::kEditCaptionId, TfARename::kEditId, TfARename::kHelpId};
constexpr int kCountPage[] = {TfARename::kStartCaptionId, TfARename::kStartId,  TfARename::kStartSpinId,
                              TfARename::kStepCaptionId,  TfARename::kStepId,   TfARename::kStepSpinId,
                              TfARename::kDigitsCaptionId, TfARename::kDigitsId, TfARename::kHeadId,
                              TfARename::kTailId};
constexpr int kReplacePage[] = {TfARename::kFindCaptionId, TfARename::kFindId, TfARename::kReplaceCaptionId,
                                TfARename::kReplaceId};

// What the dialog's Alt keys choose, before any control's mnemonic.
int ActionOfKey(WPARAM key) {
  switch (key) {
    case 'H': return baHead;
    case 'T': return baTail;
    case 'C': return baCount;
    case 'X': return baCut;
    case 'E': return baChangeExt;
    case 'R': return baReplace;
    default: return -1;
  }
}

// The name the disk will get, when the file system takes it; otherwise the text as computed.
std::string ShownName(const std::string& computed) {
  std::string name = computed;
  return CheckNewName(name) == 0 ? name : computed;
}

}  // namespace

TfARename::TfARename(HWND owner, const std::vector<std::string>& oldNames, std::vector<std::string>& newNames,
                     size_t startIndex)
    : TOperationDialog(owner, kClientWidth, kClientHeight),
      oldNames_(oldNames),
      newNames_(newNames),
      startIndex_(startIndex) {
  Create(kCaption);
}

void TfARename::CreateControls() {
  AddLabel("Action :", SS_LEFT, kActionCaptionId, 12, 13, 50, 16);
  AddControl(L"COMBOBOX", "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, kActionId, 66, 9, 160, 200);
  for (const char* action : kActions)
    SendMessageW(Item(kActionId), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(action).c_str()));

  // The pages' tabs as buttons above a frame in the dialog's own colour: a tab control's body is
  // painted lighter than the dialog (white under Wine), and the labels and radio buttons on it
  // would stand out as grey boxes.
  HWND tabs = AddControl(WC_TABCONTROLW, "", WS_CLIPSIBLINGS | TCS_BUTTONS | TCS_FLATBUTTONS, kOptionsId, 10, 38,
                         364, 24);
  AddControl(L"BUTTON", "", BS_GROUPBOX, kPageFrameId, 10, 58, 364, 118);
  for (const char* page : {"Default", "Count", "Replace"}) {
    std::wstring text = Widen(page);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text.data();
    SendMessageW(tabs, TCM_INSERTITEMW, static_cast<WPARAM>(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0)),
                 reinterpret_cast<LPARAM>(&item));
  }

  // "Default": the text of Head, Tail, Cut and Change Extension.
  AddControl(L"STATIC", "", SS_LEFT, kEditCaptionId, 24, 75, 58, 16);
  AddControl(L"EDIT", "", WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, kEditId, 86, 72, 274, 21, WS_EX_CLIENTEDGE);
  AddLabel("", SS_LEFT, kHelpId, 24, 102, 336, 66);

  // "Count".
  AddLabel("Start :", SS_LEFT, kStartCaptionId, 24, 75, 50, 16);
  AddControl(L"EDIT", "1", WS_TABSTOP | ES_LEFT | ES_NUMBER, kStartId, 86, 72, 90, 21, WS_EX_CLIENTEDGE);
  AddControl(UPDOWN_CLASSW, "", UDS_ALIGNRIGHT | UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_NOTHOUSANDS, kStartSpinId, 0, 0,
             0, 0);
  AddLabel("Step :", SS_LEFT, kStepCaptionId, 24, 106, 50, 16);
  AddControl(L"EDIT", "1", WS_TABSTOP | ES_LEFT | ES_NUMBER, kStepId, 86, 103, 90, 21, WS_EX_CLIENTEDGE);
  AddControl(UPDOWN_CLASSW, "", UDS_ALIGNRIGHT | UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_NOTHOUSANDS, kStepSpinId, 0, 0,
             0, 0);
  for (const auto& [spin, buddy] : {std::pair{kStartSpinId, kStartId}, std::pair{kStepSpinId, kStepId}}) {
    SendMessageW(Item(spin), UDM_SETBUDDY, reinterpret_cast<WPARAM>(Item(buddy)), 0);
    SendMessageW(Item(spin), UDM_SETRANGE32, 1, 2147483647);
    SendMessageW(Item(spin), UDM_SETPOS32, 0, 1);
  }
  AddLabel("Digits :", SS_LEFT, kDigitsCaptionId, 200, 75, 50, 16);
  AddControl(L"COMBOBOX", "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, kDigitsId, 254, 72, 60, 200);
  for (int digits = 1; digits <= 10; ++digits)
    SendMessageW(Item(kDigitsId), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::to_wstring(digits).c_str()));
  AddControl(L"BUTTON", "Hea&d", WS_TABSTOP | BS_RADIOBUTTON, kHeadId, 200, 105, 70, 18);
  AddControl(L"BUTTON", "Tai&l", WS_TABSTOP | BS_RADIOBUTTON, kTailId, 276, 105, 70, 18);

  // "Replace".
  AddControl(L"STATIC", "&Find :", SS_LEFT, kFindCaptionId, 24, 75, 58, 16);
  AddControl(L"EDIT", "", WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, kFindId, 86, 72, 274, 21, WS_EX_CLIENTEDGE);
  AddControl(L"STATIC", "Re&place :", SS_LEFT, kReplaceCaptionId, 24, 106, 58, 16);
  AddControl(L"EDIT", "", WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, kReplaceId, 86, 103, 274, 21, WS_EX_CLIENTEDGE);

  AddControl(L"BUTTON", "Na&me", WS_TABSTOP | BS_RADIOBUTTON, kChangeNameId, 16, 184, 80, 18);
  AddControl(L"BUTTON", "Extens&ion", WS_TABSTOP | BS_RADIOBUTTON, kChangeExtId, 100, 184, 100, 18);
  AddLabel("Alt +   ( H : Head, T : Tail, C : Count, X : Cut, E : Ext, R : Replace )", SS_LEFT, kKeysId, 12, 208,
           362, 16);
  SetGreyLabels({kKeysId});
  AddButton("Pre&view", kPreviewId, 10, 232, 75, 24);
  AddButton("OK", kOkId, 222, 232, 72, 24, true);
  AddButton("Cancel", kCancelId, 302, 232, 72, 24);

  CheckRadio(kHeadId, kTailId);
  CheckRadio(kChangeNameId, kChangeExtId);
  // The tabs and the frame were made first: they go below the page controls they frame.
  SetWindowPos(GetDlgItem(Handle(), kPageFrameId), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SetWindowPos(tabs, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  for (HWND child = GetWindow(Handle(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    SetWindowSubclass(child, ChildProc, 1, reinterpret_cast<DWORD_PTR>(this));
}

int TfARename::Run() {
  SendMessageW(Item(kDigitsId), CB_SETCURSEL, 0, 0);
  SelectAction(baHead);
  CentreOnOwner();
  FocusLater(kEditId);
  return ShowModal() == kOkId ? mrOk : mrCancel;
}

void TfARename::SelectAction(TBatchAction action) {
  SendMessageW(Item(kActionId), CB_SETCURSEL, static_cast<WPARAM>(action), 0);
  ShowPage(action == baCount ? pgCount : action == baReplace ? pgReplace : pgDefault);
  const bool choosePart = action != baChangeExt;
  ShowWindow(Item(kChangeNameId), choosePart ? SW_SHOW : SW_HIDE);
  ShowWindow(Item(kChangeExtId), choosePart ? SW_SHOW : SW_HIDE);
  switch (action) {
    case baHead: SetText(kEditCaptionId, "Hea&d :"); SetText(kHelpId, ""); break;
    case baTail: SetText(kEditCaptionId, "Tai&l :"); SetText(kHelpId, ""); break;
    case baCut: SetText(kEditCaptionId, "Cu&t :"); SetText(kHelpId, kCutHelp); break;
    case baChangeExt: SetText(kEditCaptionId, "Ex&t :"); SetText(kHelpId, kExtHelp); break;
    default: break;
  }
}

TBatchAction TfARename::Action() const {
  const LRESULT index = SendMessageW(Item(kActionId), CB_GETCURSEL, 0, 0);
  return index >= 0 && index < static_cast<LRESULT>(kActions.size()) ? static_cast<TBatchAction>(index) : baHead;
}

void TfARename::ShowPage(int page) {
  page_ = page;
  SendMessageW(Item(kOptionsId), TCM_SETCURSEL, static_cast<WPARAM>(page), 0);
  for (int id : kDefaultPage) ShowWindow(Item(id), page == pgDefault ? SW_SHOW : SW_HIDE);
  for (int id : kCountPage) ShowWindow(Item(id), page == pgCount ? SW_SHOW : SW_HIDE);
  for (int id : kReplacePage) ShowWindow(Item(id), page == pgReplace ? SW_SHOW : SW_HIDE);
}

void TfARename::CheckRadio(int on, int off) {
  SendMessageW(Item(on), BM_SETCHECK, BST_CHECKED, 0);
  SendMessageW(Item(off), BM_SETCHECK, BST_UNCHECKED, 0);
}

bool TfARename::Checked(int id) const { return SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

TBatchRule TfARename::Rule() const {
  TBatchRule rule;
  rule.action = Action();
  rule.text = Text(kEditId);
  rule.changeExt = Checked(kChangeExtId);
  rule.start = Text(kStartId);
  rule.step = Text(kStepId);
  rule.digits = static_cast<int>(SendMessageW(Item(kDigitsId), CB_GETCURSEL, 0, 0)) + 1;
  rule.countTail = Checked(kTailId);
  rule.find = Text(kFindId);
  rule.replace = Text(kReplaceId);
  return rule;
}

bool TfARename::Compute() {
  const HCURSOR before = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  const std::optional<size_t> failed = ComputeNewNames(Rule(), oldNames_, newNames_, startIndex_);
  SetCursor(before);
  if (!failed) return true;
  MessageText(Handle(), kInvalidFormat, kCaption, mbOk, miStop);
  return false;
}

void TfARename::Preview() {
  Compute();
  TfRenamePreview preview(Handle(), oldNames_, newNames_, startIndex_);
  preview.Run();
}

void TfARename::OkClick() {
  Compute();
  for (size_t i = startIndex_; i < newNames_.size(); ++i)
    if (newNames_[i].empty()) return;
  SetModalResult(kOkId);
}

void TfARename::Command(int id, int notification) {
  if (id == kActionId && notification == CBN_SELCHANGE) {
    SelectAction(Action());
    return;
  }
  if (notification != BN_CLICKED) return;
  switch (id) {
    case kHeadId: CheckRadio(kHeadId, kTailId); break;
    case kTailId: CheckRadio(kTailId, kHeadId); break;
    case kChangeNameId: CheckRadio(kChangeNameId, kChangeExtId); break;
    case kChangeExtId: CheckRadio(kChangeExtId, kChangeNameId); break;
    case kPreviewId: Preview(); break;
    case kOkId: OkClick(); break;
    case kCancelId: SetModalResult(kCancelId); break;
  }
}

INT_PTR TfARename::Message(UINT message, WPARAM, LPARAM lParam) {
  if (message != WM_NOTIFY) return FALSE;
  const auto* header = reinterpret_cast<const NMHDR*>(lParam);
  if (header->idFrom == kOptionsId && header->code == TCN_SELCHANGE)
    ShowPage(static_cast<int>(SendMessageW(Item(kOptionsId), TCM_GETCURSEL, 0, 0)));
  return FALSE;
}

LRESULT CALLBACK TfARename::ChildProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                      DWORD_PTR data) {
  auto* self = reinterpret_cast<TfARename*>(data);
  if (message == WM_NCDESTROY) RemoveWindowSubclass(hwnd, ChildProc, id);
  // The form sees Alt+H ... Alt+R before any control's mnemonic.
  if ((message == WM_SYSKEYDOWN || message == WM_SYSCHAR) && (HIWORD(lParam) & KF_ALTDOWN)) {
    const WPARAM key = message == WM_SYSCHAR && wParam >= 'a' && wParam <= 'z' ? wParam - 'a' + 'A' : wParam;
    if (const int action = ActionOfKey(key); action >= 0) {
      if (message == WM_SYSKEYDOWN) self->SelectAction(static_cast<TBatchAction>(action));
      return 0;
    }
  }
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

// ---- the preview ----

TfRenamePreview::TfRenamePreview(HWND owner, const std::vector<std::string>& oldNames,
                                 const std::vector<std::string>& newNames, size_t startIndex)
    : TOperationDialog(owner, kClientWidth, kClientHeight),
      oldNames_(oldNames),
      newNames_(newNames),
      startIndex_(std::min(startIndex, oldNames.size())) {
  Create("Rename Preview");
}

void TfRenamePreview::CreateControls() {
  // A virtual list: ten thousand names are shown without ten thousand rows being made.
  HWND list = AddControl(WC_LISTVIEWW, "",
                         WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER,
                         kListId, 10, 10, 364, 246, WS_EX_CLIENTEDGE);
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  int column = 0;
  for (const char* caption : {"Original Name", "New Name"}) {
    std::wstring text = Widen(caption);
    LVCOLUMNW c{};
    c.mask = LVCF_TEXT | LVCF_WIDTH;
    c.cx = 180;
    c.pszText = text.data();
    SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column++), reinterpret_cast<LPARAM>(&c));
  }
  SendMessageW(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(Rows()), 0);
  AddButton("&Close", kCloseId, 302, 266, 72, 24, true);
}

std::string TfRenamePreview::OldName(int row) const { return oldNames_.at(startIndex_ + static_cast<size_t>(row)); }

std::string TfRenamePreview::NewName(int row) const {
  const size_t i = startIndex_ + static_cast<size_t>(row);
  return i < newNames_.size() ? ShownName(newNames_[i]) : std::string();
}

int TfRenamePreview::Run() {
  CentreOnOwner();
  FocusLater(kListId);
  return ShowModal();
}

void TfRenamePreview::Command(int id, int notification) {
  if (id == kCloseId && notification == BN_CLICKED) SetModalResult(kCloseId);
}

INT_PTR TfRenamePreview::Message(UINT message, WPARAM, LPARAM lParam) {
  if (message != WM_NOTIFY) return FALSE;
  auto* info = reinterpret_cast<NMLVDISPINFOW*>(lParam);
  if (info->hdr.idFrom != kListId || info->hdr.code != LVN_GETDISPINFOW || !(info->item.mask & LVIF_TEXT))
    return FALSE;
  const int row = info->item.iItem;
  if (row < 0 || row >= Rows()) return FALSE;
  cell_ = Widen(info->item.iSubItem == 0 ? OldName(row) : NewName(row));
  info->item.pszText = cell_.data();
  return TRUE;
}

}  // namespace quill
