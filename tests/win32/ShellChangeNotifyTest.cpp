#include "fileview/ShellChangeNotify.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "platform/Utf16.h"
#include "tests/win32/TestSupport.h"

namespace quill {
namespace {

using test::Exists;
using test::MakeFolder;
using test::RemoveTree;
using test::TScratchFolder;
using test::WriteBytes;

// How long a watcher gets to report something it should not; reports with no delay arrive within
// a few milliseconds, so this is generous.
constexpr DWORD kQuietMs = 600;
constexpr DWORD kReportTimeoutMs = 4000;

void PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// Runs the message loop until `done` holds or `timeoutMs` has passed; true when it held.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  for (;;) {
    PumpMessages();
    if (done()) return true;
    const ULONGLONG now = GetTickCount64();
    if (now >= end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
  }
}

void PumpFor(DWORD ms) { PumpUntil([] { return false; }, ms); }

void AppendBytes(const std::string& path, const std::string& bytes) {
  HANDLE h = CreateFileW(Widen(path).c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
  DWORD done = 0;
  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
  CloseHandle(h);
}

class ShellChangeNotifyTest : public ::testing::Test {
protected:
  void SetUp() override {
    PumpMessages();  // nothing left over from an earlier test
    notify_.SetOnChange([this] { ++changes_; });
  }

  void Watch(const std::string& folder) {
    notify_.SetFolder(folder);
    notify_.SetActive(true);
    ASSERT_TRUE(notify_.Active()) << folder;
  }

  bool WaitForChanges(int count, DWORD timeoutMs = kReportTimeoutMs) {
    return PumpUntil([&] { return changes_ >= count; }, timeoutMs);
  }

  TScratchFolder scratch_;
  TShellChangeNotify notify_;
  int changes_ = 0;
};

TEST_F(ShellChangeNotifyTest, WithoutDelayEveryChangeIsReportedPromptly) {
  Watch(scratch_.Path());
  const ULONGLONG start = GetTickCount64();
  WriteBytes(scratch_ / "a.txt", "one");
  ASSERT_TRUE(WaitForChanges(1));
  std::printf("[ timing ] change to OnChange without delay: %llu ms\n", GetTickCount64() - start);

  // Once reported, the next change is reported again.
  PumpFor(200);
  const int afterFirst = changes_;
  AppendBytes(scratch_ / "a.txt", "two");
  EXPECT_TRUE(WaitForChanges(afterFirst + 1));
  DeleteFileW(Widen(scratch_ / "a.txt").c_str());
  EXPECT_TRUE(WaitForChanges(changes_ + 1));
}

TEST_F(ShellChangeNotifyTest, BurstOfChangesGivesOneReportAfterTheDelay) {
  notify_.SetDelay(2000);
  Watch(scratch_.Path());
  const ULONGLONG start = GetTickCount64();
  for (int i = 0; i < 10; ++i) {
    WriteBytes(scratch_ / ("burst" + std::to_string(i) + ".txt"), "x");
    PumpFor(150);
  }
  const ULONGLONG burstEnd = GetTickCount64() - start;
  ASSERT_LT(burstEnd, 2000u);
  // SetTimer may fire a tick early.
  if (burstEnd < 1900) {
    EXPECT_EQ(changes_, 0) << "reported before the delay ran out";
  }

  ASSERT_TRUE(WaitForChanges(1, 6000));
  const ULONGLONG reported = GetTickCount64() - start;
  std::printf("[ timing ] burst of ten over %llu ms, one OnChange %llu ms after the first change\n", burstEnd,
              reported);
  EXPECT_GE(reported, 1900u);
  // A delay restarted by every change would report after 3 s.
  EXPECT_LE(reported, 2700u);

  PumpFor(2500);
  EXPECT_EQ(changes_, 1);

  // A later change starts a new delay.
  WriteBytes(scratch_ / "late.txt", "x");
  EXPECT_TRUE(WaitForChanges(2, 6000));
}

TEST_F(ShellChangeNotifyTest, NewFolderMovesTheWatch) {
  const std::string first = scratch_ / "first";
  const std::string second = scratch_ / "second";
  MakeFolder(first);
  MakeFolder(second);
  Watch(first);

  notify_.SetFolder(second);
  EXPECT_TRUE(notify_.Active());
  EXPECT_EQ(notify_.Folder(), second);
  WriteBytes(first + "\\old.txt", "x");
  PumpFor(kQuietMs);
  EXPECT_EQ(changes_, 0) << "the old folder still reports";
  WriteBytes(second + "\\new.txt", "x");
  EXPECT_TRUE(WaitForChanges(1));
}

TEST_F(ShellChangeNotifyTest, ReportOfAReplacedWatchIsIgnored) {
  const std::string first = scratch_ / "first";
  const std::string second = scratch_ / "second";
  MakeFolder(first);
  MakeFolder(second);
  Watch(first);

  // Let the watcher post its report without handling it, then move the watch.
  WriteBytes(first + "\\old.txt", "x");
  MSG msg;
  const ULONGLONG end = GetTickCount64() + kReportTimeoutMs;
  while (!PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE) && GetTickCount64() < end)
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_POSTMESSAGE);
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) << "no report was posted";

  notify_.SetFolder(second);
  PumpFor(kQuietMs);
  EXPECT_EQ(changes_, 0);
  EXPECT_TRUE(notify_.Active());
}

