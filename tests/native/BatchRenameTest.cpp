// Advanced Rename's rules over every edge the dialog can be given, and the checks a new name
// passes before it touches the disk.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "operations/BatchRename.h"

namespace quill {
namespace {

// The new names a rule gives for `names`, or "Invalid Format@i" when it stopped at entry i.
std::vector<std::string> Names(const TBatchRule& rule, const std::vector<std::string>& names, size_t start = 0) {
  std::vector<std::string> newNames(names.size(), "<kept>");
  if (const auto failed = ComputeNewNames(rule, names, newNames, start))
    newNames.push_back("Invalid Format@" + std::to_string(*failed));
  return newNames;
}

TBatchRule Rule(TBatchAction action, std::string text = {}, bool ext = false) {
  TBatchRule rule;
  rule.action = action;
  rule.text = std::move(text);
  rule.changeExt = ext;
  return rule;
}

TEST(BatchRename, HeadTailAndChangeExtensionOnNameOrExtension) {
  // The dot is written even without an extension; the disk check drops it again.
  EXPECT_EQ(Names(Rule(baHead, "x"), {"README", "a.b.txt", ".profile"}),
            (std::vector<std::string>{"xREADME.", "xa.b.txt", "x.profile"}));
  EXPECT_EQ(Names(Rule(baTail, "_1"), {"a.txt", "noext"}), (std::vector<std::string>{"a_1.txt", "noext_1."}));
  EXPECT_EQ(Names(Rule(baTail, "z", true), {"a.txt", "noext"}), (std::vector<std::string>{"a.txtz", "noext.z"}));
  EXPECT_EQ(Names(Rule(baHead, "x", true), {"a.txt"}), (std::vector<std::string>{"a.xtxt"}));
  // Change Extension ignores the name/extension choice.
  for (bool ext : {false, true})
    EXPECT_EQ(Names(Rule(baChangeExt, "bak", ext), {"a.txt", "noext", "x.tar.gz"}),
              (std::vector<std::string>{"a.bak", "noext.bak", "x.tar.bak"}));
  // Entries before the start index keep what they had.
  EXPECT_EQ(Names(Rule(baHead, "x"), {"a", "b", "c"}, 1), (std::vector<std::string>{"<kept>", "xb.", "xc."}));
}

TEST(BatchRename, CountFormatsStepsAndRefusesBadSettings) {
  TBatchRule rule = Rule(baCount);
  rule.start = "5";
  rule.step = "10";
  rule.digits = 3;
  EXPECT_EQ(Names(rule, {"a.txt", "b.txt", "c"}), (std::vector<std::string>{"005a.txt", "015b.txt", "025c."}));
  rule.countTail = true;
  rule.changeExt = true;
  EXPECT_EQ(Names(rule, {"a.txt"}), (std::vector<std::string>{"a.txt005"}));

  // The largest start and step with ten digits: the numbers keep growing correctly past 32 bits.
  rule = Rule(baCount);
  rule.start = "2147483647";
  rule.step = "2147483647";
  rule.digits = 10;
  EXPECT_EQ(Names(rule, {"a", "b", "c"}),
            (std::vector<std::string>{"2147483647a.", "4294967294b.", "6442450941c."}));
  rule.digits = 1;
  rule.start = "1";
  EXPECT_EQ(Names(rule, {"a"}), (std::vector<std::string>{"1a."}));

  // Settings outside the spin edits' range, or not numbers at all, stop before any name changes.
  for (const char* bad : {"0", "-1", "2147483648", "9999999999999999999999", "", "1x", "+3"}) {
    TBatchRule b = Rule(baCount);
    b.start = bad;
    EXPECT_EQ(Names(b, {"a", "b"}).back(), "Invalid Format@0") << bad;
    b.start = "1";
    b.step = bad;
    EXPECT_EQ(Names(b, {"a", "b"}, 1).back(), "Invalid Format@1") << bad;
  }
  for (int digits : {0, 11}) {
    TBatchRule b = Rule(baCount);
    b.digits = digits;
    EXPECT_EQ(Names(b, {"a"}).back(), "Invalid Format@0") << digits;
  }
}

TEST(BatchRename, CutFormsAndTheirErrors) {
  const auto cut = [](const char* rule) {
    return Names(Rule(baCut, rule), {"12345678.EXT"}).back();
  };
  EXPECT_EQ(cut("2~4"), "15678.EXT");
  EXPECT_EQ(cut("3-"), "12345.EXT");
  EXPECT_EQ(cut("~4"), "5678.EXT");
  EXPECT_EQ(cut("3~"), "12.EXT");
  EXPECT_EQ(cut(" 2 ~ 4 "), "15678.EXT");
  EXPECT_EQ(cut("3 -  "), "12345.EXT");
  EXPECT_EQ(cut("8~8"), "1234567.EXT");
  EXPECT_EQ(cut("0-"), "12345678.EXT");
  EXPECT_EQ(cut("~"), ".EXT");
  EXPECT_EQ(cut("8-"), ".EXT");
  for (const char* bad : {"9~", "-3", "4~2", "1~9", "0~2", "9-", "3-x", "12", "", "a~b", "1~-2", "-",
                          "9999999999~1", "99999999999999999999~1", "1~99999999999999999999", "99999999999999999999-"})
    EXPECT_EQ(cut(bad), "Invalid Format@0") << bad;
  // The extension is the part with ChangeExt, and an error stops at its entry, later ones kept.
  EXPECT_EQ(Names(Rule(baCut, "1~2", true), {"a.txt", "b.x", "c.doc"}),
            (std::vector<std::string>{"a.t", "<kept>", "<kept>", "Invalid Format@1"}));
  // Characters, not bytes: a Korean name loses whole syllables.
  EXPECT_EQ(CutPart("\xea\xb0\x80\xeb\x82\x98\xeb\x8b\xa4", "2~2"), "\xea\xb0\x80\xeb\x8b\xa4");
  EXPECT_EQ(CutPart("\xea\xb0\x80\xeb\x82\x98\xeb\x8b\xa4", "1-"), "\xea\xb0\x80\xeb\x82\x98");
}

TEST(BatchRename, ReplaceIsCaseSensitiveAndNeverRescansReplacedText) {
  TBatchRule rule = Rule(baReplace);
  rule.find = "a";
  rule.replace = "aa";
  EXPECT_EQ(Names(rule, {"banana", "BANANA.a"}), (std::vector<std::string>{"baanaanaa.", "BANANA.a"}));
  rule.changeExt = true;
  EXPECT_EQ(Names(rule, {"banana.a"}), (std::vector<std::string>{"banana.aa"}));
  rule.changeExt = false;
  rule.find = "aa";
  rule.replace = "a";
  EXPECT_EQ(Names(rule, {"aaaaa"}), (std::vector<std::string>{"aaa."}));
  rule.find = "";
  EXPECT_EQ(Names(rule, {"abc.d"}), (std::vector<std::string>{"abc.d"}));
}

TEST(BatchRename, NewNamesAreCheckedTheWayTheFileSystemStoresThem) {
  const auto check = [](std::string name) {
    const uint32_t error = CheckNewName(name);
    return error ? "error " + std::to_string(error) : name;
  };
  EXPECT_EQ(check("xREADME."), "xREADME");
  EXPECT_EQ(check("a.txt . . "), "a.txt");
  EXPECT_EQ(check(" lead"), " lead");
  for (const char* bad : {"", ".", "..", " . ", "a\\b", "a/b", "a:b", "a*b", "a?b", "a\"b", "a<b", "a>b", "a|b",
                          "tab\there"})
    EXPECT_EQ(check(bad), "error 123") << bad;
  EXPECT_EQ(check(std::string(255, 'x')), std::string(255, 'x'));
  EXPECT_EQ(check(std::string(256, 'x')), "error 206");
  EXPECT_EQ(check(std::string(255, 'x') + "..."), std::string(255, 'x'));
  // UTF-16 units: 127 characters beyond the basic plane take 254, one more is too many.
  std::string astral;
  for (int i = 0; i < 127; ++i) astral += "\xf0\x9f\x98\x80";
  EXPECT_EQ(check(astral), astral);
  EXPECT_EQ(check(astral + "ab"), "error 206");
}

TEST(BatchRename, RenameDialogKeepsTheOldExtensionUnlessItIsChanged) {
  EXPECT_EQ(RenameDialogName("summary", "report.txt", false), "summary.txt");
  EXPECT_EQ(RenameDialogName("summary", "report.txt", true), "summary");
  EXPECT_EQ(RenameDialogName("x", "noext", false), "x");
  EXPECT_EQ(RenameDialogName("x", "a.tar.gz", false), "x.gz");
}

}  // namespace
}  // namespace quill
