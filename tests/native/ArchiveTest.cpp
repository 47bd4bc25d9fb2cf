#include "archive/Archive.h"

#include <gtest/gtest.h>

#include "tests/native/ScriptedQuestions.h"
#include "tests/native/StringTableFile.h"

using namespace quill;

namespace {

ArchiveEntry Entry(std::string name, uint64_t original = 0, uint64_t packed = 0, uint64_t time = 0,
                   uint32_t attributes = 0x20) {
  ArchiveEntry e;
  e.name = std::move(name);
  e.originalSize = original;
  e.packedSize = packed;
  e.time = time;
  e.attributes = attributes;
  return e;
}

std::string LastOf(const std::string& path) { return path.substr(path.rfind('\\') + 1); }

void AddFile(TArchive& a, const std::string& path, uint64_t original = 0, uint64_t packed = 0, uint64_t time = 0) {
  a.AddFileEntry(path, Entry(LastOf(path), original, packed, time));
}
void AddFolder(TArchive& a, const std::string& path, uint64_t time = 0) {
  a.AddFolderEntry(path, Entry(LastOf(path), 0, 0, time, 0x10));
}

// The names FillList gives for the current folder, folders marked with a trailing "\".
std::vector<std::string> Shown(const TArchive& a) {
  TFiles list;
  a.FillList(list);
  std::vector<std::string> names;
  for (int i = 0; i < list.Count(); ++i)
    names.push_back(list.Items(i)->FullName() + (list.Items(i)->IsFolder() ? "\\" : ""));
  return names;
}

using Names = std::vector<std::string>;

}  // namespace

TEST(ArchiveTest, BuildFoldersSynthesisesMissingFoldersWithTheFilesTimeAndSetsEveryParent) {
  TArchive a;
  AddFile(a, "docs\\a.txt", 10, 5, 111);
  AddFile(a, "docs\\b.txt", 10, 5, 222);
  AddFile(a, "top.txt", 1, 1, 333);
  AddFolder(a, "Zeta", 444);             // stored, out of order: keeps its place
  AddFile(a, "deep\\x\\y\\z.bin", 7, 7, 555);
  AddFile(a, "DOCS\\c.txt", 1, 1, 666);  // another case of a known folder: no new folder
  AddFolder(a, "lone\\empty", 777);      // a stored folder inside a folder that is not stored
  a.BuildFolders();

  std::vector<std::string> paths;
  for (const auto& f : a.Folders) paths.push_back(f.path);
  EXPECT_EQ(paths, (Names{"Zeta", "lone\\empty", "docs", "deep\\x\\y", "deep\\x", "deep", "lone"}));
  const int docs = a.FindFolder("docs");
  ASSERT_EQ(docs, 2);
  EXPECT_EQ(a.Folders[docs].entry.name, "docs");
  EXPECT_EQ(a.Folders[docs].entry.time, 111u);  // the first file met in it
  EXPECT_EQ(a.Folders[docs].entry.attributes, 0x10u);
  EXPECT_EQ(a.Folders[docs].entry.originalSize, 0u);
  EXPECT_EQ(a.Folders[a.FindFolder("deep")].entry.time, 555u);
  EXPECT_EQ(a.Folders[a.FindFolder("lone")].entry.time, 777u);
  EXPECT_EQ(a.FindFolder("DEEP\\X"), a.FindFolder("deep\\x"));
  EXPECT_EQ(a.FindFolder("deep\\"), -1);
  EXPECT_EQ(a.FindFolder("nowhere"), -1);
  EXPECT_EQ(a.FindFolder(""), -1);

  // Every parent index names the folder part of the path.
  for (const auto* list : {&a.Folders, &a.Files})
    for (const TArchiveItem& item : *list) {
      const size_t slash = item.path.rfind('\\');
      if (slash == std::string::npos) {
        EXPECT_EQ(item.entry.parent, -1) << item.path;
      } else {
        ASSERT_GE(item.entry.parent, 0) << item.path;
        EXPECT_TRUE(TAsciiCollator::Instance().SameName(a.Folders[item.entry.parent].path, item.path.substr(0, slash)))
            << item.path;
      }
    }
  EXPECT_EQ(a.ItemCount(), 5 + 7);

  // Building again changes nothing.
  a.BuildFolders();
  EXPECT_EQ(a.Folders.size(), 7u);
}

