// TfDeleting: the modeless progress dialog of deleting. One instance lives as long as its owner;
// the engine drives it through IDeleteProgress.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "operations/Gauge.h"
#include "operations/OperationDialog.h"
#include "operations/OperationTexts.h"
#include "operations/Progress.h"

namespace quill {

class TfDeleting : public TOperationDialog, public IDeleteProgress {
public:
  static constexpr int kClientWidth = 376;
  static constexpr int kClientHeight = 130;
  enum TControl : int { kIconId = 100, kItemId, kGaugeId };
  static constexpr int kCancelId = IDCANCEL;
  static constexpr uint64_t kUpdateMs = 100;

  explicit TfDeleting(HWND owner);
  ~TfDeleting() override;

  // IDeleteProgress.
  void Begin(int maximum) override;
  void SetItem(const std::string& name) override;
  void Step() override;
  void ProcessMessages() override;
  bool Cancelled() const override { return cancelled_; }
  void End() override;

  void UpdateNow();
  const TGauge& Gauge() const { return gauge_; }

private:
  void CreateControls() override;
  void Command(int id, int notification) override;
  INT_PTR Message(UINT message, WPARAM wParam, LPARAM lParam) override;
  void ApplyPending();

  TGauge gauge_;
  HICON icon_ = nullptr;
  TUpdateThrottle textThrottle_{kUpdateMs};
  TUpdateThrottle pumpThrottle_;
  std::string item_;
  bool itemDirty_ = false;
  bool cancelled_ = false;
};

}  // namespace quill
