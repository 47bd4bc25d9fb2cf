#include "operations/OperationDialog.h"

#include <algorithm>
#include <exception>

#include "drivewin/ModalLoop.h"
#include "platform/Utf16.h"
#include "ui/Window.h"

namespace quill {
namespace {

constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
constexpr COLORREF kGrey = RGB(0x80, 0x80, 0x80);

// A template without items; the controls are placed in pixels once the window exists. The
// template carries the font, which the controls take over.
std::vector<WORD> DialogTemplate() {
  std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
  auto* header = reinterpret_cast<DLGTEMPLATE*>(words.data());
  header->style = kDialogStyle;
  header->cx = 200;  // replaced in pixels on creation
  header->cy = 60;
  words.push_back(0);  // no menu
  words.push_back(0);  // the standard dialog class
  words.push_back(0);  // empty title
  words.push_back(8);  // point size
  for (const wchar_t* face = L"MS Sans Serif"; *face; ++face) words.push_back(static_cast<WORD>(*face));
  words.push_back(0);
  return words;
}

}  // namespace

TOperationDialog::TOperationDialog(HWND owner, int clientWidth, int clientHeight)
    : owner_(owner), clientWidth_(clientWidth), clientHeight_(clientHeight) {}

TOperationDialog::~TOperationDialog() {
  HideModeless();
  if (handle_) {
    SetWindowLongPtrW(handle_, DWLP_USER, 0);
    DestroyWindow(handle_);
  }
}

bool TOperationDialog::Create(const std::string& caption) {
  const std::vector<WORD> dialog = DialogTemplate();
  CreateDialogIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<const DLGTEMPLATE*>(dialog.data()), owner_,
                             DialogProc, reinterpret_cast<LPARAM>(this));
  if (!handle_) return false;
  SetCaption(caption);
  return true;
}

void TOperationDialog::FitClientSize() {
  // Measured after a first try too: the frame a window really gets can differ from what
  // AdjustWindowRectEx predicts.
  RECT frame = {0, 0, clientWidth_, clientHeight_};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(handle_, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(handle_, GWL_EXSTYLE)));
  int width = frame.right - frame.left, height = frame.bottom - frame.top;
  SetWindowPos(handle_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT client;
  GetClientRect(handle_, &client);
  if (client.right != clientWidth_ || client.bottom != clientHeight_)
    SetWindowPos(handle_, nullptr, 0, 0, width + clientWidth_ - client.right, height + clientHeight_ - client.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TOperationDialog::CentreOnOwner() {
  if (!handle_) return;
  RECT self;
  GetWindowRect(handle_, &self);
  const POINT at = CentredOver(owner_, self.right - self.left, self.bottom - self.top);
  SetWindowPos(handle_, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND TOperationDialog::AddControl(const wchar_t* className, const std::string& text, DWORD style, int id, int x,
                                  int y, int width, int height, DWORD exStyle) {
  HWND child = CreateWindowExW(exStyle, className, Widen(text).c_str(), WS_CHILD | WS_VISIBLE | style, x, y, width,
                               height, handle_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                               GetModuleHandleW(nullptr), nullptr);
  if (child) SendMessageW(child, WM_SETFONT, SendMessageW(handle_, WM_GETFONT, 0, 0), FALSE);
  return child;
}

HWND TOperationDialog::AddLabel(const std::string& text, DWORD style, int id, int x, int y, int width, int height) {
  return AddControl(L"STATIC", text, style | SS_NOPREFIX, id, x, y, width, height);
}

HWND TOperationDialog::AddButton(const std::string& text, int id, int x, int y, int width, int height,
                                 bool isDefault) {
  HWND button = AddControl(L"BUTTON", text, WS_TABSTOP | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), id, x, y,
                           width, height);
  if (isDefault) SendMessageW(handle_, DM_SETDEFID, id, 0);
  return button;
}

void TOperationDialog::SetText(int id, const std::string& text) {
  if (HWND item = Item(id)) SetWindowTextW(item, Widen(text).c_str());
}

void TOperationDialog::SetCaption(const std::string& caption) {
  if (handle_) SetWindowTextW(handle_, Widen(caption).c_str());
}

std::string TOperationDialog::Text(int id) const {
  HWND item = Item(id);
  if (!item) return {};
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(item)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(item, text.data(), static_cast<int>(text.size()))));
  return Narrow(text);
}

void TOperationDialog::ShowModeless() {
  if (!handle_ || shownModeless_) return;
  // Shown active only when our own window had the activation, so that a program the user went
  // to meanwhile is not pushed aside.
  const bool activate = owner_ && GetForegroundWindow() == GetAncestor(owner_, GA_ROOT);
  ownerDisabled_ = owner_ && IsWindowEnabled(owner_);
  if (ownerDisabled_) EnableWindow(owner_, FALSE);
  ShowWindow(handle_, activate ? SW_SHOW : SW_SHOWNOACTIVATE);
  shownModeless_ = true;
  UpdateWindow(handle_);
}

void TOperationDialog::HideModeless() {
  if (!shownModeless_) return;
  shownModeless_ = false;
  if (ownerDisabled_ && IsWindow(owner_)) EnableWindow(owner_, TRUE);
  ownerDisabled_ = false;
  if (handle_) ShowWindow(handle_, SW_HIDE);
}

bool TOperationDialog::PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
    if (handle_ && IsDialogMessageW(handle_, &msg)) continue;
    try {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    } catch (const std::exception& e) {
      TWindow::ReportException(handle_, e.what());
    } catch (...) {
      TWindow::ReportException(handle_, nullptr);
    }
  }
  return true;
}

int TOperationDialog::ShowModal() {
  if (!handle_) return 2;
  modalResult_ = 0;
  return RunModal(handle_, owner_, modalResult_);
}

void TOperationDialog::FocusLater(int id) {
  // Posted: the dialog manager places the focus itself when the window is activated, so the
  // choice must come after that.
  if (HWND item = Item(id)) PostMessageW(handle_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(item), TRUE);
}

INT_PTR TOperationDialog::Message(UINT, WPARAM, LPARAM) { return FALSE; }

INT_PTR CALLBACK TOperationDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    reinterpret_cast<TOperationDialog*>(lParam)->handle_ = hwnd;
  }
  auto* self = reinterpret_cast<TOperationDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
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

INT_PTR TOperationDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(handle_, DWLP_USER, 0);
    handle_ = nullptr;
    return FALSE;
  }
  if (message == WM_INITDIALOG) {
    FitClientSize();
    CreateControls();
    return FALSE;  // focus is placed when the dialog is shown
  }
  if (const INT_PTR handled = Message(message, wParam, lParam)) return handled;
  switch (message) {
    case WM_COMMAND:
      Command(LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    case WM_CTLCOLORSTATIC: {
      const auto label = reinterpret_cast<HWND>(lParam);
      if (std::find(greyLabels_.begin(), greyLabels_.end(), GetDlgCtrlID(label)) == greyLabels_.end()) return FALSE;
      const auto dc = reinterpret_cast<HDC>(wParam);
      SetTextColor(dc, kGrey);
      SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
      return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
    }
  }
  return FALSE;
}

}  // namespace quill
