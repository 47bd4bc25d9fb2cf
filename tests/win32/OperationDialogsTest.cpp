// The operation dialogs shown for real over an owner window: the replace and delete
// confirmations answered by a script that runs from a thread timer inside their modal loops, and
// the two progress dialogs driven the way the engine drives them.
//
// With QUILL_SHOTS set to a folder, the dialogs are also saved there as BMP pictures.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "messages/GetString.h"
#include "messages/Messages.h"
#include "operations/CopyingDialog.h"
#include "operations/DelWarningDialog.h"
#include "operations/DeletingDialog.h"
#include "operations/FileExistsDialog.h"
#include "operations/OperationTexts.h"
#include "platform/StringTable.h"
#include "platform/Utf16.h"
#include "tests/win32/StepScript.h"
#include "tests/win32/TestSupport.h"

namespace quill {
namespace {

constexpr const char* kReplaceCaption = "Confirm Replace file";
constexpr const char* kDeleteCaption = "Delete Confirm";
constexpr const char* kRenameCaption = "Rename and Copy";

std::string WindowText(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return Narrow(text);
}

RECT WindowRect(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return r;
}

SIZE ClientSize(HWND window) {
  RECT r{};
  GetClientRect(window, &r);
  return {r.right - r.left, r.bottom - r.top};
}

// Where a control sits in its dialog's client area.
RECT ControlRect(HWND control) {
  RECT r = WindowRect(control);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void ExpectCentredOver(HWND owner, const RECT& frame) {
  const RECT o = WindowRect(owner);
  const TDialogOrigin expected = CenterOver(o.left, o.top, o.right - o.left, o.bottom - o.top,
                                            frame.right - frame.left, frame.bottom - frame.top);
  EXPECT_EQ(frame.left, expected.left);
  EXPECT_EQ(frame.top, expected.top);
}

using test::SaveShot;

// An ordinary top-level window for the dialogs to be centred on; odd sizes make the truncation
// of the halves visible.
class TOwner {
public:
  TOwner() {
    handle_ = CreateWindowExW(0, L"STATIC", L"Quill test owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 117, 93, 701, 503,
                              nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetForegroundWindow(handle_);
  }
  ~TOwner() { DestroyWindow(handle_); }
  TOwner(const TOwner&) = delete;
  TOwner& operator=(const TOwner&) = delete;
  HWND Handle() const { return handle_; }

private:
  HWND handle_ = nullptr;
};

using test::TScript;

// Input the way the keyboard and the mouse give it, through the dialogs' own loops.
void Click(HWND dialog, int id) { PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
void PressKey(HWND window, WPARAM key) { PostMessageW(window, WM_KEYDOWN, key, 1); }
void TypeChar(HWND window, wchar_t c) { PostMessageW(window, WM_CHAR, c, 1); }
void ReplaceEditText(HWND dialog, const std::string& text) {
  HWND edit = GetDlgItem(dialog, TfGetString::kEditId);
  SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Widen(text).c_str()));
  PressKey(edit, VK_RETURN);
}

std::string Table(int id) { return LoadText(static_cast<unsigned>(id)); }

// ---------------------------------------------------------------------------------------------
// The replace confirmation

class ReplaceDialog : public ::testing::Test {
protected:
  void SetUp() override {
    source = scratch / "from";
    target = scratch / "to";
    test::MakeFolder(source);
    test::MakeFolder(target);
  }

  // Runs AskFileExists with the steps answering; checks they all ran and none needed rescue.
  uint32_t Ask(const std::string& from, std::string& to, bool archive, std::vector<TScript::TStep> steps) {
    TScript script(std::move(steps));
    const uint32_t flags = AskFileExists(owner.Handle(), from, to, archive);
    EXPECT_TRUE(script.Finished()) << "only " << script.Done() << " steps ran";
    EXPECT_FALSE(script.Rescued()) << "a dialog did not close on its own";
    EXPECT_TRUE(IsWindowEnabled(owner.Handle())) << "the owner stays disabled afterwards";
    return flags;
  }
  // A file pair in conflict: `name` in both folders, the incoming one `size` bytes long.
  std::string FilePair(const std::string& name, size_t size) {
    test::WriteBytes(source + "\\" + name, std::string(size, 'n'));
    test::WriteBytes(target + "\\" + name, std::string(10, 'o'));
    return name;
  }

  TOwner owner;
  test::TScratchFolder scratch;
  std::string source, target;
};

TEST_F(ReplaceDialog, ForAFileItShowsTheQuestionAndBothInfoLines) {
  FilePair("report.txt", 1234567);
  std::string to = target + "\\report.txt";
  SIZE client{};
  RECT frame{}, question{};
  bool ownerEnabled = true, warningShown = true, renameEnabled = false;
  std::string fileName, origin, incoming, allCaption;
  HICON originIcon = nullptr, newIcon = nullptr;
  HWND focus = nullptr, overwrite = nullptr;
  bool active = false, foreground = false;
  const uint32_t flags = Ask(source + "\\report.txt", to, false, {{kReplaceCaption, [&](HWND d) {
    client = ClientSize(d);
    frame = WindowRect(d);
    ownerEnabled = IsWindowEnabled(owner.Handle()) != FALSE;
    fileName = WindowText(GetDlgItem(d, TfFileExists::kFileNameId));
    question = ControlRect(GetDlgItem(d, TfFileExists::kFileNameId));
    origin = WindowText(GetDlgItem(d, TfFileExists::kOriginId));
    incoming = WindowText(GetDlgItem(d, TfFileExists::kNewId));
    warningShown = IsWindowVisible(GetDlgItem(d, TfFileExists::kFolderOverId)) != FALSE;
    renameEnabled = IsWindowEnabled(GetDlgItem(d, TfFileExists::kRenameId)) != FALSE;
    allCaption = WindowText(GetDlgItem(d, TfFileExists::kAllId));
    originIcon = reinterpret_cast<HICON>(SendDlgItemMessageW(d, TfFileExists::kOriginIconId, STM_GETICON, 0, 0));
    newIcon = reinterpret_cast<HICON>(SendDlgItemMessageW(d, TfFileExists::kNewIconId, STM_GETICON, 0, 0));
    focus = GetFocus();
    active = GetActiveWindow() == d;
    foreground = GetForegroundWindow() == d;
    overwrite = GetDlgItem(d, TfFileExists::kOverwriteId);
    SaveShot(d, "hD-replace-file");
    Click(d, TfFileExists::kSkipId);
  }}});
  EXPECT_EQ(flags, feSkip);
  EXPECT_EQ(to, target + "\\report.txt") << "only a rename changes the destination";
  EXPECT_EQ(client.cx, 402);
  EXPECT_EQ(client.cy, 160);
  ExpectCentredOver(owner.Handle(), frame);
  EXPECT_FALSE(ownerEnabled);
  EXPECT_EQ(fileName, "Destination folder already contains a file named 'report.txt'");
  // One line of text, centred in the 26-pixel box at 56,10.
  const int questionHeight = question.bottom - question.top;
  EXPECT_EQ(question.left, 56);
  EXPECT_LT(questionHeight, 26);
  EXPECT_EQ(question.top, 10 + (26 - questionHeight) / 2);
  EXPECT_TRUE(origin.starts_with("10 bytes ( ")) << origin;
  EXPECT_TRUE(incoming.starts_with("1,234,567 bytes ( ")) << incoming;
  for (const std::string& line : {origin, incoming}) {
    EXPECT_TRUE(line.ends_with(" )")) << line;
    EXPECT_NE(line.find(", "), std::string::npos) << "date and time: " << line;
  }
  EXPECT_FALSE(warningShown);
  EXPECT_TRUE(renameEnabled);
  EXPECT_EQ(allCaption, " &All");
  EXPECT_NE(originIcon, nullptr);
  EXPECT_NE(newIcon, nullptr);
  EXPECT_EQ(focus, overwrite);
  EXPECT_TRUE(active);
  EXPECT_TRUE(foreground);
}

TEST_F(ReplaceDialog, TheInfoLineShowsTheWholeSizeAndTheLocalDateOfTheFile) {
  FilePair("big.bin", 1);
  // Past 4 GiB, where the low 32 bits alone would read 705,032,704.
  HANDLE file = CreateFileW(Widen(source + "\\big.bin").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  LARGE_INTEGER end;
  end.QuadPart = 5000000000LL;
  const bool sized = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
  // 15 June 2021, noon local time.
  SYSTEMTIME local{2021, 6, 2, 15, 12, 0, 0, 0}, universal{};
  FILETIME written{};
  TzSpecificLocalTimeToSystemTime(nullptr, &local, &universal);
  SystemTimeToFileTime(&universal, &written);
  SetFileTime(file, nullptr, nullptr, &written);
  CloseHandle(file);
  if (!sized) GTEST_SKIP() << "the file system here cannot hold a 5 GB file";

  wchar_t date[128] = {};
  GetDateFormatW(LOCALE_SYSTEM_DEFAULT, LOCALE_NOUSEROVERRIDE | DATE_LONGDATE, &local, nullptr, date, 128);
  std::string to = target + "\\big.bin", incoming;
  Ask(source + "\\big.bin", to, false, {{kReplaceCaption, [&](HWND d) {
    incoming = WindowText(GetDlgItem(d, TfFileExists::kNewId));
    Click(d, TfFileExists::kCancelId);
  }}});
  EXPECT_TRUE(incoming.starts_with("5,000,000,000 bytes ( " + Narrow(date) + ", ")) << incoming;
}

TEST_F(ReplaceDialog, EachAnswerGivesItsFlagsAndAllIsAdded) {
  FilePair("a.txt", 5);
  struct {
    const char* what;
    std::function<void(HWND)> answer;
    uint32_t flags;
  } cases[] = {
      {"Overwrite", [](HWND d) { Click(d, TfFileExists::kOverwriteId); }, feOverwrite},
      {"Skip", [](HWND d) { Click(d, TfFileExists::kSkipId); }, feSkip},
      {"Cancel", [](HWND d) { Click(d, TfFileExists::kCancelId); }, feCancel},
      {"All + Overwrite",
       [](HWND d) {
         Click(d, TfFileExists::kAllId);
         Click(d, TfFileExists::kOverwriteId);
       },
       feOverwrite | feAll},
      {"All + Skip",
       [](HWND d) {
         Click(d, TfFileExists::kAllId);
         Click(d, TfFileExists::kSkipId);
       },
       feSkip | feAll},
      {"All twice is no All",
       [](HWND d) {
         Click(d, TfFileExists::kAllId);
         Click(d, TfFileExists::kAllId);
         Click(d, TfFileExists::kSkipId);
       },
       feSkip},
      {"Esc", [](HWND) { PressKey(GetFocus(), VK_ESCAPE); }, feCancel},
      {"close box", [](HWND d) { PostMessageW(d, WM_SYSCOMMAND, SC_CLOSE, 0); }, feCancel},
      {"Enter on the focused Overwrite", [](HWND) { PressKey(GetFocus(), VK_RETURN); }, feOverwrite},
      {"the S key", [](HWND) { TypeChar(GetFocus(), L's'); }, feSkip},
  };
  for (const auto& c : cases) {
    std::string to = target + "\\a.txt";
    EXPECT_EQ(Ask(source + "\\a.txt", to, false, {{kReplaceCaption, c.answer}}), c.flags) << c.what;
    EXPECT_EQ(to, target + "\\a.txt") << c.what;
  }
}

TEST_F(ReplaceDialog, ForAFolderTheMergeWarningReplacesTheInfoLines) {
  test::MakeFolder(source + "\\docs");
  test::MakeFolder(target + "\\docs");
  std::string to = target + "\\docs", question, warning;
  std::vector<int> shownLines;
  bool warningShown = false;
  RECT warningRect{};
  const uint32_t flags = Ask(source + "\\docs", to, false, {{kReplaceCaption, [&](HWND d) {
    question = WindowText(GetDlgItem(d, TfFileExists::kFileNameId));
    warning = WindowText(GetDlgItem(d, TfFileExists::kFolderOverId));
    warningShown = IsWindowVisible(GetDlgItem(d, TfFileExists::kFolderOverId)) != FALSE;
    warningRect = ControlRect(GetDlgItem(d, TfFileExists::kFolderOverId));
    for (int id : {TfFileExists::kOriginIconId, TfFileExists::kOriginCaptionId, TfFileExists::kOriginId,
                   TfFileExists::kNewIconId, TfFileExists::kNewCaptionId, TfFileExists::kNewId})
      if (IsWindowVisible(GetDlgItem(d, id))) shownLines.push_back(id);
    SaveShot(d, "hD-replace-folder");
    Click(d, TfFileExists::kAllId);
    Click(d, TfFileExists::kOverwriteId);
  }}});
  EXPECT_EQ(flags, feOverwrite | feAll);
  EXPECT_EQ(question, "Destination folder already contains a folder named 'docs'");
  EXPECT_EQ(question, FillText(Table(596), {"docs"}));
  EXPECT_TRUE(warningShown);
  EXPECT_EQ(warning, Table(597));
  EXPECT_EQ(warningRect.left, 32);
  EXPECT_EQ(warningRect.top, 49);
  EXPECT_EQ(warningRect.right - warningRect.left, 349);
  EXPECT_EQ(warningRect.bottom - warningRect.top, 65);
  EXPECT_TRUE(shownLines.empty()) << shownLines.size() << " of the info lines still show";
}

TEST_F(ReplaceDialog, AnArchiveEntryCannotBeRenamed) {
  test::WriteBytes(target + "\\readme.txt", "old");
  std::string to = target + "\\readme.txt", question, incoming, origin;
  bool renameEnabled = true;
  const uint32_t flags = Ask("docs\\readme.txt", to, true, {{kReplaceCaption, [&](HWND d) {
    question = WindowText(GetDlgItem(d, TfFileExists::kFileNameId));
    incoming = WindowText(GetDlgItem(d, TfFileExists::kNewId));
    origin = WindowText(GetDlgItem(d, TfFileExists::kOriginId));
    renameEnabled = IsWindowEnabled(GetDlgItem(d, TfFileExists::kRenameId)) != FALSE;
    // Neither a click nor its key reaches a disabled button: the answer is the Skip after them.
    Click(d, TfFileExists::kRenameId);
    TypeChar(GetFocus(), L'r');
    Click(d, TfFileExists::kSkipId);
  }}});
  EXPECT_EQ(flags, feSkip);
  EXPECT_FALSE(renameEnabled);
  EXPECT_EQ(question, "Destination folder already contains a file named 'readme.txt'");
  EXPECT_EQ(incoming, "docs\\readme.txt");
  EXPECT_TRUE(origin.starts_with("3 bytes ( ")) << origin;
}

TEST_F(ReplaceDialog, RenameRefusesAGreaterThanSignAndTakesALessThanSign) {
  FilePair("a.txt", 5);
  std::string to = target + "\\a.txt";
  std::string proposed, shownAgain, boxText;
  DWORD selStart = 1, selEnd = 0;
  HICON boxIcon = nullptr;
  const uint32_t flags = Ask(source + "\\a.txt", to, false,
                             {{kReplaceCaption,
                               [](HWND d) {
                                 // All is checked, yet a rename is never carried over.
                                 Click(d, TfFileExists::kAllId);
                                 Click(d, TfFileExists::kRenameId);
                               }},
                              {kRenameCaption,
                               [&](HWND d) {
                                 HWND edit = GetDlgItem(d, TfGetString::kEditId);
                                 proposed = WindowText(edit);
                                 SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&selStart),
                                              reinterpret_cast<LPARAM>(&selEnd));
                                 ReplaceEditText(d, "x>y.txt");
                               }},
                              {"Error",
                               [&](HWND box) {
                                 for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
                                   if (HICON icon = reinterpret_cast<HICON>(SendMessageW(c, STM_GETICON, 0, 0)))
                                     boxIcon = icon;
                                   else if (WindowText(c) == "Invalid Name")
                                     boxText = WindowText(c);
                                 }
                                 PostMessageW(box, WM_COMMAND, IDOK, 0);
                               }},
                              {kRenameCaption, [&](HWND d) {
                                 shownAgain = WindowText(GetDlgItem(d, TfGetString::kEditId));
                                 ReplaceEditText(d, "x<y.txt");
                               }}});
  EXPECT_EQ(flags, feRenamed);
  EXPECT_EQ(to, target + "\\x<y.txt");
  EXPECT_EQ(proposed, "a.txt");
  EXPECT_EQ(selStart, 0u);
  EXPECT_EQ(selEnd, 5u) << "the proposed name is selected";
  EXPECT_EQ(boxText, "Invalid Name");
  EXPECT_EQ(boxIcon, LoadIconW(nullptr, IDI_HAND));
  EXPECT_EQ(shownAgain, "x>y.txt") << "the prompt comes back with the refused name to correct";
}

TEST_F(ReplaceDialog, CancellingTheRenamePromptKeepsTheQuestionOpen) {
  FilePair("a.txt", 5);
  std::string to = target + "\\a.txt";
  bool stillShown = false;
  const uint32_t flags = Ask(source + "\\a.txt", to, false,
                             {{kReplaceCaption, [](HWND d) { Click(d, TfFileExists::kRenameId); }},
                              {kRenameCaption,
                               [](HWND d) {
                                 SendDlgItemMessageW(d, TfGetString::kEditId, WM_SETTEXT, 0,
                                                     reinterpret_cast<LPARAM>(L"typed.txt"));
                                 PressKey(GetDlgItem(d, TfGetString::kEditId), VK_ESCAPE);
                               }},
                              // Found only once the prompt is gone and the question is usable.
                              {kReplaceCaption, [&](HWND d) {
                                 stillShown = IsWindowVisible(d) != FALSE;
                                 Click(d, TfFileExists::kSkipId);
                               }}});
  EXPECT_EQ(flags, feSkip);
  EXPECT_TRUE(stillShown);
  EXPECT_EQ(to, target + "\\a.txt");
}

// ---------------------------------------------------------------------------------------------
// The delete confirmation

class DeleteDialog : public ::testing::Test {
protected:
  int Ask(const std::string& text, int focused, bool withAll, std::function<void(HWND)> act) {
    TScript script({{kDeleteCaption, std::move(act)}});
    const int result = AskDelete(owner.Handle(), text, focused, withAll);
    EXPECT_TRUE(script.Finished());
    EXPECT_FALSE(script.Rescued()) << "the dialog did not close on its own";
    EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
    return result;
  }
  TOwner owner;
};

TEST_F(DeleteDialog, TheFocusFollowsTheIndexAndEnterPressesThatButton) {
  const int ids[] = {TfDelWarning::kAllId, TfDelWarning::kYesId, TfDelWarning::kNoId};
  for (int index = 0; index < 3; ++index) {
    HWND focus = nullptr, expected = nullptr;
    SIZE client{};
    RECT frame{};
    std::string text, first;
    bool ownerEnabled = true;
    const int result = Ask("a.txt\n\nAre you sure you want to send to RecycleBin?", index, false, [&](HWND d) {
      focus = GetFocus();
      expected = GetDlgItem(d, ids[index]);
      client = ClientSize(d);
      frame = WindowRect(d);
      text = WindowText(GetDlgItem(d, TfDelWarning::kTextId));
      first = WindowText(GetDlgItem(d, TfDelWarning::kAllId));
      ownerEnabled = IsWindowEnabled(owner.Handle()) != FALSE;
      if (index == 2) SaveShot(d, "hD-delete");
      PressKey(GetFocus(), VK_RETURN);
    });
    EXPECT_EQ(result, ids[index]) << index;
    EXPECT_EQ(focus, expected) << index;
    EXPECT_EQ(client.cx, 376);
    EXPECT_EQ(client.cy, 114);
    ExpectCentredOver(owner.Handle(), frame);
    EXPECT_EQ(text, "a.txt\n\nAre you sure you want to send to RecycleBin?");
    EXPECT_EQ(first, "&Delete");
    EXPECT_FALSE(ownerEnabled);
  }
}

TEST_F(DeleteDialog, WithAllTheFirstButtonIsAllAndEscapeOrClosingAnswersTwo) {
  std::string first;
  EXPECT_EQ(Ask("x", 2, true, [&](HWND d) {
              first = WindowText(GetDlgItem(d, TfDelWarning::kAllId));
              Click(d, TfDelWarning::kAllId);
            }),
            8);
  EXPECT_EQ(first, "All(&A)");
  EXPECT_EQ(first, Table(568) + "(&A)");
  EXPECT_EQ(Ask("x", 2, true, [](HWND) { PressKey(GetFocus(), VK_ESCAPE); }), 2);
  EXPECT_EQ(Ask("x", 0, false, [](HWND d) { PostMessageW(d, WM_SYSCOMMAND, SC_CLOSE, 0); }), 2);
  EXPECT_EQ(Ask("x", 1, false, [](HWND d) { Click(d, TfDelWarning::kNoId); }), 7);
  // The buttons' keys: Y answers Yes wherever the focus is.
  EXPECT_EQ(Ask("x", 2, false, [](HWND) { TypeChar(GetFocus(), L'y'); }), 6);
}

// ---------------------------------------------------------------------------------------------
// The progress dialogs

// Pumps the dialog's messages, as the engine does between blocks, until `done` holds or a
// couple of seconds passed.
template <typename TDialog, typename TCondition>
bool PumpUntil(TDialog& dialog, TCondition done) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > 3000) return false;
    dialog.ProcessMessages();
    Sleep(1);
  }
  return true;
}

