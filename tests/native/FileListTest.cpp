// Entry names and list order beyond the basic cases: the three ways a name is split agree,
// sizes past 4 GiB order and total by their full value, ties fall back to name then extension,
// and random listings come out exactly as the comparison rules say.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "base/Path.h"
#include "fileview/File.h"
#include "fileview/FileView.h"

namespace quill {
namespace {

std::vector<std::string> FullNames(const TFiles& files) {
  std::vector<std::string> names;
  for (int i = 0; i < files.Count(); ++i) names.push_back(files.Items(i)->FullName());
  return names;
}

TEST(EntryNames, ListSplitPathSplitAndNameSplitAgree) {
  struct Case {
    const char* fileName;
    const char* name;
    const char* ext;
  } cases[] = {
      {".profile", "", "profile"}, {"archive.tar.gz", "archive.tar", "gz"}, {"Makefile", "Makefile", ""},
      {"trailing.", "trailing", ""}, {"..hidden", ".", "hidden"},          {"a.B.c", "a.B", "c"},
      {"", "", ""},
  };
  for (const Case& c : cases) {
    TFiles files;
    const TFile* listed = files.AddFile(c.fileName, 1, faArchive, 0);
    EXPECT_EQ(listed->Name(), c.name) << c.fileName;
    EXPECT_EQ(listed->Ext(), c.ext) << c.fileName;

    TFile moved;
    moved.SetPath(std::string("C:\\some.dir\\") + c.fileName);
    EXPECT_EQ(moved.Name(), c.name) << "SetPath " << c.fileName;
    EXPECT_EQ(moved.Ext(), c.ext) << "SetPath " << c.fileName;

    EXPECT_EQ(SplitName(c.fileName), std::make_pair(std::string(c.name), std::string(c.ext))) << c.fileName;
  }
  // A drive-relative path keeps only the part after the colon.
  TFile relative;
  relative.SetPath("D:notes.txt");
  EXPECT_EQ(relative.Name(), "notes");
  EXPECT_EQ(relative.Ext(), "txt");
}

TEST(EntryNames, FullNameByKind) {
  TFiles files;
  EXPECT_EQ(files.AddFile("a.b.txt", 1, faArchive, 0)->FullName(), "a.b.txt");
  EXPECT_EQ(files.AddFile(".profile", 1, faArchive, 0)->FullName(), ".profile");
  EXPECT_EQ(files.AddFile("noext", 1, faArchive, 0)->FullName(), "noext");
  EXPECT_EQ(files.AddFile("dir.with.dots", 0, faDirectory | faHidden, 0)->FullName(), "dir.with.dots");
  EXPECT_EQ(files.AddEntry("E", "Floppy", faDrive, 0, 0)->FullName(), "E:\\");
  EXPECT_EQ(files.AddEntry("/", "Network", faDrive, 0, 4)->FullName(), "/:\\");
  // Drive entries keep the whole name, dots included.
  const TFile* drive = files.AddFile("G.1", 9, faDrive, 0);
  EXPECT_EQ(drive->Name(), "G.1");
  EXPECT_EQ(drive->Size, 0u);
}

TEST(EntrySizes, ValuesPast4GiBSortAndTotalByTheirFullValue) {
  const uint64_t k4G = 1ull << 32;
  TFiles files;
  files.AddFile("huge.bin", k4G + 5, faArchive, 0);  // low half 5
  files.AddFile("ten.bin", 10, faArchive, 0);
  files.AddFile("max32.bin", k4G - 1, faArchive, 0);
  files.AddFile("exact.bin", k4G, faArchive, 0);  // low half 0
  files.AddEntry("C", "Local", faDrive, 0, 0);
  files.Sort(fstSize);
  EXPECT_EQ(FullNames(files), (std::vector<std::string>{"ten.bin", "max32.bin", "exact.bin", "huge.bin", "C:\\"}));
  EXPECT_EQ(files.FilesSize(), 3 * k4G + 14);

  // The pane's selection total is 64-bit too, counted both ways: by Select and by a list change.
  TCustomFileView view;
  view.Files().AddFile("a.iso", 3 * k4G, faArchive, 0);
  view.Files().AddFile("b.iso", 2 * k4G + 1, faArchive, 0);
  view.Select(0);
  view.Select(1);
  EXPECT_EQ(view.SelSize(), 5 * k4G + 1);
  view.Files().AddFile("c.txt", 1, faArchive, 0);  // a change recounts from the flags
  EXPECT_EQ(view.SelCount(), 2);
  EXPECT_EQ(view.SelSize(), 5 * k4G + 1);
  view.Deselect(0);
  EXPECT_EQ(view.SelSize(), 2 * k4G + 1);
}

TEST(EntrySort, EqualKeysFallBackToNameThenExtension) {
  using V = std::vector<std::string>;
  struct Case {
    TFileSortType type;
    V expected;
  } cases[] = {
      // Same size and time everywhere: name decides, then the extension (case ignored).
      {fstSize, {"a.TXT", "b.doc", "B.txt", "b.zip"}},
      {fstTime, {"a.TXT", "b.doc", "B.txt", "b.zip"}},
      {fstName, {"a.TXT", "b.doc", "B.txt", "b.zip"}},
      // By extension the name breaks ties.
      {fstExt, {"b.doc", "a.TXT", "B.txt", "b.zip"}},
  };
  for (const Case& c : cases) {
    TFiles files;
    files.AddFile("b.zip", 7, faArchive, 42);
    files.AddFile("B.txt", 7, faArchive, 42);
    files.AddFile("a.TXT", 7, faArchive, 42);
    files.AddFile("b.doc", 7, faArchive, 42);
    files.Sort(c.type);
    EXPECT_EQ(FullNames(files), c.expected) << "sort type " << c.type;
  }
}

TEST(EntrySort, FoldersFollowTimeButIgnoreExtensionAndSize) {
  auto make = [](TFiles& files) {
    files.AddEntry("..", "", faDirectory, 0, 0);
    files.AddEntry("b.old", "", faDirectory, 5, 0);
    files.AddEntry("a.new", "", faDirectory, 9, 0);
    files.AddEntry("C", "", faDirectory, 5, 0);
  };
  using V = std::vector<std::string>;
  for (TFileSortType type : {fstExt, fstSize, fstName}) {
    TFiles files;
    make(files);
    files.Sort(type);
    EXPECT_EQ(FullNames(files), (V{"..", "a.new", "b.old", "C"})) << "sort type " << type;
  }
  TFiles byTime;
  make(byTime);
  byTime.Sort(fstTime);
  EXPECT_EQ(FullNames(byTime), (V{"..", "b.old", "C", "a.new"}));
}

TEST(EntrySort, ParentIsOnlyKeptFirstWhenSpelledExactly) {
  // A lone parent entry: nothing before the files moves.
  TFiles lone;
  lone.AddEntry("..", "", faDirectory, 0, 0);
  lone.AddFile("z", 1, 0, 0);
  lone.AddFile("a", 1, 0, 0);
  lone.AddEntry("C", "Local", faDrive, 0, 0);
  lone.Sort(fstTime);
  EXPECT_EQ(FullNames(lone), (std::vector<std::string>{"..", "a", "z", "C:\\"}));

  // "..." is a folder like any other.
  TFiles dots;
  dots.AddEntry("...", "", faDirectory, 0, 0);
  dots.AddEntry("+plus", "", faDirectory, 0, 0);
  dots.Sort(fstName);
  EXPECT_EQ(FullNames(dots), (std::vector<std::string>{"+plus", "..."}));
}

// Random listings against the comparison rules written out independently. Names are unique
// without regard to case, so every order is total and the unstable sort has one right answer.
std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

struct TRef {
  std::string name, ext;
  uint64_t size, time;
  std::string FullName() const { return ext.empty() ? name : name + "." + ext; }
};

bool RefLess(const TRef& a, const TRef& b, TFileSortType type) {
  const auto name = [](const TRef& r) { return Lower(r.name); };
  const auto ext = [](const TRef& r) { return Lower(r.ext); };
  switch (type) {
    case fstExt: return std::make_tuple(ext(a), name(a)) < std::make_tuple(ext(b), name(b));
    case fstSize: return std::make_tuple(a.size, name(a), ext(a)) < std::make_tuple(b.size, name(b), ext(b));
    case fstTime: return std::make_tuple(a.time, name(a), ext(a)) < std::make_tuple(b.time, name(b), ext(b));
    default: return std::make_tuple(name(a), ext(a)) < std::make_tuple(name(b), ext(b));
  }
}

TEST(EntrySort, RandomListingsMatchTheRules) {
  std::mt19937 random(20261208);
  const std::string letters = "aAbBc_1~";
  const uint64_t sizes[] = {0, 1, 4095, 1ull << 32, (1ull << 32) + 1, 0xFFFFFFFFull};
  auto word = [&](int maxLen) {
    std::string w;
    const int len = 1 + static_cast<int>(random() % maxLen);
    for (int i = 0; i < len; ++i) w += letters[random() % letters.size()];
    return w;
  };
  for (int round = 0; round < 60; ++round) {
    std::vector<TRef> folders, files;
    std::set<std::string> seen;
    const int folderCount = static_cast<int>(random() % 12);
    const int fileCount = static_cast<int>(random() % 300);
    while (static_cast<int>(folders.size()) < folderCount) {
      TRef r{word(4), "", 0, random() % 4};
      if (seen.insert(Lower(r.name)).second) folders.push_back(r);
    }
    while (static_cast<int>(files.size()) < fileCount) {
      TRef r{word(3), random() % 4 ? word(2) : "", sizes[random() % 6], random() % 5};
      if (seen.insert(Lower(r.FullName())).second) files.push_back(r);
    }
    const bool withParent = random() % 2;
    for (TFileSortType type : {fstName, fstExt, fstSize, fstTime}) {
      TFiles list;
      if (withParent) list.AddEntry("..", "", faDirectory, 99, 0);
      for (const TRef& r : folders) list.AddEntry(r.name, "", faDirectory, r.time, 0);
      for (const TRef& r : files) list.AddFile(r.FullName(), r.size, faArchive, r.time);
      list.AddEntry("D", "CDROM", faDrive, 0, 0);
      list.AddEntry("A", "Floppy", faDrive, 0, 0);
      list.Sort(type);

      std::vector<TRef> sortedFolders = folders, sortedFiles = files;
      const TFileSortType folderType = (type == fstExt || type == fstSize) ? fstName : type;
      std::sort(sortedFolders.begin(), sortedFolders.end(),
                [&](const TRef& a, const TRef& b) { return RefLess(a, b, folderType); });
      std::sort(sortedFiles.begin(), sortedFiles.end(),
                [&](const TRef& a, const TRef& b) { return RefLess(a, b, type); });
      std::vector<std::string> expected;
      if (withParent) expected.push_back("..");
      for (const TRef& r : sortedFolders) expected.push_back(r.FullName());
      for (const TRef& r : sortedFiles) expected.push_back(r.FullName());
      expected.push_back("D:\\");
      expected.push_back("A:\\");
      ASSERT_EQ(FullNames(list), expected) << "round " << round << " sort type " << type;
      for (int i = 0; i < list.Count(); ++i) ASSERT_EQ(list.Items(i)->Index, i);
    }
  }
}

}  // namespace
}  // namespace quill
