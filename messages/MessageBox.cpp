#include "messages/MessageBox.h"

#include "messages/Messages.h"
#include "platform/StringTable.h"
#include "platform/Utf16.h"
#include "ui/ModalLoop.h"

namespace quill {
namespace {

// The system box places itself on its own; a thread-local CBT hook moves it over its owner when
// it is first activated. Boxes opened from inside another box's loop stack their state.
struct TCentring {
  HHOOK hook = nullptr;
  HWND owner = nullptr;
  bool done = false;
  TCentring* outer = nullptr;
};

thread_local TCentring* currentCentring = nullptr;

bool IsDialogClass(HWND window) {
  wchar_t name[16] = {};
  return GetClassNameW(window, name, 16) > 0 && lstrcmpW(name, L"#32770") == 0;
}

LRESULT CALLBACK CentreOnActivate(int code, WPARAM wParam, LPARAM lParam) {
  TCentring* centring = currentCentring;
  if (!centring) return CallNextHookEx(nullptr, code, wParam, lParam);
  const HWND window = reinterpret_cast<HWND>(wParam);
  if (code == HCBT_ACTIVATE && !centring->done && IsDialogClass(window)) {
    centring->done = true;
    RECT owner, box;
    if (GetWindowRect(centring->owner, &owner) && GetWindowRect(window, &box)) {
      const TDialogOrigin origin = CenterOver(owner.left, owner.top, owner.right - owner.left, owner.bottom - owner.top,
                                              box.right - box.left, box.bottom - box.top);
      SetWindowPos(window, nullptr, origin.left, origin.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  return CallNextHookEx(centring->hook, code, wParam, lParam);
}

class TCentreNextBox {
public:
  explicit TCentreNextBox(HWND owner) {
    // Over a minimised or hidden owner the system's own place is the better one.
    if (!owner || IsIconic(owner) || !IsWindowVisible(owner)) return;
    state_.owner = owner;
    state_.outer = currentCentring;
    state_.hook = SetWindowsHookExW(WH_CBT, CentreOnActivate, nullptr, GetCurrentThreadId());
    if (state_.hook) currentCentring = &state_;
  }
  ~TCentreNextBox() {
    if (!state_.hook) return;
    UnhookWindowsHookEx(state_.hook);
    currentCentring = state_.outer;
  }
  TCentreNextBox(const TCentreNextBox&) = delete;
  TCentreNextBox& operator=(const TCentreNextBox&) = delete;

private:
  TCentring state_;
};

UINT ButtonFlags(TMessageButtons buttons) {
  switch (buttons) {
    case mbOkCancel: return MB_OKCANCEL;
    case mbYesNo: return MB_YESNO;
    case mbYesNoCancel: return MB_YESNOCANCEL;
    case mbOk: break;
  }
  return MB_OK;
}

UINT IconFlags(TMessageIcon icon) {
  switch (icon) {
    case miStop: return MB_ICONSTOP;
    case miWarning: return MB_ICONWARNING;
    case miQuestion: return MB_ICONQUESTION;
    case miInformation: return MB_ICONINFORMATION;
    case miNone: break;
  }
  return 0;
}

}  // namespace

int MessageText(HWND owner, const std::string& text, const std::string& caption, TMessageButtons buttons,
                TMessageIcon icon) {
  // The system's box gives the activation to whatever window it finds when it goes; over a
  // disabled owner that may be none that takes keys.
  TFocusKeeper focus;
  TCentreNextBox centre(owner);
  const int result = MessageBoxW(owner, Widen(text).c_str(), Widen(caption).c_str(),
                                 ButtonFlags(buttons) | IconFlags(icon) | MB_SETFOREGROUND);
  // A box that could not be shown answers as if cancelled, never as a Yes.
  return result == 0 ? mrCancel : result;
}

bool ShowError(HWND owner, uint32_t code, const std::string& caption, bool stopOnly) {
  const TTextLoader loader = [](int id) { return LoadText(static_cast<unsigned>(id)); };
  if (stopOnly) {
    MessageText(owner, ErrorText(code, loader), caption, mbOk, miStop);
    return false;
  }
  return MessageText(owner, ErrorQuestionText(code, loader), caption, mbYesNo, miStop) == mrYes;
}

}  // namespace quill