TEST(ArchiveTest, ChangeFolderMovesByNameUpAndFromTheRootAndRefusesUnknownFolders) {
  TArchive a;
  AddFile(a, "docs\\sub\\deep\\f.txt");
  AddFile(a, "docs\\a.txt");
  AddFile(a, "root.txt");
  a.BuildFolders();

  EXPECT_TRUE(a.ChangeFolder(""));
  EXPECT_EQ(a.CurrentFolder, "");
  EXPECT_TRUE(a.ChangeFolder("docs"));
  EXPECT_EQ(a.CurrentFolder, "docs");
  EXPECT_TRUE(a.ChangeFolder("sub\\"));  // one trailing "\" goes
  EXPECT_EQ(a.CurrentFolder, "docs\\sub");
  EXPECT_TRUE(a.ChangeFolder(".."));
  EXPECT_EQ(a.CurrentFolder, "docs");
  EXPECT_FALSE(a.ChangeFolder("missing"));
  EXPECT_EQ(a.CurrentFolder, "docs");
  EXPECT_FALSE(a.ChangeFolder("a.txt"));  // a file is not a folder
  EXPECT_EQ(a.CurrentFolder, "docs");
  EXPECT_TRUE(a.ChangeFolder("\\docs\\sub\\deep"));
  EXPECT_EQ(a.CurrentFolder, "docs\\sub\\deep");
  EXPECT_FALSE(a.ChangeFolder("\\nope"));
  EXPECT_EQ(a.CurrentFolder, "docs\\sub\\deep");
  EXPECT_TRUE(a.ChangeFolder("\\"));
  EXPECT_EQ(a.CurrentFolder, "");
  EXPECT_TRUE(a.ChangeFolder(".."));  // the root stays the root
  EXPECT_EQ(a.CurrentFolder, "");
  EXPECT_TRUE(a.ChangeFolder("DOCS"));  // case-insensitive; the typed case is kept
  EXPECT_EQ(a.CurrentFolder, "DOCS");
  EXPECT_TRUE(a.ChangeFolder("Sub"));
  EXPECT_EQ(Shown(a), (Names{"deep\\"}));
  EXPECT_FALSE(a.ChangeFolder("\\docs" + std::string(300, 'x')));
  EXPECT_EQ(a.CurrentFolder, "DOCS\\Sub");

  // A path from the root is cut at 255 characters.
  TArchive b;
  const std::string longPath = "docs\\" + std::string(250, 'x');
  AddFile(b, longPath + "\\f.txt");
  b.BuildFolders();
  EXPECT_TRUE(b.ChangeFolder("\\" + longPath + "\\more"));
  EXPECT_EQ(b.CurrentFolder, longPath);
}

TEST(ArchiveTest, FillListGivesTheCurrentFoldersFoldersThenFilesInArchiveOrder) {
  TArchive a;
  AddFile(a, "z.txt", 100, 50, 9);
  AddFile(a, "docs\\a.txt", 7, 3, 8);
  AddFolder(a, "b-folder");
  AddFile(a, "a.txt", 5, 5, 7);
  AddFile(a, "docs\\sub\\s.txt");
  a.BuildFolders();

  EXPECT_EQ(Shown(a), (Names{"b-folder\\", "docs\\", "z.txt", "a.txt"}));
  TFiles list;
  a.FillList(list);
  EXPECT_EQ(list.Items(2)->Size, 100u);
  EXPECT_EQ(list.Items(2)->Time, 9u);
  EXPECT_EQ(list.Items(2)->Ext(), "txt");
  EXPECT_EQ(list.Items(1)->Time, 8u);  // docs took a.txt's time

  ASSERT_TRUE(a.ChangeFolder("docs"));
  EXPECT_EQ(Shown(a), (Names{"sub\\", "a.txt"}));
  // A current folder that is not there (set from outside) shows nothing.
  a.CurrentFolder = "gone";
  EXPECT_EQ(Shown(a), Names{});
  // An empty archive shows nothing at its root.
  TArchive empty;
  empty.BuildFolders();
  EXPECT_EQ(Shown(empty), Names{});
}