TEST_F(ShellChangeNotifyTest, MissingFolderLeavesNoWatcher) {
  Watch(scratch_.Path());
  notify_.SetFolder(scratch_ / "missing");
  EXPECT_FALSE(notify_.Active());
  WriteBytes(scratch_ / "a.txt", "x");
  PumpFor(kQuietMs);
  EXPECT_EQ(changes_, 0);

  notify_.SetActive(true);
  EXPECT_FALSE(notify_.Active());
  notify_.SetFolder("");
  notify_.SetActive(true);
  EXPECT_FALSE(notify_.Active());
}

TEST_F(ShellChangeNotifyTest, DeletedFolderEndsTheWatch) {
  for (int delay : {0, 2000}) {
    SCOPED_TRACE(delay);
    changes_ = 0;
    const std::string doomed = scratch_ / ("doomed" + std::to_string(delay));
    MakeFolder(doomed);
    WriteBytes(doomed + "\\inside.txt", "x");
    notify_.SetDelay(delay);
    Watch(doomed);

    const ULONGLONG start = GetTickCount64();
    RemoveTree(doomed);
    ASSERT_TRUE(PumpUntil([&] { return !notify_.Active(); }, 5000)) << "the watcher outlived its folder";
    std::printf("[ timing ] watcher ended %llu ms after its folder was removed (delay %d)\n",
                GetTickCount64() - start, delay);
    // The watch no longer holds the folder, so its removal has gone through.
    EXPECT_TRUE(PumpUntil([&] { return !Exists(doomed); }, 1000));
    // The removal of the folder's contents is still reported.
    EXPECT_TRUE(WaitForChanges(1, 4000));
  }
}

TEST_F(ShellChangeNotifyTest, LockKeepsTheStateAsItIs) {
  notify_.SetFolder(scratch_.Path());
  notify_.SetLock(true);
  notify_.SetActive(true);
  EXPECT_FALSE(notify_.Active());
  WriteBytes(scratch_ / "a.txt", "x");
  PumpFor(kQuietMs);
  EXPECT_EQ(changes_, 0);

  notify_.SetLock(false);
  notify_.SetActive(true);
  ASSERT_TRUE(notify_.Active());
  notify_.SetLock(true);
  notify_.SetActive(false);
  EXPECT_TRUE(notify_.Active());
  WriteBytes(scratch_ / "b.txt", "x");
  EXPECT_TRUE(WaitForChanges(1));
}

TEST_F(ShellChangeNotifyTest, InactiveWatchDropsAPendingReport) {
  notify_.SetDelay(300);
  Watch(scratch_.Path());
  WriteBytes(scratch_ / "a.txt", "x");
  // Wait until the change has reached the component and its delay runs.
  PumpFor(150);
  notify_.SetActive(false);
  PumpFor(kQuietMs);
  EXPECT_EQ(changes_, 0);
}

