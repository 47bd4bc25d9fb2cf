#include "operations/RemainingTimer.h"

namespace quill {

TRemainingTimer::TRemainingTimer(TReport report, std::chrono::milliseconds interval)
    : report_(std::move(report)), interval_(interval) {}

TRemainingTimer::~TRemainingTimer() { Stop(); }

void TRemainingTimer::Start() {
  Stop();
  ticks_.store(0);
  paused_.store(false);
  stopping_ = false;
  running_.store(true);
  thread_ = std::thread(&TRemainingTimer::Run, this);
}

void TRemainingTimer::Stop() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
  running_.store(false);
}

void TRemainingTimer::Run() {
  TRemainingEstimate estimate;
  std::unique_lock<std::mutex> lock(mutex_);
  while (!wake_.wait_for(lock, interval_, [this] { return stopping_; })) {
    if (paused_.load()) continue;
    const std::optional<int64_t> seconds =
        estimate.Tick(progress_.load(std::memory_order_relaxed), maximum_.load(std::memory_order_relaxed));
    ticks_.store(estimate.Ticks());
    if (!seconds) continue;
    // Reported without the lock, so that Stop is never kept waiting by the receiver.
    lock.unlock();
    if (report_) report_(*seconds);
    lock.lock();
    if (TRemainingEstimate::Ends(*seconds)) break;
  }
  running_.store(false);
}

}  // namespace quill
