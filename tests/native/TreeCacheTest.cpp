#include "tree/TreeCache.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeVolume.h"
#include "base/Text.h"

namespace quill {
namespace {

using test::TFakeVolume;

const std::string kBom = "\xEF\xBB\xBF";

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

std::vector<std::string> Saved(const TTreeItems& items) {
  std::vector<std::string> lines;
  items.SaveToStrings(lines);
  return lines;
}

class TreeCacheTest : public ::testing::Test {
protected:
  TreeCacheTest() {
    volume.AddDrive('A', kDriveRemovable, "");
    volume.AddDrive('D', kDriveFixed, "Data");
    volume.AddDrive('E', kDriveCdRom, "Disc");
    volume.MakeFolder("C:\\Quill");
  }
  std::string File(const std::string& path) { return volume.Has(path) ? volume.Node(path).bytes : "<none>"; }

  TFakeVolume volume;
  TLatin1CodePage codePage;
};

TEST_F(TreeCacheTest, LineForm) {
  EXPECT_EQ(TreeLine(true, 0, "C:"), "1 0C:");
  EXPECT_EQ(TreeLine(false, 2, "Common Files"), "0 2Common Files");
  EXPECT_EQ(TreeLine(true, 9, "Name"), "1 9Name");
  EXPECT_EQ(TreeLine(true, 10, "Name"), "110Name");
  EXPECT_EQ(TreeLine(true, 3, std::string("a%s\0b", 5)), std::string("1 3a%s\0b", 8));

  TTreeItems items;
  items.AddRoot("C:");
  EXPECT_EQ(Saved(items), std::vector<std::string>{"1 0C:"});

  // The small tree of the format's description reads and writes back line for line, and a
  // collapsed folder stays collapsed.
  const std::vector<std::string> example{"1 0C:", "1 1Program Files", "0 2Common Files", "1 1Windows", "1 2System"};
  ASSERT_TRUE(items.LoadFromStrings(example));
  EXPECT_FALSE(items.FindItem("C:\\Program Files\\Common Files")->Expanded);
  EXPECT_EQ(Saved(items), example);

  // Levels 9 and 10 as written, and read back at the same depth.
  items.Clear();
  TTreeItem* item = items.AddRoot("C:");
  for (int level = 1; level <= 10; ++level) item = items.Add(item, "L" + std::to_string(level));
  const auto lines = Saved(items);
  ASSERT_EQ(lines.size(), 11u);
  EXPECT_EQ(lines[9], "1 9L9");
  EXPECT_EQ(lines[10], "110L10");
  ASSERT_TRUE(items.LoadFromStrings(lines));
  EXPECT_EQ(items.Last->Level, 10);
  EXPECT_EQ(items.Last->Name, "L10");
}

TEST_F(TreeCacheTest, FileNames) {
  EXPECT_EQ(TreeCacheFileName("C:", "", false, "1A2B3C4D", "C:\\Quill\\"), "C:\\Quill\\1A2B3C4D.xcd");
  EXPECT_EQ(TreeCacheFileName("D:\\Work", "D:\\Tools", false, "1A2B3C4D", "C:\\Quill\\"), "D:\\Tools\\1A2B3C4D.xcd");
  EXPECT_EQ(TreeCacheFileName("D:", "D:\\Tools\\", false, "", "C:\\Quill\\"), "D:\\Tools\\.xcd");
  EXPECT_EQ(TreeCacheFileName("D:\\Work", "X:\\", true, "1A2B3C4D", "C:\\Quill\\"), "D:\\treeinfo.xcd");
  EXPECT_EQ(TreeCacheFileName("\\\\srv\\share", "", true, "", "C:\\Quill\\"), "\\\\srv\\share\\treeinfo.xcd");
}

TEST_F(TreeCacheTest, SavingSkipsRemovableAndCdRomDrives) {
  TTreeItems items;
  ASSERT_TRUE(items.LoadFromStrings({"1 0A:", "1 1Docs"}));
  EXPECT_EQ(items.SaveToFile(volume, codePage, "A:\\treeinfo.xcd"), 0u);
  items.Root->SetName("E:");
  EXPECT_EQ(items.SaveToFile(volume, codePage, "E:\\treeinfo.xcd"), 0u);
  EXPECT_EQ(volume.writes, 0);
  EXPECT_FALSE(volume.Has("A:\\treeinfo.xcd"));
  EXPECT_FALSE(volume.Has("E:\\treeinfo.xcd"));
  // In the program's folder such a drive's tree is kept like any other.
  EXPECT_EQ(items.SaveToFile(volume, codePage, "C:\\Quill\\00000001.xcd"), 0u);
  EXPECT_EQ(File("C:\\Quill\\00000001.xcd"), "1 0E:\r\n1 1Docs\r\n");
  // The write's own failure comes back to the caller.
  volume.failWrites = 5;
  EXPECT_EQ(items.SaveToFile(volume, codePage, "D:\\treeinfo.xcd"), 5u);
}

TEST_F(TreeCacheTest, LoadingForAnotherLetterRenamesTheRootAndSaves) {
  const std::string path = "C:\\Quill\\1A2B3C4D.xcd";
  TTreeItems items;
  EXPECT_FALSE(LoadTreeCache(items, volume, codePage, path, "F:"));  // missing: unchanged
  volume.WriteText(path, Lines({"1 0E:", "1 1Music", "0 1Video"}));
  ASSERT_TRUE(LoadTreeCache(items, volume, codePage, path, "F:"));
  EXPECT_EQ(items.Root->Name, "F:");
  EXPECT_EQ(File(path), "1 0F:\r\n1 1Music\r\n0 1Video\r\n");
  const int writes = volume.writes;
  ASSERT_TRUE(LoadTreeCache(items, volume, codePage, path, "f:"));
  EXPECT_EQ(volume.writes, writes);  // same drive, case aside: not written again
  EXPECT_EQ(items.FindItem("F:\\Video")->Expanded, false);

  // A missing file leaves a loaded list alone.
  EXPECT_FALSE(items.LoadFromFile(volume, codePage, "C:\\Quill\\missing.xcd"));
  EXPECT_EQ(items.Count, 3);

  // Damage: the message, an empty list and false, so the caller rescans.
  std::vector<std::string> messages;
  items.OnMessage = [&](const std::string& text) { messages.push_back(text); };
  volume.WriteText(path, Lines({"1 0E:", "1 1Music", "1-3Oops"}));
  EXPECT_FALSE(LoadTreeCache(items, volume, codePage, path, "F:"));
  EXPECT_EQ(messages, std::vector<std::string>{"Invalid Format"});
  EXPECT_EQ(items.Count, 0);
  EXPECT_EQ(items.Root, nullptr);
}

TEST_F(TreeCacheTest, NamesOutsideTheCodePageAreKept) {
  const std::string path = "C:\\Quill\\tree.xcd";
  TTreeItems items;
  TTreeItem* root = items.AddRoot("C:");
  items.Add(root, "caf\xC3\xA9");  // fits Latin-1
  items.SaveToFile(volume, codePage, path);
  EXPECT_EQ(File(path), "1 0C:\r\n1 1caf\xE9\r\n");
  TTreeItems back;
  ASSERT_TRUE(back.LoadFromFile(volume, codePage, path));
  EXPECT_EQ(Saved(back), Saved(items));

  items.Add(root, "\xED\x95\x9C\xEA\xB8\x80");  // Hangul: the whole file goes UTF-8 with a BOM
  items.SaveToFile(volume, codePage, path);
  EXPECT_EQ(File(path), kBom + "1 0C:\r\n1 1caf\xC3\xA9\r\n1 1\xED\x95\x9C\xEA\xB8\x80\r\n");
  ASSERT_TRUE(back.LoadFromFile(volume, codePage, path));
  EXPECT_EQ(Saved(back), Saved(items));
  EXPECT_TRUE(back.FindItem("C:\\\xED\x95\x9C\xEA\xB8\x80"));

  // Latin-1 letters whose bytes would read as UTF-8 ("\xC3\xA9" is both "Ã©" and "é"): the
  // file takes the BOM, and the name survives.
  items.Clear();
  items.Add(items.AddRoot("C:"), "\xC3\x83\xC2\xA9");
  items.SaveToFile(volume, codePage, path);
  EXPECT_EQ(File(path), kBom + "1 0C:\r\n1 1\xC3\x83\xC2\xA9\r\n");
  ASSERT_TRUE(back.LoadFromFile(volume, codePage, path));
  EXPECT_EQ(back.Root->FirstChild->Name, "\xC3\x83\xC2\xA9");
}

TEST_F(TreeCacheTest, WhatCannotBeReadBackIsLeftOut) {
  TTreeItems items;
  TTreeItem* root = items.AddRoot("C:");
  TTreeItem* item = root;
  for (int level = 1; level <= 104; ++level) item = items.Add(item, "d");
  items.Add(root, "line\r\nbreak");
  items.Add(items.Add(root, ""), "under an empty name");
  items.Add(items.Add(root, std::string(1019, 'x')), "y");  // C:\xxx...: 1022 characters
  TTreeItem* longest = items.Add(root, std::string(1020, 'z'));  // exactly 1023
  items.Add(longest, "below");                                   // 1029
  items.Add(root, std::string(10 << 20, 'w'));

  std::vector<std::string> lines;
  // Levels 100 to 104, the name with a line break, the empty name with its child, "y" below
  // the 1022-character path, the folder below the longest path and the 10 MB name.
  EXPECT_EQ(items.SaveToStrings(lines), 5 + 1 + 2 + 1 + 1 + 1);
  ASSERT_EQ(lines.size(), 1u + 99 + 1 + 1);
  for (const std::string& line : lines) {
    int64_t level = -1;
    ASSERT_TRUE(ParseInt(line.substr(1, 2), level));
    EXPECT_LE(level, 99);
    EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos);
  }
  TTreeItems back;
  ASSERT_TRUE(back.LoadFromStrings(lines));
  std::vector<std::string> again;
  EXPECT_EQ(back.SaveToStrings(again), 0);
  EXPECT_EQ(again, lines);
  EXPECT_EQ(back.Count, 102);
  EXPECT_TRUE(back.FindItem("C:\\" + std::string(1020, 'z')));
  EXPECT_EQ(back.FindItem("C:\\" + std::string(1019, 'x'))->FirstChild, nullptr);

