#include "ui/ModalLoop.h"

#include <exception>

#include "ui/Window.h"

namespace quill {
namespace {

bool IsDialogWindow(HWND window) {
  wchar_t name[16] = {};
  return GetClassNameW(window, name, 16) > 0 && lstrcmpW(name, L"#32770") == 0;
}

bool Usable(HWND window) { return window && IsWindow(window) && IsWindowVisible(window) && IsWindowEnabled(window); }

struct TOwnedSearch {
  HWND owner;
  HWND found;
};

BOOL CALLBACK FindOwned(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<TOwnedSearch*>(data);
  if (GetWindow(window, GW_OWNER) != search->owner || !Usable(window)) return TRUE;
  search->found = window;
  return FALSE;
}

// The window that takes the activation in place of `active`: itself while it can take input,
// else the first enabled window of this thread it owns (the windows come in z-order).
HWND ActivationTarget(HWND active) {
  if (!active || !IsWindow(active)) return nullptr;
  if (Usable(active)) return active;
  TOwnedSearch search{active, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), FindOwned, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool ForegroundIsElsewhere() {
  const HWND foreground = GetForegroundWindow();
  return foreground && GetWindowThreadProcessId(foreground, nullptr) != GetCurrentThreadId();
}

}  // namespace

TFocusKeeper::TFocusKeeper() : active_(GetActiveWindow()), focus_(GetFocus()) {}

void TFocusKeeper::Restore() {
  if (restored_) return;
  restored_ = true;
  if (ForegroundIsElsewhere()) return;
  const HWND target = ActivationTarget(active_);
  if (!target) return;
  // Activating a window that already is active changes nothing, so the focus is set as well:
  // an active window can be left without any focus.
  if (GetActiveWindow() != target) SetActiveWindow(target);
  const HWND focus = Usable(focus_) && (focus_ == target || IsChild(target, focus_)) ? focus_ : nullptr;
  if (focus && GetFocus() != focus) SetFocus(focus);
  else if (!focus && !GetFocus()) SetFocus(target);
}

int RunModal(HWND window, HWND owner, const int& result, const std::function<void()>& shown) {
  TFocusKeeper keeper;
  // A child window as owner would leave its top-level window clickable.
  const HWND blocked = owner ? GetAncestor(owner, GA_ROOT) : nullptr;
  const bool disableOwner = blocked && IsWindowEnabled(blocked);
  if (disableOwner) EnableWindow(blocked, FALSE);
  ShowWindow(window, SW_SHOW);
  SetForegroundWindow(window);
  if (shown) shown();
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
  // The owner comes back and takes the activation before the window goes, so the system never
  // has to choose where it goes.
  if (disableOwner) EnableWindow(blocked, TRUE);
  keeper.Restore();
  if (IsWindow(window)) ShowWindow(window, SW_HIDE);
  return modalResult;
}

}  // namespace quill