LRESULT CALLBACK CountSetTexts(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR count) {
  if (message == WM_SETTEXT) ++*reinterpret_cast<int*>(count);
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

class CopyProgress : public ::testing::Test {
protected:
  std::string Label(const TfCopying& dialog, int id) { return WindowText(GetDlgItem(dialog.Handle(), id)); }
  TOwner owner;
};

TEST_F(CopyProgress, BeginCentresOverTheDisabledOwnerAndEndGivesItBack) {
  TfCopying copying(owner.Handle());
  ASSERT_NE(copying.Handle(), nullptr);
  EXPECT_FALSE(IsWindowVisible(copying.Handle())) << "created hidden";
  copying.Begin("Copying...", 10, 1234567, pmBytes);
  EXPECT_TRUE(IsWindowVisible(copying.Handle()));
  EXPECT_FALSE(IsWindowEnabled(owner.Handle()));
  const SIZE client = ClientSize(copying.Handle());
  EXPECT_EQ(client.cx, 392);
  EXPECT_EQ(client.cy, 143);
  ExpectCentredOver(owner.Handle(), WindowRect(copying.Handle()));
  EXPECT_EQ(WindowText(copying.Handle()), "Copying...");
  EXPECT_EQ(Label(copying, TfCopying::kTotalSizeId), "1,234,567");
  EXPECT_EQ(Label(copying, TfCopying::kCountId), "") << "the counter appears with the first item";
  EXPECT_EQ(Label(copying, TfCopying::kPathId), "");
  const RECT gauge = ControlRect(GetDlgItem(copying.Handle(), TfCopying::kGaugeId));
  EXPECT_EQ(gauge.left, 12);
  EXPECT_EQ(gauge.top, 107);
  EXPECT_EQ(gauge.right - gauge.left, 291);
  EXPECT_EQ(gauge.bottom - gauge.top, 12);
  EXPECT_EQ(copying.Gauge().Maximum(), 1234567u);

  copying.SetSource("Work");
  copying.SetTarget("D:");
  copying.SetCurrent(3);
  copying.SetFileLine("a.txt (1,024 bytes) ");
  copying.UpdateNow();
  EXPECT_EQ(Label(copying, TfCopying::kPathId), "From 'Work'  To 'D:'");
  EXPECT_EQ(Label(copying, TfCopying::kCountId), "3/10");
  EXPECT_EQ(Label(copying, TfCopying::kFileNameId), "a.txt (1,024 bytes) ");
  EXPECT_EQ(copying.Current(), 3);

  copying.End();
  EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
  EXPECT_FALSE(IsWindowVisible(copying.Handle()));

  // A second run starts clean, here counting items: no byte total, the gauge runs to the count.
  copying.Begin(LoadText(kTextMoving), 4, 999, pmItems);
  EXPECT_EQ(WindowText(copying.Handle()), "Moving...");
  EXPECT_EQ(Label(copying, TfCopying::kTotalSizeId), "");
  EXPECT_EQ(Label(copying, TfCopying::kCountId), "");
  EXPECT_EQ(Label(copying, TfCopying::kPathId), "");
  EXPECT_EQ(copying.Current(), 0);
  EXPECT_EQ(copying.Gauge().Maximum(), 4u);
  EXPECT_FALSE(copying.Gauge().TimerRunning()) << "no time estimate for counted items";
  copying.End();
}

// The columns, within [left, right), that hold anything but `back` in rows [top, bottom).
std::pair<int, int> InkColumns(HDC dc, int left, int top, int right, int bottom, COLORREF back) {
  int first = -1, last = -1;
  for (int x = left; x < right; ++x)
    for (int y = top; y < bottom; ++y)
      if (GetPixel(dc, x, y) != back) {
        if (first < 0) first = x;
        last = x;
        break;
      }
  return {first, last};
}

TEST_F(CopyProgress, ALongByteTotalEndsOverTheGaugeWithNoDigitCut) {
  TfCopying copying(owner.Handle());
  copying.Begin("Copying...", 2, 123456789012ULL, pmBytes);
  EXPECT_EQ(Label(copying, TfCopying::kTotalSizeId), "123,456,789,012");
  RedrawWindow(copying.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  GdiFlush();
  const HWND total = GetDlgItem(copying.Handle(), TfCopying::kTotalSizeId);
  const RECT box = ControlRect(total);
  const RECT gauge = ControlRect(GetDlgItem(copying.Handle(), TfCopying::kGaugeId));
  HDC dc = GetDC(copying.Handle());
  const COLORREF back = GetSysColor(COLOR_BTNFACE);
  const auto [first, last] = InkColumns(dc, box.left, box.top, box.right, box.bottom, back);

  // The same text drawn unclipped in the same font gives the width the digits really take.
  HDC mem = CreateCompatibleDC(dc);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, 300, 30);
  HGDIOBJ oldBitmap = SelectObject(mem, bitmap);
  HGDIOBJ oldFont = SelectObject(mem, reinterpret_cast<HGDIOBJ>(SendMessageW(total, WM_GETFONT, 0, 0)));
  const RECT all{0, 0, 300, 30};
  FillRect(mem, &all, GetSysColorBrush(COLOR_BTNFACE));
  SetBkMode(mem, TRANSPARENT);
  SetTextColor(mem, RGB(0x80, 0x80, 0x80));
  TextOutW(mem, 10, 0, L"123,456,789,012", 15);
  const auto [freeFirst, freeLast] = InkColumns(mem, 0, 0, 300, 30, back);
  SelectObject(mem, oldFont);
  SelectObject(mem, oldBitmap);
  DeleteObject(bitmap);
  DeleteDC(mem);
  ReleaseDC(copying.Handle(), dc);

  ASSERT_GE(first, 0) << "the total is drawn";
  EXPECT_EQ(last - first, freeLast - freeFirst) << "every pixel of the last digit is shown";
  EXPECT_NEAR(last + 1, gauge.right, 3) << "the total ends over the gauge's end";
  copying.End();
}

TEST_F(CopyProgress, TextsFollowTheEngineAtMostTenTimesASecond) {
  TfCopying copying(owner.Handle());
  copying.Begin("Copying...", 100000, 100000, pmBytes);
  // Every text the counter label receives is counted.
  HWND count = GetDlgItem(copying.Handle(), TfCopying::kCountId);
  int setTexts = 0;
  SetWindowSubclass(count, CountSetTexts, 1, reinterpret_cast<DWORD_PTR>(&setTexts));
  const DWORD start = GetTickCount();
  for (int i = 1; i <= 20000; ++i) {
    copying.SetCurrent(i);
    copying.AddProgress(1);
    copying.ProcessMessages();
  }
  const DWORD elapsed = GetTickCount() - start;
  EXPECT_LE(setTexts, static_cast<int>(elapsed / TfCopying::kUpdateMs) + 2) << elapsed << " ms";
  // The last value shows within the next tenth of a second of calls.
  EXPECT_TRUE(PumpUntil(copying, [&] { return Label(copying, TfCopying::kCountId) == "20000/100000"; }));
  RemoveWindowSubclass(count, CountSetTexts, 1);
  copying.End();
}

TEST_F(CopyProgress, CancelAndEscapeSetCancelledAndANewRunClearsIt) {
  TfCopying copying(owner.Handle());
  const std::function<void(HWND)> ways[] = {
      [](HWND d) { Click(d, TfCopying::kCancelId); },
      [](HWND d) { PressKey(GetDlgItem(d, TfCopying::kCancelId), VK_ESCAPE); },
  };
  for (const auto& way : ways) {
    copying.Begin("Copying...", 1, 100, pmBytes);
    EXPECT_FALSE(copying.Cancelled());
    way(copying.Handle());
    EXPECT_TRUE(PumpUntil(copying, [&] { return copying.Cancelled(); }));
    EXPECT_TRUE(IsWindowVisible(copying.Handle())) << "the engine ends the dialog, not the button";
    EXPECT_FALSE(IsWindowEnabled(owner.Handle()));
    copying.End();
    EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
  }
}

TEST_F(CopyProgress, ClosingStopsTheTimerAndGivesTheOwnerBackAtOnce) {
  TfCopying copying(owner.Handle(), std::chrono::milliseconds(20));
  for (int run = 0; run < 2; ++run) {
    copying.Begin("Copying...", 2, 1000000, pmBytes);
    EXPECT_FALSE(copying.Cancelled()) << run;
    EXPECT_TRUE(copying.Gauge().TimerRunning()) << run;
    EXPECT_EQ(GetActiveWindow(), copying.Handle()) << run;
    copying.AddProgress(100000);
    // A message behind the close (a key for the owner, say) waits for the program's own loop:
    // the operation is still on the stack.
    test::TQueuedAction behindClose([] {});
    PostMessageW(copying.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    behindClose.Post();
    EXPECT_TRUE(PumpUntil(copying, [&] { return copying.Cancelled(); })) << run;
    EXPECT_FALSE(behindClose.Ran()) << run;
    // The engine has not looked yet (End has not run): the window is gone all the same.
    EXPECT_FALSE(copying.Gauge().TimerRunning()) << run;
    EXPECT_TRUE(IsWindowEnabled(owner.Handle())) << run;
    EXPECT_FALSE(IsWindowVisible(copying.Handle())) << run;
    EXPECT_EQ(GetActiveWindow(), owner.Handle()) << run << ": the keyboard goes back to the owner";
    // No estimate arrives any more while the engine winds down.
    const DWORD start = GetTickCount();
    PumpUntil(copying, [&] { return GetTickCount() - start > 150; });
    EXPECT_EQ(Label(copying, TfCopying::kRemainingId), "") << run;
    copying.End();
    EXPECT_TRUE(IsWindowEnabled(owner.Handle())) << run;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    EXPECT_TRUE(behindClose.Ran()) << run;
  }
}

TEST_F(CopyProgress, TheGaugeFillsAndTheTimerEstimatesTheRest) {
  // A fast timer; the estimate still counts each tick as three seconds.
  TfCopying copying(owner.Handle(), std::chrono::milliseconds(20));
  copying.Begin("Copying...", 2, 1000000, pmBytes);
  EXPECT_TRUE(copying.Gauge().TimerRunning());
  // Nothing done yet: the timer ticks but shows nothing.
  const DWORD start = GetTickCount();
  PumpUntil(copying, [&] { return GetTickCount() - start > 200; });
  EXPECT_EQ(Label(copying, TfCopying::kRemainingId), "");

  copying.SetSource("Work");
  copying.SetTarget("Backup");
  copying.SetCurrent(1);
  copying.SetFileLine("holiday.avi (1,000,000 bytes) ");
  copying.AddProgress(400000);
  copying.UpdateNow();
  EXPECT_EQ(copying.Gauge().FilledBlocks(), 16) << "40% of 40 blocks";
  ASSERT_TRUE(PumpUntil(copying, [&] { return !Label(copying, TfCopying::kRemainingId).empty(); }));
  const std::string remaining = Label(copying, TfCopying::kRemainingId);
  EXPECT_TRUE(remaining.ends_with(" Seconds Remaining") || remaining.ends_with(" Minutes Remaining")) << remaining;
  SaveShot(copying.Handle(), "hD-copying");

  // While a question is open the timer holds still.
  copying.PauseTimer();
  copying.RestartTimer();
  copying.AddProgress(600000);
  copying.UpdateNow();
  EXPECT_EQ(copying.Gauge().FilledBlocks(), 40);
  EXPECT_FALSE(copying.Gauge().TimerRunning()) << "the timer ends with the work";
  copying.End();
}

TEST(DeleteProgress, BeginStepsCancelAndEnd) {
  TOwner owner;
  TfDeleting deleting(owner.Handle());
  ASSERT_NE(deleting.Handle(), nullptr);
  deleting.Begin(4);
  EXPECT_TRUE(IsWindowVisible(deleting.Handle()));
  EXPECT_FALSE(IsWindowEnabled(owner.Handle()));
  EXPECT_EQ(WindowText(deleting.Handle()), "Deleting...");
  const SIZE client = ClientSize(deleting.Handle());
  EXPECT_EQ(client.cx, 376);
  EXPECT_EQ(client.cy, 130);
  ExpectCentredOver(owner.Handle(), WindowRect(deleting.Handle()));
  const RECT gauge = ControlRect(GetDlgItem(deleting.Handle(), TfDeleting::kGaugeId));
  EXPECT_EQ(gauge.left, 19);
  EXPECT_EQ(gauge.top, 101);
  EXPECT_EQ(gauge.right - gauge.left, 262);
  EXPECT_EQ(gauge.bottom - gauge.top, 13);

  deleting.SetItem("old.log");
  deleting.Step();
  deleting.UpdateNow();
  EXPECT_EQ(WindowText(GetDlgItem(deleting.Handle(), TfDeleting::kItemId)), "old.log");
  EXPECT_EQ(deleting.Gauge().FilledBlocks(), 8) << "a quarter of 32 blocks";
  for (int i = 0; i < 3; ++i) deleting.Step();
  deleting.UpdateNow();
  EXPECT_EQ(deleting.Gauge().FilledBlocks(), 32);

  Click(deleting.Handle(), TfDeleting::kCancelId);
  EXPECT_TRUE(PumpUntil(deleting, [&] { return deleting.Cancelled(); }));
  deleting.End();
  EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
  EXPECT_FALSE(IsWindowVisible(deleting.Handle()));

  deleting.Begin(1);
  EXPECT_FALSE(deleting.Cancelled());
  EXPECT_EQ(WindowText(GetDlgItem(deleting.Handle(), TfDeleting::kItemId)), "");
  EXPECT_EQ(deleting.Gauge().FilledBlocks(), 0);
  PostMessageW(deleting.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(PumpUntil(deleting, [&] { return deleting.Cancelled(); }));
  deleting.End();
}

}  // namespace
}  // namespace quill
