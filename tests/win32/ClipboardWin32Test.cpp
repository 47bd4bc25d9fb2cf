// Copy, Cut, Paste, Paste Shortcut and Copy Path Name through the real main window, with
// ClipPeer (beside the tests) as the other program: it cuts or copies files the way the shell
// does, pastes what Quill put there through the shell's own reader, and prints the clipboard's
// text. With QUILL_SHOTS set, the pane with cut entries is saved as a picture.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "app/Commands.h"
#include "app/MainForm.h"
#include "fileview/ShellUtils.h"
#include "platform/Utf16.h"
#include "tests/win32/ArchivePaneFixture.h"
#include "tests/win32/TestSupport.h"
#include "transfer/Clipboard.h"

namespace quill {
namespace {

using test::Exists;
using test::ReadBytes;
using test::WriteBytes;

struct TPeerRun {
  int code = -1;
  std::vector<std::string> lines;
};

class ClipboardWin32 : public test::TArchivePaneFixture {
protected:
  void SetUp() override {
    if (!Exists(ModuleFolder() + "ClipPeer.exe")) GTEST_SKIP() << "ClipPeer.exe is not beside the tests";
    EmptyTheClipboard(nullptr);
  }

  // Runs ClipPeer with `arguments` and waits for it; its output split into lines.
  TPeerRun Peer(const std::vector<std::string>& arguments) {
    const std::string output = program / ("peer-" + std::to_string(++runs_) + ".txt");
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileW(Widen(output).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOW startup{sizeof startup};
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = out;
    std::wstring line = L"\"" + Widen(ModuleFolder() + "ClipPeer.exe") + L"\"";
    for (const std::string& argument : arguments) line += L" \"" + Widen(argument) + L"\"";
    PROCESS_INFORMATION process{};
    TPeerRun run;
    const bool started =
        CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process);
    CloseHandle(out);
    EXPECT_TRUE(started);
    if (!started) return run;
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    run.code = static_cast<int>(code);
    std::string current;
    for (const char c : ReadBytes(output))
      if (c == '\n') run.lines.push_back(std::exchange(current, {}));
      else if (c != '\r') current += c;
    return run;
  }

  void Select(const std::vector<std::string>& names) {
    form->View().DeselectAll(true);
    for (const std::string& name : names) form->View().Select(form->View().Files().IndexOf(name));
  }
  // The entries drawn as cut.
  std::vector<std::string> CutEntries() {
    std::vector<std::string> names;
    const TFiles& files = form->View().Files();
    for (int i = 0; i < files.Count(); ++i)
      if (files.Items(i)->Cut) names.push_back(files.Items(i)->FullName());
    return names;
  }
  // How far the name of an entry stands out from the pane's background: the largest difference
  // of a pixel in the first 70 pixels of its cell (icon and name), over the three channels.
  int NameBrightness(const std::string& name) {
    HWND pane = form->Pane().Handle();
    RedrawWindow(pane, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    GdiFlush();
    const RECT r = form->Pane().ItemRect(form->View().Files().IndexOf(name));
    HDC dc = GetDC(pane);
    const COLORREF back = GetPixel(dc, r.right - 2, r.top + 1);
    int most = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left + 2; x < r.left + 70; ++x) {
        const COLORREF c = GetPixel(dc, x, y);
        for (int shift : {0, 8, 16})
          most = std::max(most, std::abs(static_cast<int>((c >> shift) & 0xFF) - static_cast<int>((back >> shift) & 0xFF)));
      }
    ReleaseDC(pane, dc);
    return most;
  }
  bool Shows(const std::string& name) { return form->View().Files().IndexOf(name) >= 0; }

