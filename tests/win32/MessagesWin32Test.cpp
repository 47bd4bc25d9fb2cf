// The message boxes and the input dialog shown for real over an owner window, answered by a
// script that runs from a thread timer inside the dialogs' own modal loops; the shell's folder
// names from the registry; item and byte totals over a scratch tree.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "fileview/ShellUtils.h"
#include "messages/GetString.h"
#include "messages/MessageBox.h"
#include "messages/Messages.h"
#include "messages/ShellFolders.h"
#include "platform/StringTable.h"
#include "platform/Utf16.h"
#include "tests/win32/TestSupport.h"

namespace quill {
namespace {

// 이미 같은 이름이 존재합니다. (string 265, the message of error 183)
const char kAlreadyExists[] =
    "\xEC\x9D\xB4\xEB\xAF\xB8 \xEA\xB0\x99\xEC\x9D\x80 \xEC\x9D\xB4\xEB\xA6\x84\xEC\x9D\xB4 "
    "\xEC\xA1\xB4\xEC\x9E\xAC\xED\x95\xA9\xEB\x8B\x88\xEB\x8B\xA4.";
// 새 폴더 이름을 입력하세요 (a Korean prompt)
const char kKoreanPrompt[] =
    "\xEC\x83\x88 \xED\x8F\xB4\xEB\x8D\x94 \xEC\x9D\xB4\xEB\xA6\x84\xEC\x9D\x84 "
    "\xEC\x9E\x85\xEB\xA0\xA5\xED\x95\x98\xEC\x84\xB8\xEC\x9A\x94";
// 문서 (initial text) and 함 (typed)
const char kKoreanText[] = "\xEB\xAC\xB8\xEC\x84\x9C";
const char kKoreanTyped[] = "\xED\x95\xA8";

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

// An ordinary top-level window for the dialogs to be centred on; odd sizes make the truncation
// of the halves visible.
class TOwner {
public:
  TOwner() {
    handle_ = CreateWindowExW(0, L"STATIC", L"Quill test owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 117, 93, 701, 503,
                              nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  }
  ~TOwner() { DestroyWindow(handle_); }
  TOwner(const TOwner&) = delete;
  TOwner& operator=(const TOwner&) = delete;
  HWND Handle() const { return handle_; }

private:
  HWND handle_ = nullptr;
};

// Acts once on the first visible window of this thread with the given caption. The timer runs
// inside whatever modal loop the code under test is in. A dialog still up long after the action
// is closed from here, so a broken answer fails the test instead of hanging the run.
class TDialogScript {
public:
  using TAction = std::function<void(HWND)>;
  TDialogScript(const std::string& caption, TAction action) : caption_(Widen(caption)), action_(std::move(action)) {
    current_ = this;
    timer_ = SetTimer(nullptr, 0, 20, Tick);
  }
  ~TDialogScript() {
    KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  TDialogScript(const TDialogScript&) = delete;
  TDialogScript& operator=(const TDialogScript&) = delete;

  bool Acted() const { return acted_; }
  bool ForcedClosed() const { return forced_; }

private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    TDialogScript* self = current_;
    if (!self) return;
    HWND dialog = self->Find();
    if (!dialog) return;
    if (!self->acted_) {
      self->acted_ = true;
      self->action_(dialog);
    } else if (++self->ticksAfter_ > 250) {
      self->forced_ = true;
      PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
      PostMessageW(dialog, WM_COMMAND, IDNO, 0);
      PostMessageW(dialog, WM_CLOSE, 0, 0);
    }
  }

  HWND Find() {
    found_ = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), Match, reinterpret_cast<LPARAM>(this));
    return found_;
  }

  static BOOL CALLBACK Match(HWND window, LPARAM self) {
    auto* script = reinterpret_cast<TDialogScript*>(self);
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    if (!IsWindowVisible(window) || script->caption_ != text) return TRUE;
    script->found_ = window;
    return FALSE;
  }

