#include "settings/EditFuncDialog.h"

#include "app/FunctionKeys.h"
#include "base/Path.h"
#include "messages/Centring.h"
#include "platform/Utf16.h"

namespace quill {

namespace {

constexpr char kProgramFilter[] = "Program File(*.exe)|*.exe|All(*.*)|*.*";

constexpr int kMargin = 8;
constexpr int kGroupTop = 34;
constexpr int kPageLeft = 16;
constexpr int kPageTop = 50;
constexpr int kLabelLeft = 24;
constexpr int kFieldLeft = 110;
constexpr int kFieldRight = TfEditFunc::kClientWidth - 24;
constexpr int kRowHeight = 21;
constexpr int kBrowseWidth = 26;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;

// The row of a page at this index: label and field share a line.
constexpr int RowTop(int row) { return kPageTop + 10 + row * 28; }

constexpr int kLinkControls[] = {
    TfEditFunc::kLinkNameLabelId,   TfEditFunc::kLinkNameId,    TfEditFunc::kCommandLabelId,
    TfEditFunc::kCommandId,         TfEditFunc::kBrowseId,      TfEditFunc::kParametersLabelId,
    TfEditFunc::kParametersId,      TfEditFunc::kLegendId,      TfEditFunc::kLegendLine1Id,
    TfEditFunc::kLegendLine2Id};
constexpr int kQuillControls[] = {TfEditFunc::kQuillNameLabelId, TfEditFunc::kQuillNameId,
                                  TfEditFunc::kFunctionLabelId, TfEditFunc::kFunctionId};

}  // namespace

TfEditFunc::TfEditFunc(HWND owner, IQuestions& questions, const std::string& entry)
    // The client height is a first guess: ShowPage sets the window's outer height per page.
    : TDialog(owner, kClientWidth, kLinkLayout.dialogHeight - 30, L"MS Sans Serif", 8),
      questions_(questions),
      initial_(FieldsFromEntry(entry)) {
  Create("Edit Function Key");
}

void TfEditFunc::CreateControls() {
  AddControl(L"BUTTON", "Link with Program", WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON, kLinkId, 12, 10, 140, 18);
  AddControl(L"BUTTON", "Quill Function", BS_AUTORADIOBUTTON, kQuillFuncId, 160, 10, 140, 18);
  AddControl(L"BUTTON", "", WS_GROUP | BS_GROUPBOX, kOptionsGroupId, kMargin, kGroupTop, kClientWidth - 2 * kMargin,
             kLinkLayout.groupHeight);
  // The page is the frame both pages' controls sit in; only its height changes between them.
  AddControl(L"STATIC", "", SS_ETCHEDFRAME, kPageId, kPageLeft, kPageTop, kClientWidth - 2 * kPageLeft,
             kLinkLayout.pageHeight);

  const int fieldWidth = kFieldRight - kFieldLeft;
  // "Link".
  AddControl(L"STATIC", "Display Name :", SS_LEFT, kLinkNameLabelId, kLabelLeft, RowTop(0) + 3, 84, 16);
  AddControl(L"EDIT", initial_.linkName, WS_TABSTOP | ES_AUTOHSCROLL, kLinkNameId, kFieldLeft, RowTop(0), fieldWidth,
             kRowHeight, WS_EX_CLIENTEDGE);
  AddControl(L"STATIC", "Command :", SS_LEFT, kCommandLabelId, kLabelLeft, RowTop(1) + 3, 84, 16);
  AddControl(L"EDIT", initial_.command, WS_TABSTOP | ES_AUTOHSCROLL, kCommandId, kFieldLeft, RowTop(1),
             fieldWidth - kBrowseWidth - 4, kRowHeight, WS_EX_CLIENTEDGE);
  AddControl(L"BUTTON", "...", WS_TABSTOP | BS_PUSHBUTTON, kBrowseId, kFieldRight - kBrowseWidth, RowTop(1),
             kBrowseWidth, kRowHeight);
  AddControl(L"STATIC", "Parameters :", SS_LEFT, kParametersLabelId, kLabelLeft, RowTop(2) + 3, 84, 16);
  AddControl(L"EDIT", initial_.parameters, WS_TABSTOP | ES_AUTOHSCROLL, kParametersId, kFieldLeft, RowTop(2),
             fieldWidth, kRowHeight, WS_EX_CLIENTEDGE);
  const int legendTop = RowTop(3) + 2;
  AddControl(L"BUTTON", "Parameters", BS_GROUPBOX, kLegendId, kLabelLeft, legendTop, kFieldRight - kLabelLeft, 70);
  AddControl(L"STATIC", "!: - Curr Drive   !.! - Name.Ext   !, - Name  !..! - Selected files", SS_LEFT | SS_NOPREFIX,
             kLegendLine1Id, kLabelLeft + 10, legendTop + 20, kFieldRight - kLabelLeft - 20, 16);
  AddControl(L"STATIC", "!\\ - Curr Path     %P - Edit Before Execute     ,! - Ext", SS_LEFT | SS_NOPREFIX,
             kLegendLine2Id, kLabelLeft + 10, legendTop + 42, kFieldRight - kLabelLeft - 20, 16);

  // "QuillFunc".
  AddControl(L"STATIC", "Display Name :", SS_LEFT, kQuillNameLabelId, kLabelLeft, RowTop(0) + 3, 84, 16);
  AddControl(L"EDIT", initial_.quillName, WS_TABSTOP | ES_AUTOHSCROLL, kQuillNameId, kFieldLeft, RowTop(0),
             fieldWidth, kRowHeight, WS_EX_CLIENTEDGE);
  AddControl(L"STATIC", "Function :", SS_LEFT, kFunctionLabelId, kLabelLeft, RowTop(1) + 3, 84, 16);
  HWND functions = AddControl(L"COMBOBOX", "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, kFunctionId, kFieldLeft,
                              RowTop(1), 160, 300);
  for (const char* caption : kFunctionCaptions)
    SendMessageW(functions, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(caption).c_str()));

