#include "messages/GetString.h"

#include <exception>
#include <vector>

#include "messages/Messages.h"
#include "messages/Questions.h"
#include "platform/Utf16.h"
#include "ui/Window.h"

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

constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;

// An in-memory template with no items: the controls are placed in pixels once the window
// exists. The template carries the dialog font, which the controls take over.
std::vector<WORD> DialogTemplate() {
  std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
  auto* header = reinterpret_cast<DLGTEMPLATE*>(words.data());
  header->style = kDialogStyle;
  header->cx = 250;  // replaced in pixels on creation
  header->cy = 70;
  words.push_back(0);  // no menu
  words.push_back(0);  // the standard dialog class
  words.push_back(0);  // empty title
  words.push_back(8);  // point size
  for (const wchar_t* face = L"MS Shell Dlg"; *face; ++face) words.push_back(static_cast<WORD>(*face));
  words.push_back(0);
  return words;
}

std::wstring Cased(std::wstring text, int charCase) {
  if (charCase == 1 && !text.empty()) CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
  if (charCase == 2 && !text.empty()) CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

HWND CreateChild(HWND parent, DWORD exStyle, const wchar_t* className, const wchar_t* text, DWORD style, int id,
                 int x, int y, int width, int height) {
  HWND child = CreateWindowExW(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  if (child) SendMessageW(child, WM_SETFONT, SendMessageW(parent, WM_GETFONT, 0, 0), FALSE);
  return child;
}

}  // namespace

TfGetString::TfGetString(HWND owner) : owner_(owner) {
  const std::vector<WORD> dialog = DialogTemplate();
  CreateDialogIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<const DLGTEMPLATE*>(dialog.data()), owner,
                             DialogProc, reinterpret_cast<LPARAM>(this));
}

TfGetString::~TfGetString() {
  if (handle_) DestroyWindow(handle_);
}

void TfGetString::SetCaption(const std::string& caption) {
  if (handle_) SetWindowTextW(handle_, Widen(caption).c_str());
}

void TfGetString::SetPrompt(const std::string& prompt) {
  if (descript_) SetWindowTextW(descript_, Widen(prompt).c_str());
}

void TfGetString::SetCharCase(int charCase) {
  charCase_ = charCase == 1 || charCase == 2 ? charCase : 0;
  if (!edit_) return;
  LONG_PTR style = GetWindowLongPtrW(edit_, GWL_STYLE) & ~static_cast<LONG_PTR>(ES_UPPERCASE | ES_LOWERCASE);
  if (charCase_ == 1) style |= ES_UPPERCASE;
  if (charCase_ == 2) style |= ES_LOWERCASE;
  SetWindowLongPtrW(edit_, GWL_STYLE, style);
}

void TfGetString::SetText(const std::string& text, bool selectAll) {
  selectAll_ = selectAll;
  if (!edit_) return;
  SetWindowTextW(edit_, Cased(Widen(text), charCase_).c_str());
  ApplySelection();
}

std::string TfGetString::Text() const {
  if (!edit_) return {};
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(edit_)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(edit_, text.data(), static_cast<int>(text.size()))));
  return Narrow(text);
}