  static inline TDialogScript* current_ = nullptr;
  std::wstring caption_;
  TAction action_;
  UINT_PTR timer_ = 0;
  HWND found_ = nullptr;
  bool acted_ = false;
  bool forced_ = false;
  int ticksAfter_ = 0;
};

// Input goes through the dialog's own loop, as keys from the keyboard would: characters to the
// focused edit box, Enter and Esc through the dialog manager.
void Type(HWND edit, const std::string& text) {
  for (wchar_t c : Widen(text)) PostMessageW(edit, WM_CHAR, c, 1);
}
void PressKey(HWND window, WPARAM key) { PostMessageW(window, WM_KEYDOWN, key, 1); }
void ClickButton(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// ---------------------------------------------------------------------------------------------
// The input dialog

class InputDialog : public ::testing::Test {
protected:
  // Runs AskText with `act` answering; checks the script ran and did not need the rescue.
  int Ask(std::string& text, bool selectAll, int charCase, std::function<void(HWND dialog, HWND edit)> act,
          const std::string& prompt = "Put the name", bool withOwner = true) {
    TDialogScript script(kCaption, [&](HWND dialog) { act(dialog, GetDlgItem(dialog, TfGetString::kEditId)); });
    const int result = AskText(withOwner ? owner.Handle() : nullptr, kCaption, prompt, text, selectAll, charCase);
    EXPECT_TRUE(script.Acted()) << "the dialog never showed";
    EXPECT_FALSE(script.ForcedClosed()) << "the dialog did not close on its own";
    return result;
  }
  static std::string TypedThenEnter(HWND edit, const std::string& typed) {
    Type(edit, typed);
    PressKey(edit, VK_RETURN);
    return typed;
  }

  static constexpr const char* kCaption = "Quill input test";
  TOwner owner;
};

TEST_F(InputDialog, HasItsFixedClientSizeIsCentredOnItsOwnerAndDisablesIt) {
  ASSERT_NE(owner.Handle(), nullptr);
  RECT client{}, frame{};
  LONG_PTR style = 0;
  bool ownerEnabled = true;
  HWND focus = nullptr, edit = nullptr;
  std::string prompt;
  std::string text = "x";
  const int result = Ask(text, true, 0, [&](HWND dialog, HWND e) {
    GetClientRect(dialog, &client);
    frame = WindowRect(dialog);
    style = GetWindowLongPtrW(dialog, GWL_STYLE);
    ownerEnabled = IsWindowEnabled(owner.Handle()) != FALSE;
    focus = GetFocus();
    edit = e;
    prompt = WindowText(GetDlgItem(dialog, TfGetString::kDescriptId));
    ClickButton(dialog, IDCANCEL);
  }, "First line\nSecond line");
  EXPECT_EQ(result, mrCancel);
  EXPECT_EQ(client.right - client.left, 377);
  EXPECT_EQ(client.bottom - client.top, 101);
  EXPECT_FALSE(style & WS_THICKFRAME) << "the dialog must not be resizable";
  EXPECT_FALSE(style & (WS_MAXIMIZEBOX | WS_MINIMIZEBOX));
  const RECT o = WindowRect(owner.Handle());
  const TDialogOrigin expected = CenterOver(o.left, o.top, o.right - o.left, o.bottom - o.top, frame.right - frame.left,
                                            frame.bottom - frame.top);
  EXPECT_EQ(frame.left, expected.left);
  EXPECT_EQ(frame.top, expected.top);
  EXPECT_FALSE(ownerEnabled) << "the owner stays usable while the dialog is up";
  EXPECT_TRUE(IsWindowEnabled(owner.Handle())) << "the owner stays disabled afterwards";
  EXPECT_EQ(focus, edit);
  EXPECT_EQ(prompt, "First line\nSecond line");
}

TEST_F(InputDialog, WithoutAnOwnerItIsCentredOnTheWorkArea) {
  RECT frame{};
  std::string text;
  Ask(text, true, 0, [&](HWND dialog, HWND) {
    frame = WindowRect(dialog);
    ClickButton(dialog, IDCANCEL);
  }, "Put the name", false);
  RECT area{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  const TDialogOrigin expected = CenterOver(area.left, area.top, area.right - area.left, area.bottom - area.top,
                                            frame.right - frame.left, frame.bottom - frame.top);
  EXPECT_EQ(frame.left, expected.left);
  EXPECT_EQ(frame.top, expected.top);
}

// The program closing, or the owner going away, while the question is open ends the question
// as cancelled instead of leaving the loop waiting for a window that no longer exists.
TEST_F(InputDialog, QuitAndALostOwnerCancel) {
  std::string text = "keep";
  EXPECT_EQ(Ask(text, true, 0, [](HWND, HWND edit) {
              Type(edit, "typed");
              PostQuitMessage(3);
            }),
            mrCancel);
  EXPECT_EQ(text, "keep");
  MSG quit{};
  EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the quit was swallowed";
  EXPECT_EQ(quit.wParam, 3u);

  EXPECT_EQ(Ask(text, true, 0, [&](HWND, HWND edit) {
              Type(edit, "typed");
              DestroyWindow(owner.Handle());
            }),
            mrCancel);
  EXPECT_EQ(text, "keep");
}

TEST_F(InputDialog, EnterAndOkAnswerWithTheEditedText) {
  std::string text = "old";
  EXPECT_EQ(Ask(text, false, 0, [](HWND, HWND edit) { TypedThenEnter(edit, "er"); }), mrOk);
  EXPECT_EQ(text, "older");

  text = "draft";
  EXPECT_EQ(Ask(text, true, 0, [](HWND dialog, HWND edit) {
              Type(edit, "final");
              ClickButton(dialog, IDOK);
            }),
            mrOk);
  EXPECT_EQ(text, "final");

  // An emptied box is an answer too; what it means is up to the caller.
  text = "gone";
  EXPECT_EQ(Ask(text, true, 0, [](HWND, HWND edit) {
              PressKey(edit, VK_DELETE);
              PostMessageW(edit, WM_CHAR, VK_BACK, 1);
              PressKey(edit, VK_RETURN);
            }),
            mrOk);
  EXPECT_EQ(text, "");
}

TEST_F(InputDialog, EscapeCancelAndTheCloseBoxLeaveTheTextAlone) {
  const std::function<void(HWND, HWND)> ways[] = {
      [](HWND, HWND edit) {
        Type(edit, "typed");
        PressKey(edit, VK_ESCAPE);
      },
      [](HWND dialog, HWND edit) {
        Type(edit, "typed");
        ClickButton(dialog, IDCANCEL);
      },
      [](HWND dialog, HWND edit) {
        Type(edit, "typed");
        PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
      },
  };
  for (const auto& way : ways) {
    std::string text = "keep me";
    EXPECT_EQ(Ask(text, true, 0, way), mrCancel);
    EXPECT_EQ(text, "keep me");
  }
}

TEST_F(InputDialog, SelectAllMeansTypingReplacesOtherwiseItAppends) {
  std::string text = "name.txt";
  ASSERT_EQ(Ask(text, true, 0, [](HWND, HWND edit) { TypedThenEnter(edit, "other"); }), mrOk);
  EXPECT_EQ(text, "other");

  text = "name";
  DWORD start = 1, end = 1;
  ASSERT_EQ(Ask(text, false, 0, [&](HWND, HWND edit) {
              SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
              TypedThenEnter(edit, ".bak");
            }),
            mrOk);
  EXPECT_EQ(text, "name.bak");
  EXPECT_EQ(start, 4u);
  EXPECT_EQ(end, 4u);
}

TEST_F(InputDialog, LetterCaseModes) {
  struct {
    int charCase;
    const char* initial;
    const char* typed;
    const char* expected;
  } cases[] = {
      {0, "Mixed", "Case", "MixedCase"},
      {1, "abc", "dEf", "ABCDEF"},
      {2, "ABC", "DeF", "abcdef"},
  };
  for (const auto& c : cases) {
    std::string text = c.initial;
    LONG_PTR style = 0;
    ASSERT_EQ(Ask(text, false, c.charCase, [&](HWND, HWND edit) {
                style = GetWindowLongPtrW(edit, GWL_STYLE);
                TypedThenEnter(edit, c.typed);
              }),
              mrOk);
    EXPECT_EQ(text, c.expected) << c.charCase;
    EXPECT_EQ((style & ES_UPPERCASE) != 0, c.charCase == 1);
    EXPECT_EQ((style & ES_LOWERCASE) != 0, c.charCase == 2);
  }
}

TEST_F(InputDialog, KoreanPromptAndTextRoundTrip) {
  std::string text = kKoreanText;
  std::string prompt, shown;
  ASSERT_EQ(Ask(text, false, 0, [&](HWND dialog, HWND edit) {
              prompt = WindowText(GetDlgItem(dialog, TfGetString::kDescriptId));
              shown = WindowText(edit);
              TypedThenEnter(edit, kKoreanTyped);
            }, kKoreanPrompt),
            mrOk);
  EXPECT_EQ(prompt, kKoreanPrompt);
  EXPECT_EQ(shown, kKoreanText);
  EXPECT_EQ(text, std::string(kKoreanText) + kKoreanTyped);
}

// ---------------------------------------------------------------------------------------------
// Message boxes

// What a script saw of a message box before pressing one of its buttons.
struct TBoxSeen {
  std::string text;
  std::vector<int> buttons;
  HICON icon = nullptr;
  RECT frame{};
  bool ownerEnabled = true;
};

void ReadBox(HWND box, HWND owner, TBoxSeen& seen) {
  seen.frame = WindowRect(box);
  seen.ownerEnabled = IsWindowEnabled(owner) != FALSE;
  for (int id : {IDOK, IDCANCEL, IDYES, IDNO})
    if (GetDlgItem(box, id)) seen.buttons.push_back(id);
  // The text and the icon are the box's two static controls.
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t className[32] = {};
    GetClassNameW(child, className, 32);
    if (lstrcmpiW(className, L"Static") != 0) continue;
    const std::string text = WindowText(child);
    if (!text.empty()) seen.text = text;
    if (HICON icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0))) seen.icon = icon;
  }
}

