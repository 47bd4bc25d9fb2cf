// TZip over the real ZIPDLL.DLL and UNZDLL.DLL from beside the test program: adding, listing
// what was written, extracting with password and overwrite questions; and the masked password
// prompt as the user sees it.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "archive/Zip.h"
#include "app/Win32Questions.h"
#include "archive/ZipLibraries.h"
#include "messages/GetString.h"
#include "operations/Progress.h"
#include "platform/Win32FileSystem.h"
#include "platform/Win32Text.h"
#include "tests/native/ScriptedQuestions.h"
#include "tests/win32/TestSupport.h"

using namespace quill;
using namespace quill::test;

namespace {

TArchiveServices Services(IQuestions* questions) {
  TArchiveServices s;
  s.fileSystem = &TWin32FileSystem::Instance();
  s.questions = questions;
  s.texts = [](int id) { return std::string(id == kTextPasswordCaption ? "Confirm password" : ""); };
  s.codePage = &TAnsiCodePage::Instance();
  s.collator = &TWin32Collator::Instance();
  return s;
}

std::vector<std::string> Paths(const std::vector<TArchiveItem>& items) {
  std::vector<std::string> paths;
  for (const TArchiveItem& item : items) paths.push_back(item.path);
  return paths;
}

// Runs in the background while the code under test is in its modal loop: once a visible
// window with `caption` shows, `act` runs once on it.
struct TWhenShown {
  static inline std::wstring caption;
  static inline std::function<void(HWND)> act;
  static inline bool acted = false;
  static BOOL CALLBACK Match(HWND w, LPARAM out) {
    wchar_t text[256] = {};
    GetWindowTextW(w, text, 256);
    if (!IsWindowVisible(w) || caption != text) return TRUE;
    *reinterpret_cast<HWND*>(out) = w;
    return FALSE;
  }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (acted) return;
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), Match, reinterpret_cast<LPARAM>(&found));
    if (!found) return;
    acted = true;
    act(found);
  }
};

}  // namespace