void TfGetString::CentreOnOwner() {
  if (!handle_) return;
  RECT area, self;
  const bool overOwner = owner_ && !IsIconic(owner_) && IsWindowVisible(owner_) && GetWindowRect(owner_, &area);
  if (!overOwner) SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  GetWindowRect(handle_, &self);
  const TDialogOrigin origin = CenterOver(area.left, area.top, area.right - area.left, area.bottom - area.top,
                                          self.right - self.left, self.bottom - self.top);
  SetWindowPos(handle_, nullptr, origin.left, origin.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TfGetString::ApplySelection() {
  if (selectAll_) {
    SendMessageW(edit_, EM_SETSEL, 0, -1);
  } else {
    const int end = GetWindowTextLengthW(edit_);
    SendMessageW(edit_, EM_SETSEL, end, end);
  }
  SendMessageW(edit_, EM_SCROLLCARET, 0, 0);
}

int TfGetString::ShowModal() {
  if (!handle_) return mrCancel;
  // A child window as owner would leave its top-level window clickable.
  const HWND blocked = owner_ ? GetAncestor(owner_, GA_ROOT) : nullptr;
  const bool disabled = blocked && IsWindowEnabled(blocked);
  if (disabled) EnableWindow(blocked, FALSE);
  modalResult_ = mrNone;
  ShowWindow(handle_, SW_SHOW);
  SetForegroundWindow(handle_);
  // Activation lets the dialog manager focus the edit box and select all of it; the caller's
  // choice of selection comes after that.
  SetFocus(edit_);
  ApplySelection();
  MSG msg;
  while (modalResult_ == mrNone && handle_) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (got == -1) break;
    if (!IsDialogMessageW(handle_, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  // The owner comes back before the dialog goes, so that activation returns to it.
  if (disabled) EnableWindow(blocked, TRUE);
  if (handle_) ShowWindow(handle_, SW_HIDE);
  return modalResult_ == mrOk ? mrOk : mrCancel;
}

void TfGetString::CreateControls() {
  const int promptWidth = kButtonLeft - 2 * kMargin;
  const int promptHeight = kEditTop - 2 * kMargin + kMargin / 2;
  descript_ = CreateChild(handle_, 0, L"STATIC", L"", SS_LEFT | SS_NOPREFIX, kDescriptId, kMargin, kMargin,
                          promptWidth, promptHeight);
  edit_ = CreateChild(handle_, WS_EX_CLIENTEDGE, L"EDIT", L"", WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, kEditId,
                      kMargin, kEditTop, kClientWidth - 2 * kMargin, kEditHeight);
  CreateChild(handle_, 0, L"BUTTON", L"OK", WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK, kButtonLeft, kMargin, kButtonWidth,
              kButtonHeight);
  CreateChild(handle_, 0, L"BUTTON", L"Cancel", WS_TABSTOP | BS_PUSHBUTTON, IDCANCEL, kButtonLeft,
              kMargin + kButtonHeight + kButtonGap, kButtonWidth, kButtonHeight);
  SendMessageW(handle_, DM_SETDEFID, IDOK, 0);

  // The frame's size follows from the client size; measured afterwards too, because the frame a
  // window really gets can differ from what AdjustWindowRectEx predicts.
  RECT frame = {0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(handle_, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(handle_, GWL_EXSTYLE)));
  int width = frame.right - frame.left, height = frame.bottom - frame.top;
  SetWindowPos(handle_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT client;
  GetClientRect(handle_, &client);
  width += kClientWidth - client.right;
  height += kClientHeight - client.bottom;
  if (client.right != kClientWidth || client.bottom != kClientHeight)
    SetWindowPos(handle_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK TfGetString::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<TfGetString*>(lParam);
    SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    self->handle_ = hwnd;
  }
  auto* self = reinterpret_cast<TfGetString*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  if (!self) return FALSE;
  try {
    return self->HandleMessage(message, wParam, lParam);
  } catch (const std::exception& e) {
    TWindow::ReportException(hwnd, e.what());
  } catch (...) {
    TWindow::ReportException(hwnd, nullptr);
  }
  return FALSE;
}

INT_PTR TfGetString::HandleMessage(UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      CreateControls();
      return FALSE;  // focus is placed when the dialog is shown
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        modalResult_ = LOWORD(wParam) == IDOK ? mrOk : mrCancel;
        return TRUE;
      }
      return FALSE;
    case WM_CLOSE:
      modalResult_ = mrCancel;
      return TRUE;
    case WM_NCDESTROY:
      // Destroyed from outside, with its owner for instance: the modal loop must end.
      SetWindowLongPtrW(handle_, DWLP_USER, 0);
      handle_ = descript_ = edit_ = nullptr;
      return FALSE;
  }
  return FALSE;
}

int AskText(HWND owner, const std::string& caption, const std::string& prompt, std::string& text, bool selectAll,
            int charCase) {
  TfGetString dialog(owner);
  dialog.SetCaption(caption);
  dialog.SetPrompt(prompt);
  dialog.SetCharCase(charCase);
  dialog.SetText(text, selectAll);
  dialog.CentreOnOwner();
  const int result = dialog.ShowModal();
  if (result == mrOk) text = dialog.Text();
  return result;
}

}  // namespace quill
