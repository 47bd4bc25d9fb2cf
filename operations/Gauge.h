// The flat progress gauge of the operation dialogs: a white ground in a one-pixel border with
// square blocks in the bar colour, and (for the copy dialog) the remaining-time timer.
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>

#include "operations/RemainingTimer.h"
#include "ui/Window.h"

namespace quill {

class TGauge : public TWindow {
public:
  static constexpr COLORREF kBarColor = 3265326;  // RGB(46, 211, 49)
  static constexpr COLORREF kCopyBorderColor = 4868682;
  static constexpr COLORREF kDeleteBorderColor = 3947580;

  // `interval` is the remaining-time timer's tick.
  explicit TGauge(std::chrono::milliseconds interval = std::chrono::seconds(kRemainingTickSeconds));
  ~TGauge() override;

  bool Create(HWND parent, int id, int x, int y, int width, int height, COLORREF bar, COLORREF border);

  // Zeroes the progress (the timer is stopped) and sets the maximum.
  void Reset(uint64_t maximum);
  uint64_t Maximum() const { return maximum_; }
  uint64_t Progress() const { return progress_; }
  // Counts work done. Cheap: the picture follows only through Refresh. Reaching the maximum ends
  // the timer.
  void AddProgress(uint64_t amount);
  void SetProgress(uint64_t progress);
  // Repaints when the number of filled blocks has changed since the last picture.
  void Refresh();
  int Blocks() const { return blocks_; }
  int FilledBlocks() const { return static_cast<int>(ScaledProgress(painted_, maximum_, static_cast<uint32_t>(blocks_))); }

  // The remaining-time timer (see TRemainingTimer). Each estimate reaches `onRemaining` on the
  // gauge's thread, never on the timer's.
  void StartTimer();
  void StopTimer();
  void PauseTimer() { timer_.Pause(); }
  void RestartTimer() { timer_.Restart(); }
  bool TimerRunning() const { return timer_.Running(); }
  std::function<void(int64_t remainSeconds)> onRemaining;

private:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void Paint(HDC dc, const RECT& client);

  TRemainingTimer timer_;
  COLORREF bar_ = kBarColor;
  COLORREF border_ = kCopyBorderColor;
  uint64_t maximum_ = 0;
  uint64_t progress_ = 0;
  uint64_t painted_ = 0;
  int blocks_ = 0;
  // Where the timer's thread posts its estimates; those of an earlier run that arrive late are
  // dropped by their run number.
  std::atomic<HWND> target_{nullptr};
  std::atomic<uint32_t> run_{0};
};

}  // namespace quill
