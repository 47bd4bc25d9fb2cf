// The copy gauge's timer: a thread of its own that ticks every few seconds while an operation
// runs and reports the remaining-time estimate. It only computes; whoever receives the report
// hands it to the user-interface thread. Portable.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "operations/OperationTexts.h"

namespace quill {

class TRemainingTimer {
public:
  // Called on the timer's thread with the remaining seconds.
  using TReport = std::function<void(int64_t remainSeconds)>;

  explicit TRemainingTimer(TReport report,
                           std::chrono::milliseconds interval = std::chrono::seconds(kRemainingTickSeconds));
  ~TRemainingTimer();
  TRemainingTimer(const TRemainingTimer&) = delete;
  TRemainingTimer& operator=(const TRemainingTimer&) = delete;

  // The work done and to do, read by the thread at each tick; cheap enough for every block.
  void SetMaximum(uint64_t maximum) { maximum_.store(maximum, std::memory_order_relaxed); }
  void SetProgress(uint64_t progress) { progress_.store(progress, std::memory_order_relaxed); }

  // Starts ticking afresh (ticks counted from zero, not paused); a running timer is restarted.
  void Start();
  // Ends the thread; waits at most for a report in progress.
  void Stop();
  // Ticks while paused are not counted, so the time a question stays open does not lower the
  // rate.
  void Pause() { paused_.store(true); }
  void Restart() { paused_.store(false); }

  bool Running() const { return running_.load(); }
  uint32_t Ticks() const { return ticks_.load(); }

private:
  void Run();

  TReport report_;
  std::chrono::milliseconds interval_;
  std::atomic<uint64_t> maximum_{0};
  std::atomic<uint64_t> progress_{0};
  std::atomic<bool> paused_{false};
  std::atomic<bool> running_{false};
  std::atomic<uint32_t> ticks_{0};
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace quill
