#include "app/CommandBox.h"

#include <commctrl.h>
#include <algorithm>

#include "platform/Utf16.h"

namespace quill {

namespace {
constexpr int kRunId = 1;
constexpr int kRunWidth = 44;
// Posted when the combo box loses the focus: by then the focus has arrived where it went, so a
// click on the Run button does not count as leaving the box.
constexpr UINT kCheckFocus = WM_APP + 1;
}  // namespace

bool TCommandBox::Create(HWND parent) {
  if (!CreateHandle(L"QuillCommandBox", WS_CHILD | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, L"", 0, 0, 100, 22, parent))
    return false;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  combo_ = CreateWindowExW(0, WC_COMBOBOXW, L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWN | CBS_AUTOHSCROLL,
                           0, 0, 100, 200, Handle(), nullptr, instance, nullptr);
  run_ = CreateWindowExW(0, WC_BUTTONW, L"Run", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON | BS_NOTIFY, 0, 0, kRunWidth, 21,
                         Handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kRunId)), instance, nullptr);
  if (!combo_ || !run_) return false;
  SendMessageW(combo_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  SendMessageW(run_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  COMBOBOXINFO info{sizeof info};
  if (GetComboBoxInfo(combo_, &info)) edit_ = info.hwndItem;
  if (edit_) SetWindowSubclass(edit_, EditProc, 1, reinterpret_cast<DWORD_PTR>(this));
  Layout();
  return true;
}

void TCommandBox::Layout() {
  RECT client{};
  GetClientRect(Handle(), &client);
  const int comboWidth = std::max<int>(20, client.right - kRunWidth - 4);
  MoveWindow(combo_, 1, 0, comboWidth, 200, TRUE);
  RECT box{};
  GetWindowRect(combo_, &box);
  MoveWindow(run_, comboWidth + 3, 0, kRunWidth, box.bottom - box.top, TRUE);
}

void TCommandBox::Open(const std::vector<std::string>& history) {
  SendMessageW(combo_, CB_RESETCONTENT, 0, 0);
  for (const std::string& line : history) SendMessageW(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(line).c_str()));
  SetWindowTextW(combo_, L"");
  picked_ = false;
  ShowWindow(Handle(), SW_SHOW);
  SetFocus(edit_ ? edit_ : combo_);
}

void TCommandBox::Hide() {
  if (SendMessageW(combo_, CB_GETDROPPEDSTATE, 0, 0)) SendMessageW(combo_, CB_SHOWDROPDOWN, FALSE, 0);
  ShowWindow(Handle(), SW_HIDE);
}

std::string TCommandBox::Text() const {
  const int length = GetWindowTextLengthW(combo_);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(combo_, text.data(), length + 1)));
  return Narrow(text);
}

bool TCommandBox::HasFocus() const {
  HWND focus = GetFocus();
  return focus && (focus == Handle() || IsChild(Handle(), focus));
}

void TCommandBox::Run() {
  if (OnRun) OnRun(Text(), !picked_);
}

LRESULT CALLBACK TCommandBox::EditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
  auto* box = reinterpret_cast<TCommandBox*>(data);
  const bool dropped = SendMessageW(box->combo_, CB_GETDROPPEDSTATE, 0, 0) != 0;
  if (message == WM_KEYDOWN && !dropped) {
    if (wParam == VK_RETURN) {
      box->Run();
      return 0;
    }
    if (wParam == VK_ESCAPE) {
      if (box->OnCancel) box->OnCancel();
      return 0;
    }
  }
  // The beep of a single-line edit on Enter and Escape.
  if (message == WM_CHAR && (wParam == VK_RETURN || wParam == VK_ESCAPE) && !dropped) return 0;
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

LRESULT TCommandBox::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE: Layout(); return 0;
    case WM_ERASEBKGND: {
      RECT client{};
      GetClientRect(Handle(), &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client, GetSysColorBrush(COLOR_BTNFACE));
      return 1;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == kRunId) {
        if (HIWORD(wParam) == BN_CLICKED) Run();
        else if (HIWORD(wParam) == BN_KILLFOCUS) PostMessageW(Handle(), kCheckFocus, 0, 0);
        return 0;
      }
      if (reinterpret_cast<HWND>(lParam) == combo_) {
        switch (HIWORD(wParam)) {
          case CBN_SELCHANGE: picked_ = true; break;
          case CBN_EDITCHANGE: picked_ = false; break;
          case CBN_KILLFOCUS: PostMessageW(Handle(), kCheckFocus, 0, 0); break;
          default: break;
        }
        return 0;
      }
      break;
    case kCheckFocus:
      if (IsWindowVisible(Handle()) && !HasFocus() && OnFocusLost) OnFocusLost();
      return 0;
    default: break;
  }
  return TWindow::HandleMessage(message, wParam, lParam);
}

}  // namespace quill