class MessageBoxes : public ::testing::Test {
protected:
  bool Error(uint32_t code, bool stopOnly, int answer, TBoxSeen& seen) {
    TDialogScript script(kCaption, [&](HWND box) {
      ReadBox(box, owner.Handle(), seen);
      ClickButton(box, answer);
    });
    const bool result = ShowError(owner.Handle(), code, kCaption, stopOnly);
    EXPECT_TRUE(script.Acted()) << "the box never showed";
    EXPECT_FALSE(script.ForcedClosed());
    return result;
  }
  void ExpectCentred(const RECT& frame) {
    const RECT o = WindowRect(owner.Handle());
    const TDialogOrigin expected = CenterOver(o.left, o.top, o.right - o.left, o.bottom - o.top,
                                              frame.right - frame.left, frame.bottom - frame.top);
    EXPECT_EQ(frame.left, expected.left);
    EXPECT_EQ(frame.top, expected.top);
  }

  static constexpr const char* kCaption = "Quill message test";
  TOwner owner;
};

TEST_F(MessageBoxes, StopOnlyErrorHasOkAndTheKoreanTextAndAnswersFalse) {
  TBoxSeen seen;
  EXPECT_FALSE(Error(183, true, IDOK, seen));
  EXPECT_EQ(seen.text, kAlreadyExists);
  EXPECT_EQ(seen.buttons, std::vector<int>{IDOK});
  EXPECT_EQ(seen.icon, LoadIconW(nullptr, IDI_HAND)) << "not the stop icon";
  EXPECT_FALSE(seen.ownerEnabled);
  EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
  ExpectCentred(seen.frame);
}

