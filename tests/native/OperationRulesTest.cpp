// Path and text rules of the copy, move and delete engine.
#include "operations/OperationRules.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace quill {
namespace {

TEST(OperationRules, TargetKeepsTheSourcesNameInTheDestination) {
  EXPECT_EQ(TargetPathFor("D:\\Backup", "C:\\Work\\report.txt"), "D:\\Backup\\report.txt");
  EXPECT_EQ(TargetPathFor("D:\\", "C:\\Work\\report.txt"), "D:\\report.txt");
  // A folder given with its separator keeps its own name, not an empty one.
  EXPECT_EQ(TargetPathFor("D:\\Backup", "C:\\Work\\Src\\"), "D:\\Backup\\Src");
  EXPECT_EQ(TargetPathFor("D:\\Backup", "notes.txt"), "D:\\Backup\\notes.txt");
  EXPECT_EQ(TargetPathFor("D:\\Backup", "C:notes.txt"), "D:\\Backup\\notes.txt");
  EXPECT_EQ(TargetPathFor("\\\\srv\\share", "C:\\a b\\x y.txt"), "\\\\srv\\share\\x y.txt");
}

TEST(OperationRules, AFolderContainsItselfAndWhatIsBelowItOnly) {
  const ICollator& names = TAsciiCollator::Instance();
  struct Case {
    const char* folder;
    const char* path;
    bool inside;
  } cases[] = {
      {"C:\\data", "C:\\data", true},
      {"C:\\data", "C:\\data\\x", true},
      {"C:\\data", "C:\\data\\x\\y\\data", true},
      {"C:\\data", "c:\\DATA\\x", true},
      {"C:\\data\\", "C:\\data", true},
      {"C:\\data", "C:/data/x/", true},
      {"C:\\data", "C:\\\\data\\\\x", true},
      {"C:\\data", "C:\\data\\.\\x", true},
      // The same first characters are not the same folder.
      {"C:\\data", "C:\\database\\x", false},
      {"C:\\data", "C:\\database", false},
      {"C:\\data", "C:\\dat", false},
      {"C:\\data\\x", "C:\\data", false},
      {"C:\\data", "D:\\data\\x", false},
      {"C:\\data", "C:\\data\\..\\database", false},
      {"C:\\data", "C:\\other\\..\\data\\x", true},
      {"C:\\", "C:\\anything\\at\\all", true},
      {"\\\\srv\\share\\a", "\\\\srv\\share\\a\\b", true},
      {"\\\\srv\\share\\a", "\\\\srv\\share\\ab", false},
      {"\\\\srv\\share\\a", "C:\\srv\\share\\a\\b", false},
      {"C:\\Ärger", "C:\\Ärger\\x", true},
      {"", "C:\\data", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsSameOrInside(c.folder, c.path, names), c.inside) << c.folder << " / " << c.path;
}

// The file system's name rule decides, not the bytes: a collator that also folds non-ASCII
// letters makes "Ä" and "ä" one folder.
TEST(OperationRules, ContainmentComparesNamesByTheGivenRule) {
  struct TGermanFold : TAsciiCollator {
    bool SameName(std::string_view a, std::string_view b) const override {
      auto fold = [](std::string_view s) {
        std::string out(s);
        for (size_t at; (at = out.find("Ä")) != std::string::npos;) out.replace(at, 2, "ä");
        return out;
      };
      return TAsciiCollator::SameName(fold(a), fold(b));
    }
  } names;
  EXPECT_TRUE(IsSameOrInside("C:\\Ärger", "c:\\ärger\\x", names));
  EXPECT_FALSE(IsSameOrInside("C:\\Ärger", "c:\\ärger\\x", TAsciiCollator::Instance()));
}

TEST(OperationRules, SameVolumeComparesDrivesAndShares) {
  EXPECT_TRUE(SameVolume("C:\\Work\\a.txt", "c:\\Backup", "D:\\"));
  EXPECT_FALSE(SameVolume("C:\\Work\\a.txt", "D:\\Backup", "C:\\"));
  // A relative source lies on the current folder's volume.
  EXPECT_TRUE(SameVolume("a.txt", "C:\\Backup", "C:\\Work"));
  EXPECT_FALSE(SameVolume("a.txt", "D:\\Backup", "C:\\Work"));
  EXPECT_TRUE(SameVolume("\\\\srv\\share\\a", "\\\\SRV\\Share\\b", "C:\\"));
  EXPECT_FALSE(SameVolume("\\\\srv\\share\\a", "\\\\srv\\other\\b", "C:\\"));
  EXPECT_FALSE(SameVolume("C:\\a", "\\\\srv\\share", "C:\\"));
  // Nothing known about either side: not one volume, so the move copies and deletes.
  EXPECT_FALSE(SameVolume("a.txt", "b", ""));
}

TEST(OperationRules, ProgressNamesTheFoldersOnBothSides) {
  EXPECT_EQ(ProgressSourceName("C:\\Work\\Src\\main.cpp", "D:\\"), "Src");
  EXPECT_EQ(ProgressSourceName("C:\\Work\\Src\\", "D:\\"), "Work");
  // A source in a root shows its drive, wherever the current folder is.
  EXPECT_EQ(ProgressSourceName("C:\\a.txt", "D:\\Elsewhere"), "C:");
  EXPECT_EQ(ProgressSourceName("\\\\srv\\share\\a.txt", "C:\\"), "\\\\srv\\share");
  EXPECT_EQ(ProgressSourceName("\\\\srv\\share\\dir\\a.txt", "C:\\"), "dir");
  // A relative source is named by the current folder, a root by its drive.
  EXPECT_EQ(ProgressSourceName("a.txt", "C:\\Work\\Src"), "Src");
  EXPECT_EQ(ProgressSourceName("a.txt", "C:\\"), "C:");
  EXPECT_EQ(ProgressSourceName("E:a.txt", "C:\\Work"), "E:");

  EXPECT_EQ(ProgressTargetName("D:\\Backup\\2024"), "2024");
  EXPECT_EQ(ProgressTargetName("D:\\Backup\\2024\\"), "2024");
  EXPECT_EQ(ProgressTargetName("D:\\"), "D:");
  EXPECT_EQ(ProgressTargetName("\\\\srv\\share"), "\\\\srv\\share");
}

TEST(OperationRules, FileLineGroupsEveryDigitOfA64BitSize) {
  EXPECT_EQ(CopyFileLine("a.txt", 0), "a.txt (0 bytes) ");
  EXPECT_EQ(CopyFileLine("a.txt", 999), "a.txt (999 bytes) ");
  EXPECT_EQ(CopyFileLine("a.txt", 1000), "a.txt (1,000 bytes) ");
  EXPECT_EQ(CopyFileLine("disk.img", 4294967296ull), "disk.img (4,294,967,296 bytes) ");
  EXPECT_EQ(CopyFileLine("x", UINT64_MAX), "x (18,446,744,073,709,551,615 bytes) ");
}

TEST(OperationRules, TemporaryNameLiesBesideTheTarget) {
  EXPECT_EQ(TemporarySibling("C:\\dir\\file.txt", 0x1A), "C:\\dir\\~quill0000001A.tmp");
  EXPECT_EQ(TemporarySibling("C:\\file.txt", 0xFFFFFFFFu), "C:\\~quillFFFFFFFF.tmp");
  EXPECT_EQ(TemporarySibling("file.txt", 7), "~quill00000007.tmp");
}

}  // namespace
}  // namespace quill
