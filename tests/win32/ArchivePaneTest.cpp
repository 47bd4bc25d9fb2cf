// Archives shown in the real pane: entering, moving inside and leaving, opening and extracting
// entries through UNZDLL.DLL, Extract to, Install, and a missing library.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/Commands.h"
#include "app/MainForm.h"
#include "base/Path.h"
#include "platform/Utf16.h"
#include "fileview/FileUtils.h"
#include "fileview/ShellUtils.h"
#include "operations/Progress.h"
#include "tests/native/ScriptedQuestions.h"
#include "tests/win32/ArchivePaneFixture.h"
#include "tests/win32/TestSupport.h"

namespace quill {
namespace {

void Put16(std::string& out, uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// A stored ZIP of the given entries (a name ending in "/" is a folder entry), all dated
// 2020-05-17 10:20:30.
std::string StoredZip(const std::vector<std::pair<std::string, std::string>>& entries, bool wrongCrc = false) {
  constexpr uint32_t kTime = (10 << 11) | (20 << 5) | 15, kDate = ((2020 - 1980) << 9) | (5 << 5) | 17;
  std::string data, central;
  for (const auto& [name, bytes] : entries) {
    const uint32_t crc = ~Crc32Update(~0u, bytes.data(), bytes.size()) ^ (wrongCrc ? 1u : 0u);
    const uint32_t offset = static_cast<uint32_t>(data.size());
    Put32(data, 0x04034B50);
    for (uint32_t v : {10u, 0u, 0u, kTime, kDate}) Put16(data, v);
    Put32(data, crc);
    Put32(data, static_cast<uint32_t>(bytes.size()));
    Put32(data, static_cast<uint32_t>(bytes.size()));
    Put16(data, static_cast<uint32_t>(name.size()));
    Put16(data, 0);
    data += name + bytes;
    Put32(central, 0x02014B50);
    for (uint32_t v : {20u, 10u, 0u, 0u, kTime, kDate}) Put16(central, v);
    Put32(central, crc);
    Put32(central, static_cast<uint32_t>(bytes.size()));
    Put32(central, static_cast<uint32_t>(bytes.size()));
    for (uint32_t v : {static_cast<uint32_t>(name.size()), 0u, 0u, 0u, 0u}) Put16(central, v);
    Put32(central, name.back() == '/' ? 0x10 : 0x20);
    Put32(central, offset);
    central += name;
  }
  std::string end;
  Put32(end, 0x06054B50);
  for (uint32_t v : {0u, 0u, static_cast<uint32_t>(entries.size()), static_cast<uint32_t>(entries.size())})
    Put16(end, v);
  Put32(end, static_cast<uint32_t>(central.size()));
  Put32(end, static_cast<uint32_t>(data.size()));
  Put16(end, 0);
  return data + central + end;
}

class ArchivePane : public test::TArchivePaneFixture {
protected:
  void SetUp() override {
    // The installer is a real program: it writes down that it ran.
    const std::string installer = test::ReadBytes(ModuleFolder() + "ArgsChild.exe");
    test::WriteBytes(data / "pack.zip", StoredZip({{"docs/", ""},
                                                   {"docs/a.txt", "alpha"},
                                                   {"docs/sub/b.txt", "beta beta"},
                                                   {"root.txt", "root"},
                                                   {"setup.exe", installer}}));
    test::WriteBytes(data / "other.txt", "x");
  }
  static bool HaveUnzipLibrary() { return test::Exists(ModuleFolder() + "UNZDLL.DLL"); }
};

TEST_F(ArchivePane, EnteringMovingInsideAndLeavingLikeAFolder) {
  Start();
  const std::string archive = data / "pack.zip";
  Open("pack.zip");
  ASSERT_TRUE(form->InArchive());
  EXPECT_EQ(form->View().Folder(), archive);
  EXPECT_EQ(form->NavigationBar().Address(), archive);
  EXPECT_EQ(form->NavigationBar().AddressColor(), RGB(0, 0, 255)) << "the address is blue inside an archive";
  EXPECT_EQ(Listed(), (std::vector<std::string>{"..", "docs", "root.txt", "setup.exe"}));
  EXPECT_TRUE(form->View().Files().Items(form->View().Files().Count() - 1)->IsDrive()) << "drives follow";
  test::SaveShot(form->Handle(), "archive-root");

  Open("docs");
  EXPECT_EQ(form->View().Folder(), archive + "\\docs");
  EXPECT_EQ(Listed(), (std::vector<std::string>{"..", "sub", "a.txt"}));
  Open("sub");
  EXPECT_EQ(Listed(), (std::vector<std::string>{"..", "b.txt"}));
  EXPECT_EQ(form->View().Files().Items(1)->Size, 9u);

  // ".." lands in the parent with the folder focused; "\" goes to the root with the first
  // component focused; an unknown move changes nothing.
  Open("..");
  EXPECT_EQ(form->View().Folder(), archive + "\\docs");
  EXPECT_EQ(FocusedName(), "sub");
  Open("sub");
  form->RunCommand(cmRoot);
  EXPECT_EQ(form->View().Folder(), archive);
  EXPECT_EQ(FocusedName(), "docs");
  form->ArchiveChangeFolder("nowhere");
  EXPECT_EQ(form->View().Folder(), archive);

  // ".." at the root leaves with the archive focused; the history never saw the archive.
  Open("..");
  EXPECT_FALSE(form->InArchive());
  EXPECT_FALSE(form->View().OwnerData());
  EXPECT_EQ(form->View().Folder(), data.Path());
  EXPECT_EQ(FocusedName(), "pack.zip");
  EXPECT_EQ(form->NavigationBar().AddressColor(), GetSysColor(COLOR_WINDOWTEXT));
  for (int i = 0; i <= form->History().Last(); ++i) EXPECT_NE(form->History().Item(i), archive);

  // Escape leaves from any depth; a real folder typed in the address box leaves too.
  Open("pack.zip");
  Open("docs");
  Key(VK_ESCAPE);
  EXPECT_FALSE(form->InArchive());
  EXPECT_EQ(FocusedName(), "pack.zip");
  Open("pack.zip");
  form->AddressEnter(target.Path());
  EXPECT_FALSE(form->InArchive());
  EXPECT_EQ(form->View().Folder(), target.Path());
  form->Back();
  EXPECT_EQ(form->View().Folder(), data.Path()) << "the folder before the archive is the previous history entry";
}

TEST_F(ArchivePane, AFileThatIsNotAZipShowsItsMessageAndAnEmptyArchive) {
  test::WriteBytes(data / "fake.zip", std::string(300, 'z'));
  questions.AnswerMessage(mrOk);
  Start();
  Open("fake.zip");
  ASSERT_EQ(questions.CountAsked(test::TQuestionKind::Message), 1u);
  EXPECT_EQ(questions.Asked().back().text, "This archive is not a valid Zip archive");
  EXPECT_EQ(Listed(), (std::vector<std::string>{".."}));
  Open("..");
  EXPECT_FALSE(form->InArchive());
  EXPECT_EQ(FocusedName(), "fake.zip");
}

TEST_F(ArchivePane, ExtractingEntriesAsksTheDestinationAndEachConflictOnce) {
  if (!HaveUnzipLibrary()) GTEST_SKIP() << "UNZDLL.DLL is not beside the tests";
  Start();
  Open("pack.zip");
  // Copy inside an archive extracts: the folder docs and the file root.txt.
  form->View().Select(form->View().Files().IndexOf("docs"));
  form->View().Select(form->View().Files().IndexOf("root.txt"));
  questions.AnswerDrive(target.Path());
  form->RunCommand(cmCopy);
  EXPECT_EQ(test::ReadBytes(target / "root.txt"), "root");
  EXPECT_EQ(test::ReadBytes(target / "docs\\sub\\b.txt"), "beta beta");
  EXPECT_EQ(form->LastDestination(), target.Path());

  // Again: the first conflict is answered Skip for all, so nothing is asked twice and the
  // changed file stays as it is.
  test::WriteBytes(target / "root.txt", "changed");
  form->View().Select(form->View().Files().IndexOf("docs"));
  form->View().Select(form->View().Files().IndexOf("root.txt"));
  questions.AnswerDrive(target.Path());
  questions.AnswerFileExists(feSkip | feAll);
  form->RunCommand(cmExtract);
  EXPECT_EQ(questions.CountAsked(test::TQuestionKind::FileExists), 1u);
  EXPECT_EQ(test::ReadBytes(target / "root.txt"), "changed");

  // Opening a file entry extracts it to the temporary folder.
  Focus("root.txt");
  EXPECT_EQ(test::ReadBytes(form->ExtractEntryToTemp(*form->View().FocusedFile())), "root");
  DeleteFileW(Widen(JoinPath(TempFolder(), "root.txt")).c_str());
}

TEST_F(ArchivePane, DamagedEntriesAreToldAndLeaveNothingBehind) {
  if (!HaveUnzipLibrary()) GTEST_SKIP() << "UNZDLL.DLL is not beside the tests";
  test::WriteBytes(data / "bad.zip", StoredZip({{"good.txt", "fine"}, {"bad.txt", "damaged"}}, true));
  Start();
  Focus("bad.zip");
  questions.AnswerDrive(target.Path());
  questions.AnswerMessage(mrOk);
  form->RunCommand(cmExtract);
  ASSERT_EQ(questions.CountAsked(test::TQuestionKind::Message), 1u);
  EXPECT_EQ(questions.Asked().back().text, "Fatal Error : Bad CRC Data: good.txt\nFatal Error : Bad CRC Data: bad.txt");
  EXPECT_EQ(questions.Asked().back().icon, miStop);
  EXPECT_FALSE(test::Exists(target / "good.txt"));
  EXPECT_FALSE(test::Exists(target / "bad.txt"));
}

TEST_F(ArchivePane, ExtractToMakesAFolderPerArchiveAndInstallCleansUp) {
  if (!HaveUnzipLibrary()) GTEST_SKIP() << "UNZDLL.DLL is not beside the tests";
  Start();
  Focus("pack.zip");
  form->RunCommand(cmExtractTo);
  EXPECT_EQ(test::ReadBytes(data / "pack\\docs\\a.txt"), "alpha");
  EXPECT_EQ(FocusedName(), "pack.zip") << "the pane is refreshed keeping the focus";

  // Install finds setup.exe in the extracted files, starts it, waits for the user's OK and
  // removes the files; the user presses OK once the installer has finished.
  const std::string install = JoinPath(TempFolder(), "$Quill$");
  const std::string ran = program / "installer-ran.txt";
  SetEnvironmentVariableW(L"QUILL_ARGS_FILE", Widen(ran).c_str());
  questions.AnswerMessage(mrOk);
  questions.OnAsked = [&](const test::TAskedQuestion&) {
    for (int i = 0; i < 200 && !test::Exists(ran); ++i) Sleep(25);
    Sleep(200);
  };
  Focus("pack.zip");
  form->RunCommand(cmInstall);
  SetEnvironmentVariableW(L"QUILL_ARGS_FILE", nullptr);
  ASSERT_EQ(questions.CountAsked(test::TQuestionKind::Message), 1u);
  EXPECT_EQ(questions.Asked().back().caption, "Install Program");
  EXPECT_EQ(questions.Asked().back().icon, miInformation);
  EXPECT_TRUE(test::Exists(ran)) << "setup.exe was started";
  EXPECT_FALSE(test::Exists(install)) << "the install folder is deleted afterwards";
}

TEST_F(ArchivePane, WithoutTheUnzipLibraryNothingIsExtracted) {
  // A program folder of its own does not help: the library is looked for on the search path,
  // so it is hidden by renaming it for the length of this test.
  const std::string library = ModuleFolder() + "UNZDLL.DLL";
  const std::string hidden = ModuleFolder() + "UNZDLL.DLL.away";
  if (!test::Exists(library)) GTEST_SKIP() << "UNZDLL.DLL is not beside the tests";
  ASSERT_TRUE(MoveFileW(Widen(library).c_str(), Widen(hidden).c_str()));
  Start();
  Open("pack.zip");
  Focus("root.txt");
  questions.AnswerDrive(target.Path());
  questions.AnswerMessage(mrOk);
  form->RunCommand(cmExtract);
  MoveFileW(Widen(hidden).c_str(), Widen(library).c_str());
  ASSERT_EQ(questions.CountAsked(test::TQuestionKind::Message), 1u);
  EXPECT_EQ(questions.Asked().back().text, "UNZDLL.DLL not found!");
  EXPECT_FALSE(test::Exists(target / "root.txt"));
}

}  // namespace
}  // namespace quill
