#include "drivewin/ModalLoop.h"

#include <exception>

#include "messages/Messages.h"
#include "ui/Window.h"

namespace quill {
namespace {

bool IsDialogWindow(HWND window) {
  wchar_t name[16] = {};
  return GetClassNameW(window, name, 16) > 0 && lstrcmpW(name, L"#32770") == 0;
}

}  // namespace

int RunModal(HWND window, HWND owner, const int& result) {
  // A disabled owner stays as it was: a nested chooser must not enable what its caller disabled.
  const bool disableOwner = owner && IsWindowEnabled(owner);
  if (disableOwner) EnableWindow(owner, FALSE);
  ShowWindow(window, SW_SHOW);
  SetForegroundWindow(window);
  // A window of the dialog class gets the dialog manager's keys (Tab, Enter, Esc, mnemonics);
  // other windows handle their keys themselves.
  const bool dialog = IsDialogWindow(window);
  int modalResult = 0;
  while (result == 0 && IsWindow(window)) {
    MSG msg;
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      modalResult = 2;
      break;
    }
    if (got < 0) break;
    if (dialog && IsDialogMessageW(window, &msg)) continue;
    try {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    } catch (const std::exception& e) {
      TWindow::ReportException(window, e.what());
    } catch (...) {
      TWindow::ReportException(window, nullptr);
    }
  }
  if (modalResult == 0) modalResult = result != 0 ? result : 2;
  if (disableOwner) EnableWindow(owner, TRUE);
  if (IsWindow(window)) ShowWindow(window, SW_HIDE);
  if (owner && IsWindow(owner)) SetActiveWindow(owner);
  return modalResult;
}

POINT CentredOver(HWND owner, int width, int height) {
  RECT area{};
  if (!owner || !GetWindowRect(owner, &area)) SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  const TDialogOrigin origin =
      CenterOver(area.left, area.top, area.right - area.left, area.bottom - area.top, width, height);
  return {origin.left, origin.top};
}

}  // namespace quill