  int runs_ = 0;
};

using TNames = std::vector<std::string>;

TEST_F(ClipboardWin32, PasteMovesWhatAnotherProgramCutAndCopiesWhatCameWithoutAnEffect) {
  WriteBytes(data / "a.txt", "stays focused");
  WriteBytes(target / "moved.txt", "moved by the paste");
  test::MakeFolder(target / "folder");
  WriteBytes(target / "folder\\inner.txt", "inside a moved folder");
  WriteBytes(target / "copied.txt", "copied by the paste");
  Start();
  Focus("a.txt");

  ASSERT_EQ(Peer({"cut", target / "moved.txt", target / "folder"}).code, 0);
  EXPECT_TRUE(form->RunCommand(cmClipPaste));
  EXPECT_EQ(ReadBytes(data / "moved.txt"), "moved by the paste");
  EXPECT_EQ(ReadBytes(data / "folder\\inner.txt"), "inside a moved folder");
  EXPECT_FALSE(Exists(target / "moved.txt"));
  EXPECT_FALSE(Exists(target / "folder"));
  EXPECT_FALSE(ClipboardHasFiles()) << "a move empties the clipboard";
  EXPECT_TRUE(Shows("moved.txt") && Shows("folder"));
  EXPECT_EQ(FocusedName(), "a.txt");

  // No preferred effect at all: a copy, and the list stays for another paste.
  ASSERT_EQ(Peer({"copy-no-effect", target / "copied.txt"}).code, 0);
  EXPECT_TRUE(form->RunCommand(cmClipPaste));
  EXPECT_EQ(ReadBytes(data / "copied.txt"), "copied by the paste");
  EXPECT_EQ(ReadBytes(target / "copied.txt"), "copied by the paste");
  EXPECT_TRUE(ClipboardHasFiles());
  EXPECT_TRUE(Shows("copied.txt"));

  // Paste Shortcut: a shortcut here to each file still on the clipboard.
  EXPECT_TRUE(form->RunCommand(cmPasteShortcut));
  EXPECT_TRUE(Shows("copied.txt.lnk"));
  EXPECT_EQ(ShortcutTarget(data / "copied.txt.lnk"), target / "copied.txt");
}

TEST_F(ClipboardWin32, FilesCopiedOrCutInQuillArriveInAnotherProgram) {
  WriteBytes(data / "a.txt", "copied away");
  test::MakeFolder(data / "docs");
  WriteBytes(data / "docs\\b.txt", "inside the copied folder");
  WriteBytes(data / "c.txt", "cut away");
  Start();

  Select({"a.txt", "docs"});
  EXPECT_TRUE(form->RunCommand(cmClipCopy));
  const TPeerRun copied = Peer({"paste", target.Path()});
  EXPECT_EQ(copied.code, 0);
  // The pane's order: folders first.
  EXPECT_EQ(copied.lines, (TNames{"effect 1", data / "docs", data / "a.txt"}));
  EXPECT_EQ(ReadBytes(target / "a.txt"), "copied away");
  EXPECT_EQ(ReadBytes(target / "docs\\b.txt"), "inside the copied folder");
  EXPECT_TRUE(Exists(data / "a.txt") && Exists(data / "docs\\b.txt"));

  // With nothing selected the focused entry goes; the other program moves what was cut.
  form->View().DeselectAll(true);
  Focus("c.txt");
  EXPECT_TRUE(form->RunCommand(cmClipCut));
  test::MakeFolder(target / "moved");
  const TPeerRun cut = Peer({"paste", target / "moved"});
  EXPECT_EQ(cut.code, 0);
  EXPECT_EQ(cut.lines, (TNames{"effect 2", data / "c.txt"}));
  EXPECT_EQ(ReadBytes(target / "moved\\c.txt"), "cut away");
  EXPECT_FALSE(Exists(data / "c.txt"));

  // Nothing to act on: the parent entry alone gives nothing to the clipboard.
  EmptyTheClipboard(nullptr);
  form->View().DeselectAll(true);
  Focus("..");
  EXPECT_TRUE(form->RunCommand(cmClipCopy));
  EXPECT_FALSE(ClipboardHasFiles());
}

TEST_F(ClipboardWin32, CutEntriesAreDimmedAcrossRescansUntilTheClipboardChanges) {
  for (const char* name : {"a.txt", "b.txt", "notes.doc"}) WriteBytes(data / name, name);
  test::MakeFolder(data / "docs");
  Start();
  Select({"a.txt", "docs"});
  EXPECT_TRUE(form->RunCommand(cmClipCut));
  EXPECT_EQ(CutEntries(), (TNames{"docs", "a.txt"}));

  // Rescanned, and shown again after another folder: still waiting on the clipboard.
  form->View().Refresh(std::string(), true);
  form->ShowFolder(target.Path());
  EXPECT_EQ(CutEntries(), TNames{});
  form->ShowFolder(data.Path());
  EXPECT_EQ(CutEntries(), (TNames{"docs", "a.txt"}));
  Focus("notes.doc");
  test::SaveShot(form->Handle(), "clipboard-cut-entries");
  // a.txt is drawn fainter than b.txt, whose colour it shares.
  EXPECT_LT(NameBrightness("a.txt"), NameBrightness("b.txt") * 3 / 4);

  // Another program takes the clipboard: the marks go without any rescan.
  WriteBytes(target / "other.txt", "other");
  ASSERT_EQ(Peer({"copy-no-effect", target / "other.txt"}).code, 0);
  EXPECT_TRUE(test::PumpUntil([&] { return CutEntries().empty(); }, 5000));

  // A copy replaces a cut of its own: nothing stays dimmed.
  Select({"b.txt"});
  EXPECT_TRUE(form->RunCommand(cmClipCut));
  EXPECT_EQ(CutEntries(), TNames{"b.txt"});
  EXPECT_TRUE(form->RunCommand(cmClipCopy));
  EXPECT_EQ(CutEntries(), TNames{});
}

TEST_F(ClipboardWin32, CopyPathNameGivesTheFullPathAlsoOutsideTheAnsiCodePage) {
  WriteBytes(data / "a.txt", "a");
  const std::string korean = data / "\xEC\x9E\x90\xEB\xA3\x8C";  // "자료"
  test::MakeFolder(korean);
  WriteBytes(korean + "\\\xEB\xB3\xB4\xEA\xB3\xA0\xEC\x84\x9C.txt", "report");  // "보고서.txt"
  Start();

  Focus("a.txt");
  EXPECT_TRUE(form->RunCommand(cmCopyPathName));
  EXPECT_EQ(Peer({"text"}).lines, (TNames{data / "a.txt", data / "a.txt"})) << "wide and ANSI text";

  form->ShowFolder(korean);
  Focus("\xEB\xB3\xB4\xEA\xB3\xA0\xEC\x84\x9C.txt");
  EXPECT_TRUE(form->RunCommand(cmCopyPathName));
  const std::string path = korean + "\\\xEB\xB3\xB4\xEA\xB3\xA0\xEC\x84\x9C.txt";
  EXPECT_EQ(ReadClipboardText(nullptr), path);
  const TPeerRun peer = Peer({"text"});
  ASSERT_FALSE(peer.lines.empty());
  EXPECT_EQ(peer.lines[0], path);
}

TEST_F(ClipboardWin32, APasteIntoTheFolderTheFilesCameFromChangesNothing) {
  WriteBytes(data / "a.txt", "only once");
  test::MakeFolder(data / "docs");
  Start();
  const TNames before = {"..", "docs", "a.txt"};

  // Copied in Quill and pasted where it lies: no question, no error, the list stays.
  Focus("a.txt");
  EXPECT_TRUE(form->RunCommand(cmClipCopy));
  EXPECT_TRUE(form->RunCommand(cmClipPaste));
  EXPECT_EQ(Listed(), before);
  EXPECT_TRUE(ClipboardHasFiles());

  // Cut by another program in this very folder: nothing moves and the clipboard keeps the list.
  ASSERT_EQ(Peer({"cut", data / "a.txt", data / "docs"}).code, 0);
  EXPECT_TRUE(form->RunCommand(cmClipPaste));
  EXPECT_EQ(ReadBytes(data / "a.txt"), "only once");
  EXPECT_EQ(Listed(), before);
  EXPECT_TRUE(ClipboardHasFiles());
  EXPECT_EQ(questions.Asked().size(), 0u);
}

}  // namespace
}  // namespace quill