  // A root that cannot be written leaves an empty file, which reads as "rescan".
  items.Root->SetName(std::string(2000, 'r'));
  lines.clear();
  EXPECT_EQ(items.SaveToStrings(lines), items.Count);
  EXPECT_TRUE(lines.empty());
}

TEST_F(TreeCacheTest, BadInputGivesAClearResult) {
  const std::string path = "C:\\Quill\\bad.xcd";
  struct Case {
    std::string bytes;
    bool loads;
    const char* what;
  } cases[] = {
      {"", false, "empty"},
      {std::string("\x00\x01\x02\xFF\xFE\x00\x10\x80\r\n\x7F\x00\x00\x00\x00", 15), false, "binary"},
      {"1 0C:\r\n1 1Windows\r\n1 2Sys", true, "truncated mid-line"},
      {"1 0C:\r\n1 1Windows\r\n1 ", true, "truncated in the level"},
      {"1 0C:\r\n1 1A\r\n1 9B\r\n1 1C\r\n", false, "level jump, then a drop past the root"},
      {"1 0C:\r\n1-1A\r\n", false, "negative level"},
      {"1 0C:\r\n1+1A\r\n", true, "signed level"},
      {"1 0C:\r\n1ABA\r\n", false, "letters for the level"},
      {"1 0C:\r\n1 1" + std::string(10 << 20, 'n') + "\r\n", true, "10 MB line"},
      {"1 0D:\r\n1 1Other\r\n", true, "root of another drive"},
      {"1 0C:\r\n1 0D:\r\n1 1X\r\n", true, "two roots"},
      {"\xEF\xBB\xBF\xFF\xFE", false, "a BOM and garbage"},
  };
  for (const Case& c : cases) {
    volume.WriteText(path, c.bytes);
    TTreeItems items;
    int messages = 0;
    items.OnMessage = [&](const std::string&) { ++messages; };
    EXPECT_EQ(LoadTreeCache(items, volume, codePage, path, "C:"), c.loads) << c.what;
    if (c.loads) {
      ASSERT_TRUE(items.Root) << c.what;
      EXPECT_EQ(items.Root->Name, "C:") << c.what;
      EXPECT_EQ(messages, 0) << c.what;
    } else {
      EXPECT_EQ(items.Count, 0) << c.what;
      EXPECT_EQ(items.Root, nullptr) << c.what;
    }
  }
}

class TreeCacheEditTest : public TreeCacheTest {
protected:
  const std::string cacheC = "C:\\Quill\\0000000C.xcd";
  const std::string cacheD = "C:\\Quill\\0000000D.xcd";
  void Write(const std::string& path, const std::vector<std::string>& lines) { volume.WriteText(path, Lines(lines)); }
  TTreeCacheEditor editor{volume, codePage};
};

TEST_F(TreeCacheEditTest, DeleteAndRename) {
  Write(cacheC, {"1 0C:", "1 1Apps", "1 2Old", "1 3Sub", "1 2Tools", "1 1Data", "1 1My=Dir"});
  editor.DeleteFolders(cacheC, {"C:\\APPS\\old", "C:\\Missing", "C:\\"});
  EXPECT_EQ(File(cacheC), Lines({"1 0C:", "1 1Apps", "1 2Tools", "1 1Data", "1 1My=Dir"}));

  // The renamed folder keeps its place, even out of order; "=" may be part of either name.
  editor.RenameFolders(cacheC, {"C:\\Apps=Zeta", "C:\\My=Dir=Your=Dir", "C:\\Nothing=X", "no separator"});
  EXPECT_EQ(File(cacheC), Lines({"1 0C:", "1 1Zeta", "1 2Tools", "1 1Data", "1 1Your=Dir"}));

  editor.AddFolder(cacheC, "C:\\Zeta", "New");
  editor.AddFolder(cacheC, "C:\\Zeta", "new");
  editor.AddFolder(cacheC, "C:\\Gone", "New");
  editor.AddFolder(cacheC, "C:\\", "Top");
  // Reading the file back places every line by its name again: the renamed folder is sorted.
  EXPECT_EQ(File(cacheC), Lines({"1 0C:", "1 1Data", "1 1Top", "1 1Your=Dir", "1 1Zeta", "1 2New", "1 2Tools"}));

  // Without a cache nothing is made; a damaged one is left for the rescan.
  editor.DeleteFolders(cacheD, {"D:\\x"});
  editor.AddFolder(cacheD, "D:\\", "x");
  EXPECT_FALSE(volume.Has(cacheD));
  Write(cacheD, {"1 0D:", "1-5x"});
  const std::string damaged = File(cacheD);
  editor.RenameFolders(cacheD, {"D:\\x=y"});
  EXPECT_EQ(File(cacheD), damaged);
}

TEST_F(TreeCacheEditTest, CopyAndMoveBetweenTwoCaches) {
  Write(cacheC, {"1 0C:", "1 1Src", "0 2A", "1 3A1", "1 2B", "1 1Keep"});
  Write(cacheD, {"1 0D:", "1 1Dest", "1 2B"});
  editor.CopyFolders(cacheC, cacheD, {"C:\\Src\\A", "C:\\Src\\B", "C:\\Src\\Gone"}, "D:\\Dest", false);
  // Copies are new folders: expanded, whatever the source's flag.
  EXPECT_EQ(File(cacheD), Lines({"1 0D:", "1 1Dest", "1 2A", "1 3A1", "1 2B"}));
  EXPECT_EQ(File(cacheC), Lines({"1 0C:", "1 1Src", "0 2A", "1 3A1", "1 2B", "1 1Keep"}));

  editor.CopyFolders(cacheC, cacheD, {"C:\\Src"}, "D:\\", true);
  EXPECT_EQ(File(cacheC), Lines({"1 0C:", "1 1Keep"}));
  EXPECT_EQ(File(cacheD), Lines({"1 0D:", "1 1Dest", "1 2A", "1 3A1", "1 2B", "1 1Src", "1 2A", "1 3A1", "1 2B"}));

  // A destination missing from its cache: neither file changes.
  const int writes = volume.writes;
  editor.CopyFolders(cacheC, cacheD, {"C:\\Keep"}, "D:\\Nowhere", true);
  EXPECT_EQ(volume.writes, writes);
  // Either cache missing: nothing.
  editor.CopyFolders(cacheC, "C:\\Quill\\none.xcd", {"C:\\Keep"}, "X:\\", true);
  EXPECT_EQ(volume.writes, writes);
  EXPECT_FALSE(volume.Has("C:\\Quill\\none.xcd"));
}

TEST_F(TreeCacheEditTest, CopyAndMoveWithinOneCache) {
  Write(cacheC, {"1 0C:", "1 1A", "1 2A1", "1 1B", "1 1C", "1 2A"});
  editor.CopyFolders(cacheC, "c:\\quill\\0000000c.XCD", {"C:\\A", "C:\\B"}, "C:\\C", false);
  EXPECT_EQ(File(cacheC), Lines({"1 0C:", "1 1A", "1 2A1", "1 1B", "1 1C", "1 2A", "1 2B"}));

  editor.CopyFolders(cacheC, cacheC, {"C:\\B", "C:\\A", "C:\\C\\B", "C:\\C"}, "C:\\C", true);
  // B moved (already there: just gone from the root), A moved over the A present (not copied
  // again), C\B already in C stays, C into itself changes nothing.
  EXPECT_EQ(File(cacheC), Lines({"1 0C:", "1 1C", "1 2A", "1 2B"}));
}

}  // namespace
}  // namespace quill