TEST(ShellChangeNotifyLifetime, HandlerMayDestroyTheComponent) {
  for (int delay : {0, 100}) {
    SCOPED_TRACE(delay);
    TScratchFolder scratch;
    auto notify = std::make_unique<TShellChangeNotify>();
    auto calls = std::make_shared<int>(0);
    // The handler keeps using its own captures after the component, which owns the handler, is
    // gone.
    notify->SetOnChange([&notify, calls] {
      notify.reset();
      ++*calls;
    });
    notify->SetDelay(delay);
    notify->SetFolder(scratch.Path());
    notify->SetActive(true);
    ASSERT_TRUE(notify->Active());
    for (int i = 0; i < 5; ++i) WriteBytes(scratch / ("f" + std::to_string(i)), "x");
    ASSERT_TRUE(PumpUntil([&] { return notify == nullptr; }, kReportTimeoutMs));
    WriteBytes(scratch / "after", "x");
    PumpFor(delay + kQuietMs);
    EXPECT_EQ(*calls, 1);
  }
}

enum class TAction { NewFile, NewFolder, AppendToFile, FileInSubFolder };

struct TFilterCase {
  const char* name;
  TShellChangeFilters filter;
  bool subFolder;
  TAction action;
  bool reported;
};

class ShellChangeFilterTest : public ShellChangeNotifyTest, public ::testing::WithParamInterface<TFilterCase> {};

TEST_P(ShellChangeFilterTest, ChangedSettingsReportWhatTheySelect) {
  const TFilterCase& c = GetParam();
  WriteBytes(scratch_ / "existing.txt", "x");
  // Start with settings different from the case's, so the case's settings arrive as changes to a
  // running watch.
  notify_.SetFilter(c.filter == kAllShellChangeFilters ? mfFileName : kAllShellChangeFilters);
  notify_.SetSubFolder(!c.subFolder);
  Watch(scratch_.Path());
  PumpFor(100);
  changes_ = 0;

  notify_.SetFilter(c.filter);
  notify_.SetSubFolder(c.subFolder);
  ASSERT_TRUE(notify_.Active());
  switch (c.action) {
    case TAction::NewFile: WriteBytes(scratch_ / "new.txt", "x"); break;
    case TAction::NewFolder: MakeFolder(scratch_ / "newdir"); break;
    case TAction::AppendToFile: AppendBytes(scratch_ / "existing.txt", "more"); break;
    case TAction::FileInSubFolder:
      // Wine's sub-tree watch covers only sub-folders made after it started.
      MakeFolder(scratch_ / "later");
      WriteBytes(scratch_ / "later" + "\\deep.txt", "x");
      break;
  }
  if (c.reported) {
    EXPECT_TRUE(WaitForChanges(1));
  } else {
    PumpFor(kQuietMs);
    EXPECT_EQ(changes_, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ShellChangeFilterTest,
    ::testing::Values(TFilterCase{"FileNameSeesNewFile", mfFileName, false, TAction::NewFile, true},
                      TFilterCase{"DirNameIgnoresNewFile", mfDirName, false, TAction::NewFile, false},
                      TFilterCase{"DirNameSeesNewFolder", mfDirName, false, TAction::NewFolder, true},
                      TFilterCase{"FileNameIgnoresNewFolder", mfFileName, false, TAction::NewFolder, false},
                      TFilterCase{"SizeSeesAppend", mfSize, false, TAction::AppendToFile, true},
                      TFilterCase{"FileNameIgnoresAppend", mfFileName, false, TAction::AppendToFile, false},
                      // File names only: a sub-folder's own last-write time may change too.
                      TFilterCase{"TopOnlyIgnoresSubFolder", mfFileName, false, TAction::FileInSubFolder, false},
                      TFilterCase{"SubFolderSeesSubFolder", mfFileName, true, TAction::FileInSubFolder, true}),
    [](const ::testing::TestParamInfo<TFilterCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quill
