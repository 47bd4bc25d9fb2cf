// What the window benchmarks share: a plain top-level host window and a message pump that
// empties the queue between timed stretches.
#pragma once

#include <windows.h>

#include "ui/Window.h"

namespace quill::bench {

// Handles whatever is queued (size, activation, focus paints) so none of it lands inside a
// timed stretch.
inline void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

class THostWindow : public TWindow {
public:
  bool Create(int width, int height) {
    RECT r{0, 0, width, height};
    AdjustWindowRectEx(&r, kStyle, FALSE, 0);
    return CreateHandle(L"QuillBenchHost", kStyle, 0, L"bench", 20, 20, r.right - r.left, r.bottom - r.top,
                        nullptr, 0);
  }

private:
  static constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
};

}  // namespace quill::bench
