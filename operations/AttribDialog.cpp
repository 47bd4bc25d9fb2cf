#include "operations/AttribDialog.h"

#include <commctrl.h>

#include "base/Text.h"
#include "fileview/ShellUtils.h"
#include "messages/MessageBox.h"
#include "platform/Utf16.h"

namespace quill {

const char* const kTextNoSuchTime = "This date or time does not exist.";

namespace {
constexpr const char* kCaption = "Attributes/Time";
}  // namespace

TfAttrib::TfAttrib(HWND owner) : TOperationDialog(owner, kClientWidth, kClientHeight) { Create(kCaption); }

void TfAttrib::CreateControls() {
  AddLabel("", SS_LEFT | SS_ENDELLIPSIS, kFileNameId, 10, 10, 280, 16);
  AddControl(L"BUTTON", "Attributes", BS_GROUPBOX, kAttributesGroupId, 10, 32, 130, 118);
  int y = 52;
  for (const auto& [id, caption] : {std::pair{kArchiveId, " &Archive"}, std::pair{kReadonlyId, " &Readonly"},
                                    std::pair{kHiddenId, " &Hidden"}, std::pair{kSystemId, " &System"}}) {
    AddControl(L"BUTTON", caption, WS_TABSTOP | BS_AUTOCHECKBOX, id, 24, y, 106, 18);
    y += 23;
  }
  AddControl(L"BUTTON", "Time", BS_GROUPBOX, kTimeGroupId, 150, 32, 140, 118);
  AddControl(L"BUTTON", " Chan&ge Date/Time", WS_TABSTOP | BS_AUTOCHECKBOX, kApplyDateTimeId, 162, 52, 122, 18);
  AddLabel("&Date :", SS_LEFT, kDateCaptionId, 162, 85, 42, 16);
  AddControl(L"EDIT", "", WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, kDateId, 206, 82, 74, 21, WS_EX_CLIENTEDGE);
  AddLabel("&Time :", SS_LEFT, kTimeCaptionId, 162, 116, 42, 16);
  AddControl(L"EDIT", "", WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, kTimeId, 206, 113, 46, 21, WS_EX_CLIENTEDGE);
  // The captions name their edits' keys: prefixes wanted here.
  for (int id : {kDateCaptionId, kTimeCaptionId})
    SetWindowLongPtrW(Item(id), GWL_STYLE, GetWindowLongPtrW(Item(id), GWL_STYLE) & ~SS_NOPREFIX);
  AddControl(L"BUTTON", "Re&curse Subdirectories", WS_TABSTOP | BS_AUTOCHECKBOX, kRecurseId, 14, 158, 200, 18);
  int x = 70;
  for (const auto& [id, caption] : {std::pair{kOkId, "OK"}, std::pair{kCancelId, "Cancel"}, std::pair{kAllId, "All"}}) {
    AddButton(caption, id, x, 176, 70, 24, id == kOkId);
    x += 75;
  }
  EnableWindow(Item(kDateId), FALSE);
  EnableWindow(Item(kTimeId), FALSE);
  // The form sees keys before its controls: End answers All wherever the focus is.
  for (HWND child = GetWindow(Handle(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    SetWindowSubclass(child, ChildProc, 1, reinterpret_cast<DWORD_PTR>(this));
}

bool TfAttrib::Checked(int id) const { return SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void TfAttrib::Check(int id, bool checked) {
  SendMessageW(Item(id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

uint32_t TfAttrib::GetAttributes() const {
  return (Checked(kArchiveId) ? faArchive : 0) | (Checked(kReadonlyId) ? faReadOnly : 0) |
         (Checked(kHiddenId) ? faHidden : 0) | (Checked(kSystemId) ? faSystem : 0);
}

void TfAttrib::SetAttributes(uint32_t attributes) {
  Check(kArchiveId, attributes & faArchive);
  Check(kReadonlyId, attributes & faReadOnly);
  Check(kHiddenId, attributes & faHidden);
  Check(kSystemId, attributes & faSystem);
}

void TfAttrib::SetTime(uint64_t fileTime) {
  const std::optional<TCalendarTime> local = FileTimeToCalendar(fileTime);
  const TCalendarTime shown = local ? *local : TCalendarTime{2000, 1, 1, 0, 0, 0};
  SetText(kDateId, FileTimeText(shown, kTimeTextDate));
  SetText(kTimeId, FileTimeText(shown, kTimeTextClock));
}

std::optional<uint64_t> TfAttrib::GetTime() const {
  const std::optional<TCalendarTime> local = ParseAttribTime(Text(kDateId), Text(kTimeId));
  if (!local) return std::nullopt;
  return CalendarToFileTime(*local);
}

TAttribValues TfAttrib::Values() const {
  TAttribValues values;
  values.attributes = GetAttributes();
  values.applyTime = Checked(kApplyDateTimeId);
  values.recurse = Checked(kRecurseId);
  if (values.applyTime) values.time = GetTime().value_or(0);
  return values;
}

void TfAttrib::ApplyDateTimeChanged() {
  const bool time = Checked(kApplyDateTimeId);
  for (int id : {kArchiveId, kReadonlyId, kHiddenId, kSystemId}) EnableWindow(Item(id), !time);
  for (int id : {kDateId, kTimeId}) EnableWindow(Item(id), time);
}

void TfAttrib::Close(int result) {
  if (result != kCancelId && Checked(kApplyDateTimeId) && !GetTime()) {
    // The mask lets 2024-19-31 through; such a time is never applied, to this entry or the rest.
    MessageText(Handle(), kTextNoSuchTime, kCaption, mbOk, miStop);
    SetFocus(Item(kDateId));
    return;
  }
  SetModalResult(result);
}

void TfAttrib::Command(int id, int notification) {
  if (id == kApplyDateTimeId && notification == BN_CLICKED) ApplyDateTimeChanged();
  if (notification != BN_CLICKED) return;
  if (id == kOkId || id == kCancelId || id == kAllId) Close(id);
}

int TfAttrib::Ask(const TFile& file, int position, int count, TAttribValues& values) {
  SetAttributes(file.Attributes);
  SetTime(file.Time);
  SetText(kFileNameId, file.FullName() + Format(" (%d/%d)", position, count));
  CentreOnOwner();
  FocusLater(kOkId);
  const int result = ShowModal();
  if (result == kOkId || result == kAllId) values = Values();
  return result == kOkId ? mrOk : result == kAllId ? mrAll : mrCancel;
}

LRESULT TfAttrib::MaskedKey(HWND edit, UINT message, WPARAM wParam, bool& handled) {
  handled = true;
  const TTimeMask mask = GetDlgCtrlID(edit) == kDateId ? tmDate : tmTime;
  DWORD start = 0;
  SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
  int caret = static_cast<int>(start);
  switch (message) {
    case WM_CHAR: {
      // Overwrite mode: a digit replaces the character under the caret; everything else is eaten.
      std::string text = Narrow(std::wstring(1, static_cast<wchar_t>(wParam)));
      if (text.size() == 1) {
        std::string value = Text(GetDlgCtrlID(edit));
        if (TypeMaskDigit(mask, value, caret, text[0])) {
          SetWindowTextW(edit, Widen(value).c_str());
          SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(caret), caret);
        }
      }
      return 0;
    }
    case WM_KEYDOWN:
      if (wParam == VK_BACK) {
        if (caret > 0) SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(caret - 1), caret - 1);
        return 0;
      }
      if (wParam == VK_DELETE) return 0;
      break;
    case WM_PASTE:
    case WM_CUT:
    case WM_CLEAR:
    case WM_UNDO: return 0;
  }
  handled = false;
  return 0;
}

LRESULT CALLBACK TfAttrib::ChildProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR data) {
  auto* self = reinterpret_cast<TfAttrib*>(data);
  if (message == WM_NCDESTROY) RemoveWindowSubclass(hwnd, ChildProc, id);
  if (message == WM_KEYDOWN && wParam == VK_END) {
    self->Close(kAllId);
    return 0;
  }
  const int control = GetDlgCtrlID(hwnd);
  if (control == kDateId || control == kTimeId) {
    bool handled = false;
    const LRESULT result = self->MaskedKey(hwnd, message, wParam, handled);
    if (handled) return result;
  }
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

}  // namespace quill
