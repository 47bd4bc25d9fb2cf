#include "messages/GetString.h"

#include "messages/Centring.h"
#include "messages/Questions.h"
#include "platform/Utf16.h"

namespace quill {
namespace {

// Pixel layout of the fixed client area: the buttons stand at the right of the prompt, so a
// prompt of up to four lines fits above the edit box.
constexpr int kMargin = 8;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kButtonGap = 6;
constexpr int kEditHeight = 21;
constexpr int kButtonLeft = TfGetString::kClientWidth - kMargin - kButtonWidth;
constexpr int kEditTop = TfGetString::kClientHeight - kMargin - kEditHeight;

std::wstring Cased(std::wstring text, int charCase) {
  if (charCase == 1 && !text.empty()) CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
  if (charCase == 2 && !text.empty()) CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

}  // namespace

TfGetString::TfGetString(HWND owner) : TDialog(owner, kClientWidth, kClientHeight, L"MS Shell Dlg", 8) {
  Create("");
}

void TfGetString::SetPrompt(const std::string& prompt) { TDialog::SetText(kDescriptId, prompt); }

void TfGetString::SetCharCase(int charCase) {
  charCase_ = charCase == 1 || charCase == 2 ? charCase : 0;
  HWND edit = Edit();
  if (!edit) return;
  LONG_PTR style = GetWindowLongPtrW(edit, GWL_STYLE) & ~static_cast<LONG_PTR>(ES_UPPERCASE | ES_LOWERCASE);
  if (charCase_ == 1) style |= ES_UPPERCASE;
  if (charCase_ == 2) style |= ES_LOWERCASE;
  SetWindowLongPtrW(edit, GWL_STYLE, style);
}

void TfGetString::SetPasswordChar(wchar_t passwordChar) {
  if (HWND edit = Edit()) SendMessageW(edit, EM_SETPASSWORDCHAR, passwordChar, 0);
}

void TfGetString::SetText(const std::string& text, bool selectAll) {
  selectAll_ = selectAll;
  HWND edit = Edit();
  if (!edit) return;
  SetWindowTextW(edit, Cased(Widen(text), charCase_).c_str());
  ApplySelection();
}

void TfGetString::CentreOnOwner() { CentreWindowOver(Handle(), Owner()); }

void TfGetString::ApplySelection() {
  HWND edit = Edit();
  if (selectAll_) {
    SendMessageW(edit, EM_SETSEL, 0, -1);
  } else {
    const int end = GetWindowTextLengthW(edit);
    SendMessageW(edit, EM_SETSEL, end, end);
  }
  SendMessageW(edit, EM_SCROLLCARET, 0, 0);
}

int TfGetString::ShowModal() {
  // Activation lets the dialog manager focus the edit box and select all of it; the caller's
  // choice of selection comes after that.
  const int result = TDialog::ShowModal([this] {
    SetFocus(Edit());
    ApplySelection();
  });
  return result == mrOk ? mrOk : mrCancel;
}

void TfGetString::CreateControls() {
  const int promptWidth = kButtonLeft - 2 * kMargin;
  const int promptHeight = kEditTop - 2 * kMargin + kMargin / 2;
  AddControl(L"STATIC", "", SS_LEFT | SS_NOPREFIX, kDescriptId, kMargin, kMargin, promptWidth, promptHeight);
  AddControl(L"EDIT", "", WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, kEditId, kMargin, kEditTop,
             kClientWidth - 2 * kMargin, kEditHeight, WS_EX_CLIENTEDGE);
  AddControl(L"BUTTON", "OK", WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK, kButtonLeft, kMargin, kButtonWidth,
             kButtonHeight);
  AddControl(L"BUTTON", "Cancel", WS_TABSTOP | BS_PUSHBUTTON, IDCANCEL, kButtonLeft,
             kMargin + kButtonHeight + kButtonGap, kButtonWidth, kButtonHeight);
  SendMessageW(Handle(), DM_SETDEFID, IDOK, 0);
}

void TfGetString::Command(int id, int notification) {
  if (notification == BN_CLICKED && (id == IDOK || id == IDCANCEL)) SetModalResult(id == IDOK ? mrOk : mrCancel);
}

INT_PTR TfGetString::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    SetModalResult(mrCancel);
    return TRUE;
  }
  return TDialog::HandleMessage(message, wParam, lParam);
}

int AskText(HWND owner, const std::string& caption, const std::string& prompt, std::string& text, bool selectAll,
            int charCase, wchar_t passwordChar) {
  TfGetString dialog(owner);
  dialog.SetCaption(caption);
  dialog.SetPrompt(prompt);
  dialog.SetCharCase(charCase);
  if (passwordChar) dialog.SetPasswordChar(passwordChar);
  dialog.SetText(text, selectAll);
  dialog.CentreOnOwner();
  const int result = dialog.ShowModal();
  if (result == mrOk) text = dialog.Text();
  return result;
}

}  // namespace quill
