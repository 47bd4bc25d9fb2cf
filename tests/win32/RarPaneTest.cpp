// RAR archives in the real pane through our UnRAR.dll and rar.exe: real archives made by the
// RAR archiver listed, entered and extracted (bsdtar's output the second opinion), a password
// asked once, a missing volume answered No, and archives made by rar.exe read back.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/Commands.h"
#include "app/MainForm.h"
#include "base/Path.h"
#include "fileview/ShellUtils.h"
#include "operations/Progress.h"
#include "platform/Utf16.h"
#include "tests/native/ScriptedQuestions.h"
#include "tests/win32/ArchivePaneFixture.h"
#include "tests/win32/TestSupport.h"

namespace quill {
namespace {

const char kFixtures[] = "/work/shared/fixtures/rar";

class RarPane : public test::TArchivePaneFixture {
protected:
  void SetUp() override {
    if (!test::Exists(ModuleFolder() + "UnRAR.dll")) GTEST_SKIP() << "UnRAR.dll is not beside the tests";
  }
  // Copies fixtures into the data folder (read-only originals stay untouched).
  void Fixture(const std::string& name) {
    test::WriteBytes(data / name, test::ReadBytes(test::HostSpelling(std::string(kFixtures) + "/" + name)));
  }
  static std::string Joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : "|") + name;
    return text;
  }
  // Runs rar.exe (built beside the tests) in `folder` and waits for it.
  bool Rar(const std::string& folder, const std::string& parameters) {
    return ShellOpen(ModuleFolder() + "rar.exe", parameters, folder, true);
  }
  // bsdtar's extraction of a fixture, as the second opinion: the folder it went to, in this
  // process's spelling.
  static std::string Bsdtar(const std::string& fixture) {
    const std::string folder = "/tmp/quill-rar-pane-" + std::to_string(GetCurrentProcessId()) + "/" + fixture;
    if (!test::RunHostShell("rm -rf '" + folder + "' && mkdir -p '" + folder + "' && cd '" + folder +
                            "' && bsdtar -xf '" + kFixtures + "/" + fixture + "'"))
      return {};
    return test::HostSpelling(folder);
  }
};

TEST_F(RarPane, RealArchivesListEnterAndExtractAsBsdtarDoes) {
  Fixture("rar5_win32.rar");
  Fixture("rar_unicode.rar");
  Start();
  Open("rar5_win32.rar");
  ASSERT_TRUE(form->InArchive());
  EXPECT_EQ(Listed(), (std::vector<std::string>{"..", "testdir", "test.bin", "test1.bin", "test2.bin", "test3.bin",
                                                "test4.bin", "test5.bin", "test6.bin"}));
  test::SaveShot(form->Handle(), "rar-archive-root");
  // Copy inside an archive extracts; every byte as bsdtar gives it.
  for (const char* name : {"test.bin", "test1.bin", "test6.bin"}) form->View().Select(form->View().Files().IndexOf(name));
  questions.AnswerDrive(target.Path());
  form->RunCommand(cmCopy);
  const std::string reference = Bsdtar("rar5_win32.rar");
  ASSERT_FALSE(reference.empty());
  for (const char* name : {"test.bin", "test1.bin", "test6.bin"}) {
    ASSERT_TRUE(test::Exists(target / name)) << name;
    const std::string ours = test::ReadBytes(target / name), theirs = test::ReadBytes(JoinPath(reference, name));
    EXPECT_TRUE(ours == theirs) << name << ": " << ours.size() << " bytes beside bsdtar's " << theirs.size();
  }
  EXPECT_FALSE(test::Exists(target / "test2.bin")) << "not selected";
  Open("..");
  EXPECT_EQ(FocusedName(), "rar5_win32.rar");

  // RAR 4 with Unicode names: the names come through whole, folders and all.
  Open("rar_unicode.rar");
  Open("表だよ");
  EXPECT_EQ(Joined(Listed()), "..|新しいフォルダ|漢字長いファイル名long-filename-in-漢字.txt|ファイル");
  form->View().Select(form->View().Files().IndexOf("漢字長いファイル名long-filename-in-漢字.txt"));
  questions.AnswerDrive(target.Path());
  form->RunCommand(cmExtract);
  const std::string reference4 = Bsdtar("rar_unicode.rar");
  ASSERT_FALSE(reference4.empty());
  EXPECT_EQ(test::ReadBytes(target / "表だよ\\漢字長いファイル名long-filename-in-漢字.txt"),
            test::ReadBytes(JoinPath(reference4, "表だよ\\漢字長いファイル名long-filename-in-漢字.txt")));
}

