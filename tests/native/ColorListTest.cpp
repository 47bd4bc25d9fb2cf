#include "fileview/ColorList.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "base/CodePage.h"
#include "base/FileStore.h"
#include "base/Text.h"
#include "base/TextFile.h"

namespace quill {
namespace {

class TMemoryStore : public IFileStore {
public:
  bool ReadAll(const std::string& path, std::string& bytes) override {
    auto it = files.find(path);
    if (it == files.end()) return false;
    bytes = it->second;
    return true;
  }
  uint32_t WriteAll(const std::string& path, std::string_view bytes) override {
    if (failWith != 0) return failWith;
    files[path] = std::string(bytes);
    return 0;
  }
  std::map<std::string, std::string> files;
  uint32_t failWith = 0;
};

const char* const kPath = "C:\\Quill\\quill.col";

// A literal with embedded NUL bytes, whole.
template <size_t N>
std::string Bytes(const char (&literal)[N]) {
  return std::string(literal, N - 1);
}

std::string Lines(std::initializer_list<const char*> lines) {
  std::string text;
  for (const char* line : lines) text += std::string(line) + "\r\n";
  return text;
}

class ColorListTest : public ::testing::Test {
protected:
  TColorList Load(const std::string& bytes) {
    store_.files[kPath] = bytes;
    TColorList list(store_, codePage_);
    EXPECT_TRUE(list.LoadFromFile(kPath));
    return list;
  }
  void ExpectDefaults(const TColorList& list) {
    for (int i = 0; i < kBasicColorCount; ++i) EXPECT_EQ(list.Colors(i), kBasicColorKeys[i].fallback) << i;
  }

