#include "archive/Rar.h"

#include <gtest/gtest.h>

#include "tests/native/FakeArchiveLibrary.h"

using namespace quill;

namespace {

constexpr uint32_t kFolderFlags = 0xE0;
constexpr uint32_t kEncrypted = 0x04;
using TFakeRarLibrary = test::TFakeArchiveLibrary;
using TFixture = test::TLibraryFixture<TRar>;
using test::kDosTime;

std::vector<std::string> Paths(const std::vector<TArchiveItem>& items) {
  std::vector<std::string> paths;
  for (const TArchiveItem& item : items) paths.push_back(item.path);
  return paths;
}

TEST(RarTest, ListMakesFoldersAndFilesAndTellsTheLibrarysFailuresAsGiven) {
  TFixture f;
  f.library.headers = {TFakeRarLibrary::Header("docs", 0, kFolderFlags, 0x10),
                       TFakeRarLibrary::Header("docs\\a.txt", 6'000'000'000ull),
                       // A Unix host's mode, not a DOS attribute: the flags still say "folder".
                       TFakeRarLibrary::Header("bin", 0, kFolderFlags, 0x41ED),
                       TFakeRarLibrary::Header("deep\\er\\x.bin", 30)};
  // A damaged entry (12) and one the library could not create (16) do not end the listing.
  f.library.results = {0, kRarBadData, kRarCreateFailed, 0};
  f.rar.Open("C:\\a.rar");
  EXPECT_EQ(f.library.openMode, 0);
  EXPECT_EQ(f.library.calls, (std::vector<std::string>{"docs=0", "docs\\a.txt=0", "bin=0", "deep\\er\\x.bin=0"}));
  EXPECT_EQ(Paths(f.rar.Files), (std::vector<std::string>{"docs\\a.txt", "deep\\er\\x.bin"}));
  EXPECT_EQ(Paths(f.rar.Folders), (std::vector<std::string>{"docs", "bin", "deep\\er", "deep"}));
  EXPECT_EQ(f.rar.Files[0].entry.name, "a.txt");
  EXPECT_EQ(f.rar.Files[0].entry.time, 133536860560000000ull);
  EXPECT_EQ(f.rar.OriginalTotal(), 6'000'000'030ull);
  EXPECT_TRUE(f.rar.Folders[1].entry.attributes & kArchiveFolderAttribute);
  // The listing's volume callback always stops: the opened volume alone is listed.
  std::string volume = "a.part2.rar";
  f.rar.Open("C:\\a.rar");
  EXPECT_EQ(f.rar.ChangeVolume(volume, 0), 0);
  EXPECT_TRUE(f.Messages().empty());
  EXPECT_EQ(f.library.loads, f.library.frees);
  EXPECT_EQ(f.library.closes, 2);

  // Any other result is shown as its number and ends the listing; 15 ends it silently; a
  // header that does not read (12) is told in words.
  for (int i = 0; i < 5; ++i) f.questions.AnswerMessage(mrOk);
  f.library.results = {21};
  f.rar.Open("C:\\a.rar");
  EXPECT_EQ(f.rar.Files.size(), 0u);
  f.library.results = {kRarOpenFailed};
  f.rar.Open("C:\\a.rar");
  f.library.results = {};
  f.library.endCode = kRarBadData;
  f.rar.Open("C:\\a.rar");
  EXPECT_EQ(f.rar.Files.size(), 2u);
  EXPECT_EQ(f.Messages(), (std::vector<std::string>{"|21", "UnRAR|Fatal Error : Bad CRC Data"}));

  // A file that is no RAR archive, and no library at all: told, nothing listed, the name gone.
  f.library.openResult = 13;
  f.rar.Open("C:\\a.rar");
  EXPECT_TRUE(f.rar.FileName.empty());
  f.library.openResult = 0;
  f.library.missing = true;
  f.rar.Open("C:\\a.rar");
  EXPECT_TRUE(f.rar.Files.empty());
  EXPECT_EQ(f.Messages().back(), "UnRAR|UNRAR.DLL, Can't find Dll file");
  EXPECT_EQ(f.Messages()[2], "UnRAR|This is not a RAR archive file");
  EXPECT_EQ(f.library.loads, f.library.frees + 1);  // the missing one was never loaded
}

TEST(RarTest, SelectionComparesWholeComponents) {
  TFixture f;
  f.rar.Selection = {{"docs", true}, {"Notes\\*.*", true}, {"top.txt", false}};
  EXPECT_TRUE(f.rar.Selected("docs"));
  EXPECT_TRUE(f.rar.Selected("DOCS\\a.txt"));
  EXPECT_TRUE(f.rar.Selected("notes\\x\\y.txt"));
  EXPECT_TRUE(f.rar.Selected("top.txt"));
  EXPECT_FALSE(f.rar.Selected("docs2\\b.txt"));
  EXPECT_FALSE(f.rar.Selected("top.txt.bak"));
  EXPECT_FALSE(f.rar.Selected("doc"));
  f.rar.Selection.clear();
  EXPECT_TRUE(f.rar.Selected("anything\\at\\all"));
}

TEST(RarTest, ExtractRunsSelectedEntriesWithTotalsPasswordAndOverwriteAnswers) {
  TFixture f;
  f.library.headers = {TFakeRarLibrary::Header("docs", 0, kFolderFlags, 0x10),
                       TFakeRarLibrary::Header("docs\\a.txt", 100, kEncrypted),
                       TFakeRarLibrary::Header("docs\\b.txt", 200, kEncrypted),
                       TFakeRarLibrary::Header("docs2\\c.txt", 300),
                       TFakeRarLibrary::Header("..\\evil.txt", 5),
                       TFakeRarLibrary::Header("docs\\old.txt", 7)};
  f.rar.Open("C:\\a.rar");
  f.library.calls.clear();
  f.volume.MakeFolder("C:\\Out\\docs");
  f.volume.MakeFile("C:\\Out\\docs\\old.txt", 1, faReadOnly);
  f.rar.Selection = {{"docs", true}, {"..\\evil.txt", false}};
  f.rar.OnChangeVolume = [](const std::string& volume, int32_t& mode) {
    EXPECT_EQ(volume, "b.part2.rar");
    mode = 1;
  };
  f.rar.OnFileExists = [](TArchive&, const TFile&, uint32_t& answer, const std::string& target) {
    EXPECT_EQ(target, "C:\\Out\\docs\\old.txt");
    answer = feOverwrite;
  };
  f.questions.AnswerText("secret");
  f.progress.clear();
  f.rar.Extract("C:\\Out");

  EXPECT_EQ(f.library.openMode, 1);
  EXPECT_EQ(f.library.lastDestination, "C:\\Out");
  // Only selected entries are extracted, whole components deciding; the unsafe name never
  // reaches the library and is told.
  EXPECT_EQ(f.library.calls, (std::vector<std::string>{"docs=2", "docs\\a.txt=2", "docs\\b.txt=2", "docs2\\c.txt=0",
                                                       "..\\evil.txt=0", "docs\\old.txt=2"}));
  ASSERT_EQ(f.rar.Problems.size(), 1u);
  EXPECT_EQ(f.rar.Problems[0], "..\\evil.txt: File create failed");
  // The password is asked once and handed over once.
  EXPECT_EQ(f.questions.CountAsked(test::TQuestionKind::AskText), 1u);
  EXPECT_EQ(f.library.passwords, std::vector<std::string>{"secret"});
  // Totals first (the selected files: a, b, old = 307 bytes, evil counted as selected), then
  // each file, the blocks, and the end.
  ASSERT_GE(f.progress.size(), 3u);
  EXPECT_EQ(f.progress[0], "3:4");
  EXPECT_EQ(f.progress[1], "4:312");
  // No new-file report for the folder: its block comes before the first file's.
  EXPECT_EQ(f.progress[2], "1:1000");
  EXPECT_EQ(f.progress[3], "0:100:docs\\a.txt");
  EXPECT_EQ(f.progress.back(), "2:0");
  EXPECT_EQ(f.library.volumeAnswers, (std::vector<int>{1, 1, 1, 1}));
  EXPECT_EQ(f.library.dataAnswers, (std::vector<int>{1, 1, 1, 1}));
  // Overwrite keeps the old file until the library replaces it, read-only or not.
  EXPECT_TRUE(f.volume.Has("C:\\Out\\docs\\old.txt"));
  EXPECT_FALSE(f.volume.Node("C:\\Out\\docs\\old.txt").attributes & faReadOnly);
  EXPECT_TRUE(f.Messages().empty());
  EXPECT_EQ(f.library.loads, f.library.frees);
  f.questions.ExpectAllAnswered();
}

TEST(RarTest, ExtractStopsOnWrongPasswordCancelAndAbortTellingOnlyWhatTheUserDidNotCause) {
  TFixture f;
  f.library.headers = {TFakeRarLibrary::Header("a.txt", 10, kEncrypted), TFakeRarLibrary::Header("b.txt", 10, kEncrypted),
                       TFakeRarLibrary::Header("c.txt", 10)};
  f.rar.Open("C:\\a.rar");
  f.library.calls.clear();
  f.questions.AnswerMessage(mrOk);

  // A wrong password: "Invalid password" once, the extraction stops.
  f.questions.AnswerText("wrong");
  f.library.results = {kRarBadPassword};
  f.rar.Extract("C:\\Out");
  EXPECT_EQ(f.library.calls, std::vector<std::string>{"a.txt=2"});
  EXPECT_EQ(f.Messages(), std::vector<std::string>{"UnRAR|Invalid password"});

  // No password given: the encrypted entries are left out and told, the rest extracted, the
  // user asked again at the next one.
  f.rar.Password.clear();
  f.library.calls.clear();
  f.questions.CancelText();
  f.questions.CancelText();
  f.rar.Extract("C:\\Out");
  EXPECT_EQ(f.library.calls, (std::vector<std::string>{"a.txt=0", "b.txt=0", "c.txt=2"}));
  EXPECT_EQ(f.rar.Problems.size(), 2u);

  // Cancel in the progress dialog: the data callback says stop, the library's error that
  // follows is not shown.
  f.rar.Password = "right";
  f.library.calls.clear();
  f.rar.OnProgress = [&](TArchive& a, TProgressKind kind, uint64_t, const std::string&) {
    if (kind == pkBytes) a.Abort = true;
  };
  f.library.results = {kRarBadData};
  f.rar.Extract("C:\\Out");
  EXPECT_EQ(f.library.calls, std::vector<std::string>{"a.txt=2"});
  EXPECT_EQ(f.library.dataAnswers.back(), 0);
  EXPECT_EQ(f.Messages().size(), 1u);

  // The replace question's Cancel stops before the entry.
  f.rar.OnProgress = nullptr;
  f.library.calls.clear();
  f.volume.MakeFile("C:\\Out\\a.txt");
  f.rar.OnFileExists = [](TArchive&, const TFile&, uint32_t& answer, const std::string&) { answer = feCancel; };
  f.rar.Extract("C:\\Out");
  EXPECT_TRUE(f.library.calls.empty());
  EXPECT_EQ(f.library.loads, f.library.frees);
  f.questions.ExpectAllAnswered();
}

TEST(RarTest, AddRunsTheArchiverWithItsCommandTextAndRemovesTheListFile) {
  TFixture f;
  f.rar.FileName = "backup.rar";
  f.rar.AddOptions = aoMove | aoRecurse;
  f.rar.VolumeSize = 1'440'000;
  f.rar.CompressionIndex = 0;
  EXPECT_EQ(f.rar.AddCommand("C:\\TEMP\\quillTempFile.$$$"), " m -r -v1440 -m5 backup.rar @C:\\TEMP\\quillTempFile.$$$");
  f.rar.AddOptions = aoUpdate;
  f.rar.VolumeSize = 0;
  f.rar.Password = "pw";
  f.rar.CompressionIndex = 2;
  EXPECT_EQ(f.rar.AddCommand("L"), " u -ppw -m0 backup.rar @L");
  f.rar.AddOptions = aoFreshen;
  f.rar.Password.clear();
  f.rar.CompressionIndex = 1;
  // A blank would split the path into two arguments.
  f.rar.FileName = "C:\\My Files\\b.rar";
  EXPECT_EQ(f.rar.AddCommand("L"), " f -m3 \"C:\\My Files\\b.rar\" @L");

  f.rar.AddOptions = 0;
  f.rar.ProgramPath = "C:\\Tools\\rar.exe";
  f.rar.Selection = {{"C:\\Out\\one.txt", false}, {"C:\\Out\\sub", true}};
  f.rar.Add();
  ASSERT_EQ(f.runs.size(), 1u);
  EXPECT_EQ(f.runs[0].first, "C:\\Tools\\rar.exe a -m3 \"C:\\My Files\\b.rar\" @C:\\Temp\\quillTempFile.$$$");
  EXPECT_EQ(f.runs[0].second, "C:\\Out\\one.txt\r\nC:\\Out\\sub\r\n");
  EXPECT_FALSE(f.volume.Has("C:\\Temp\\quillTempFile.$$$"));
}

}  // namespace