TEST_F(RarPane, RarExeArchivesReadBackWithVolumesAndAPasswordAskedOnce) {
  if (!test::Exists(ModuleFolder() + "rar.exe")) GTEST_SKIP() << "rar.exe is not beside the tests";
  std::string big;
  for (int i = 0; i < 40000; ++i) big += "line " + std::to_string(i) + " of the file\r\n";
  test::MakeFolder(data / "src");
  test::MakeFolder(data / "src\\sub");
  test::WriteBytes(data / "src\\big.txt", big);
  test::WriteBytes(data / "src\\sub\\small.txt", "small");
  test::WriteBytes(data / "list.txt", "src\r\n");
  // Volumes of 300,000 bytes, encrypted.
  ASSERT_TRUE(Rar(data.Path(), "a -r -v300 -pSecret -m3 set.rar @list.txt"));
  ASSERT_TRUE(test::Exists(data / "set.part1.rar"));
  ASSERT_TRUE(test::Exists(data / "set.part3.rar"));
  Start();
  Open("set.part1.rar");
  ASSERT_TRUE(form->InArchive());
  Open("src");
  // A listing covers the opened volume: sub\small.txt lies in a later one.
  EXPECT_EQ(Joined(Listed()), "..|big.txt");
  Open("..");

  // A wrong password is told once and stops; the right one is asked once for both files.
  form->View().Select(form->View().Files().IndexOf("src"));
  questions.AnswerDrive(target.Path());
  questions.AnswerText("wrong");
  questions.AnswerMessage(mrOk);
  form->RunCommand(cmExtract);
  ASSERT_EQ(questions.CountAsked(test::TQuestionKind::Message), 1u);
  EXPECT_EQ(questions.Asked().back().text, "Invalid password");
  EXPECT_FALSE(test::Exists(target / "src\\big.txt")) << "nothing half-written stays";

  form->View().Select(form->View().Files().IndexOf("src"));
  questions.AnswerDrive(target.Path());
  questions.AnswerText("Secret");
  form->RunCommand(cmExtract);
  EXPECT_EQ(questions.CountAsked(test::TQuestionKind::AskText), 2u) << "asked once per extraction";
  EXPECT_TRUE(test::ReadBytes(target / "src\\big.txt") == big);
  EXPECT_EQ(test::ReadBytes(target / "src\\sub\\small.txt"), "small");
}

TEST_F(RarPane, AMissingVolumeAnsweredNoStopsWithoutAPartialFile) {
  // The first three parts of eight: the entry that runs on into part 4 cannot be finished.
  for (int i = 1; i <= 3; ++i) Fixture("rar5_multiarchive.part0" + std::to_string(i) + ".rar");
  Start();
  Focus("rar5_multiarchive.part01.rar");
  questions.AnswerDrive(target.Path());
  questions.AnswerMessage(mrNo);  // "insert the next disk": No
  questions.AnswerMessage(mrOk);  // the library's failure that follows
  form->RunCommand(cmExtract);
  bool askedForVolume = false;
  for (const test::TAskedQuestion& q : questions.Asked())
    askedForVolume |= q.kind == test::TQuestionKind::Message && q.text.find("part04") != std::string::npos;
  EXPECT_TRUE(askedForVolume);
  // Whatever was complete stays; nothing is left half-written under a temporary name.
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(Widen(target / "*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = Narrow(found.cFileName);
      EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
    } while (FindNextFileW(find, &found));
    FindClose(find);
  }
}

// Clicks Cancel in the extraction's progress dialog as soon as it shows.
bool g_cancelClicked = false;
void CALLBACK ClickCancel(HWND, UINT, UINT_PTR, DWORD) {
  HWND dialog = FindWindowW(nullptr, L"Extracting...");
  if (!dialog || !IsWindowVisible(dialog) || g_cancelClicked) return;
  HWND cancel = FindWindowExW(dialog, nullptr, L"Button", L"Cancel");
  if (!cancel) return;
  g_cancelClicked = true;
  SendMessageW(cancel, BM_CLICK, 0, 0);
}

TEST_F(RarPane, CancelInTheMiddleOfALargeEntryLeavesNothingBehind) {
  if (!test::Exists(ModuleFolder() + "rar.exe")) GTEST_SKIP() << "rar.exe is not beside the tests";
  std::string big(96 << 20, '\0');
  for (size_t i = 0; i < big.size(); i += 4096) big[i] = static_cast<char>(i >> 12);
  test::WriteBytes(data / "big.bin", big);
  test::WriteBytes(data / "list.txt", "big.bin\r\n");
  ASSERT_TRUE(Rar(data.Path(), "a -m0 big.rar @list.txt"));
  Start();
  Focus("big.rar");
  questions.AnswerDrive(target.Path());
  g_cancelClicked = false;
  const UINT_PTR timer = SetTimer(nullptr, 0, 20, ClickCancel);
  form->RunCommand(cmExtract);
  KillTimer(nullptr, timer);
  EXPECT_TRUE(g_cancelClicked);
  // Nothing told (the user stopped it), nothing left: not the file, not its temporary.
  EXPECT_EQ(questions.CountAsked(test::TQuestionKind::Message), 0u);
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(Widen(target / "*").c_str(), &found);
  int entries = 0;
  if (find != INVALID_HANDLE_VALUE) {
    do entries += found.cFileName[0] != L'.';
    while (FindNextFileW(find, &found));
    FindClose(find);
  }
  EXPECT_EQ(entries, 0);
}

}  // namespace
}  // namespace quill
