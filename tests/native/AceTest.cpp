#include "archive/Ace.h"

#include <gtest/gtest.h>

#include "tests/native/FakeArchiveLibrary.h"

using namespace quill;

namespace {

using test::TFakeArchiveLibrary;
using TFixture = test::TLibraryFixture<TAce>;
constexpr uint32_t kEncrypted = 0x40;

TEST(AceTest, ListTellsEveryLibraryResultInItsOwnWay) {
  TFixture f;
  f.library.headers = {TFakeArchiveLibrary::Header("docs", 0, 0, 0x10), TFakeArchiveLibrary::Header("docs\\a.txt", 5'000'000'000ull),
                       // RAR's folder flags mean nothing here: only the attribute says "folder".
                       TFakeArchiveLibrary::Header("e0.bin", 3, 0xE0)};
  f.volume.MakeFile("C:\\a.ace");
  f.volume.MakeFile("C:\\set.ace");
  f.rar.Open("C:\\a.ace");
  EXPECT_EQ(f.library.openMode, 0);
  EXPECT_EQ(f.rar.Files.size(), 2u);
  EXPECT_EQ(f.rar.Folders.size(), 1u);
  EXPECT_EQ(f.rar.OriginalTotal(), 5'000'000'003ull);
  EXPECT_TRUE(f.Messages().empty());

  for (int i = 0; i < 6; ++i) f.questions.AnswerMessage(mrOk);
  // Any result of the skip, even one RAR's listing passes over, is shown as a number and ends it.
  f.library.results = {12};
  f.rar.Open("C:\\a.ace");
  EXPECT_EQ(f.rar.Files.size(), 0u);
  // A walk ending in a read failure or a bad CRC is told; the entries read stay.
  f.library.results = {};
  f.library.endCode = 6;
  f.rar.Open("C:\\a.ace");
  EXPECT_EQ(f.rar.Files.size(), 2u);
  f.library.endCode = 9;
  f.rar.Open("C:\\a.ace");
  f.library.endCode = 10;
  f.library.openResult = 128;
  f.rar.Open("C:\\a.ace");
  EXPECT_TRUE(f.rar.FileName.empty());
  f.library.openResult = 3;
  f.rar.Open("C:\\set.ace");
  f.library.openResult = 0;
  f.library.missing = true;
  f.rar.Open("C:\\a.ace");
  EXPECT_EQ(f.Messages(), (std::vector<std::string>{"|12", "UnACE|File read failed", "UnACE|Fatal Error : Bad CRC Data",
                                                    "UnACE|This is not a ACE archive file",
                                                    "UnACE|set.ace, Can't find next volume file",
                                                    "UnACE|UNACE.DLL, Can't find Dll file"}));
  // Every load freed; the last one found no library.
  EXPECT_EQ(f.library.loads, f.library.frees + 1);
  f.questions.ExpectAllAnswered();
}

TEST(AceTest, ExtractHandsTheLibraryAFolderWithABackslashAndAsksForThePasswordByItsFlag) {
  TFixture f;
  f.library.nextVolume = "b.c00";
  f.library.headers = {TFakeArchiveLibrary::Header("docs\\a.txt", 100, kEncrypted),
                       // RAR's encrypted bit is no password here.
                       TFakeArchiveLibrary::Header("docs\\b.txt", 200, 0x04), TFakeArchiveLibrary::Header("docs2\\c.txt", 300)};
  f.volume.MakeFile("C:\\b.ace");
  f.rar.Open("C:\\b.ace");
  f.library.calls.clear();
  f.rar.Selection = {{"docs", true}};
  std::vector<std::string> volumes;
  f.rar.OnChangeVolume = [&](const std::string& volume, int32_t& mode) {
    volumes.push_back(volume);
    mode = 1;
  };
  f.questions.AnswerText("secret");
  f.rar.Extract("C:\\Out");
  EXPECT_EQ(f.library.openMode, 1);
  EXPECT_EQ(f.library.lastDestination, "C:\\Out\\");
  EXPECT_EQ(f.library.calls, (std::vector<std::string>{"docs\\a.txt=2", "docs\\b.txt=2", "docs2\\c.txt=0"}));
  EXPECT_EQ(f.library.passwords, std::vector<std::string>{"secret"});
  EXPECT_EQ(volumes, (std::vector<std::string>{"b.c00", "b.c00"}));
  EXPECT_EQ(f.progress.back(), "2:0");

  // Given with its backslash, the destination is not doubled; a bad CRC with a password given
  // is most likely the password.
  f.library.calls.clear();
  f.questions.AnswerMessage(mrOk);
  f.library.results = {9};
  f.rar.Extract("C:\\Out\\");
  EXPECT_EQ(f.library.lastDestination, "C:\\Out\\");
  EXPECT_EQ(f.library.calls, std::vector<std::string>{"docs\\a.txt=2"});
  EXPECT_EQ(f.Messages(), std::vector<std::string>{"UnACE|Invalid password"});
  f.questions.ExpectAllAnswered();
}

TEST(AceTest, AddRunsAce32WithItsYesSwitch) {
  TFixture f;
  f.rar.FileName = "C:\\My Files\\backup.ace";
  f.rar.AddOptions = aoUpdate | aoRecurse;
  f.rar.VolumeSize = 1'457'664;
  f.rar.Password = "pw";
  f.rar.CompressionIndex = 2;
  f.rar.Selection = {{"docs", true}};
  f.rar.Add();
  ASSERT_EQ(f.runs.size(), 1u);
  EXPECT_EQ(f.runs[0].first, "ace32.exe u -y -r -v1457 -ppw -m0 \"C:\\My Files\\backup.ace\" @C:\\Temp\\quillTempFile.$$$");
  EXPECT_EQ(f.runs[0].second, "docs\r\n");
  EXPECT_FALSE(f.volume.Has("C:\\Temp\\quillTempFile.$$$"));
  f.rar.AddOptions = aoMove;
  f.rar.VolumeSize = 0;
  f.rar.Password.clear();
  f.rar.CompressionIndex = 0;
  f.rar.FileName = "x.ace";
  EXPECT_EQ(f.rar.AddCommand("L"), " m -y -m5 x.ace @L");
}

}  // namespace
