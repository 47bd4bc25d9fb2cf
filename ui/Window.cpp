#include "ui/Window.h"

#include <exception>

#include "platform/Utf16.h"
#include "ui/ModalLoop.h"

namespace quill {

TWindow::~TWindow() {
  if (handle_) {
    SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
    DestroyWindow(handle_);
  }
}

void TWindow::ReportException(HWND owner, const char* what) {
  TFocusKeeper focus;
  MessageBoxW(owner, Widen(what ? what : "Unknown error").c_str(), L"Error", MB_OK | MB_ICONSTOP);
}

bool TWindow::CreateHandle(const wchar_t* className, DWORD style, DWORD exStyle, const std::wstring& caption, int x,
                           int y, int width, int height, HWND parent, UINT classStyle) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  if (!GetClassInfoExW(instance, className, &wc)) {
    wc = {};
    wc.cbSize = sizeof wc;
    wc.style = classStyle;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = nullptr;
    wc.lpszClassName = className;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    if (!RegisterClassExW(&wc)) return false;
  }
  return CreateWindowExW(exStyle, className, caption.c_str(), style, x, y, width, height, parent, nullptr, instance,
                         this) != nullptr;
}

LRESULT TWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefaultHandling(message, wParam, lParam);
}

LRESULT CALLBACK TWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<TWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->handle_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<TWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
  try {
    LRESULT result = self->HandleMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      self->handle_ = nullptr;
    }
    return result;
  } catch (const std::exception& e) {
    ReportException(hwnd, e.what());
  } catch (...) {
    ReportException(hwnd, nullptr);
  }
  return 0;
}

}  // namespace quill
