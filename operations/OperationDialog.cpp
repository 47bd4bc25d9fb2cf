#include "operations/OperationDialog.h"

#include <algorithm>
#include <exception>

#include "messages/Centring.h"
#include "ui/Window.h"

namespace quill {
namespace {

constexpr COLORREF kGrey = RGB(0x80, 0x80, 0x80);

}  // namespace

TOperationDialog::TOperationDialog(HWND owner, int clientWidth, int clientHeight)
    : TDialog(owner, clientWidth, clientHeight, L"MS Sans Serif", 8) {}

TOperationDialog::~TOperationDialog() { HideModeless(); }

void TOperationDialog::CentreOnOwner() { CentreWindowOver(Handle(), Owner()); }

HWND TOperationDialog::AddLabel(const std::string& text, DWORD style, int id, int x, int y, int width, int height) {
  return AddControl(L"STATIC", text, style | SS_NOPREFIX, id, x, y, width, height);
}

HWND TOperationDialog::AddButton(const std::string& text, int id, int x, int y, int width, int height,
                                 bool isDefault) {
  HWND button = AddControl(L"BUTTON", text, WS_TABSTOP | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), id, x, y,
                           width, height);
  if (isDefault) SendMessageW(Handle(), DM_SETDEFID, id, 0);
  return button;
}

void TOperationDialog::ShowModeless() {
  if (!Handle() || shownModeless_) return;
  const HWND owner = Owner();
  // Shown active only when our own window had the activation, so that a program the user went
  // to meanwhile is not pushed aside.
  const bool activate = owner && GetForegroundWindow() == GetAncestor(owner, GA_ROOT);
  focusBefore_.emplace();
  ownerDisabled_ = owner && IsWindowEnabled(owner);
  if (ownerDisabled_) EnableWindow(owner, FALSE);
  ShowWindow(Handle(), activate ? SW_SHOW : SW_SHOWNOACTIVATE);
  shownModeless_ = true;
  UpdateWindow(Handle());
}

void TOperationDialog::HideModeless() {
  if (!shownModeless_) return;
  shownModeless_ = false;
  if (ownerDisabled_ && IsWindow(Owner())) EnableWindow(Owner(), TRUE);
  ownerDisabled_ = false;
  if (focusBefore_) focusBefore_->Restore();
  focusBefore_.reset();
  if (Handle()) ShowWindow(Handle(), SW_HIDE);
}

bool TOperationDialog::PumpMessages() {
  MSG msg;
  // Once the window is closed its owner takes input again, but the operation is still on the
  // stack until it next looks at the cancel flag: what is left in the queue waits for the
  // program's own loop, so no command can start inside the one that is ending.
  while (shownModeless_ && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
    if (Handle() && IsDialogMessageW(Handle(), &msg)) continue;
    try {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    } catch (const std::exception& e) {
      TWindow::ReportException(Handle(), e.what());
    } catch (...) {
      TWindow::ReportException(Handle(), nullptr);
    }
  }
  return true;
}

void TOperationDialog::FocusLater(int id) {
  // Posted: the dialog manager places the focus itself when the window is activated, so the
  // choice must come after that.
  if (HWND item = Item(id)) PostMessageW(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(item), TRUE);
}

INT_PTR TOperationDialog::Message(UINT, WPARAM, LPARAM) { return FALSE; }

INT_PTR TOperationDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (const INT_PTR handled = Message(message, wParam, lParam)) return handled;
  if (message == WM_CTLCOLORSTATIC) {
    const auto label = reinterpret_cast<HWND>(lParam);
    if (std::find(greyLabels_.begin(), greyLabels_.end(), GetDlgCtrlID(label)) == greyLabels_.end()) return FALSE;
    const auto dc = reinterpret_cast<HDC>(wParam);
    SetTextColor(dc, kGrey);
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
  }
  return TDialog::HandleMessage(message, wParam, lParam);
}

}  // namespace quill
