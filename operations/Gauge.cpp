#include "operations/Gauge.h"

#include <algorithm>
#include <climits>

namespace quill {
namespace {

constexpr UINT kRemainingMessage = WM_APP + 1;
constexpr int kInset = 3;

class TBrush {
public:
  explicit TBrush(COLORREF color) : brush_(CreateSolidBrush(color)) {}
  ~TBrush() { DeleteObject(brush_); }
  TBrush(const TBrush&) = delete;
  TBrush& operator=(const TBrush&) = delete;
  HBRUSH Get() const { return brush_; }

private:
  HBRUSH brush_;
};

}  // namespace

TGauge::TGauge(std::chrono::milliseconds interval)
    : timer_(
          [this](int64_t seconds) {
            const HWND target = target_.load();
            if (target)
              PostMessageW(target, kRemainingMessage, static_cast<WPARAM>(std::min<int64_t>(seconds, INT_MAX)),
                           static_cast<LPARAM>(run_.load()));
          },
          interval) {}

TGauge::~TGauge() {
  target_.store(nullptr);
  timer_.Stop();
}

bool TGauge::Create(HWND parent, int id, int x, int y, int width, int height, COLORREF bar, COLORREF border) {
  bar_ = bar;
  border_ = border;
  blocks_ = GaugeBlocks(width, height);
  if (!CreateHandle(L"QuillGauge", WS_CHILD | WS_VISIBLE, 0, L"", x, y, width, height, parent, 0)) return false;
  SetWindowLongPtrW(Handle(), GWLP_ID, id);
  target_.store(Handle());
  return true;
}

void TGauge::Reset(uint64_t maximum) {
  timer_.Stop();
  ++run_;
  maximum_ = maximum;
  progress_ = 0;
  timer_.SetMaximum(maximum);
  timer_.SetProgress(0);
  painted_ = 0;
  if (Handle()) InvalidateRect(Handle(), nullptr, FALSE);
}

void TGauge::AddProgress(uint64_t amount) { SetProgress(progress_ + amount); }

void TGauge::SetProgress(uint64_t progress) {
  progress_ = progress;
  timer_.SetProgress(progress);
  if (progress_ >= maximum_ && timer_.Running()) timer_.Stop();
}

void TGauge::Refresh() {
  if (!GaugeNeedsRepaint(painted_, progress_, maximum_, static_cast<uint32_t>(blocks_))) {
    painted_ = progress_;
    return;
  }
  painted_ = progress_;
  if (Handle()) InvalidateRect(Handle(), nullptr, FALSE);
}

void TGauge::StartTimer() {
  ++run_;
  timer_.SetMaximum(maximum_);
  timer_.SetProgress(progress_);
  timer_.Start();
}

void TGauge::StopTimer() {
  timer_.Stop();
  ++run_;
}

void TGauge::Paint(HDC dc, const RECT& client) {
  TBrush border(border_), bar(bar_);
  FrameRect(dc, &client, border.Get());
  RECT ground = client;
  InflateRect(&ground, -1, -1);
  FillRect(dc, &ground, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  const int pitch = client.bottom - 5;
  const int filled = FilledBlocks();
  for (int i = 0; i < filled; ++i) {
    const RECT block{kInset + i * pitch, kInset, kInset + (i + 1) * pitch - 1, client.bottom - kInset};
    FillRect(dc, &block, bar.Get());
  }
}

LRESULT TGauge::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      TPaintDC paint(Handle());
      RECT client;
      GetClientRect(Handle(), &client);
      Paint(paint.Get(), client);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case kRemainingMessage:
      if (static_cast<uint32_t>(lParam) == run_.load() && onRemaining) onRemaining(static_cast<int64_t>(wParam));
      return 0;
  }
  return DefaultHandling(message, wParam, lParam);
}

}  // namespace quill
