// TfCopying: the modeless progress dialog of copying, moving, extracting, compressing, splitting
// and joining. One instance lives as long as its owner; the engine drives it through
// ICopyProgress.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "operations/Gauge.h"
#include "operations/OperationDialog.h"
#include "operations/OperationTexts.h"
#include "operations/Progress.h"

namespace quill {

class TfCopying : public TOperationDialog, public ICopyProgress {
public:
  static constexpr int kClientWidth = 392;
  static constexpr int kClientHeight = 143;
  enum TControl : int { kPathId = 100, kFileNameId, kCountId, kTotalSizeId, kGaugeId, kRemainingId };
  static constexpr int kCancelId = IDCANCEL;
  // The texts and the gauge follow the engine at most this often.
  static constexpr uint64_t kUpdateMs = 100;

  // Created hidden over `owner`; `timerInterval` is the remaining-time tick.
  explicit TfCopying(HWND owner,
                     std::chrono::milliseconds timerInterval = std::chrono::seconds(kRemainingTickSeconds));
  ~TfCopying() override;

  // ICopyProgress.
  void Begin(const std::string& caption, int count, uint64_t totalBytes, TProgressMode mode) override;
  void SetSource(const std::string& name) override;
  void SetTarget(const std::string& name) override;
  void SetPathLine(const std::string& text) override;
  void SetFileLine(const std::string& text) override;
  void SetCurrent(int current) override;
  int Current() const override { return current_; }
  void AddProgress(uint64_t amount) override;
  void PauseTimer() override { gauge_.PauseTimer(); }
  // The question that paused it covered the window: the next look at the queue repaints it and
  // takes any key typed meanwhile at once.
  void RestartTimer() override {
    gauge_.RestartTimer();
    pumpThrottle_.Reset();
    textThrottle_.Reset();
  }
  void ProcessMessages() override;
  bool Cancelled() const override { return cancelled_; }
  void End() override;

  void SetTotal(int total);
  // The byte total learnt after Begin (an archive library reports it first thing).
  void SetTotalBytes(uint64_t total);
  int Total() const { return total_; }
  // Puts every pending text and the gauge on the screen now, whatever the throttle says.
  void UpdateNow();
  const TGauge& Gauge() const { return gauge_; }

private:
  void CreateControls() override;
  void Command(int id, int notification) override;
  INT_PTR Message(UINT message, WPARAM wParam, LPARAM lParam) override;
  void DrawTotal(const DRAWITEMSTRUCT& item);
  void ApplyPending();
  void Cancel() { cancelled_ = true; }

  TGauge gauge_;
  HFONT fileFont_ = nullptr;
  TUpdateThrottle textThrottle_{kUpdateMs};
  TUpdateThrottle pumpThrottle_;
  int current_ = 0;
  int total_ = 0;
  std::string sourceName_;
  std::string targetName_;
  std::string pathLine_;  // set: shown instead of the From/To line
  std::string fileLine_;
  bool countDirty_ = false;
  bool pathDirty_ = false;
  bool fileDirty_ = false;
  bool cancelled_ = false;
};

}  // namespace quill
