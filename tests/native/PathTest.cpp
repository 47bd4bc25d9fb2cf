// Path arithmetic on drive and share paths.
#include <gtest/gtest.h>

#include "base/Path.h"

namespace quill {
namespace {

TEST(Path, RootsDrivesAndComponents) {
  struct Case {
    const char* path;
    bool root;
    const char* drive;
    const char* last;
    const char* first;
  } cases[] = {
      {"C:\\", true, "C:", "", ""},
      {"C:\\Work", false, "C:", "Work", "Work"},
      {"C:\\Work\\Src\\", false, "C:", "Src", "Work"},
      {"\\\\srv\\share", true, "\\\\srv\\share", "", ""},
      {"\\\\srv\\share\\", false, "\\\\srv\\share", "", ""},  // four separators: not the root form
      {"\\\\srv\\share\\a\\b", false, "\\\\srv\\share", "b", "a"},
      {"//srv/share", true, "//srv/share", "", ""},
      {"relative\\dir", false, "", "dir", "relative"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsRootFolder(c.path), c.root) << c.path;
    EXPECT_EQ(DrivePart(c.path), c.drive) << c.path;
    EXPECT_EQ(LastComponent(c.path), c.last) << c.path;
    EXPECT_EQ(FirstComponentBelowRoot(c.path), c.first) << c.path;
  }
}

TEST(Path, JoinAndDriveRoot) {
  EXPECT_EQ(JoinPath("C:\\", "a.txt"), "C:\\a.txt");
  EXPECT_EQ(JoinPath("C:\\dir", "a.txt"), "C:\\dir\\a.txt");
  EXPECT_EQ(JoinPath("C:\\dir", ""), "C:\\dir");
  EXPECT_EQ(JoinPath("", "a.txt"), "a.txt");
  EXPECT_EQ(DriveRoot("d"), "d:\\");
  EXPECT_EQ(DriveRoot("E:\\some\\where"), "E:\\");
  EXPECT_EQ(DriveRoot("\\\\srv\\share"), "\\\\srv\\share\\");
  EXPECT_EQ(DriveRoot("/"), "/\\");
  EXPECT_EQ(StripBackslash("C:\\dir\\"), "C:\\dir");
  EXPECT_EQ(FileNamePart("C:readme.txt"), "readme.txt");
  EXPECT_EQ(FileDirPart("C:\\a\\b.txt"), "C:\\a");
  const std::string longPath = "C:\\" + std::string(300, 'x') + "\\" + std::string(280, 'y');
  EXPECT_EQ(LastComponent(longPath), std::string(280, 'y'));
  EXPECT_EQ(FirstComponentBelowRoot(longPath), std::string(300, 'x'));
}

}  // namespace
}  // namespace quill
