// The entry list: names, kinds, growth, the update bracket, look-ups and the sort rules.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fileview/File.h"

namespace quill {
namespace {

std::vector<std::string> Names(const TFiles& files) {
  std::vector<std::string> names;
  for (int i = 0; i < files.Count(); ++i) names.push_back(files.Items(i)->FullName());
  return names;
}

TEST(FileEntry, NamesSplitAtTheLastDotAndKindsFollowAttributes) {
  struct Case {
    const char* file;
    const char* name;
    const char* ext;
  } cases[] = {{".profile", "", "profile"}, {"archive.tar.gz", "archive.tar", "gz"}, {"README", "README", ""},
               {"a.b.", "a.b", ""}};
  TFiles files;
  for (const Case& c : cases) {
    TFile* f = files.AddFile(c.file, 10, faArchive, 5);
    EXPECT_EQ(f->Name(), c.name) << c.file;
    EXPECT_EQ(f->Ext(), c.ext) << c.file;
    EXPECT_EQ(f->Kind(), kKindFile);
  }
  EXPECT_EQ(files.Items(2)->FullName(), "README");
  EXPECT_EQ(files.Items(0)->FullName(), ".profile");

  TFile* folder = files.AddFile("my.folder", 99, faDirectory, 0);
  EXPECT_EQ(folder->Name(), "my.folder");
  EXPECT_EQ(folder->Size, 0u) << "folders carry no size";
  EXPECT_EQ(folder->FullName(), "my.folder");
  TFile* drive = files.AddEntry("C", "Local", faDrive, 0, 0);
  EXPECT_EQ(drive->Kind(), kKindDrive);
  EXPECT_EQ(drive->FullName(), "C:\\");
  // A folder with the drive bit too is a folder: the bits are tested in that order.
  EXPECT_EQ(files.AddEntry("x", "", faDirectory | faDrive, 0, 0)->Kind(), kKindFolder);

  drive->SetPath("D:\\other");
  EXPECT_EQ(drive->Name(), "C");
  folder->SetPath("C:\\a\\b");
  EXPECT_EQ(folder->Name(), "C:\\a\\b");
  files.Items(0)->SetPath("C:\\dir.x\\new.name.txt");
  EXPECT_EQ(files.Items(0)->Name(), "new.name");
  EXPECT_EQ(files.Items(0)->Ext(), "txt");
}

TEST(FileList, GrowsByTheRuleAndIgnoresPositionsOutsideIt) {
  TFiles files;
  std::vector<int> capacities;
  for (int i = 0; i < 100; ++i) {
    files.AddFile("f" + std::to_string(i), 1, 0, 0);
    if (capacities.empty() || capacities.back() != files.Capacity()) capacities.push_back(files.Capacity());
  }
  EXPECT_EQ(capacities, (std::vector<int>{4, 8, 12, 28, 44, 60, 76, 95, 118}));
  EXPECT_EQ(files.Items(-1), nullptr);
  EXPECT_EQ(files.Items(100), nullptr);
  files.Delete(-1);
  files.Delete(100);
  EXPECT_EQ(files.Count(), 100);
  files.Delete(0);
  EXPECT_EQ(files.Count(), 99);
  EXPECT_EQ(files.Items(0)->Name(), "f1");
  files.Clear();
  EXPECT_EQ(files.Count(), 0);
  EXPECT_EQ(files.Capacity(), 0);
}

TEST(FileList, ChangedRenumbersAndFiresOnlyOutsideTheBracket) {
  TFiles files;
  int changes = 0;
  files.OnChange = [&](TFiles&) { ++changes; };
  files.BeginUpdate();
  files.BeginUpdate();
  files.AddFile("b", 1, 0, 0);
  files.AddFile("a", 1, 0, 0);
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(files.Items(1)->Index, -1) << "numbered only by a change outside the bracket";
  files.EndUpdate();
  EXPECT_EQ(changes, 0);
  EXPECT_TRUE(files.Updating());
  files.EndUpdate();
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(files.Items(1)->Index, 1);
  files.EndUpdate();  // not below zero: the next bracket still holds changes back
  EXPECT_EQ(changes, 2);
  files.BeginUpdate();
  files.AddFile("c", 1, 0, 0);
  EXPECT_EQ(changes, 2);
  files.EndUpdate();
  EXPECT_EQ(changes, 3);
  files.Clear();
  EXPECT_EQ(changes, 3) << "Clear does not report";
}

TEST(FileList, IndexOfIgnoresCaseAndCountsKindsAndSizes) {
  TFiles files;
  files.AddEntry("..", "", faDirectory, 0, 0);
  files.AddFile("Docs", 0, faDirectory, 0);
  files.AddFile("README.txt", 5ull << 30, 0, 0);
  files.AddFile("small.bin", 3, 0, 0);
  files.AddEntry("C", "Local", faDrive, 0, 0);
  files.AddEntry("/", "Network", faDrive, 0, 4);
  EXPECT_EQ(files.IndexOf("readme.TXT"), 2);
  EXPECT_EQ(files.IndexOf("DOCS"), 1);
  EXPECT_EQ(files.IndexOf("c:\\"), 4);
  EXPECT_EQ(files.IndexOf("readme"), -1);
  EXPECT_EQ(files.CountKind(kKindFolder), 2);
  EXPECT_EQ(files.CountKind(kKindFile), 2);
  EXPECT_EQ(files.CountKind(kKindDrive), 2);
  EXPECT_EQ(files.FilesSize(), (5ull << 30) + 3) << "64-bit, files only";
}

TFiles* Listing(TFiles& files) {
  files.AddEntry("..", "", faDirectory, 0, 0);
  files.AddEntry("zeta", "", faDirectory, 3, 0);
  files.AddEntry("Alpha", "", faDirectory, 9, 0);
  files.AddEntry("beta", "", faDirectory, 1, 0);
  files.AddFile("b.txt", 30, 0, 2);
  files.AddFile("a.zip", 10, 0, 2);
  files.AddFile("c.txt", 10, 0, 1);
  files.AddFile("A.doc", 20, 0, 3);
  files.AddFile("big.iso", 6ull << 30, 0, 0);
  files.AddFile("noext", 10, 0, 2);
  files.AddEntry("D", "CDROM", faDrive, 0, 0);
  files.AddEntry("C", "Local", faDrive, 0, 0);
  files.AddEntry("/", "Network", faDrive, 0, 4);
  return &files;
}

TEST(FileSort, ParentStaysFirstFoldersByNameDrivesNeverMove) {
  using V = std::vector<std::string>;
  const V folders = {"..", "Alpha", "beta", "zeta"};
  const V drives = {"D:\\", "C:\\", "/:\\"};
  struct Case {
    TFileSortType type;
    V folders, files;
  } cases[] = {
      {fstName, folders, {"A.doc", "a.zip", "b.txt", "big.iso", "c.txt", "noext"}},
      {fstExt, folders, {"noext", "A.doc", "big.iso", "b.txt", "c.txt", "a.zip"}},
      // Equal sizes fall back to name, then extension.
      {fstSize, folders, {"a.zip", "c.txt", "noext", "A.doc", "b.txt", "big.iso"}},
      // Folders by time too; equal times by name then extension.
      {fstTime, {"..", "beta", "zeta", "Alpha"}, {"big.iso", "c.txt", "a.zip", "b.txt", "noext", "A.doc"}},
  };
  for (const Case& c : cases) {
    TFiles files;
    Listing(files);
    files.Sort(c.type);
    V expected = c.folders;
    expected.insert(expected.end(), c.files.begin(), c.files.end());
    expected.insert(expected.end(), drives.begin(), drives.end());
    EXPECT_EQ(Names(files), expected) << "sort type " << c.type;
    for (int i = 0; i < files.Count(); ++i) EXPECT_EQ(files.Items(i)->Index, i);
  }
}

TEST(FileSort, NoneKeepsOrderAndALoneParentIsNotSorted) {
  TFiles files;
  Listing(files);
  const auto before = Names(files);
  int changes = 0;
  files.OnChange = [&](TFiles&) { ++changes; };
  files.Sort(fstNone);
  EXPECT_EQ(Names(files), before);
  EXPECT_EQ(changes, 0);

  TFiles single;
  single.AddEntry("..", "", faDirectory, 0, 0);
  single.AddFile("b", 1, 0, 0);
  single.AddFile("a", 1, 0, 0);
  single.Sort(fstName);
  EXPECT_EQ(Names(single), (std::vector<std::string>{"..", "a", "b"}));

  // Without a parent entry the first folder takes part in the sort.
  TFiles noParent;
  noParent.AddEntry("b", "", faDirectory, 0, 0);
  noParent.AddEntry("a", "", faDirectory, 0, 0);
  noParent.Sort(fstExt);
  EXPECT_EQ(Names(noParent), (std::vector<std::string>{"a", "b"}));
}

TEST(FileSort, LargeListsSortLikeTheComparisonSays) {
  TFiles files;
  for (int i = 0; i < 5000; ++i)
    files.AddFile("n" + std::to_string((i * 7919) % 5003) + "." + std::string(1, static_cast<char>('a' + i % 7)),
                  static_cast<uint64_t>((i * 31) % 97), 0, 0);
  files.Sort(fstSize);
  for (int i = 1; i < files.Count(); ++i) {
    const TFile* a = files.Items(i - 1);
    const TFile* b = files.Items(i);
    ASSERT_LE(a->Size, b->Size);
    if (a->Size == b->Size) {
      ASSERT_LE(TAsciiCollator::Instance().Compare(a->Name(), b->Name()), 0);
    }
  }
}

}  // namespace
}  // namespace quill