TEST(ZipArchiveWin32, AddsListsAndExtractsThroughTheLibrariesWithPasswordAndOverwriteQuestions) {
  TScratchFolder scratch;
  MakeFolder(scratch / "src");
  MakeFolder(scratch / "src\\sub");
  WriteBytes(scratch / "src\\a.txt", "alpha");
  std::string beta;
  for (int i = 0; i < 2000; ++i) beta += "beta " + std::to_string(i) + "\n";
  WriteBytes(scratch / "src\\sub\\b.txt", beta);
  WriteBytes(scratch / "src\\left-out.txt", "not selected");

  TScriptedQuestions questions;
  TWin32ZipLibraries libraries;
  IFileSystem& fs = TWin32FileSystem::Instance();
  const std::string before = fs.CurrentDir();
  ASSERT_TRUE(fs.SetCurrentDir(scratch / "src"));

  // Adding: a file and a folder (which goes in with everything inside it), encrypted.
  {
    TZip zip(Services(&questions), &libraries);
    zip.FileName = scratch / "out.zip";
    zip.Password = "pw";
    zip.AddOptions = aoKeepFolders | aoRecurse;
    zip.Selection = {{"a.txt"}, {"sub"}};
    std::vector<std::string> started;
    zip.OnProgress = [&](TArchive&, TProgressKind kind, uint64_t, const std::string& name) {
      if (kind == pkNewFile) started.push_back(name);
    };
    zip.Add();
    EXPECT_EQ(zip.ErrorCode, 0) << zip.Message;
    EXPECT_GE(zip.SuccessCount, 2);
    EXPECT_TRUE(zip.Selection.empty());
    EXPECT_GE(started.size(), 2u);
  }
  ASSERT_TRUE(Exists(scratch / "out.zip"));

  // Listing what the library wrote.
  TZip listed(Services(&questions));
  listed.Open(scratch / "out.zip");
  EXPECT_EQ(listed.FileName, scratch / "out.zip");
  EXPECT_EQ(listed.ErrorCode, 0) << listed.Message;
  std::vector<std::string> files = Paths(listed.Files);
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"a.txt", "sub\\b.txt"}));
  EXPECT_EQ(Paths(listed.Folders), std::vector<std::string>{"sub"});
  EXPECT_EQ(listed.OriginalTotal(), 5 + beta.size());
  EXPECT_LT(listed.PackedTotal(), listed.OriginalTotal());

  // Extracting everything: the password is asked (wrong, then right).
  MakeFolder(scratch / "dest");
  questions.AnswerText("wrong");
  questions.AnswerText("pw");
  {
    TZip zip(Services(&questions), &libraries);
    zip.FileName = scratch / "out.zip";
    zip.Extract(scratch / "dest");
    EXPECT_EQ(zip.SuccessCount, 2) << zip.Message;
    EXPECT_EQ(zip.Password, "pw");
  }
  questions.ExpectAllAnswered();
  EXPECT_EQ(questions.Asked().back().passwordChar, '*');
  EXPECT_EQ(fs.CurrentDir(), scratch / "dest");
  EXPECT_EQ(ReadBytes(scratch / "dest\\a.txt"), "alpha");
  EXPECT_EQ(ReadBytes(scratch / "dest\\sub\\b.txt"), beta);
  EXPECT_FALSE(Exists(scratch / "dest\\left-out.txt"));

  // Extracting one entry again over a changed copy: skipped, then overwritten.
  WriteBytes(scratch / "dest\\a.txt", "changed");
  for (uint32_t answer : {feSkip, feOverwrite}) {
    TZip zip(Services(&questions), &libraries);
    zip.FileName = scratch / "out.zip";
    zip.Password = "pw";
    zip.Selection = {{"a.txt"}};
    std::vector<std::string> asked;
    zip.OnFileExists = [&](TArchive&, const TFile& file, uint32_t& a, const std::string&) {
      asked.push_back(file.FullName());
      a = answer;
    };
    zip.Extract(scratch / "dest");
    EXPECT_EQ(asked, std::vector<std::string>{"a.txt"});
    EXPECT_EQ(ReadBytes(scratch / "dest\\a.txt"), answer == feSkip ? "changed" : "alpha");
  }
  fs.SetCurrentDir(before);
}

TEST(ZipArchiveWin32, ThePasswordPromptMasksWhatIsTyped) {
  HWND owner = CreateWindowExW(0, L"STATIC", L"Quill zip test owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 640,
                               420, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(owner, nullptr);
  wchar_t shownMask = 0;
  std::wstring shownText;
  TWhenShown::caption = L"Confirm password";
  TWhenShown::acted = false;
  TWhenShown::act = [&](HWND dialog) {
    HWND edit = GetDlgItem(dialog, TfGetString::kEditId);
    for (wchar_t c : std::wstring(L"s3cret")) SendMessageW(edit, WM_CHAR, c, 1);
    shownMask = static_cast<wchar_t>(SendMessageW(edit, EM_GETPASSWORDCHAR, 0, 0));
    wchar_t text[64] = {};
    GetWindowTextW(edit, text, 64);
    shownText = text;
    SaveShot(dialog, "zip_password_prompt");
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
  };
  const UINT_PTR timer = SetTimer(nullptr, 0, 30, TWhenShown::Tick);
  TWin32Questions questions([owner] { return owner; });
  std::string typed = "stale";
  const int result = questions.AskMaskedText("Confirm password", "\n\npassword", typed, '*');
  KillTimer(nullptr, timer);
  DestroyWindow(owner);
  EXPECT_TRUE(TWhenShown::acted);
  EXPECT_EQ(result, mrOk);
  EXPECT_EQ(shownMask, L'*');
  EXPECT_EQ(shownText, L"s3cret");  // the edit holds the text; only its look is masked
  EXPECT_EQ(typed, "s3cret");  // starting empty
}
