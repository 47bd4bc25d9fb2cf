// What the operation dialogs compute without a window: the remaining-time estimate and its text,
// the counter and path lines, the replace confirmation's info line and answer flags, the check of
// a new name, the gauge's blocks and the update throttle. Portable.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quill {

// String-table texts of the dialogs.
constexpr int kTextInvalidName = 264;
constexpr int kTextErrorCaption = 512;
constexpr int kTextFileExists = 524;
constexpr int kTextWrittenByThisRun = 270;
constexpr int kTextAll = 568;
constexpr int kTextRenamePrompt = 576;
constexpr int kTextRenameCaption = 577;
constexpr int kTextMoving = 578;
constexpr int kTextCopying = 579;
constexpr int kTextFolderExists = 596;
constexpr int kTextFolderMerge = 597;

// The estimate is recomputed once per tick of this many seconds.
constexpr int kRemainingTickSeconds = 3;

// "" up to 2 seconds; below a minute "%d Seconds Remaining"; from a minute on "%d Minutes
// Remaining", rounded up when more than 30 seconds are left over.
std::string RemainingText(int64_t remainSeconds);

// The running estimate of the copy gauge: every tick that is not paused divides the progress so
// far by the ticks counted into a rate per tick and the rest of the work by that rate.
class TRemainingEstimate {
public:
  void Reset() { ticks_ = 0; }
  // Counts a tick; the remaining seconds, or nothing while the rate is still zero (no progress,
  // or less than one unit per tick).
  std::optional<int64_t> Tick(uint64_t progress, uint64_t maximum);
  uint32_t Ticks() const { return ticks_; }
  // The estimate is not worth a timer any more.
  static bool Ends(int64_t remainSeconds) { return remainSeconds < kRemainingTickSeconds; }

private:
  uint32_t ticks_ = 0;
};

// "%d/%d".
std::string CountText(int current, int total);
// "From '%s'  To '%s'".
std::string PathText(std::string_view source, std::string_view target);
// "%s bytes ( %s, %s )": the size with thousands separators, the date and the time.
std::string InfoLine(uint64_t size, std::string_view date, std::string_view time);
// The delete confirmation's first button with All: the table's "All" and the "(&A)" key.
std::string AllCaption(std::string_view all);

// A name typed for Rename: refused when empty, longer than 254 UTF-16 units, or holding one of
// : > * ? | ". Other characters ("<" among them) are the file system's business.
bool IsAcceptedNewName(std::string_view name);
// The target's folder part (up to its last "\" or ":") followed by the new name.
std::string RenamedPath(std::string_view target, std::string_view name);

// The replace confirmation's modal result as answer flags: Cancel (2) feCancel, Rename (4)
// feRenamed, Overwrite (6) feOverwrite, Skip (7) feSkip, anything else 0. With `all`, feAll is
// added to every answer but a rename, which only ever applies to the item it names.
uint32_t FileExistsAnswer(int modalResult, bool all);

// How many blocks a gauge of this size draws: (width - 6) / (height - 5), at least 0.
int GaugeBlocks(int width, int height);
// progress * steps / maximum rounded down, exactly, for any 64-bit values; progress beyond the
// maximum counts as the maximum and a zero maximum gives 0.
uint32_t ScaledProgress(uint64_t progress, uint64_t maximum, uint32_t steps);
// The gauge is repainted only when the number of filled blocks changes.
bool GaugeNeedsRepaint(uint64_t oldProgress, uint64_t newProgress, uint64_t maximum, uint32_t blocks);

// Lets through at most one update per interval; the first one always.
class TUpdateThrottle {
public:
  explicit TUpdateThrottle(uint64_t intervalMs) : intervalMs_(intervalMs) {}
  bool Due(uint64_t nowMs);
  // The next Due is true again.
  void Reset() { started_ = false; }

private:
  uint64_t intervalMs_;
  uint64_t lastMs_ = 0;
  bool started_ = false;
};

}  // namespace quill
