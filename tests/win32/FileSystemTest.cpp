// The Win32 file system, code page, collator and case map on real files under the real system.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <vector>

#include "fileview/FileViewLayout.h"
#include "platform/Win32FileSystem.h"
#include "platform/Win32Text.h"
#include "tests/win32/TestSupport.h"

namespace quill {
namespace {

using test::TScratchFolder;

TEST(Win32FileSystem, EnumeratesNamesOutsideTheCodePageWithSizesAndAttributes) {
  TScratchFolder dir;
  const std::vector<std::string> names = {"plain.txt", "\xED\x95\x9C\xEA\xB8\x80.txt" /* 한글 */,
                                          "\xCE\xA9mega.doc" /* Ωmega */, "noext", ".profile"};
  for (size_t i = 0; i < names.size(); ++i) test::WriteBytes(dir / names[i], std::string(i * 10, 'x'));
  test::WriteBytes(dir / "secret.bin", "abc", FILE_ATTRIBUTE_HIDDEN);
  test::MakeFolder(dir / "sub");

  std::map<std::string, TFindData> found;
  TWin32FileSystem::Instance().Enumerate(dir / "*.*", [&](const TFindData& d) { found[d.name] = d; });
  for (size_t i = 0; i < names.size(); ++i) {
    ASSERT_TRUE(found.count(names[i])) << names[i];
    EXPECT_EQ(found[names[i]].size, i * 10) << names[i];
    EXPECT_NE(found[names[i]].time, 0u);
  }
  EXPECT_TRUE(found["secret.bin"].attributes & faHidden);
  EXPECT_TRUE(found["sub"].attributes & faDirectory);

  std::vector<std::string> txt;
  TWin32FileSystem::Instance().Enumerate(dir / "*.txt", [&](const TFindData& d) { txt.push_back(d.name); });
  std::sort(txt.begin(), txt.end());
  EXPECT_EQ(txt, (std::vector<std::string>{"plain.txt", names[1]}));

  int none = 0;
  TWin32FileSystem::Instance().Enumerate(dir / "missing\\*.*", [&](const TFindData&) { ++none; });
  EXPECT_EQ(none, 0);
}

TEST(Win32FileSystem, WriteAllReplacesWholeFilesAndRefusesReadOnlyTargets) {
  TScratchFolder dir;
  auto& fs = TWin32FileSystem::Instance();
  const std::string file = dir / "settings.ini";
  EXPECT_EQ(fs.WriteAll(file, "first version, rather long"), 0u);
  EXPECT_EQ(fs.WriteAll(file, "second"), 0u);
  EXPECT_EQ(test::ReadBytes(file), "second");
  std::string back;
  EXPECT_TRUE(fs.ReadAll(file, back));
  EXPECT_EQ(back, "second");

  const std::string locked = dir / "locked.ini";
  test::WriteBytes(locked, "keep me", FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(fs.WriteAll(locked, "overwritten"), static_cast<uint32_t>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(test::ReadBytes(locked), "keep me");

  // No temporary file is left behind by either outcome.
  int count = 0;
  fs.Enumerate(dir / "*.*", [&](const TFindData& d) { count += d.name != "." && d.name != ".."; });
  EXPECT_EQ(count, 2);

  EXPECT_FALSE(fs.ReadAll(dir / "missing.ini", back));
  EXPECT_NE(fs.WriteAll(dir / "no\\such\\folder.ini", "x"), 0u);
}

TEST(Win32FileSystem, CurrentDirectoryFollowsSetCurrentDir) {
  TScratchFolder dir;
  auto& fs = TWin32FileSystem::Instance();
  const std::string korean = dir / "\xED\x8F\xB4\xEB\x8D\x94";  // 폴더
  test::MakeFolder(korean);
  ASSERT_TRUE(fs.SetCurrentDir(korean));
  EXPECT_EQ(fs.CurrentDir(), korean);
  EXPECT_FALSE(fs.SetCurrentDir(dir / "missing"));
  EXPECT_EQ(fs.CurrentDir(), korean);
  EXPECT_TRUE(fs.SetCurrentDir(".."));
  EXPECT_EQ(fs.CurrentDir(), dir.Path());
}

TEST(Win32Collator, SortKeysOrderLikeTheLocaleIgnoringCase) {
  const auto& c = TWin32Collator::Instance();
  const std::vector<std::string> words = {"apple", "Banana", "banana2", "CHERRY", "cherry", "", "a", "Zebra", "zoo",
                                          "\xC3\xA9t\xC3\xA9" /* été */, "ete", "10", "9"};
  auto key = [&](const std::string& s) {
    std::string k;
    c.AppendSortKey(s, k);
    return k;
  };
  for (const auto& a : words) {
    for (const auto& b : words) {
      const std::string ka = key(a), kb = key(b);
      const int byKey = ka < kb ? -1 : (ka > kb ? 1 : 0);
      const int byCompare = c.Compare(a, b);
      EXPECT_EQ(byKey, byCompare < 0 ? -1 : (byCompare > 0 ? 1 : 0)) << a << " vs " << b;
    }
  }
  EXPECT_EQ(c.Compare("cherry", "CHERRY"), 0);
  EXPECT_LT(c.Compare("apple", "Banana"), 0);
  EXPECT_TRUE(c.SameName("README.txt", "readme.TXT"));
  EXPECT_TRUE(c.SameName("\xCE\xA9mega", "\xCF\x89MEGA"));  // Ωmega / ωMEGA
  EXPECT_FALSE(c.SameName("readme.txt", "readme.txt2"));
  EXPECT_EQ(c.FoldName("readme.Txt"), c.FoldName("README.TXT"));
}

TEST(Win32CaseMap, EveryScriptIsCasedAndSurrogatePairsStayWhole) {
  const auto& m = TWin32CaseMap::Instance();
  EXPECT_EQ(m.Upper("résumé"), "RÉSUMÉ");
  EXPECT_EQ(m.Upper("naïve.txt"), "NAÏVE.TXT");
  EXPECT_EQ(m.Lower("ÜBER"), "über");
  EXPECT_EQ(m.Upper("Ωmega ωμέγα"), "ΩMEGA ΩΜΈΓΑ");
  EXPECT_EQ(m.Lower("МОСКВА"), "москва");
  EXPECT_EQ(m.Upper("ǆ"), "Ǆ");
  EXPECT_EQ(m.Upper("straße"), "STRAßE") << "one character for one";
  EXPECT_EQ(m.Upper("한글 abc"), "한글 ABC");
  // Characters beyond the BMP keep both halves of their pair.
  const std::string emoji = "smile \xF0\x9F\x98\x80 \xF0\x9F\x91\x8B\xF0\x9F\x8F\xBD";
  EXPECT_EQ(m.Upper(emoji), "SMILE \xF0\x9F\x98\x80 \xF0\x9F\x91\x8B\xF0\x9F\x8F\xBD");
  EXPECT_EQ(m.Lower(m.Upper(emoji)), emoji);
  EXPECT_EQ(m.Upper(""), "");
  // The pane cases with it.
  EXPECT_EQ(FitCharCase("élan vital", ccCapital, m), "Élan vital");
}

TEST(Win32CodePage, AnsiWhenEveryCharacterFitsOtherwiseRefused) {
  const auto& cp = TAnsiCodePage::Instance();
  std::string ansi;
  EXPECT_TRUE(cp.FromUtf8("plain ascii", ansi));
  EXPECT_EQ(ansi, "plain ascii");
  EXPECT_FALSE(cp.FromUtf8("\xED\x95\x9C\xEA\xB8\x80", ansi) && GetACP() != 949) << "Korean in code page " << GetACP();
  if (GetACP() == 1252) {
    EXPECT_TRUE(cp.FromUtf8("caf\xC3\xA9", ansi));
    EXPECT_EQ(ansi, "caf\xE9");
    EXPECT_EQ(cp.ToUtf8("caf\xE9"), "caf\xC3\xA9");
  }
}

}  // namespace
}  // namespace quill
