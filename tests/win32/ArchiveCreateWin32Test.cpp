// Add to Archive, Move to Archive and Archive > Properties through the real main window and
// the real dialogs: an archive of each format made from a selection and listed back (the ZIP
// and ARJ also judged by the host's unzip and arj), a move whose archiver fails, the password
// confirmation and the name check keeping the dialog open, the format remembered after Cancel,
// and the totals of an archive with nested folders. With QUILL_SHOTS set, both dialogs are
// saved as pictures.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/ArchiveDialog.h"
#include "app/Commands.h"
#include "app/MainForm.h"
#include "fileview/ShellUtils.h"
#include "platform/Utf16.h"
#include "tests/win32/ArchivePaneFixture.h"
#include "tests/win32/StepScript.h"
#include "tests/win32/TestSupport.h"

namespace quill {
namespace {

using test::TScript;

std::string Joined(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : "|") + name;
  return text;
}

std::string Sample(int lines) {
  std::string text;
  for (int i = 0; i < lines; ++i) text += "line " + std::to_string(i % 613) + " of the archived text\r\n";
  return text;
}

// Bytes no archiver can pack, so a volume size really splits them.
std::string Noise(size_t size) {
  std::string bytes(size, '\0');
  uint32_t state = 7;
  for (char& c : bytes) {
    state = state * 1664525u + 1013904223u;
    c = static_cast<char>(state >> 24);
  }
  return bytes;
}

std::string WindowText(HWND window) {
  wchar_t text[1024] = {};
  GetWindowTextW(window, text, 1024);
  return Narrow(text);
}

// The host's own name for a Windows path, for the host's tools.
std::string UnixName(const std::string& path) {
  using UnixNameFn = char*(__cdecl*)(const wchar_t*);
  auto unixName = reinterpret_cast<UnixNameFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
  if (!unixName) return {};
  char* host = unixName(Widen(path).c_str());
  if (!host) return {};
  std::string name = host;
  HeapFree(GetProcessHeap(), 0, host);
  return name;
}

class ArchiveCreateWin32 : public test::TArchivePaneFixture {
protected:
  void SetUp() override {
    for (const char* file : {"ZIPDLL.DLL", "rar.exe", "UnRAR.dll", "arj.exe", "ace32.exe", "UnACE.dll"})
      if (!test::Exists(ModuleFolder() + file)) GTEST_SKIP() << file << " is not beside the tests";
    test::MakeFolder(data / "docs");
    test::MakeFolder(data / "docs\\deep");
    test::WriteBytes(data / "a.txt", Sample(4000));
    test::WriteBytes(data / "docs\\b.txt", Sample(300));
    test::WriteBytes(data / "docs\\deep\\c.txt", "the deepest file");
  }
  // a.txt and docs marked, a.txt focused.
  void SelectSources() {
    form->View().Refresh(std::string(), false);
    form->View().Select(form->View().Files().IndexOf("a.txt"));
    form->View().Select(form->View().Files().IndexOf("docs"));
    Focus("a.txt");
  }
  HWND Control(HWND dialog, int id) { return GetDlgItem(dialog, id); }
  void Click(HWND dialog, int id) { PostMessageW(Control(dialog, id), BM_CLICK, 0, 0); }
  void ChooseFormat(HWND dialog, int format) {
    SendMessageW(Control(dialog, TfArchive::kFormatId), CB_SETCURSEL, format, 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(TfArchive::kFormatId, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(Control(dialog, TfArchive::kFormatId)));
  }
  int Selected(HWND dialog, int id) { return static_cast<int>(SendMessageW(Control(dialog, id), CB_GETCURSEL, 0, 0)); }
  // Runs a command while the script answers its windows.
  void Run(int command, std::vector<TScript::TStep> steps) {
    TScript script(std::move(steps));
    form->RunCommand(command);
    EXPECT_TRUE(script.Finished()) << "only " << script.Done() << " steps ran";
    EXPECT_FALSE(script.Rescued()) << "a dialog had to be cancelled";
  }
  // The dialog filled in and started.
  TScript::TStep Fill(const char* caption, const std::string& name, int format, const char* shot = nullptr) {
    return {caption, [=, this](HWND dialog) {
              proposed = WindowText(Control(dialog, TfArchive::kFileNameId));
              recursive = SendMessageW(Control(dialog, TfArchive::kRecursiveId), BM_GETCHECK, 0, 0) == BST_CHECKED;
              SetWindowTextW(Control(dialog, TfArchive::kFileNameId), Widen(name).c_str());
              ChooseFormat(dialog, format);
              volumeEnabled = IsWindowEnabled(Control(dialog, TfArchive::kVolumeId)) != 0;
              if (shot) test::SaveShot(dialog, shot);
              Click(dialog, TfArchive::kStartId);
            }};
  }

  std::string proposed;
  bool recursive = false;
  bool volumeEnabled = false;
};

TEST_F(ArchiveCreateWin32, EachFormatIsMadeFromTheSelectionAndListsBack) {
  Start();
  struct TFormat {
    int index;
    const char* file;
  };
  for (const TFormat& f : {TFormat{0, "set.zip"}, TFormat{1, "set.rar"}, TFormat{2, "set.arj"}, TFormat{3, "set.ace"}}) {
    SCOPED_TRACE(f.file);
    SelectSources();
    const char* shot = f.index == 0 ? "archive-dialog-zip" : f.index == 1 ? "archive-dialog-rar" : nullptr;
    Run(cmAddToArchive, {Fill("Compress (Copy)", "set", f.index, shot)});
    EXPECT_EQ(proposed, "a");
    EXPECT_TRUE(recursive) << "a folder is among the sources";
    EXPECT_EQ(volumeEnabled, f.index != 0);
    ASSERT_TRUE(test::Exists(data / f.file));
    EXPECT_EQ(FocusedName(), f.file);
    // Copy leaves the originals.
    EXPECT_TRUE(test::Exists(data / "a.txt"));
    EXPECT_TRUE(test::Exists(data / "docs\\deep\\c.txt"));

    Open(f.file);
    ASSERT_TRUE(form->InArchive());
    EXPECT_EQ(Joined(Listed()), "..|docs|a.txt");
    Open("docs");
    EXPECT_EQ(Joined(Listed()), "..|deep|b.txt");
    Open("deep");
    EXPECT_EQ(Joined(Listed()), "..|c.txt");
    form->ArchiveChangeFolder("\\");
    Open("..");
    EXPECT_FALSE(form->InArchive());
    EXPECT_EQ(form->Settings().ReadInteger("Archive", "Type", -1), f.index);
  }

  // The host's tools judge the ZIP and the ARJ.
  const std::string host = UnixName(data.Path());
  if (host.empty()) return;
  EXPECT_TRUE(test::RunHostShell("cd '" + host + "' && unzip -t set.zip"));
  EXPECT_TRUE(test::RunHostShell("cd '" + host + "' && unzip -p set.zip docs/deep/c.txt | grep -qx 'the deepest file'"));
  if (test::RunHostShell("command -v arj")) {
    EXPECT_TRUE(test::RunHostShell("cd '" + host + "' && arj t set.arj"));
  }
}

TEST_F(ArchiveCreateWin32, AMoveDeletesOnlyAfterTheArchiverSucceeded) {
  Start();
  // First a good move of a.txt into a RAR archive: the original goes.
  Focus("a.txt");
  Run(cmMoveToArchive, {Fill("Compress (Move)", "keep", 1)});
  ASSERT_TRUE(test::Exists(data / "keep.rar"));
  EXPECT_FALSE(test::Exists(data / "a.txt"));
  EXPECT_EQ(FocusedName(), "keep.rar");

  // A folder moved with an archiver that exits with an error after the archive already holds
  // a copy of the file: the listing alone would pass, the archiver's failure keeps the originals.
  test::WriteBytes(data / "a.txt", Sample(4000));
  form->View().Refresh(std::string(), false);
  Focus("a.txt");
  Run(cmAddToArchive, {Fill("Compress (Copy)", "keep", 1)});
  form->Settings().WriteString("Program", "RAR", ModuleFolder() + "ArgsChild.exe");
  SetEnvironmentVariableW(L"QUILL_ARGS_FILE", nullptr);  // so the program exits with 2 at once
  questions.AnswerMessage(mrOk);
  Focus("a.txt");
  Run(cmMoveToArchive, {Fill("Compress (Move)", "keep", 1)});
  EXPECT_TRUE(test::Exists(data / "a.txt"));
  ASSERT_EQ(questions.CountAsked(test::TQuestionKind::Message), 1u);
  EXPECT_NE(questions.Asked().back().text.find("keep.rar"), std::string::npos) << questions.Asked().back().text;

  // ARJ with its real archiver moves a folder; the tree goes only once it is listed back.
  form->View().Refresh(std::string(), false);
  Focus("docs");
  Run(cmMoveToArchive, {Fill("Compress (Move)", "tree", 2)});
  ASSERT_TRUE(test::Exists(data / "tree.arj"));
  EXPECT_FALSE(test::Exists(data / "docs"));
  Open("tree.arj");
  EXPECT_EQ(Joined(Listed()), "..|docs");
}

TEST_F(ArchiveCreateWin32, ThePasswordMustBeConfirmedAndTheNameUsable) {
  Start();
  Focus("a.txt");
  questions.AnswerMessage(mrOk);       // the unusable name
  questions.AnswerText("Secret 2");    // a different confirmation
  questions.AnswerText("");            // an empty one
  questions.AnswerText("Secret 1");    // the right one
  int stillOpen = 0;
  const auto startAgain = [&](HWND dialog) {
    stillOpen += IsWindowVisible(dialog) ? 1 : 0;
    Click(dialog, TfArchive::kStartId);
  };
  Run(cmAddToArchive,
      {{"Compress (Copy)", [&](HWND dialog) {
          SetWindowTextW(Control(dialog, TfArchive::kFileNameId), L"bad|name");
          SetWindowTextW(Control(dialog, TfArchive::kPasswordId), L"Secret 1");
          ChooseFormat(dialog, 0);
          Click(dialog, TfArchive::kStartId);
        }},
       {"Compress (Copy)", [&](HWND dialog) {
          stillOpen += IsWindowVisible(dialog) ? 1 : 0;
          SetWindowTextW(Control(dialog, TfArchive::kFileNameId), L"locked");
          Click(dialog, TfArchive::kStartId);
        }},
       {"Compress (Copy)", startAgain},
       {"Compress (Copy)", startAgain}});
  EXPECT_EQ(stillOpen, 3);
  ASSERT_EQ(questions.Asked().size(), 4u);
  EXPECT_NE(questions.Asked()[0].text.find("bad|name"), std::string::npos);
  EXPECT_EQ(questions.Asked()[1].caption, "Confirm Password");
  EXPECT_EQ(questions.Asked()[1].text, "Please retype password to confirm");
  EXPECT_EQ(questions.Asked()[1].passwordChar, '*');
  EXPECT_FALSE(test::Exists(data / "bad|name.zip"));
  ASSERT_TRUE(test::Exists(data / "locked.zip"));

  // Encrypted: the host's unzip needs the password.
  const std::string host = UnixName(data.Path());
  if (!host.empty()) {
    EXPECT_TRUE(test::RunHostShell("cd '" + host + "' && unzip -t -P 'Secret 1' locked.zip"));
    EXPECT_FALSE(test::RunHostShell("cd '" + host + "' && unzip -t -P 'secret 1' locked.zip"));
  }
}

TEST_F(ArchiveCreateWin32, TheFormatLastChosenComesBackAfterCancel) {
  Start();
  Focus("a.txt");
  int formatSeen = -1, compressionSeen = -1;
  std::string browsed;
  questions.AnswerFile(data / "old.rar");
  Run(cmAddToArchive, {{"Compress (Copy)", [&](HWND dialog) {
                          formatSeen = Selected(dialog, TfArchive::kFormatId);
                          compressionSeen = Selected(dialog, TfArchive::kCompressionId);
                          SendMessageW(Control(dialog, TfArchive::kBrowseId), BM_CLICK, 0, 0);
                          browsed = WindowText(Control(dialog, TfArchive::kFileNameId));
                          ChooseFormat(dialog, 3);
                          SendMessageW(Control(dialog, TfArchive::kCompressionId), CB_SETCURSEL, 2, 0);
                          Click(dialog, IDCANCEL);
                        }}});
  EXPECT_EQ(formatSeen, 0);
  EXPECT_EQ(compressionSeen, 1);
  // "..." starts in the pane's folder with the archive types, and its choice replaces the name.
  EXPECT_EQ(browsed, data / "old.rar");
  ASSERT_EQ(questions.Asked().size(), 1u);
  EXPECT_EQ(questions.Asked()[0].kind, test::TQuestionKind::OpenFile);
  EXPECT_EQ(questions.Asked()[0].text, data.Path() + "\\");
  EXPECT_EQ(questions.Asked()[0].initial,
            "ZIP file(*.zip)|*.zip|ARJ file(*.arj)|*.arj|RAR file(*.rar)|*.rar|ACE file(*.ace)|*.ace|All(*.*)|*.*");
  Run(cmMoveToArchive, {{"Compress (Move)", [&](HWND dialog) {
                           formatSeen = Selected(dialog, TfArchive::kFormatId);
                           compressionSeen = Selected(dialog, TfArchive::kCompressionId);
                           PostMessageW(dialog, WM_CLOSE, 0, 0);
                         }}});
  EXPECT_EQ(formatSeen, 3);
  EXPECT_EQ(compressionSeen, 2);
  EXPECT_TRUE(test::Exists(data / "a.txt"));
  // Written to the file, not only kept in memory.
  EXPECT_NE(test::ReadBytes(program / "quill.ini").find("Type=3"), std::string::npos);
}

TEST_F(ArchiveCreateWin32, PropertiesCountEachFolderOnce) {
  Start();
  SelectSources();
  Run(cmAddToArchive, {Fill("Compress (Copy)", "props", 0)});
  ASSERT_TRUE(test::Exists(data / "props.zip"));
  EXPECT_FALSE(form->CommandEnabled(*TMainForm::FindCommand(cmArchiveProperties)));
  Open("props.zip");
  ASSERT_TRUE(form->InArchive());
  EXPECT_FALSE(form->CommandEnabled(*TMainForm::FindCommand(cmAddToArchive)));
  std::string name, count, original, packed;
  int ratio = -1;
  Run(cmArchiveProperties, {{"Archive Properties", [&](HWND dialog) {
                               name = WindowText(Control(dialog, TfArcProp::kFileNameId));
                               count = WindowText(Control(dialog, TfArcProp::kCountId));
                               original = WindowText(Control(dialog, TfArcProp::kOriginalSizeId));
                               packed = WindowText(Control(dialog, TfArcProp::kPackedSizeId));
                               ratio = static_cast<int>(SendMessageW(Control(dialog, TfArcProp::kRatioId), PBM_GETPOS, 0, 0));
                               test::SaveShot(dialog, "archive-properties");
                               Click(dialog, IDOK);
                             }}});
  EXPECT_EQ(name, "props.zip");
  // a.txt, b.txt, c.txt, docs and deep: five, whether or not the library stored folder entries.
  EXPECT_EQ(count, "5");
  const uint64_t total = Sample(4000).size() + Sample(300).size() + std::string("the deepest file").size();
  std::string digits = original;
  std::erase(digits, ',');
  EXPECT_EQ(digits, std::to_string(total)) << original;
  EXPECT_NE(original.find(','), std::string::npos) << "thousands are separated";
  EXPECT_FALSE(packed.empty());
  EXPECT_EQ(ratio, static_cast<int>(form->Archive()->Ratio()));
  EXPECT_GT(ratio, 0);
  EXPECT_LT(ratio, 100);
}

// Volumes of 1440 KB: each archiver splits the file, the check lists it across the volumes
// (a RAR set by its first volume, name.part1.rar) and only then is the original deleted.
TEST_F(ArchiveCreateWin32, AMoveIntoVolumesChecksTheWholeSet) {
  Start();
  struct TFormat {
    int index;
    const char* first;
    const char* last;
  };
  for (const TFormat& f : {TFormat{1, "vol.part1.rar", "vol.part3.rar"}, TFormat{2, "vol.arj", "vol.a02"},
                           TFormat{3, "vol.ace", "vol.c01"}}) {
    SCOPED_TRACE(f.first);
    test::WriteBytes(data / "big.bin", Noise(3'500'000));
    form->View().Refresh(std::string(), false);
    Focus("big.bin");
    Run(cmMoveToArchive, {{"Compress (Move)", [&](HWND dialog) {
                             SetWindowTextW(Control(dialog, TfArchive::kFileNameId), L"vol");
                             ChooseFormat(dialog, f.index);
                             SetWindowTextW(Control(dialog, TfArchive::kVolumeId), L"1440 KB");
                             Click(dialog, TfArchive::kStartId);
                           }}});
    EXPECT_TRUE(test::Exists(data / f.last));
    EXPECT_FALSE(test::Exists(data / "big.bin"));
    EXPECT_EQ(FocusedName(), f.first);
    EXPECT_TRUE(questions.Asked().empty());
  }
}

}  // namespace
}  // namespace quill
