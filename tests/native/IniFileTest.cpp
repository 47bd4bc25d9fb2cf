#include "base/IniFile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/CodePage.h"
#include "tests/native/MemoryFileStore.h"

namespace quill {
namespace {

const char* const kPath = "C:\\Quill\\quill.ini";
const std::string kBom = "\xEF\xBB\xBF";
const std::string kKorean = "\xED\x95\x9C\xEA\xB8\x80";

std::string CrLf(std::initializer_list<std::string> lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

class IniFileTest : public ::testing::Test {
protected:
  TIniFile Open(const std::string& bytes) {
    store_.files[kPath] = bytes;
    return TIniFile(store_, codePage_, kPath);
  }
  // Flushes and returns what reached the store.
  std::string Saved(TIniFile& ini) {
    EXPECT_EQ(ini.Flush(), 0u);
    return store_.files[kPath];
  }

  TMemoryFileStore store_;
  TLatin1CodePage codePage_;
};

TEST_F(IniFileTest, MissingFileIsEmptyAndNotWrittenUntilChanged) {
  TIniFile ini(store_, codePage_, kPath);
  EXPECT_EQ(ini.Path(), kPath);
  EXPECT_TRUE(ini.Sections().empty());
  EXPECT_EQ(ini.ReadString("Main", "Key", "dflt"), "dflt");
  EXPECT_FALSE(ini.ValueExists("Main", "Key"));
  EXPECT_FALSE(ini.Modified());
  EXPECT_EQ(ini.Flush(), 0u);
  EXPECT_EQ(store_.writeCount, 0);
  EXPECT_TRUE(store_.files.empty());

  ini.WriteString("Main", "Key", "v");
  EXPECT_TRUE(ini.Modified());
  EXPECT_EQ(Saved(ini), CrLf({"[Main]", "Key=v"}));
  EXPECT_FALSE(ini.Modified());
}

TEST_F(IniFileTest, ParsesKeysAndTrimsBlanks) {
  TIniFile ini = Open(CrLf({"[Main]", "  Left = 10  ", "Expr=a=b==c", "Empty=", "Tabbed\t=\t x y \t",
                            "  [ Other ]  ", "K=v"}));
  EXPECT_EQ(ini.ReadString("Main", "Left", ""), "10");
  EXPECT_EQ(ini.ReadString("Main", "Expr", ""), "a=b==c");
  EXPECT_EQ(ini.ReadString("Main", "Empty", "dflt"), "");
  EXPECT_TRUE(ini.ValueExists("Main", "Empty"));
  EXPECT_EQ(ini.ReadString("Main", "Tabbed", ""), "x y");
  EXPECT_EQ(ini.ReadString("Other", "K", ""), "v");
  EXPECT_EQ(ini.ReadSection("Main"), (std::vector<std::string>{"Left", "Expr", "Empty", "Tabbed"}));
  EXPECT_EQ(ini.Sections(), (std::vector<std::string>{"Main", "Other"}));
  EXPECT_FALSE(ini.Modified());
}

TEST_F(IniFileTest, NamesIgnoreAsciiCase) {
  TIniFile ini = Open(CrLf({"[Main Window]", "ShowHidden=1"}));
  EXPECT_EQ(ini.ReadString("MAIN WINDOW", "showhidden", ""), "1");
  EXPECT_EQ(ini.ReadString("main window", "SHOWHIDDEN", ""), "1");
  EXPECT_FALSE(ini.ValueExists("Main_Window", "ShowHidden"));

  // A write in another case updates the key in place and keeps the file's spelling.
  ini.WriteString("MAIN window", "SHOWHIDDEN", "0");
  ini.WriteString("main WINDOW", "NewKey", "x");
  EXPECT_EQ(ini.Sections(), (std::vector<std::string>{"Main Window"}));
  EXPECT_EQ(Saved(ini), CrLf({"[Main Window]", "ShowHidden=0", "NewKey=x"}));
}

TEST_F(IniFileTest, FirstDuplicateWinsForReadsAndWrites) {
  TIniFile ini = Open(CrLf({"[A]", "k=first", "K=second", "[a]", "k=third"}));
  EXPECT_EQ(ini.ReadString("A", "k", ""), "first");
  EXPECT_EQ(ini.ReadSection("a"), (std::vector<std::string>{"k"}));
  EXPECT_EQ(ini.Sections(), (std::vector<std::string>{"A"}));

  ini.WriteString("A", "K", "updated");
  EXPECT_EQ(ini.ReadString("a", "k", ""), "updated");
  EXPECT_EQ(Saved(ini), CrLf({"[A]", "k=updated", "K=second", "[a]", "k=third"}));

  // Deleting removes every copy, so no stale duplicate shows through.
  ini.DeleteKey("A", "k");
  EXPECT_FALSE(ini.ValueExists("A", "k"));
  ini.EraseSection("a");
  EXPECT_TRUE(ini.Sections().empty());
  EXPECT_EQ(Saved(ini), "");
}

TEST_F(IniFileTest, GarbageSurvivesARoundTripInPlace) {
  const std::string junk("\x01\x02\x00\xFF\xFE junk\x7F", 11);
  const std::vector<std::string> lines = {
      "; leading comment",
      "orphan=before any section",
      "",
      "[Main]",
      "; comment = with equals",
      "Left=1",
      "this line is garbage",
      "=no key",
      junk,
      "[unclosed",
      "  ",
      "Right=2",
      "",
      "[Tail]",
      "\t; indented comment",
  };
  std::string bytes;
  for (const std::string& line : lines) bytes += line + "\r\n";
  TIniFile ini = Open(bytes);
  EXPECT_EQ(ini.ReadString("Main", "Left", ""), "1");
  EXPECT_EQ(ini.ReadString("Main", "Right", ""), "2");
  EXPECT_EQ(ini.ReadSection("Main"), (std::vector<std::string>{"Left", "Right"}));
  EXPECT_FALSE(ini.ValueExists("Main", "; comment "));
  EXPECT_FALSE(ini.ValueExists("Main", ""));

  ini.WriteString("Main", "Left", "5");
  std::string expected = bytes;
  expected.replace(expected.find("Left=1"), 6, "Left=5");
  EXPECT_EQ(Saved(ini), expected);
}

TEST_F(IniFileTest, NewKeysAndSectionsGoAtTheEnd) {
  TIniFile ini = Open(CrLf({"[One]", "a=1", "; note", "", "", "[Two]", "b=2"}));
  ini.WriteString("One", "c", "3");  // before the blank lines that separate the sections
  ini.WriteString("Two", "d", "4");
  ini.WriteString("Three", "e", "5");
  EXPECT_EQ(ini.ReadString("three", "E", ""), "5");
  EXPECT_EQ(Saved(ini), CrLf({"[One]", "a=1", "; note", "c=3", "", "", "[Two]", "b=2", "d=4", "[Three]", "e=5"}));
}

TEST_F(IniFileTest, TypedValues) {
  TIniFile ini = Open(CrLf({"[N]", "zero=0", "neg=-17", "pos=+8", "blank= 12 ", "max=2147483647",
                            "min=-2147483648", "over=2147483648", "huge=99999999999", "under=-2147483649",
                            "mixed=12abc", "empty=", "word=yes", "hex=0x10", "two=2"}));
  struct IntCase {
    const char* key;
    int32_t value;
  } ints[] = {
      {"zero", 0},      {"neg", -17},    {"pos", 8},       {"blank", 12},  {"max", INT32_MAX},
      {"min", INT32_MIN}, {"over", -99}, {"huge", -99},    {"under", -99}, {"mixed", -99},
      {"empty", -99},   {"word", -99},   {"hex", -99},     {"missing", -99},
  };
  for (const IntCase& c : ints) EXPECT_EQ(ini.ReadInteger("N", c.key, -99), c.value) << c.key;

  struct BoolCase {
    const char* key;
    bool fallback;
    bool value;
  } bools[] = {
      {"zero", true, false}, {"two", false, true},  {"neg", false, true}, {"huge", false, true},
      {"word", true, true},  {"word", false, false}, {"empty", true, true}, {"missing", false, false},
  };
  for (const BoolCase& c : bools) EXPECT_EQ(ini.ReadBool("N", c.key, c.fallback), c.value) << c.key;

  ini.WriteInteger("N", "neg", -2147483647 - 1);
  ini.WriteBool("N", "flagOn", true);
  ini.WriteBool("N", "flagOff", false);
  EXPECT_EQ(ini.ReadString("N", "neg", ""), "-2147483648");
  EXPECT_EQ(ini.ReadInteger("N", "neg", 0), INT32_MIN);
  EXPECT_EQ(ini.ReadString("N", "flagOn", ""), "1");
  EXPECT_EQ(ini.ReadString("N", "flagOff", ""), "0");
  EXPECT_TRUE(ini.ReadBool("N", "flagOn", false));
  EXPECT_FALSE(ini.ReadBool("N", "flagOff", true));
}

TEST_F(IniFileTest, FlushOnlyWhenModified) {
  TIniFile ini = Open(CrLf({"[Main]", "Key = value"}));
  EXPECT_EQ(ini.Flush(), 0u);
  EXPECT_EQ(store_.writeCount, 0);

  ini.WriteString("Main", "Key", "value");  // same value: nothing to save
  ini.DeleteKey("Main", "Missing");
  ini.DeleteKey("Missing", "Key");
  ini.EraseSection("Missing");
  EXPECT_FALSE(ini.Modified());
  EXPECT_EQ(ini.Flush(), 0u);
  EXPECT_EQ(store_.writeCount, 0);

  ini.WriteString("Main", "Key", "other");
  EXPECT_EQ(ini.Flush(), 0u);
  EXPECT_EQ(ini.Flush(), 0u);
  EXPECT_EQ(store_.writeCount, 1);

  ini.DeleteKey("main", "key");
  EXPECT_TRUE(ini.Modified());
  EXPECT_EQ(Saved(ini), CrLf({"[Main]"}));
  EXPECT_EQ(store_.writeCount, 2);
}

TEST_F(IniFileTest, FailingStoreKeepsContentsAndReportsItsError) {
  const std::string original = CrLf({"[Main]", "Key=old"});
  TIniFile ini = Open(original);
  ini.WriteString("Main", "Key", "new");
  store_.failWrites = 5;  // access denied
  EXPECT_EQ(ini.Flush(), 5u);
  EXPECT_TRUE(ini.Modified());
  EXPECT_EQ(ini.ReadString("Main", "Key", ""), "new");
  EXPECT_EQ(store_.files[kPath], original);

  store_.failWrites = 0;
  EXPECT_EQ(ini.Flush(), 0u);
  EXPECT_FALSE(ini.Modified());
  EXPECT_EQ(store_.files[kPath], CrLf({"[Main]", "Key=new"}));
}

TEST_F(IniFileTest, Encodings) {
  // An ANSI file is read through the code page and, while everything fits, written back in it.
  TIniFile ansi = Open(CrLf({"[Main]", "Path=C:\\caf\xE9", "; r\xE9sum\xE9"}));
  EXPECT_EQ(ansi.ReadString("Main", "Path", ""), "C:\\caf\xC3\xA9");
  ansi.WriteString("Main", "Name", "\xC3\xA9t\xC3\xA9");
  EXPECT_EQ(Saved(ansi), CrLf({"[Main]", "Path=C:\\caf\xE9", "; r\xE9sum\xE9", "Name=\xE9t\xE9"}));

  // A character outside the code page turns the whole file into UTF-8 with a BOM.
  ansi.WriteString("Main", "Title", kKorean);
  EXPECT_EQ(Saved(ansi), kBom + CrLf({"[Main]", "Path=C:\\caf\xC3\xA9", "; r\xC3\xA9sum\xC3\xA9",
                                      "Name=\xC3\xA9t\xC3\xA9", "Title=" + kKorean}));

  // ... and that file reads back as it was written.
  TIniFile utf8(store_, codePage_, kPath);
  EXPECT_EQ(utf8.ReadString("MAIN", "title", ""), kKorean);
  EXPECT_EQ(utf8.ReadString("Main", "Path", ""), "C:\\caf\xC3\xA9");

  // A BOM in front of the first section does not hide it.
  TIniFile bom = Open(kBom + CrLf({"[Main]", "K=v"}));
  EXPECT_EQ(bom.ReadString("Main", "K", ""), "v");
}

TEST_F(IniFileTest, LineEndsAndEmptyFile) {
  TIniFile mixed = Open("[A]\nx=1\r[B]\r\ny=2");
  EXPECT_EQ(mixed.ReadString("A", "x", ""), "1");
  EXPECT_EQ(mixed.ReadString("B", "y", ""), "2");
  mixed.WriteString("B", "y", "3");
  EXPECT_EQ(Saved(mixed), CrLf({"[A]", "x=1", "[B]", "y=3"}));

  TIniFile empty = Open("");
  EXPECT_TRUE(empty.Sections().empty());
  EXPECT_EQ(empty.ReadInteger("A", "x", 7), 7);
}

// Two windows (or another program) share one file: each flush changes only its own keys in the
// file as it is then, so neither undoes the other's settings with the copy it read at start.
TEST_F(IniFileTest, FlushChangesOnlyItsOwnKeysInTheFileAsItIsNow) {
  store_.files[kPath] = CrLf({"; kept", "[Window]", "Left=1", "Top=2", "[Option]", "Sort=1"});
  TIniFile first(store_, codePage_, kPath);
  TIniFile second(store_, codePage_, kPath);

  second.WriteString("Option", "Sort", "3");
  second.WriteString("Option", "Hidden", "1");
  EXPECT_EQ(second.Flush(), 0u);
  store_.files[kPath] += CrLf({"[Other]", "ByHand=yes"});  // another program's edit

  first.WriteString("Window", "Left", "10");
  first.DeleteKey("Window", "Top");
  first.EraseSection("Gone");  // nothing to erase: no change recorded
  EXPECT_EQ(first.Flush(), 0u);
  EXPECT_EQ(store_.files[kPath], CrLf({"; kept", "[Window]", "Left=10", "[Option]", "Sort=3", "Hidden=1",
                                       "[Other]", "ByHand=yes"}));
  // After the flush this object reads the file as written, others' keys included.
  EXPECT_EQ(first.ReadString("Option", "Sort", ""), "3");
  EXPECT_EQ(first.ReadString("Other", "ByHand", ""), "yes");

  // A failed write keeps the pending changes for the next flush.
  first.EraseSection("Other");
  store_.failWrites = 5;
  EXPECT_EQ(first.Flush(), 5u);
  store_.failWrites = 0;
  second.WriteString("Option", "Sort", "4");
  EXPECT_EQ(second.Flush(), 0u);
  EXPECT_EQ(first.Flush(), 0u);
  EXPECT_EQ(store_.files[kPath], CrLf({"; kept", "[Window]", "Left=10", "[Option]", "Sort=4", "Hidden=1"}));
}

TEST_F(IniFileTest, QuotedValuesAreReadWithoutTheirQuotes) {
  TIniFile ini = Open(CrLf({"[Option]", "Start=\"C:\\My Files\"", "Single='x y'", "Mixed=\"a'", "One=\"",
                            "Font=\"MS Sans Serif\",9,0", "Count=\"7\""}));
  EXPECT_EQ(ini.ReadString("Option", "Start", ""), "C:\\My Files");
  EXPECT_EQ(ini.ReadString("Option", "Single", ""), "x y");
  EXPECT_EQ(ini.ReadString("Option", "Mixed", ""), "\"a'");
  EXPECT_EQ(ini.ReadString("Option", "One", ""), "\"");
  EXPECT_EQ(ini.ReadString("Option", "Font", ""), "\"MS Sans Serif\",9,0");
  // Unchanged values are written back exactly as they were.
  ini.WriteString("Option", "Other", "1");
  EXPECT_NE(Saved(ini).find("Start=\"C:\\My Files\"\r\n"), std::string::npos);
}

}  // namespace
}  // namespace quill
