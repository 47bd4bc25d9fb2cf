// The operation dialogs' arithmetic and texts: the remaining-time estimate and its timer thread,
// the counter, path and info lines, the replace confirmation's answers, the rename check, the
// gauge's blocks and the update throttle.
#include "operations/OperationTexts.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "operations/Progress.h"
#include "operations/RemainingTimer.h"
#include "tests/native/StringTableFile.h"

namespace quill {
namespace {

TEST(RemainingTextTest, MinutesRoundUpPastHalfAMinuteSecondsBelowAMinuteNothingAtTheEnd) {
  struct {
    int64_t seconds;
    const char* text;
  } cases[] = {
      {3599, "60 Minutes Remaining"}, {89, "1 Minutes Remaining"},  {90, "1 Minutes Remaining"},
      {91, "2 Minutes Remaining"},    {60, "1 Minutes Remaining"},  {59, "59 Seconds Remaining"},
      {3, "3 Seconds Remaining"},     {2, ""},                      {0, ""},
      {-5, ""},                       {7200, "120 Minutes Remaining"},
      // Beyond what 32 bits hold in minutes the number is still right.
      {int64_t{300000000000}, "5000000000 Minutes Remaining"},
  };
  for (const auto& c : cases) EXPECT_EQ(RemainingText(c.seconds), c.text) << c.seconds;
}

TEST(RemainingEstimateTest, RateIsTheProgressPerTickAndTheRestTakesThatManyTicks) {
  TRemainingEstimate estimate;
  // 1,000 units done in the first tick, 9,000 to go: 9 more ticks of 3 seconds.
  EXPECT_EQ(estimate.Tick(1000, 10000), 27);
  // Two ticks for 1,500: a rate of 750, 8,500 / 750 = 11 ticks (integer division).
  EXPECT_EQ(estimate.Tick(1500, 10000), 33);
  EXPECT_EQ(estimate.Ticks(), 2u);
  estimate.Reset();
  EXPECT_EQ(estimate.Tick(10000, 10000), 0);
  EXPECT_TRUE(TRemainingEstimate::Ends(0));
  EXPECT_TRUE(TRemainingEstimate::Ends(2));
  EXPECT_FALSE(TRemainingEstimate::Ends(3));
}

TEST(RemainingEstimateTest, NoProgressOrLessThanOneUnitPerTickGivesNoEstimate) {
  TRemainingEstimate estimate;
  EXPECT_EQ(estimate.Tick(0, 1000), std::nullopt);
  EXPECT_EQ(estimate.Tick(0, 0), std::nullopt);
  // Three ticks, two units: the integer rate is zero, which must not be divided by.
  EXPECT_EQ(estimate.Tick(2, 1000), std::nullopt);
  EXPECT_EQ(estimate.Ticks(), 3u);
  EXPECT_EQ(estimate.Tick(8, 1000), (1000 - 8) / 2 * 3);
}

TEST(RemainingEstimateTest, SixtyFourBitTotalsAndProgressPastTheEnd) {
  TRemainingEstimate estimate;
  const uint64_t tenGiB = uint64_t{10} << 30;
  // 1 GiB in the first tick: nine more.
  EXPECT_EQ(estimate.Tick(uint64_t{1} << 30, tenGiB), 27);
  TRemainingEstimate over;
  EXPECT_EQ(over.Tick(500, 400), 0) << "more done than announced is nothing left, not a wrap-around";
}

// The timer thread itself, ticking fast: it reports what the estimate says, never while paused,
// never without progress, and ends by itself once less than a tick is left.
class RemainingTimerTest : public ::testing::Test {
protected:
  // Waits, bounded, until `count` reports arrived.
  bool WaitForReports(size_t count) {
    std::unique_lock<std::mutex> lock(mutex_);
    return arrived_.wait_for(lock, std::chrono::seconds(5), [&] { return reports_.size() >= count; });
  }
  std::vector<int64_t> Reports() {
    std::lock_guard<std::mutex> lock(mutex_);
    return reports_;
  }
  TRemainingTimer::TReport Recorder() {
    return [this](int64_t seconds) {
      std::lock_guard<std::mutex> lock(mutex_);
      reports_.push_back(seconds);
      arrived_.notify_all();
    };
  }