TEST_F(MessageBoxes, ErrorThatCanGoOnAsksYesOrNo) {
  const std::string question = std::string(kAlreadyExists) + "\n\n" + LoadText(511);
  TBoxSeen no;
  EXPECT_FALSE(Error(183, false, IDNO, no));
  EXPECT_EQ(no.text, question);
  EXPECT_EQ(no.buttons, (std::vector<int>{IDYES, IDNO}));
  EXPECT_EQ(no.icon, LoadIconW(nullptr, IDI_HAND));
  ExpectCentred(no.frame);

  TBoxSeen yes;
  EXPECT_TRUE(Error(183, false, IDYES, yes));
  EXPECT_EQ(yes.text, question);
}

TEST_F(MessageBoxes, UnknownCodeStillNamesItsNumber) {
  TBoxSeen seen;
  EXPECT_FALSE(Error(87, true, IDOK, seen));
  EXPECT_NE(seen.text.find("Error Code : 87\n\n"), std::string::npos) << seen.text;
}

TEST_F(MessageBoxes, MessageTextReturnsTheButtonPressed) {
  for (int answer : {IDYES, IDNO, IDCANCEL}) {
    TBoxSeen seen;
    TDialogScript script(kCaption, [&](HWND box) {
      ReadBox(box, owner.Handle(), seen);
      ClickButton(box, answer);
    });
    EXPECT_EQ(MessageText(owner.Handle(), "Replace it?", kCaption, mbYesNoCancel, miQuestion), answer);
    EXPECT_EQ(seen.buttons, (std::vector<int>{IDCANCEL, IDYES, IDNO}));
    EXPECT_EQ(seen.icon, LoadIconW(nullptr, IDI_QUESTION));
    ExpectCentred(seen.frame);
  }
}