TEST(ArchiveTest, TotalsAndRatioRoundUpAndStayWideBeyond32Bits) {
  TArchive a;
  EXPECT_EQ(a.Ratio(), 0u);  // no bytes at all
  AddFile(a, "a", 600, 200);
  AddFile(a, "b", 400, 130);
  AddFolder(a, "f");
  EXPECT_EQ(a.OriginalTotal(), 1000u);
  EXPECT_EQ(a.PackedTotal(), 330u);
  EXPECT_EQ(a.Ratio(), 33u);
  a.Files[1].entry.packedSize = 133;
  EXPECT_EQ(a.Ratio(), 34u);
  a.Files[1].entry.packedSize = 1;
  EXPECT_EQ(a.Ratio(), 21u);

  TArchive big;
  AddFile(big, "huge", 5'000'000'000ull, 4'000'000'000ull);
  AddFile(big, "huge2", 5'000'000'000ull, 4'000'000'001ull);
  EXPECT_EQ(big.OriginalTotal(), 10'000'000'000ull);
  EXPECT_EQ(big.PackedTotal(), 8'000'000'001ull);
  EXPECT_EQ(big.Ratio(), 81u);
  TArchive packedOnly;
  AddFile(packedOnly, "stored-nothing", 0, 10);
  EXPECT_EQ(packedOnly.Ratio(), 0u);

  big.ClearEntries();
  EXPECT_EQ(big.ItemCount(), 0);
  EXPECT_EQ(big.FindFolder("x"), -1);
}

TEST(ArchiveTest, PasswordIsAskedMaskedWithTheTableTextsAndSelectedFoldersExpand) {
  test::TScriptedQuestions questions;
  TArchiveServices services;
  services.questions = &questions;
  services.texts = test::TableText;
  TArchive a(services);
  questions.AnswerText("s3cret");
  questions.CancelText();
  std::string password = "stale";
  EXPECT_TRUE(a.AskPassword(password));
  EXPECT_EQ(password, "s3cret");
  EXPECT_FALSE(a.AskPassword(password));
  EXPECT_EQ(password, "");
  ASSERT_EQ(questions.Asked().size(), 2u);
  const test::TAskedQuestion& q = questions.Asked()[0];
  EXPECT_EQ(q.caption, "Confirm password");
  EXPECT_EQ(q.text, "\n\npassword");
  EXPECT_EQ(q.passwordChar, '*');
  EXPECT_EQ(q.initial, "");
  questions.ExpectAllAnswered();

  std::vector<TSelectionItem> selection = {{"docs", true}, {"docs\\a.txt", false}, {"x\\y", true}};
  TArchive::ExpandFolders(selection);
  EXPECT_EQ(selection[0].path, "docs\\*.*");
  EXPECT_EQ(selection[1].path, "docs\\a.txt");
  EXPECT_EQ(selection[2].path, "x\\y\\*.*");
}

TEST(ArchiveTest, TheMessagesOfTheArchiveReadersAreInTheStringTable) {
  const std::pair<int, const char*> expected[] = {
      {30100, "End of the file"}, {30104, "This is not a %s archive file"}, {30302, "%s, Can't find Dll file"},
      {30306, "Already exists same named file"}, {30400, "\n\npassword"}, {30401, "Confirm password"},
      {10101, "Fatal Error in ZipDLL.DLL: abort exception"}, {10202, "Unknown error in List() function\n"},
      {10203, "Warning - Error in zip structure!"}, {10604, "ZIPDLL.DLL not found!"},
      {10704, "UNZDLL.DLL not found!"}, {11001, "Input file does not exist"},
      {11034, "Please insert disk volume %.1d of %.1d"}, {11036, "This archive is not a valid Zip archive"},
      {11043, "Seek error while skipping a EOC structure"}};
  for (const auto& [id, text] : expected) EXPECT_EQ(test::TableText(id), text) << id;
  // Every id the two tables name is there.
  const int ids[] = {30100, 30101, 30102, 30103, 30104, 30201, 30202, 30203, 30204, 30205, 30300, 30301,
                     30302, 30303, 30304, 30305, 30306, 30400, 30401, 10101, 10102, 10103, 10104, 10185,
                     10201, 10202, 10203, 10204, 10301, 10302, 10401, 10501, 10502, 10503, 10601, 10602,
                     10603, 10604, 10701, 10702, 10703, 10704, 11042, 11043};
  for (int id : ids) EXPECT_FALSE(test::TableText(id).empty()) << id;
  for (int id = 11001; id <= 11036; ++id)
    if (id != 11024 && id != 11025) {
      EXPECT_FALSE(test::TableText(id).empty()) << id;
    }
}