  TMemoryStore store_;
  TLatin1CodePage codePage_;
};

TEST_F(ColorListTest, DefaultsWithoutAFile) {
  TColorList fresh(store_, codePage_);
  ExpectDefaults(fresh);
  EXPECT_EQ(fresh.Colors(kColorFolder), 0x4040FFu);
  EXPECT_EQ(fresh.Colors(kColorNormal), 0xC0C0C0u);
  EXPECT_EQ(fresh.Colors(-1), 0u);
  EXPECT_EQ(fresh.Colors(kBasicColorCount), 0u);
  EXPECT_EQ(fresh.ExtColor("exe"), 0xC0C0C0u);
  EXPECT_EQ(fresh.ExtColor(""), 0xC0C0C0u);

  // A missing file replaces whatever an earlier load gave, extension table included.
  TColorList list = Load(Lines({"[Basic]", "BACK=1", "NORMAL=2", "[Ext]", "EXE=3"}));
  EXPECT_FALSE(list.LoadFromFile("C:\\missing.col"));
  ExpectDefaults(list);
  EXPECT_EQ(list.ExtColor("EXE"), 0xC0C0C0u);
}

TEST_F(ColorListTest, FullFile) {
  TColorList list = Load(Lines({"[Basic]", "BACK=1", "LINE=2", "FOLDER=3", "DRIVE=4", "READONLY=5", "HIDDEN=6",
                                "NORMAL=7", "DESCRIPT=8", "MB=9", "TITLE=10", "TBACK=11", "THINT=12", "",
                                "[Ext]", "BAT=255", "COM=65280", "EXE=65280", "ZIP=16711680"}));
  for (int i = 0; i < kBasicColorCount; ++i) EXPECT_EQ(list.Colors(i), static_cast<TColor>(i + 1)) << i;
  EXPECT_EQ(list.ExtColor("bat"), 255u);
  EXPECT_EQ(list.ExtColor("com"), 65280u);
  EXPECT_EQ(list.ExtColor("ZIP"), 16711680u);
  EXPECT_EQ(list.ExtColor("txt"), 7u);  // NORMAL as the file gives it
  EXPECT_EQ(list.ExtColor(""), 7u);

  EXPECT_EQ(list.TreeColor("TBACK"), 11u);
  EXPECT_EQ(list.TreeColor("thint"), 12u);
  EXPECT_EQ(list.TreeColor("TLINE"), 3822u);  // not in the file: the tree's default
  EXPECT_EQ(list.TreeColor("TOPEN"), 3840u);
  EXPECT_EQ(list.TreeColor("NOSUCHKEY"), 0u);
}

TEST_F(ColorListTest, TreeDefaultsWithoutAFile) {
  TColorList list(store_, codePage_);
  const TColor expected[kTreeColorCount] = {4095, 3822, 0, 0, 3840, 3549};
  for (int i = 0; i < kTreeColorCount; ++i) EXPECT_EQ(list.TreeColor(kTreeColorKeys[i].key), expected[i]);
}

TEST(ParseColorTest, ThirtyTwoBitIntegersDecimalAndDollarHex) {
  struct Case {
    const char* text;
    bool ok;
    TColor color;
  } cases[] = {
      {"0", true, 0},           {"255", true, 255},           {" 16777215\t", true, 0xFFFFFF},
      {"$FF00", true, 0xFF00},  {"$ff00", true, 0xFF00},      {" $0000000000FF ", true, 0xFF},
      {"$FFFFFF", true, 0xFFFFFF},
      // Beyond the colour range but integers all the same: kept as their 32 bits.
      {"16777216", true, 0x1000000}, {"-1", true, 0xFFFFFFFF}, {"$1000000", true, 0x1000000},
      {"-16777201", true, 0xFF00000F}, {"2147483647", true, 0x7FFFFFFF}, {"-2147483648", true, 0x80000000},
      {"$FFFFFFFF", true, 0xFFFFFFFF},
      // No 32-bit integer.
      {"2147483648", false, 0}, {"-2147483649", false, 0}, {"$100000000", false, 0},
      {"$FFFFFFFFFFFFFFFFFFFF", false, 0},                    {"99999999999999999999999", false, 0},
      {"$ZZ", false, 0},        {"$", false, 0},              {"$-1", false, 0},
      {"", false, 0},           {"  ", false, 0},             {"12a", false, 0},
      {"0x10", false, 0},       {"red", false, 0},            {"$F F", false, 0},
  };
  for (const Case& c : cases) {
    TColor color = 0xABCDEF;
    EXPECT_EQ(ParseColor(c.text, color), c.ok) << c.text;
    EXPECT_EQ(color, c.ok ? c.color : 0xABCDEFu) << c.text;
  }
}

TEST_F(ColorListTest, ValuesThatAreNoNumberGiveThatKeysDefault) {
  TColorList list = Load(Lines({"[Basic]", "BACK=$FF00", "LINE=$ZZ", "FOLDER=abc", "DRIVE=", "READONLY",
                                "HIDDEN=-5", "NORMAL=$80", "DESCRIPT=16777216", "MB=99999999999", "=77", "[Ext]",
                                "TXT=green", "DOC=", "PDF=$0000FF", "BIG=-1"}));
  EXPECT_EQ(list.Colors(kColorBack), 0xFF00u);
  EXPECT_EQ(list.Colors(kColorLine), 0xFF8080u);
  EXPECT_EQ(list.Colors(kColorFolder), 0x4040FFu);
  EXPECT_EQ(list.Colors(kColorDrive), 0xFF8080u);
  EXPECT_EQ(list.Colors(kColorReadOnly), 0x00FFFFu);
  // Negative and too-large numbers are numbers: read as they stand.
  EXPECT_EQ(list.Colors(kColorHidden), static_cast<TColor>(-5));
  EXPECT_EQ(list.Colors(kColorDescript), 0x1000000u);
  EXPECT_EQ(list.Colors(kColorMb), 0x0000FFu) << "no 32-bit integer: the default";
  EXPECT_EQ(list.ExtColor("big"), 0xFFFFFFFFu);
  EXPECT_EQ(list.Colors(kColorNormal), 0x80u);
  EXPECT_EQ(list.ExtColor("txt"), 0x80u);
  EXPECT_EQ(list.ExtColor("doc"), 0x80u);
  EXPECT_EQ(list.ExtColor("pdf"), 0xFFu);
}

TEST_F(ColorListTest, FirstLineOfANameWinsEvenWhenBroken) {
  TColorList list = Load(Lines({"[Basic]", "BACK=5", "back=6", "LINE=junk", "LINE=7", "[Ext]", "EXE=1", "exe=2",
                                "COM=junk", "COM=3"}));
  EXPECT_EQ(list.Colors(kColorBack), 5u);
  EXPECT_EQ(list.Colors(kColorLine), 0xFF8080u);
  EXPECT_EQ(list.ExtColor("EXE"), 1u);
  EXPECT_EQ(list.ExtColor("COM"), 0xC0C0C0u);
}

TEST_F(ColorListTest, BinaryAndGarbageContentNeverCrash) {
  std::mt19937 random(12345);
  for (int round = 0; round < 200; ++round) {
    std::string bytes(random() % 600, '\0');
    for (char& b : bytes) b = static_cast<char>(random() % 256);
    // Salt some rounds with the markers, so the section logic runs over garbage too.
    if (round % 3 == 1) bytes.insert(random() % (bytes.size() + 1), "\r\n[Ext]\r\n");
    if (round % 3 == 2) bytes.insert(random() % (bytes.size() + 1), "\n[Basic]\nMB=");
    store_.files[kPath] = bytes;
    TColorList list(store_, codePage_, kPath);
    // Whatever came of it, loading it again gives the same colours.
    TColorList again(store_, codePage_, kPath);
    for (int i = 0; i < kBasicColorCount; ++i) EXPECT_EQ(list.Colors(i), again.Colors(i));
    EXPECT_EQ(list.ExtColor("EXE"), again.ExtColor("EXE"));
  }

  ExpectDefaults(Load(Bytes("\x00\x01\xFF\xFE[Basic]\x00\r\nBACK=\x00" "12\r\n\x80\x81")));

  // Unreadable lines around a good section do not spoil it.
  TColorList mixed = Load(Bytes("\xFF\xD8\x00\x10garbage\r\n[Basic]\r\nNORMAL=42\r\n\x01\x02=\x03\r\n"
                                "[Ext]\r\n\x00\x00\r\nEXE=9\r\n"));
  EXPECT_EQ(mixed.Colors(kColorNormal), 42u);
  EXPECT_EQ(mixed.ExtColor("exe"), 9u);
  EXPECT_EQ(mixed.ExtColor("doc"), 42u);
}

TEST_F(ColorListTest, MissingSections) {
  // No [Basic] header: the basic keys are read from the lines all the same, [Ext] still works.
  TColorList noBasic = Load(Lines({"BACK=1", "NORMAL=2", "[Ext]", "EXE=3"}));
  EXPECT_EQ(noBasic.Colors(kColorBack), 1u);
  EXPECT_EQ(noBasic.Colors(kColorNormal), 2u);
  EXPECT_EQ(noBasic.Colors(kColorFolder), 0x4040FFu);
  EXPECT_EQ(noBasic.ExtColor("exe"), 3u);
  EXPECT_EQ(noBasic.ExtColor("back"), 2u) << "a basic line is no extension colour";
  TColorList noHeaders = Load(Lines({"FOLDER=7", "TBACK=8"}));
  EXPECT_EQ(noHeaders.Colors(kColorFolder), 7u);
  EXPECT_EQ(noHeaders.TreeColor("TBACK"), 8u);
  EXPECT_EQ(noHeaders.ExtColor("folder"), 0xC0C0C0u);

  // No [Ext]: nothing colours extensions, not even basic lines that look like them.
  TColorList noExt = Load(Lines({"[Basic]", "NORMAL=2", "EXE=3"}));
  EXPECT_EQ(noExt.Colors(kColorNormal), 2u);
  EXPECT_EQ(noExt.ExtColor("exe"), 2u);

  // A foreign section ends the extension table; its lines still name basic keys.
  TColorList other = Load(Lines({"[Basic]", "NORMAL=2", "[Other]", "BACK=1", "[Ext]", "EXE=3", "[More]", "COM=4"}));
  EXPECT_EQ(other.Colors(kColorBack), 1u);
  EXPECT_EQ(other.ExtColor("exe"), 3u);
  EXPECT_EQ(other.ExtColor("com"), 2u);

  TColorList empty = Load("");
  ExpectDefaults(empty);
}

TEST_F(ColorListTest, EmptyExtSectionColoursEveryNameNormal) {
  TColorList list = Load(Lines({"[Basic]", "NORMAL=$123456", "FOLDER=1", "", "[Ext]"}));
  for (const char* ext : {"exe", "TXT", "", "folder", "NORMAL", "a.b"}) EXPECT_EQ(list.ExtColor(ext), 0x123456u) << ext;
}

TEST_F(ColorListTest, NamesIgnoreCase) {
  TColorList list = Load(Lines({"[basic]", "normal=1", "Mb=2", "[EXT]", "Exe=3", "tXt=4"}));
  EXPECT_EQ(list.Colors(kColorNormal), 1u);
  EXPECT_EQ(list.Colors(kColorMb), 2u);
  for (const char* ext : {"exe", "EXE", "Exe", "eXE"}) EXPECT_EQ(list.ExtColor(ext), 3u) << ext;
  for (const char* ext : {"txt", "TXT", "Txt"}) EXPECT_EQ(list.ExtColor(ext), 4u) << ext;
  EXPECT_EQ(list.ExtColor("ex"), 1u);
  EXPECT_EQ(list.ExtColor("exe "), 1u);
}

TEST_F(ColorListTest, ExtensionsSpelledLikeBasicKeys) {
  TColorList list = Load(Lines({"[Basic]", "MB=100", "BACK=200", "FOLDER=300", "NORMAL=400", "", "[Ext]", "MB=5",
                                "back=6"}));
  EXPECT_EQ(list.Colors(kColorMb), 100u);
  EXPECT_EQ(list.Colors(kColorBack), 200u);
  EXPECT_EQ(list.ExtColor("mb"), 5u);
  EXPECT_EQ(list.ExtColor("BACK"), 6u);
  EXPECT_EQ(list.ExtColor("folder"), 400u);  // a basic key with no [Ext] line is no extension colour
}

TEST(ContrastingTextColorTest, TheBackgroundWhereItReadsElseBlackOrWhite) {
  // The default scheme: black text on every default bar.
  for (TColor bar : {0xC0C0C0u, 0x4040FFu, 0xFF8080u, 0x00FFFFu, 0xFFFFFFu})
    EXPECT_EQ(ContrastingTextColor(0x000000, bar), 0x000000u) << std::hex << bar;
  // Text in the bar's own colour (the size on a NORMAL bar) or close to it never stays.
  EXPECT_EQ(ContrastingTextColor(0xC0C0C0, 0xC0C0C0), 0x000000u);
  EXPECT_EQ(ContrastingTextColor(0x202020, 0x000000), 0xFFFFFFu);
  EXPECT_EQ(ContrastingTextColor(0x000000, 0x800000), 0xFFFFFFu) << "black on dark blue";
  EXPECT_EQ(ContrastingTextColor(0xFFFFFF, 0x800000), 0xFFFFFFu);
  EXPECT_EQ(ContrastingTextColor(0x00FFFF, 0x000080), 0x00FFFFu) << "yellow reads on dark red";
  // Only the colour bits count.
  EXPECT_EQ(ContrastingTextColor(0xFF000000, 0xFFC0C0C0), 0x000000u);
  EXPECT_EQ(ContrastingTextColor(0x01FFFFFF, 0x000000), 0xFFFFFFu);
}

TEST_F(ColorListTest, Utf8BomAndAnsiNames) {
  TColorList bom = Load("\xEF\xBB\xBF" + Lines({"[Basic]", "BACK=7", "[Ext]", "\xC3\xA4xt=8"}));
  EXPECT_EQ(bom.Colors(kColorBack), 7u);
  EXPECT_EQ(bom.ExtColor("\xC3\xA4xt"), 8u);

  // Not valid UTF-8, so read in the ANSI code page: the name arrives as UTF-8 all the same.
  TColorList ansi = Load(Lines({"[Basic]", "BACK=7", "[Ext]", "\xE4xt=9"}));
  EXPECT_EQ(ansi.ExtColor("\xC3\xA4xt"), 9u);
}

// ---- The preferences dialog's side ----

TEST_F(ColorListTest, ReadFormGroupsExtensionsByColour) {
  store_.files[kPath] = Lines({"[Basic]", "BACK=0", "", "TBACK=4095", "  ", "[Ext]", "ZIP=$FF", "EXE=65280",
                               "BAT=255", "com=65280", "DOC=bad", "exe=1", "", "TXT=65280"});
  bool found = false;
  TColorSetForm form = ReadColorSetForm(store_, codePage_, kPath, &found);
  EXPECT_TRUE(found);
  EXPECT_EQ(form.basicLines, (std::vector<std::string>{"BACK=0", "TBACK=4095"}));
  EXPECT_EQ(form.extRows, (std::vector<std::string>{"255=ZIP;BAT", "65280=EXE;com;TXT"}));

  TColorSetForm none = ReadColorSetForm(store_, codePage_, "C:\\none.col", &found);
  EXPECT_FALSE(found);
  EXPECT_TRUE(none.basicLines.empty());
  EXPECT_TRUE(none.extRows.empty());
}

TEST_F(ColorListTest, WriteSplitsSortsAndEncodes) {
  TColorSetForm form;
  form.basicLines = {"BACK=0", "", "NORMAL=12632256"};
  form.extRows = {"255=zip;;BAT; ", "65280= exe ;Com;bat", "junk=DOC", "noequals", "$10=a;B"};
  ASSERT_EQ(WriteColorSet(store_, codePage_, kPath, form), 0u);
  EXPECT_EQ(store_.files[kPath], Lines({"[Basic]", "BACK=0", "NORMAL=12632256", "", "[Ext]", "a=16", "B=16",
                                        "BAT=255", "Com=65280", "exe=65280", "zip=255"}));

  store_.failWith = 5;
  EXPECT_EQ(WriteColorSet(store_, codePage_, "C:\\other.col", form), 5u);
  EXPECT_EQ(store_.files.count("C:\\other.col"), 0u);
}

TEST_F(ColorListTest, DialogRoundTripKeepsTheExtensionLines) {
  store_.files[kPath] = Lines({"[Basic]", "BACK=0", "MB=255", "TBACK=4095", "", "[Ext]", "TXT=65535", "zip=255",
                               "Bat=255", "EXE=65280", "doc=16711680", "COM=65280", "mb=255", "htm=$FF0000"});
  TColorList before(store_, codePage_, kPath);

  TColorSetForm form = ReadColorSetForm(store_, codePage_, kPath);
  ASSERT_EQ(WriteColorSet(store_, codePage_, kPath, form), 0u);
  TColorList after(store_, codePage_, kPath);

  // Same lines, in case-insensitive order, with "$" values written in decimal.
  EXPECT_EQ(DecodeLines(store_.files[kPath], codePage_),
            (std::vector<std::string>{"[Basic]", "BACK=0", "MB=255", "TBACK=4095", "", "[Ext]", "Bat=255",
                                      "COM=65280", "doc=16711680", "EXE=65280", "htm=16711680", "mb=255",
                                      "TXT=65535", "zip=255"}));

  for (const char* name : {"txt", "ZIP", "bat", "exe", "doc", "com", "mb", "htm", "none"})
    EXPECT_EQ(after.ExtColor(name), before.ExtColor(name)) << name;
  for (int i = 0; i < kBasicColorCount; ++i) EXPECT_EQ(after.Colors(i), before.Colors(i)) << i;
  EXPECT_EQ(after.TreeColor("TBACK"), before.TreeColor("TBACK"));

  // A second pass changes nothing.
  std::string once = store_.files[kPath];
  ASSERT_EQ(WriteColorSet(store_, codePage_, kPath, ReadColorSetForm(store_, codePage_, kPath)), 0u);
  EXPECT_EQ(store_.files[kPath], once);
}

// What the pane shows survives the dialog's save even when the file is odd: basic keys in no
// section or in another one, a later duplicate of a name, negative values.
TEST_F(ColorListTest, DialogRoundTripKeepsWhatThePaneShowedOfOddFiles) {
  store_.files[kPath] = Lines({"NORMAL=5", "[Basic]", "NORMAL=7", "BACK=-1", "[Ext]", "zip=-55", "exe=3",
                               "[Other]", "LINE=9", "exe=4"});
  TColorList before(store_, codePage_, kPath);
  ASSERT_EQ(before.Colors(kColorNormal), 5u);
  ASSERT_EQ(before.ExtColor("zip"), 0xFFFFFFC9u);
  ASSERT_EQ(WriteColorSet(store_, codePage_, kPath, ReadColorSetForm(store_, codePage_, kPath)), 0u);
  TColorList after(store_, codePage_, kPath);
  for (int i = 0; i < kBasicColorCount; ++i) EXPECT_EQ(after.Colors(i), before.Colors(i)) << i;
  for (const char* name : {"zip", "exe", "none"}) EXPECT_EQ(after.ExtColor(name), before.ExtColor(name)) << name;
}

}  // namespace
}  // namespace quill