// ---------------------------------------------------------------------------------------------
// Shell folders and totals

constexpr wchar_t kShellFoldersKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

TEST(ShellFolder, ReadsTheCurrentUsersShellFolders) {
  const std::string personal = ShellFolder("Personal");
  ASSERT_FALSE(personal.empty());
  EXPECT_TRUE(IsFolder(personal)) << personal;
  EXPECT_EQ(ShellFolder("Quill No Such Folder"), "");
  EXPECT_EQ(ShellFolder(""), "") << "the key's default value is not a folder";
}

TEST(ShellFolder, KeepsTextOutsideTheCodePage) {
  const std::string path = std::string("C:\\") + kKoreanText;
  const std::wstring wide = Widen(path);
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kShellFoldersKey, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
  RegSetValueExW(key, L"Quill Test", 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                 static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
  // Stored without its terminating NUL, as some programs write it.
  RegSetValueExW(key, L"Quill Test Bare", 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                 static_cast<DWORD>(wide.size() * sizeof(wchar_t)));
  const DWORD number = 1;
  RegSetValueExW(key, L"Quill Test Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
  EXPECT_EQ(ShellFolder("Quill Test"), path);
  EXPECT_EQ(ShellFolder("Quill Test Bare"), path);
  EXPECT_EQ(ShellFolder("Quill Test Number"), "");
  RegDeleteValueW(key, L"Quill Test");
  RegDeleteValueW(key, L"Quill Test Bare");
  RegDeleteValueW(key, L"Quill Test Number");
  RegCloseKey(key);
}

TEST(ItemTotals, FoldersCountTheirWholeTreeAndOtherItemsOne) {
  test::TScratchFolder scratch;
  const std::string tree = scratch / "tree";
  test::MakeFolder(tree);
  test::MakeFolder(tree + "\\sub");
  test::MakeFolder(tree + "\\sub\\deeper");
  test::WriteBytes(tree + "\\a.txt", std::string(10, 'a'));
  test::WriteBytes(tree + "\\sub\\b.txt", std::string(200, 'b'));
  test::WriteBytes(tree + "\\sub\\deeper\\c.bin", std::string(3000, 'c'));
  test::MakeFolder(scratch / "empty");
  test::WriteBytes(scratch / "single.dat", std::string(5, 's'));
  const std::string missing = scratch / "missing.txt";

  EXPECT_EQ(CountItems({tree}), 3);
  EXPECT_EQ(CountItems({tree, scratch / "empty", scratch / "single.dat"}), 4);
  // Whatever is not a folder counts as one item, present or not.
  EXPECT_EQ(CountItems({missing}), 1);
  EXPECT_EQ(CountItems({}), 0);

  int64_t count = -7;
  EXPECT_EQ(TotalSize({tree, scratch / "empty", scratch / "single.dat"}, count), 3215u);
  EXPECT_EQ(count, 4);
  EXPECT_EQ(TotalSize({missing}, count), 0u);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(TotalSize({}, count), 0u);
  EXPECT_EQ(count, 0);
}

}  // namespace
}  // namespace quill
