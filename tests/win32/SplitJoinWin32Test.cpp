// Split File and Join Files through the real main window and the real dialogs: the split
// dialog, the progress window, the confirmation, the save dialog and the error box, answered
// the way a user would. With QUILL_SHOTS set, the split dialog and the progress window are also
// saved as pictures.
#include <gtest/gtest.h>

#include <cctype>

#include <windows.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>

#include "app/Commands.h"
#include "app/MainForm.h"
#include "app/SplitDialog.h"
#include "operations/CopyingDialog.h"
#include "platform/Utf16.h"
#include "tests/win32/StepScript.h"
#include "tests/win32/TestSupport.h"

namespace quill {
namespace {

using test::TQueuedAction;
using test::TScript;

std::string Pattern(size_t size) {
  std::string bytes(size, '\0');
  std::mt19937 random(11);
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

std::string WindowText(HWND window) {
  wchar_t text[1024] = {};
  GetWindowTextW(window, text, 1024);
  return Narrow(text);
}

BOOL CALLBACK AddStaticText(HWND child, LPARAM data) {
  wchar_t name[32] = {};
  GetClassNameW(child, name, 32);
  if (lstrcmpiW(name, L"Static") == 0) *reinterpret_cast<std::string*>(data) += WindowText(child) + "|";
  return TRUE;
}

// Every static text of a window, one after another: the message of a message box.
std::string StaticTexts(HWND window) {
  std::string texts;
  EnumChildWindows(window, AddStaticText, reinterpret_cast<LPARAM>(&texts));
  return texts;
}

struct TProgressSearch {
  const wchar_t* caption;
  HWND found;
};

BOOL CALLBACK MatchProgress(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<TProgressSearch*>(data);
  wchar_t text[64] = {};
  GetWindowTextW(window, text, 64);
  if (!IsWindowVisible(window) || lstrcmpW(text, search->caption) != 0 || !GetDlgItem(window, TfCopying::kGaugeId))
    return TRUE;
  search->found = window;
  return FALSE;
}

// The shown progress window with this caption, or null.
HWND ProgressWindow(const wchar_t* caption) {
  TProgressSearch search{caption, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), MatchProgress, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// A thread timer looks at the split's progress window in whatever loop runs (it fires only
// when the queue is otherwise empty); once the window shows a volume, it is saved as a picture
// and cancelled.
struct TSplitWatch {
  std::string fileLine, pathLine;
  UINT_PTR timer = 0;
};
TSplitWatch splitWatch;

void CALLBACK LookAtSplitProgress(HWND, UINT, UINT_PTR, DWORD) {
  HWND progress = ProgressWindow(L"Split File");
  const std::string line = progress ? WindowText(GetDlgItem(progress, TfCopying::kFileNameId)) : std::string();
  if (line.empty()) return;
  KillTimer(nullptr, splitWatch.timer);
  splitWatch.fileLine = line;
  splitWatch.pathLine = WindowText(GetDlgItem(progress, TfCopying::kPathId));
  test::SaveShot(progress, "split-progress");
  SendMessageW(progress, WM_COMMAND, MAKEWPARAM(TfCopying::kCancelId, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(progress, TfCopying::kCancelId)));
}

// The save dialog's file name box, wherever the system's dialog keeps it.
HWND SaveNameBox(HWND dialog) {
  for (int id : {0x47c /* cmb13 */, 0x480 /* edt1 */})
    if (HWND box = GetDlgItem(dialog, id)) return box;
  return nullptr;
}

class SplitJoinWin32 : public ::testing::Test {
protected:
  void SetUp() override {
    test::MakeFolder(data / "Vol");
    test::WriteBytes(program / "quill.ini", "[Option]\r\nSort=0\r\n");
    const std::string commandLine = "\"C:\\quill.exe\" \"" + data.Path() + "\"";
    form = std::make_unique<TMainForm>(TMainFormOptions{program.Path() + "\\", commandLine, false});
    ASSERT_TRUE(form->Create());
    form->Show();
  }
  void TearDown() override {
    if (form) form->Close();
    form.reset();
  }

  template <typename F>
  static bool Pump(F&& done, DWORD timeoutMs = 20000) {
    return test::PumpUntil(done, timeoutMs);
  }
  void Focus(const std::string& name) {
    form->View().Refresh(std::string(), true);
    const int index = form->View().Files().IndexOf(name);
    ASSERT_GE(index, 0) << name;
    form->View().SetItemIndex(index);
  }
  // Runs a command with the script answering it; the command has ended when this returns.
  void RunCommand(int command, std::vector<TScript::TStep> steps) {
    TScript script(std::move(steps));
    bool ended = false;
    TQueuedAction run([&] {
      SendMessageW(form->Handle(), WM_COMMAND, command, 0);
      ended = true;
    });
    run.Post();
    EXPECT_TRUE(Pump([&] { return ended; })) << "the command did not end";
    EXPECT_TRUE(script.Finished()) << "only " << script.Done() << " steps ran";
    EXPECT_FALSE(script.Rescued()) << "a dialog had to be cancelled";
  }
  // The split dialog answered: the destination typed, a size chosen from the list, OK.
  TScript::TStep SplitDialog(const std::string& folder, const std::string& size, const char* shot = nullptr) {
    return {"Split File", [=, this](HWND dialog) {
              splitLine = WindowText(GetDlgItem(dialog, TfSplit::kFileNameId));
              splitPathBefore = WindowText(GetDlgItem(dialog, TfSplit::kPathId));
              splitSizeBefore = WindowText(GetDlgItem(dialog, TfSplit::kFileSizeId));
              SetWindowTextW(GetDlgItem(dialog, TfSplit::kPathId), Widen(folder).c_str());
              HWND sizes = GetDlgItem(dialog, TfSplit::kFileSizeId);
              SendMessageW(sizes, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(Widen(size).c_str()));
              if (shot) test::SaveShot(dialog, shot);
              PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
            }};
  }
  TScript::TStep ConfirmJoin() {
    return {"Confirm", [this](HWND box) {
              confirmText = StaticTexts(box);
              PostMessageW(box, WM_COMMAND, IDYES, 0);
            }};
  }
  TScript::TStep SaveAs(const std::string& path) {
    return {"Save As", [=, this](HWND dialog) {
              HWND box = SaveNameBox(dialog);
              ASSERT_NE(box, nullptr);
              proposedName = WindowText(box);
              SetWindowTextW(box, Widen(path).c_str());
              PostMessageW(dialog, WM_COMMAND, IDOK, 0);
            }};
  }
  std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(Widen(folder + "\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(Narrow(found.cFileName));
    } while (FindNextFileW(find, &found));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
  }

  test::TScratchFolder program, data;
  std::unique_ptr<TMainForm> form;
  std::string splitLine, splitPathBefore, splitSizeBefore, confirmText, proposedName;
};

TEST_F(SplitJoinWin32, SplitAndJoinThroughTheDialogsGiveTheSameBytes) {
  const std::string source = Pattern(3000000);
  test::WriteBytes(data / "movie.avi", source);
  Focus("movie.avi");
  RunCommand(cmSplitFile, {SplitDialog(data / "Vol", "1440 KB", "split-dialog")});
  EXPECT_EQ(splitLine, "movie.avi (3,000,000 bytes)");
  EXPECT_EQ(splitPathBefore, data.Path());
  EXPECT_EQ(splitSizeBefore, "1440 KB");
  EXPECT_EQ(FilesIn(data / "Vol"), (std::vector<std::string>{"movie.001", "movie.002", "movie.003", "movie.crc"}));
  EXPECT_EQ(test::ReadBytes(data / "Vol\\movie.001"), "movie.avi   3000000/" + source.substr(0, 1440000));
  EXPECT_EQ(test::ReadBytes(data / "Vol\\movie.003"), source.substr(2880000));
  EXPECT_EQ(test::ReadBytes(data / "Vol\\movie.crc").substr(0, 48), "; Generated by Quill. (compatible with rzJoin)\r\n");

  // Joined from the volumes' folder into the data folder; the save dialog proposed the name the
  // header recorded.
  form->ShowFolder(data / "Vol");
  Focus("movie.002");
  RunCommand(cmJoinFiles, {ConfirmJoin(), SaveAs(data / "joined.avi")});
  EXPECT_NE(confirmText.find("Are you want to join 3 files (3,000,020 bytes)?"), std::string::npos) << confirmText;
  EXPECT_EQ(proposedName, "movie.avi");
  EXPECT_EQ(test::ReadBytes(data / "joined.avi"), source);
  EXPECT_EQ(FilesIn(data.Path()), (std::vector<std::string>{"joined.avi", "movie.avi"}));
}

TEST_F(SplitJoinWin32, ACancelledJoinLeavesNothingAndADamagedVolumeIsNamed) {
  const std::string source = Pattern(3000000);
  test::WriteBytes(data / "a.bin", source);
  Focus("a.bin");
  RunCommand(cmSplitFile, {SplitDialog(data / "Vol", "1440 KB")});
  ASSERT_EQ(FilesIn(data / "Vol").size(), 4u);
  form->ShowFolder(data / "Vol");

  // Cancel in the progress window, at its first look at the queue.
  int looks = 0;
  TQueuedAction cancelJoin([&] {
    HWND progress = ProgressWindow(L"Join Files");
    if (!progress) {
      if (++looks < 10000) cancelJoin.Post();
      return;
    }
    SendMessageW(progress, WM_COMMAND, MAKEWPARAM(TfCopying::kCancelId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(progress, TfCopying::kCancelId)));
  });
  Focus("a.001");
  RunCommand(cmJoinFiles, {ConfirmJoin(), {"Save As", [&](HWND dialog) {
                                             SetWindowTextW(SaveNameBox(dialog), Widen(data / "out.bin").c_str());
                                             PostMessageW(dialog, WM_COMMAND, IDOK, 0);
                                             cancelJoin.Post();
                                           }}});
  EXPECT_TRUE(cancelJoin.Ran());
  EXPECT_EQ(FilesIn(data.Path()), std::vector<std::string>{"a.bin"});

  // One byte of volume 2 changed: the error names it, and nothing is written.
  std::string damaged = test::ReadBytes(data / "Vol\\a.002");
  damaged[1000] ^= 0x40;
  test::WriteBytes(data / "Vol\\a.002", damaged);
  std::string error;
  Focus("a.001");
  RunCommand(cmJoinFiles, {ConfirmJoin(), SaveAs(data / "out.bin"), {"Error", [&](HWND box) {
                                                                          error = StaticTexts(box);
                                                                          PostMessageW(box, WM_COMMAND, IDOK, 0);
                                                                        }}});
  EXPECT_NE(error.find("a.002"), std::string::npos) << error;
  EXPECT_EQ(FilesIn(data.Path()), std::vector<std::string>{"a.bin"});
}

TEST_F(SplitJoinWin32, TheSplitProgressWindowShowsTheVolumeAndCancelStopsWithoutAList) {
  // Large enough that the split is still running when the window is first looked at.
  const std::string block = Pattern(1 << 20);
  {
    // Written a block at a time: 480 MiB in one string would not fit a 32-bit process twice.
    HANDLE file = CreateFileW(Widen(data / "big.iso").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    for (int i = 0; i < 480; ++i) WriteFile(file, block.data(), static_cast<DWORD>(block.size()), &written, nullptr);
    CloseHandle(file);
  }
  Focus("big.iso");
  splitWatch = {};
  RunCommand(cmSplitFile, {{"Split File", [&](HWND dialog) {
                              EXPECT_EQ(WindowText(GetDlgItem(dialog, TfSplit::kFileSizeId)), "100 MB");
                              SetWindowTextW(GetDlgItem(dialog, TfSplit::kPathId), Widen(data / "Vol").c_str());
                              SendMessageW(GetDlgItem(dialog, TfSplit::kFileSizeId), CB_SELECTSTRING,
                                           static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(L"1440 KB"));
                              PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
                              splitWatch.timer = SetTimer(nullptr, 0, 30, LookAtSplitProgress);
                            }}});
  KillTimer(nullptr, splitWatch.timer);
  EXPECT_EQ(splitWatch.pathLine, "From 'big.iso'  To 'Vol'");
  // Which volume is being written when the window is first looked at depends on the machine's
  // speed; that it names one does not.
  EXPECT_TRUE(splitWatch.fileLine.size() == 7 && splitWatch.fileLine.rfind("big.", 0) == 0 &&
              std::isdigit(static_cast<unsigned char>(splitWatch.fileLine[4])))
      << splitWatch.fileLine;
  const std::vector<std::string> written = FilesIn(data / "Vol");
  EXPECT_GE(written.size(), 1u);
  EXPECT_LT(written.size(), 350u);  // of 350 volumes
  for (const std::string& name : written) EXPECT_NE(name, "big.crc");
  // No message after a cancel: the script would have had to answer it.
}

}  // namespace
}  // namespace quill
