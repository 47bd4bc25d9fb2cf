// ARJ and ACE archives in the real pane: an archive made by Debian's arj listed, entered and
// extracted through our arj.exe (and again, over the files it wrote, without a question), and
// an archive made by our ace32.exe read back through our UnACE.dll.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app/Commands.h"
#include "app/MainForm.h"
#include "fileview/ShellUtils.h"
#include "tests/win32/ArchivePaneFixture.h"
#include "tests/win32/TestSupport.h"

namespace quill {
namespace {

std::string Joined(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : "|") + name;
  return text;
}

// Text that packs, with a run longer than ARJ's window so matches reach far back.
std::string Sample(int lines) {
  std::string text;
  for (int i = 0; i < lines; ++i) text += "entry " + std::to_string(i % 977) + " of the sample\r\n";
  return text;
}

class ArjPane : public test::TArchivePaneFixture {
protected:
  void SetUp() override {
    if (!test::Exists(ModuleFolder() + "arj.exe")) GTEST_SKIP() << "arj.exe is not beside the tests";
  }
  // Debian's arj makes `archive` from a tree written here, in a host folder, and the archive is
  // copied into the data folder; empty when the host's arj is missing.
  std::string HostArj(const std::string& archive, const std::string& method) {
    const std::string host = "/tmp/quill-arj-pane-" + std::to_string(GetCurrentProcessId());
    test::RunHostShell("rm -rf " + host + " && mkdir -p " + host + "/tree/docs/deep");
    test::WriteBytes(test::HostSpelling(host + "/tree/docs/manual.txt"), Sample(30000));
    test::WriteBytes(test::HostSpelling(host + "/tree/docs/deep/note.txt"), "a note");
    test::WriteBytes(test::HostSpelling(host + "/tree/top.txt"), Sample(10));
    test::RunHostShell("cd " + host + "/tree && arj a -r " + method + " -y ../" + archive + " '*' >/dev/null 2>&1");
    const std::string made = test::ReadBytes(test::HostSpelling(host + "/" + archive));
    if (!made.empty()) test::WriteBytes(data / archive, made);
    return made;
  }
};

TEST_F(ArjPane, ADebianArjArchiveListsEntersAndExtractsOverwritingWithoutAsking) {
  if (HostArj("made.arj", "-m1").empty()) GTEST_SKIP() << "the host has no arj";
  Start();
  Open("made.arj");
  ASSERT_TRUE(form->InArchive());
  EXPECT_EQ(Joined(Listed()), "..|docs|top.txt");
  Open("docs");
  EXPECT_EQ(Joined(Listed()), "..|deep|manual.txt");
  test::SaveShot(form->Handle(), "arj-archive-docs");
  Open("..");

  // The folder and the file, with their folders, through arj.exe; nothing else.
  form->View().Select(form->View().Files().IndexOf("docs"));
  questions.AnswerDrive(target.Path());
  form->RunCommand(cmExtract);
  EXPECT_TRUE(test::ReadBytes(target / "docs\\manual.txt") == Sample(30000));
  EXPECT_EQ(test::ReadBytes(target / "docs\\deep\\note.txt"), "a note");
  EXPECT_FALSE(test::Exists(target / "top.txt"));

  // Again over the files it wrote: replaced without a question, the list file gone.
  test::WriteBytes(target / "docs\\deep\\note.txt", "changed");
  form->View().Select(form->View().Files().IndexOf("docs"));
  questions.AnswerDrive(target.Path());
  form->RunCommand(cmExtract);
  EXPECT_EQ(test::ReadBytes(target / "docs\\deep\\note.txt"), "a note");
  EXPECT_EQ(questions.Asked().size(), 2u) << "only the two destinations were asked";
  wchar_t current[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, current);
  EXPECT_FALSE(test::Exists(Narrow(current) + "\\quilltmp.$$$"));
}

class AcePane : public test::TArchivePaneFixture {
protected:
  void SetUp() override {
    if (!test::Exists(ModuleFolder() + "UnACE.dll") || !test::Exists(ModuleFolder() + "ace32.exe"))
      GTEST_SKIP() << "UnACE.dll or ace32.exe is not beside the tests";
  }
};

TEST_F(AcePane, AnAce32ArchiveListsAndExtractsIntoADestinationWithoutItsBackslash) {
  test::MakeFolder(data / "src");
  test::MakeFolder(data / "src\\sub");
  test::WriteBytes(data / "src\\big.txt", Sample(20000));
  test::WriteBytes(data / "src\\sub\\small.txt", "small");
  test::WriteBytes(data / "list.txt", "src\r\n");
  ASSERT_TRUE(ShellOpen(ModuleFolder() + "ace32.exe", " a -y -r -m5 set.ace @list.txt", data.Path(), true));
  ASSERT_TRUE(test::Exists(data / "set.ace"));
  Start();
  Open("set.ace");
  ASSERT_TRUE(form->InArchive());
  EXPECT_EQ(Joined(Listed()), "..|src");
  Open("src");
  EXPECT_EQ(Joined(Listed()), "..|sub|big.txt");
  test::SaveShot(form->Handle(), "ace-archive-src");
  Open("..");

  form->View().Select(form->View().Files().IndexOf("src"));
  ASSERT_NE(target.Path().back(), '\\');
  questions.AnswerDrive(target.Path());
  form->RunCommand(cmExtract);
  EXPECT_TRUE(test::ReadBytes(target / "src\\big.txt") == Sample(20000));
  EXPECT_EQ(test::ReadBytes(target / "src\\sub\\small.txt"), "small");
  EXPECT_EQ(questions.Asked().size(), 1u);
}

}  // namespace
}  // namespace quill
