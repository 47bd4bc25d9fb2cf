#include "fileview/FileUtils.h"

#include <gtest/gtest.h>

#include <string>

#include "base/FileSystem.h"
#include "base/Path.h"

namespace quill {
namespace {

TEST(FileUtilsTest, JoinPathAndNameParts) {
  EXPECT_EQ(JoinPath("C:\\", "a.txt"), "C:\\a.txt");
  EXPECT_EQ(JoinPath("C:\\dir", "a.txt"), "C:\\dir\\a.txt");

  struct Case {
    const char* path;
    const char* ext;
  } cases[] = {
      {"C:\\dir\\a.txt", ".txt"},   {"archive.tar.gz", ".gz"}, {"README", ""},
      {"C:\\my.dir\\readme", ""},   {"C:.profile", ".profile"}, {"name.", "."},
  };
  for (const Case& c : cases) EXPECT_EQ(FileExtPart(c.path), c.ext) << c.path;
}

TEST(FileUtilsTest, FolderDepth) {
  struct Case {
    const char* path;
    int depth;
  } cases[] = {
      {"", 0},          {"C:\\", 0},         {"C:\\a", 1},           {"C:\\a\\", 1},
      {"C:\\a\\b", 2},  {"C:\\a\\b\\c\\", 3}, {"\\\\srv\\share", 0}, {"\\\\srv\\share\\a\\b", 2},
  };
  for (const Case& c : cases) EXPECT_EQ(FolderDepth(c.path), c.depth) << c.path;
}

TEST(FileUtilsTest, SplitCommand) {
  struct Case {
    const char* line;
    const char* program;
    const char* parameters;
  } cases[] = {
      {"notepad.exe", "notepad.exe", ""},
      {"notepad.exe   a.txt  b.txt   ", "notepad.exe", "a.txt  b.txt"},
      {"\"C:\\Program Files\\ed.exe\" \"my file.txt\"", "C:\\Program Files\\ed.exe", "\"my file.txt\""},
      {"\"C:\\Program Files\\ed.exe \"x", "C:\\Program Files\\ed.exe", "x"},
      {"\"C:\\unterminated path", "C:\\unterminated path", ""},
      {"cmd\t/c dir", "cmd", "/c dir"},
      {"   ", "", ""},
  };
  for (const Case& c : cases) {
    TCommandParts parts = SplitCommand(c.line);
    EXPECT_EQ(parts.program, c.program) << c.line;
    EXPECT_EQ(parts.parameters, c.parameters) << c.line;
  }
}

TEST(FileUtilsTest, SplitCommandCapsParametersOnACharacterBoundary) {
  const std::string ascii(300, 'x');
  EXPECT_EQ(SplitCommand("run " + ascii).parameters, std::string(255, 'x'));

  // 253 ASCII bytes, then a three-byte character straddling the limit: it is dropped whole.
  const std::string korean = "\xED\x95\x9C";  // U+D55C
  const std::string parameters = SplitCommand("run " + std::string(253, 'y') + korean + "tail").parameters;
  EXPECT_EQ(parameters, std::string(253, 'y'));

  // Leading blanks do not eat into the limit.
  EXPECT_EQ(SplitCommand("run      " + ascii).parameters.size(), 255u);
}

TEST(FileUtilsTest, AttrText) {
  EXPECT_EQ(AttrText(faHidden | faReadOnly), "_HR_");
  EXPECT_EQ(AttrText(0), "____");
  EXPECT_EQ(AttrText(faArchive | faHidden | faReadOnly | faSystem | faDirectory), "AHRS");
  EXPECT_EQ(AttrText(faSystem), "___S");
}

TEST(FileUtilsTest, ArchiveKind) {
  struct Case {
    const char* name;
    int kind;
  } cases[] = {
      {"backup.r01", kArchiveRar}, {"data.zip", kArchiveZip},  {"DATA.ZIP", kArchiveZip},
      {"file.zipx", kArchiveNone}, {"x.A01", kArchiveArj},     {"x.C02", kArchiveAce},
      {"x.rar", kArchiveRar},      {"x.Arj", kArchiveArj},     {"x.ace", kArchiveAce},
      {"x.r0a", kArchiveNone},     {"x.z01", kArchiveNone},    {"A01", kArchiveNone},
      {"x.zi", kArchiveNone},      {"C:\\a.zip\\readme", kArchiveNone}, {"", kArchiveNone},
  };
  for (const Case& c : cases) EXPECT_EQ(ArchiveKind(c.name), c.kind) << c.name;
}

uint32_t Crc32(const std::string& bytes) { return ~Crc32Update(0xFFFFFFFFu, bytes.data(), bytes.size()); }

TEST(FileUtilsTest, Crc32Update) {
  EXPECT_EQ(Crc32("123456789"), 0xCBF43926u);
  EXPECT_EQ(Crc32("abc"), 0x352441C2u);
  EXPECT_EQ(Crc32(""), 0u);
  // Feeding the bytes in pieces gives the same value as one call.
  const std::string text = "The quick brown fox jumps over the lazy dog";
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < text.size(); i += 7) crc = Crc32Update(crc, text.data() + i, std::min<size_t>(7, text.size() - i));
  EXPECT_EQ(~crc, 0x414FA339u);
  // No inversion inside: a zero register stays zero over zero bytes.
  const char zeros[4] = {};
  EXPECT_EQ(Crc32Update(0, zeros, sizeof zeros), 0u);
}

TEST(FileUtilsTest, FileTimeTextModes) {
  const TCalendarTime time{2024, 3, 9, 7, 5, 59};
  EXPECT_EQ(FileTimeText(time, kTimeTextDate), "2024-03-09");
  EXPECT_EQ(FileTimeText(time, kTimeTextClock), "07:05");
  EXPECT_EQ(FileTimeText(time, kTimeTextDateTime), "2024-03-09 07:05");
  EXPECT_EQ(FileTimeText(TCalendarTime{987, 12, 31, 23, 59, 0}, kTimeTextDateTime), "0987-12-31 23:59");
  EXPECT_EQ(FileTimeText(time, 3), "");
}

TEST(FileUtilsTest, VolumeSerialText) {
  EXPECT_EQ(VolumeSerialText(0xCD0D1234u), "CD0D1234");
  EXPECT_EQ(VolumeSerialText(0x000A00B0u), "000A00B0");
  EXPECT_EQ(VolumeSerialText(0), "00000000");
}

TEST(FileUtilsTest, DriveLabelRule) {
  struct Case {
    uint32_t type;
    bool ready;
    const char* label;
    const char* shown;
  } cases[] = {
      {kDriveRemovable, true, "DATA", "Floppy"}, {kDriveRemovable, false, "", "Floppy"},
      {kDriveFixed, true, "System", "System"},   {kDriveFixed, true, "", "Local"},
      {kDriveCdRom, true, "QUILLCD", "QUILLCD"}, {kDriveCdRom, false, "", "CDROM"},
      {kDriveRemote, true, "", ""},              {kDriveRemote, true, "share", "share"},
      {kDriveFixed, false, "stale", "Local"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(DriveLabelOf(c.type, c.ready, c.label), c.shown) << c.type << " " << c.ready << " " << c.label;
}

TEST(FileUtilsTest, TreeCacheFileRule) {
  EXPECT_EQ(TreeCacheFileOf("D:\\work", "X:\\cache", true, "ABCD0123", "C:\\Quill\\"), "D:\\treeinfo.xcd");
  EXPECT_EQ(TreeCacheFileOf("d", "", false, "ABCD0123", "C:\\Quill\\"), "C:\\Quill\\ABCD0123.xcd");
  EXPECT_EQ(TreeCacheFileOf("D:", "X:\\cache", false, "ABCD0123", "C:\\Quill\\"), "X:\\cache\\ABCD0123.xcd");
  EXPECT_EQ(TreeCacheFileOf("\\\\srv\\share", "", true, "", "C:\\Quill\\"), "\\\\srv\\share\\treeinfo.xcd");
}

TEST(FileUtilsTest, LongPaths) {
  std::string path = "C:";
  for (int i = 0; i < 40; ++i) path += "\\folder" + std::to_string(i);
  ASSERT_GT(path.size(), 300u);
  EXPECT_EQ(FolderDepth(path), 40);
  EXPECT_EQ(FolderDepth(path + "\\"), 40);
  EXPECT_EQ(FileExtPart(path + "\\file.data"), ".data");
  EXPECT_EQ(ArchiveKind(path + "\\x.rar"), kArchiveRar);
  const TCommandParts parts = SplitCommand("\"" + path + "\\prog.exe\" -x");
  EXPECT_EQ(parts.program, path + "\\prog.exe");
  EXPECT_EQ(parts.parameters, "-x");
  EXPECT_EQ(JoinPath(path, "a.txt"), path + "\\a.txt");
  EXPECT_EQ(TreeCacheFileOf("C:", path, false, "00000001", ""), path + "\\00000001.xcd");
}

}  // namespace
}  // namespace quill