  AddControl(L"BUTTON", "OK", WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, IDOK,
             kClientWidth - kMargin - 2 * kButtonWidth - 6, kLinkLayout.buttonsTop, kButtonWidth, kButtonHeight);
  AddControl(L"BUTTON", "Cancel", WS_TABSTOP | BS_PUSHBUTTON, IDCANCEL, kClientWidth - kMargin - kButtonWidth,
             kLinkLayout.buttonsTop, kButtonWidth, kButtonHeight);
  SendMessageW(Handle(), DM_SETDEFID, IDOK, 0);

  // Checking a kind switches the page first (which selects "Copy"); the entry's own function,
  // or none for an unknown name, is set after that.
  if (initial_.link) {
    ChooseLink();
  } else {
    ChooseQuillFunc();
    SendMessageW(functions, CB_SETCURSEL, static_cast<WPARAM>(initial_.function), 0);
  }
}

int TfEditFunc::ShowModal() {
  CentreWindowOver(Handle(), Owner());
  const int result = TDialog::ShowModal([this] { SetFocus(Item(link_ ? kLinkNameId : kQuillNameId)); });
  return result == mrOk ? mrOk : mrCancel;
}

TFunctionFields TfEditFunc::Fields() const {
  TFunctionFields fields;
  fields.link = link_;
  fields.linkName = Text(kLinkNameId);
  fields.command = Text(kCommandId);
  fields.parameters = Text(kParametersId);
  fields.quillName = Text(kQuillNameId);
  fields.function = static_cast<int>(SendMessageW(Item(kFunctionId), CB_GETCURSEL, 0, 0));
  return fields;
}

void TfEditFunc::SetOuterHeight(int height) {
  RECT window;
  GetWindowRect(Handle(), &window);
  SetWindowPos(Handle(), nullptr, 0, 0, window.right - window.left, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TfEditFunc::SetHeight(int id, int height) {
  HWND control = Item(id);
  RECT r;
  GetWindowRect(control, &r);
  SetWindowPos(control, nullptr, 0, 0, r.right - r.left, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TfEditFunc::SetTop(int id, int top) {
  HWND control = Item(id);
  RECT r;
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&r), 2);
  SetWindowPos(control, nullptr, r.left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TfEditFunc::ShowPage(bool link) {
  link_ = link;
  CheckRadioButton(Handle(), kLinkId, kQuillFuncId, link ? kLinkId : kQuillFuncId);
  for (int id : kLinkControls) ShowWindow(Item(id), link ? SW_SHOW : SW_HIDE);
  for (int id : kQuillControls) ShowWindow(Item(id), link ? SW_HIDE : SW_SHOW);
  const TEditFuncLayout& layout = link ? kLinkLayout : kFunctionLayout;
  SetHeight(kPageId, layout.pageHeight);
  SetHeight(kOptionsGroupId, layout.groupHeight);
  SetOuterHeight(layout.dialogHeight);
  SetTop(IDOK, layout.buttonsTop);
  SetTop(IDCANCEL, layout.buttonsTop);
  InvalidateRect(Handle(), nullptr, TRUE);
}

void TfEditFunc::ChooseLink() {
  ShowPage(true);
  if (IsWindowVisible(Handle())) SetFocus(Item(kLinkNameId));
}

void TfEditFunc::ChooseQuillFunc() {
  ShowPage(false);
  SendMessageW(Item(kFunctionId), CB_SETCURSEL, icCopy, 0);
  if (IsWindowVisible(Handle())) SetFocus(Item(kQuillNameId));
}

void TfEditFunc::Browse() {
  std::string path = FileDirPart(Text(kCommandId));
  if (!path.empty()) path += "\\";
  if (questions_.ChooseOpenFile(path, kProgramFilter)) SetText(kCommandId, path);
}

void TfEditFunc::Command(int id, int notification) {
  switch (id) {
    case kLinkId:
      if (notification == BN_CLICKED && !link_) ChooseLink();
      return;
    case kQuillFuncId:
      if (notification == BN_CLICKED && link_) ChooseQuillFunc();
      return;
    case kFunctionId:
      if (notification == CBN_SELCHANGE) {
        const int index = static_cast<int>(SendMessageW(Item(kFunctionId), CB_GETCURSEL, 0, 0));
        if (index >= 0 && index < static_cast<int>(kFunctionCaptions.size()))
          SetText(kQuillNameId, kFunctionCaptions[index]);
      }
      return;
    case kBrowseId:
      if (notification == BN_CLICKED) Browse();
      return;
    case IDOK:
    case IDCANCEL:
      if (notification == BN_CLICKED) SetModalResult(id == IDOK ? mrOk : mrCancel);
      return;
    default:
      return;
  }
}

INT_PTR TfEditFunc::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    SetModalResult(mrCancel);
    return TRUE;
  }
  return TDialog::HandleMessage(message, wParam, lParam);
}

bool EditFunctionKey(HWND owner, IQuestions& questions, std::string& entry) {
  TfEditFunc dialog(owner, questions, entry);
  if (dialog.ShowModal() != mrOk) return false;
  entry = dialog.Entry();
  return true;
}

}  // namespace quill
