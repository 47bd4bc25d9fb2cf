// The window base: registers a class per derived window, routes messages to a virtual
// handler, and keeps exceptions from crossing the window procedure.
#pragma once

#include <windows.h>

#include <string>

namespace quill {

class TWindow {
public:
  TWindow() = default;
  virtual ~TWindow();
  TWindow(const TWindow&) = delete;
  TWindow& operator=(const TWindow&) = delete;

  HWND Handle() const { return handle_; }

  // Shows the standard error box for an exception that reached a window procedure.
  static void ReportException(HWND owner, const char* what);

protected:
  // Creates the window; the class is registered on first use under `className`.
  bool CreateHandle(const wchar_t* className, DWORD style, DWORD exStyle, const std::wstring& caption, int x, int y,
                    int width, int height, HWND parent, UINT classStyle = CS_DBLCLKS);
  virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT DefaultHandling(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(handle_, message, wParam, lParam);
  }

private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  HWND handle_ = nullptr;
};

// BeginPaint/EndPaint as one object.
class TPaintDC {
public:
  explicit TPaintDC(HWND hwnd) : hwnd_(hwnd) { dc_ = BeginPaint(hwnd, &ps_); }
  ~TPaintDC() { EndPaint(hwnd_, &ps_); }
  TPaintDC(const TPaintDC&) = delete;
  TPaintDC& operator=(const TPaintDC&) = delete;
  HDC Get() const { return dc_; }
  const RECT& PaintRect() const { return ps_.rcPaint; }

private:
  HWND hwnd_;
  HDC dc_;
  PAINTSTRUCT ps_;
};

// SelectObject that puts the old object back.
class TSelectObject {
public:
  TSelectObject(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
  ~TSelectObject() { SelectObject(dc_, old_); }
  TSelectObject(const TSelectObject&) = delete;
  TSelectObject& operator=(const TSelectObject&) = delete;

private:
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace quill
