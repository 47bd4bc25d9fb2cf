// A script that answers dialogs from inside whatever modal loop is running: a thread timer
// ticks in every loop that dispatches messages, so the code under test runs its own loops as it
// would for a user.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/Utf16.h"

namespace quill::test {

// Answers a dialog, and the dialogs it opens, step by step: each step acts once on the first
// visible and enabled window of this thread with its caption (a dialog waiting under a nested
// one is disabled, so a step for it waits until the nested one is gone). The timer runs inside
// whatever modal loop is current. When a step waits too long, every window of the script is
// cancelled, so a broken answer fails the test instead of hanging the run.
class TScript {
public:
  struct TStep {
    std::string caption;
    std::function<void(HWND)> action;
  };

  explicit TScript(std::vector<TStep> steps) : steps_(std::move(steps)) {
    current_ = this;
    timer_ = SetTimer(nullptr, 0, 20, Tick);
  }
  ~TScript() {
    KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  TScript(const TScript&) = delete;
  TScript& operator=(const TScript&) = delete;

  size_t Done() const { return next_; }
  bool Finished() const { return next_ == steps_.size(); }
  bool Rescued() const { return rescued_; }

private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    TScript* self = current_;
    if (!self) return;
    if (self->next_ < self->steps_.size()) {
      if (HWND window = self->Find(Widen(self->steps_[self->next_].caption))) {
        self->waited_ = 0;
        self->steps_[self->next_++].action(window);
        return;
      }
    }
    if (++self->waited_ < 250) return;
    self->rescued_ = true;
    self->waited_ = 0;
    for (const TStep& step : self->steps_) {
      if (HWND window = self->Find(Widen(step.caption), false)) {
        PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
        PostMessageW(window, WM_CLOSE, 0, 0);
      }
    }
  }

  struct TSearch {
    const std::wstring* caption;
    bool enabledOnly;
    HWND found;
  };

  static BOOL CALLBACK Match(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<TSearch*>(data);
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    if (!IsWindowVisible(window) || (search->enabledOnly && !IsWindowEnabled(window)) || *search->caption != text)
      return TRUE;
    search->found = window;
    return FALSE;
  }

  HWND Find(const std::wstring& caption, bool enabledOnly = true) const {
    TSearch search{&caption, enabledOnly, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), Match, reinterpret_cast<LPARAM>(&search));
    return search.found;
  }

  static inline TScript* current_ = nullptr;
  std::vector<TStep> steps_;
  size_t next_ = 0;
  UINT_PTR timer_ = 0;
  int waited_ = 0;
  bool rescued_ = false;
};

// Runs `action` when the thread next looks at its message queue, whichever loop that is: after
// an answer, the first time the code under test lets messages run again.
class TQueuedAction {
public:
  explicit TQueuedAction(std::function<void()> action) : action_(std::move(action)) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QuillTestQueuedAction";
    RegisterClassW(&wc);
    window_ = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~TQueuedAction() { DestroyWindow(window_); }
  TQueuedAction(const TQueuedAction&) = delete;
  TQueuedAction& operator=(const TQueuedAction&) = delete;

  void Post() { PostMessageW(window_, WM_APP, 0, 0); }
  bool Ran() const { return ran_; }

private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<TQueuedAction*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message != WM_APP || !self) return DefWindowProcW(hwnd, message, wParam, lParam);
    self->ran_ = true;
    self->action_();
    return 0;
  }

  std::function<void()> action_;
  HWND window_ = nullptr;
  bool ran_ = false;
};

}  // namespace quill::test