  std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<int64_t> reports_;
};

TEST_F(RemainingTimerTest, ReportsTheEstimateOfEachTick) {
  TRemainingTimer timer(Recorder(), std::chrono::milliseconds(5));
  timer.SetMaximum(1000000);
  timer.SetProgress(1000);
  timer.Start();
  ASSERT_TRUE(WaitForReports(2));
  timer.Stop();
  EXPECT_FALSE(timer.Running());
  const std::vector<int64_t> seen = Reports();
  // Tick k: rate 1000 / k, rest 999,000.
  EXPECT_EQ(seen[0], 999000 / 1000 * 3);
  EXPECT_EQ(seen[1], 999000 / 500 * 3);
}

TEST_F(RemainingTimerTest, WithoutProgressItTicksButReportsNothing) {
  TRemainingTimer timer(Recorder(), std::chrono::milliseconds(2));
  timer.SetMaximum(1000);
  timer.Start();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (timer.Ticks() < 5 && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  EXPECT_GE(timer.Ticks(), 5u);
  EXPECT_TRUE(Reports().empty());
  // Progress arriving later is reported.
  timer.SetProgress(600);
  EXPECT_TRUE(WaitForReports(1));
}

TEST_F(RemainingTimerTest, PausedTicksAreNotCounted) {
  TRemainingTimer timer(Recorder(), std::chrono::milliseconds(2));
  timer.SetMaximum(1000000);
  timer.SetProgress(1000);
  timer.Start();
  timer.Pause();
  const uint32_t before = timer.Ticks();
  std::this_thread::sleep_for(std::chrono::milliseconds(40));
  EXPECT_LE(timer.Ticks(), before + 1) << "at most a tick that had already begun";
  const size_t reported = Reports().size();
  timer.Restart();
  ASSERT_TRUE(WaitForReports(reported + 1));
  timer.Stop();
}

TEST_F(RemainingTimerTest, EndsByItselfWhenLessThanATickIsLeftAndRestartsFromZero) {
  TRemainingTimer timer(Recorder(), std::chrono::milliseconds(2));
  timer.SetMaximum(1000);
  timer.SetProgress(1000);
  timer.Start();
  ASSERT_TRUE(WaitForReports(1));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (timer.Running() && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  EXPECT_FALSE(timer.Running());
  EXPECT_EQ(Reports(), std::vector<int64_t>{0});
  // A new start counts its ticks afresh: the first report is again that of one tick.
  timer.SetProgress(100);
  timer.Start();
  ASSERT_TRUE(WaitForReports(2));
  timer.Stop();
  EXPECT_EQ(Reports()[1], 900 / 100 * 3);
}

TEST(OperationLinesTest, CounterPathInfoAndAllCaption) {
  EXPECT_EQ(CountText(0, 0), "0/0");
  EXPECT_EQ(CountText(12, 3456), "12/3456");
  EXPECT_EQ(CountText(-1, 2147483647), "-1/2147483647");
  EXPECT_EQ(PathText("Work", "D:"), "From 'Work'  To 'D:'");
  EXPECT_EQ(PathText("", "Backup"), "From ''  To 'Backup'");
  EXPECT_EQ(InfoLine(0, "Monday, March 4, 2024", "07:05:09"), "0 bytes ( Monday, March 4, 2024, 07:05:09 )");
  // The whole 64-bit size, not its low half.
  EXPECT_EQ(InfoLine(5000000000u, "d", "t"), "5,000,000,000 bytes ( d, t )");
  EXPECT_EQ(InfoLine(999, "d", "t"), "999 bytes ( d, t )");
  EXPECT_EQ(AllCaption(test::TableText(kTextAll)), "All(&A)");
}

TEST(OperationLinesTest, TheTableHoldsEveryTextTheDialogsUse) {
  const auto table = test::ReadStringTable();
  const std::pair<int, const char*> texts[] = {
      {kTextInvalidName, "Invalid Name"},
      {kTextErrorCaption, "Error"},
      {kTextFileExists, "Destination folder already contains a file named '%s'"},
      {kTextAll, "All"},
      {kTextRenamePrompt, "Put new name you want to change to"},
      {kTextRenameCaption, "Rename and Copy"},
      {kTextMoving, "Moving..."},
      {kTextCopying, "Copying..."},
      {kTextFolderExists, "Destination folder already contains a folder named '%s'"},
      {580, "\nFile/Folder has a important attributes\nDo you really want to delete?"},
  };
  for (const auto& [id, text] : texts) {
    ASSERT_TRUE(table.count(id)) << id;
    EXPECT_EQ(table.at(id), text) << id;
  }
  EXPECT_TRUE(table.at(kTextFolderMerge).starts_with("If the files in the existing folder have the same as files"));
}

TEST(FileExistsAnswerTest, ButtonsMapToFlagsAndAllNeverJoinsARename) {
  EXPECT_EQ(FileExistsAnswer(2, false), feCancel);
  EXPECT_EQ(FileExistsAnswer(4, false), feRenamed);
  EXPECT_EQ(FileExistsAnswer(6, false), feOverwrite);
  EXPECT_EQ(FileExistsAnswer(7, false), feSkip);
  EXPECT_EQ(FileExistsAnswer(6, true), feOverwrite | feAll);
  EXPECT_EQ(FileExistsAnswer(7, true), feSkip | feAll);
  EXPECT_EQ(FileExistsAnswer(2, true), feCancel | feAll);
  EXPECT_EQ(FileExistsAnswer(4, true), feRenamed);
  for (int other : {0, 1, 3, 5, 8}) {
    EXPECT_EQ(FileExistsAnswer(other, false), 0u) << other;
    EXPECT_EQ(FileExistsAnswer(other, true), 0u) << other;
  }
}

TEST(NewNameTest, TheSixCharactersEmptinessAndLengthAreRefused) {
  for (const char* bad : {"a:b", "a>b", "a*b", "a?b", "a|b", "a\"b", ":", ""}) EXPECT_FALSE(IsAcceptedNewName(bad)) << bad;
  for (const char* good : {"a<b", "report (2).txt", ".hidden", "a b", "\xEB\xAC\xB8\xEC\x84\x9C.txt"})
    EXPECT_TRUE(IsAcceptedNewName(good)) << good;
  EXPECT_TRUE(IsAcceptedNewName(std::string(254, 'x')));
  EXPECT_FALSE(IsAcceptedNewName(std::string(255, 'x')));
  // Counted in UTF-16 units, as the file system counts: 254 Korean syllables are 762 bytes but
  // fit; 127 characters beyond the basic plane take two units each and fill the 254.
  std::string korean;
  for (int i = 0; i < 254; ++i) korean += "\xEB\xAC\xB8";
  EXPECT_TRUE(IsAcceptedNewName(korean));
  EXPECT_FALSE(IsAcceptedNewName(korean + "a"));
  std::string astral;
  for (int i = 0; i < 127; ++i) astral += "\xF0\x9F\x93\x81";
  EXPECT_TRUE(IsAcceptedNewName(astral));
  EXPECT_FALSE(IsAcceptedNewName(astral + "a"));
}

TEST(NewNameTest, TheNewNameReplacesTheLastComponent) {
  EXPECT_EQ(RenamedPath("C:\\Work\\a.txt", "b.txt"), "C:\\Work\\b.txt");
  EXPECT_EQ(RenamedPath("C:\\a.txt", "b.txt"), "C:\\b.txt");
  EXPECT_EQ(RenamedPath("C:a.txt", "b.txt"), "C:b.txt");
  EXPECT_EQ(RenamedPath("\\\\srv\\share\\dir\\x", "y"), "\\\\srv\\share\\dir\\y");
  EXPECT_EQ(RenamedPath("plain", "other"), "other");
}

TEST(GaugeTest, BlocksFollowTheSize) {
  EXPECT_EQ(GaugeBlocks(291, 12), 40);  // the copy dialog's gauge: 285 / 7
  EXPECT_EQ(GaugeBlocks(262, 13), 32);  // the delete dialog's: 256 / 8
  EXPECT_EQ(GaugeBlocks(6, 12), 0);
  EXPECT_EQ(GaugeBlocks(100, 5), 0) << "too flat for a block: no division by zero";
  EXPECT_EQ(GaugeBlocks(100, 0), 0);
  EXPECT_EQ(GaugeBlocks(-10, 12), 0);
}

TEST(GaugeTest, ScaledProgressIsExactForAny64BitValues) {
  EXPECT_EQ(ScaledProgress(0, 100, 40), 0u);
  EXPECT_EQ(ScaledProgress(2, 100, 40), 0u);
  EXPECT_EQ(ScaledProgress(3, 100, 40), 1u);  // 120 / 100
  EXPECT_EQ(ScaledProgress(5, 100, 40), 2u);  // exactly 2
  EXPECT_EQ(ScaledProgress(99, 100, 40), 39u);
  EXPECT_EQ(ScaledProgress(100, 100, 40), 40u);
  EXPECT_EQ(ScaledProgress(150, 100, 40), 40u);
  EXPECT_EQ(ScaledProgress(7, 0, 40), 0u);
  EXPECT_EQ(ScaledProgress(7, 10, 0), 0u);
  // Products far beyond 64 bits: progress * blocks would overflow.
  const uint64_t max = ~uint64_t{0};
  EXPECT_EQ(ScaledProgress(max / 2, max, 40), 19u);  // just below half
  EXPECT_EQ(ScaledProgress(max / 2 + 1, max, 40), 20u);
  EXPECT_EQ(ScaledProgress(max - 1, max, 40), 39u);
  EXPECT_EQ(ScaledProgress(max / 40 * 13, max / 40 * 40, 40), 13u);
  EXPECT_EQ(ScaledProgress(max / 40 * 13 - 1, max / 40 * 40, 40), 12u);
  // A brute-force comparison over small values, where the product fits.
  for (uint64_t maximum = 1; maximum < 60; ++maximum)
    for (uint64_t progress = 0; progress <= maximum; ++progress)
      for (uint32_t steps : {1u, 7u, 40u, 300u})
        ASSERT_EQ(ScaledProgress(progress, maximum, steps), progress * steps / maximum)
            << progress << " " << maximum << " " << steps;
}

TEST(GaugeTest, RepaintOnlyWhenTheFilledBlocksChange) {
  // 40 blocks over 4,000 bytes: one block per 100.
  EXPECT_FALSE(GaugeNeedsRepaint(0, 99, 4000, 40));
  EXPECT_TRUE(GaugeNeedsRepaint(99, 100, 4000, 40));
  EXPECT_FALSE(GaugeNeedsRepaint(100, 199, 4000, 40));
  EXPECT_TRUE(GaugeNeedsRepaint(3999, 4000, 4000, 40));
  EXPECT_TRUE(GaugeNeedsRepaint(4000, 0, 4000, 40)) << "a reset is a change";
  // A 10,000-file copy of 65,535-byte blocks repaints at most once per block of the gauge.
  int repaints = 0;
  const uint64_t total = uint64_t{10000} * 65535;
  for (uint64_t done = 0; done < total; done += 65535) repaints += GaugeNeedsRepaint(done, done + 65535, total, 40);
  EXPECT_EQ(repaints, 40);
}

TEST(UpdateThrottleTest, AtMostOnePerIntervalTheFirstAtOnce) {
  TUpdateThrottle throttle(100);
  EXPECT_TRUE(throttle.Due(5000));
  EXPECT_FALSE(throttle.Due(5000));
  EXPECT_FALSE(throttle.Due(5099));
  EXPECT_TRUE(throttle.Due(5100));
  EXPECT_FALSE(throttle.Due(5150));
  EXPECT_TRUE(throttle.Due(9000));
  throttle.Reset();
  EXPECT_TRUE(throttle.Due(9001));
  // A clock starting at zero is no different.
  TUpdateThrottle fromZero(100);
  EXPECT_TRUE(fromZero.Due(0));
  EXPECT_FALSE(fromZero.Due(50));
  // 10,000 calls over one second let ten updates through.
  TUpdateThrottle busy(100);
  int updates = 0;
  for (uint64_t call = 0; call < 10000; ++call) updates += busy.Due(call / 10);
  EXPECT_EQ(updates, 10);
}

}  // namespace
}  // namespace quill
