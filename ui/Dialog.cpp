#include "ui/Dialog.h"

#include <exception>

#include "platform/Utf16.h"
#include "ui/ModalLoop.h"
#include "ui/Window.h"

namespace quill {

std::vector<WORD> DialogTemplate(const wchar_t* face, WORD points) {
  std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
  auto* header = reinterpret_cast<DLGTEMPLATE*>(words.data());
  header->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
  // In dialog units; the real size is set in pixels once the window exists.
  header->cx = 200;
  header->cy = 60;
  words.push_back(0);  // no menu
  words.push_back(0);  // the standard dialog class
  words.push_back(0);  // empty title
  words.push_back(points);
  for (const wchar_t* c = face; *c; ++c) words.push_back(static_cast<WORD>(*c));
  words.push_back(0);
  return words;
}

TDialog::TDialog(HWND owner, int clientWidth, int clientHeight, const wchar_t* face, WORD points)
    : owner_(owner), clientWidth_(clientWidth), clientHeight_(clientHeight), face_(face), points_(points) {}

TDialog::~TDialog() {
  if (!handle_) return;
  // The derived part is gone already: no message of the destruction may reach it.
  SetWindowLongPtrW(handle_, DWLP_USER, 0);
  DestroyWindow(handle_);
}

bool TDialog::Create(const std::string& caption) {
  const std::vector<WORD> words = DialogTemplate(face_, points_);
  CreateDialogIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<const DLGTEMPLATE*>(words.data()), owner_,
                             DialogProc, reinterpret_cast<LPARAM>(this));
  if (!handle_) return false;
  SetCaption(caption);
  return true;
}

void TDialog::FitClientSize() {
  // Measured after a first try too: the frame a window really gets can differ from what
  // AdjustWindowRectEx predicts.
  RECT frame = {0, 0, clientWidth_, clientHeight_};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(handle_, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(handle_, GWL_EXSTYLE)));
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  SetWindowPos(handle_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT client;
  GetClientRect(handle_, &client);
  if (client.right != clientWidth_ || client.bottom != clientHeight_)
    SetWindowPos(handle_, nullptr, 0, 0, width + clientWidth_ - client.right, height + clientHeight_ - client.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND TDialog::AddControl(const wchar_t* className, const std::string& text, DWORD style, int id, int x, int y,
                         int width, int height, DWORD exStyle) {
  HWND child = CreateWindowExW(exStyle, className, Widen(text).c_str(), WS_CHILD | WS_VISIBLE | style, x, y, width,
                               height, handle_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                               GetModuleHandleW(nullptr), nullptr);
  if (child) SendMessageW(child, WM_SETFONT, SendMessageW(handle_, WM_GETFONT, 0, 0), FALSE);
  return child;
}

void TDialog::SetText(int id, const std::string& text) {
  if (HWND item = Item(id)) SetWindowTextW(item, Widen(text).c_str());
}

void TDialog::SetCaption(const std::string& caption) {
  if (handle_) SetWindowTextW(handle_, Widen(caption).c_str());
}

std::string TDialog::Text(int id) const {
  HWND item = Item(id);
  if (!item) return {};
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(item)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(item, text.data(), static_cast<int>(text.size()))));
  return Narrow(text);
}

int TDialog::ShowModal(const std::function<void()>& shown) {
  if (!handle_) return IDCANCEL;
  modalResult_ = 0;
  return RunModal(handle_, owner_, modalResult_, shown);
}

INT_PTR TDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM) {
  if (message != WM_COMMAND) return FALSE;
  Command(LOWORD(wParam), HIWORD(wParam));
  return TRUE;
}

void TDialog::Command(int, int) {}

INT_PTR CALLBACK TDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    reinterpret_cast<TDialog*>(lParam)->handle_ = hwnd;
  }
  auto* self = reinterpret_cast<TDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  if (!self) return FALSE;
  try {
    return self->Dispatch(message, wParam, lParam);
  } catch (const std::exception& e) {
    TWindow::ReportException(hwnd, e.what());
  } catch (...) {
    TWindow::ReportException(hwnd, nullptr);
  }
  return FALSE;
}

INT_PTR TDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      FitClientSize();
      CreateControls();
      return FALSE;  // the focus is placed when the dialog is shown
    case WM_NCDESTROY:
      // Destroyed from outside (with its owner, say): a modal loop still running ends.
      SetWindowLongPtrW(handle_, DWLP_USER, 0);
      handle_ = nullptr;
      return FALSE;
    default:
      return HandleMessage(message, wParam, lParam);
  }
}

}  // namespace quill
