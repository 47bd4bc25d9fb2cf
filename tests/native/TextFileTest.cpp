#include "base/TextFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/CodePage.h"
#include "base/Text.h"

namespace quill {
namespace {

const std::string kBom = "\xEF\xBB\xBF";
const std::string kReplacement = "\xEF\xBF\xBD";
const std::string kKorean = "\xED\x95\x9C\xEA\xB8\x80";  // two Hangul syllables

TEST(Latin1CodePageTest, EveryByteRoundTrips) {
  const TLatin1CodePage codePage;
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  const std::string utf8 = codePage.ToUtf8(all);
  EXPECT_TRUE(IsValidUtf8(utf8));
  EXPECT_EQ(utf8.size(), 128u + 2 * 128u);
  std::string back;
  ASSERT_TRUE(codePage.FromUtf8(utf8, back));
  EXPECT_EQ(back, all);

  EXPECT_EQ(codePage.ToUtf8("\xE9"), "\xC3\xA9");
  EXPECT_EQ(codePage.ToUtf8("\x80\xFF"), "\xC2\x80\xC3\xBF");
}

TEST(Latin1CodePageTest, FromUtf8RejectsWhatDoesNotFit) {
  const TLatin1CodePage codePage;
  struct Case {
    std::string utf8;
    const char* what;
  } cases[] = {
      {"\xC4\x80", "U+0100"},
      {"\xE2\x82\xAC", "euro sign"},
      {kKorean, "Korean"},
      {"\xF0\x9F\x98\x80", "emoji"},
      {"abc\xE9", "invalid UTF-8"},
      {"\xC3", "truncated"},
      {"\xC1\xA9", "overlong"},
  };
  for (const Case& c : cases) {
    std::string ansi;
    EXPECT_FALSE(codePage.FromUtf8(c.utf8, ansi)) << c.what;
  }
  std::string ansi = "stale";
  ASSERT_TRUE(codePage.FromUtf8("", ansi));
  EXPECT_EQ(ansi, "");
}

TEST(TextFileTest, DecodeText) {
  const TLatin1CodePage codePage;
  struct Case {
    std::string bytes;
    std::string text;
    const char* what;
  } cases[] = {
      {"", "", "empty"},
      {kBom, "", "BOM only"},
      {"plain", "plain", "ASCII"},
      {kBom + "plain", "plain", "BOM removed"},
      {"caf\xC3\xA9", "caf\xC3\xA9", "valid UTF-8 without BOM"},
      {kKorean, kKorean, "Korean without BOM"},
      {kBom + kKorean, kKorean, "Korean with BOM"},
      {"caf\xE9", "caf\xC3\xA9", "Latin-1"},
      {"\xC3\xA9\xE9", "\xC3\x83\xC2\xA9\xC3\xA9", "one bad byte sends the whole file to the code page"},
      {"\xEF\xBB", "\xC3\xAF\xC2\xBB", "half a BOM is ANSI"},
      {kBom + kBom + "x", "\xEF\xBB\xBFx", "only one BOM is removed"},
      {kBom + "a\xE9z", "a" + kReplacement + "z", "BOM then an ANSI byte"},
      {kBom + "\xC3", kReplacement, "BOM then a truncated sequence"},
      {kBom + "\xED\xA0\x80!", kReplacement + kReplacement + kReplacement + "!", "BOM then a surrogate"},
      {kBom + "\xFF\xC3\xA9", kReplacement + "\xC3\xA9", "good sequence after a bad one"},
  };
  for (const Case& c : cases) {
    const std::string text = DecodeText(c.bytes, codePage);
    EXPECT_EQ(text, c.text) << c.what;
    EXPECT_TRUE(IsValidUtf8(text)) << c.what;
  }
}

TEST(TextFileTest, DecodeNeverYieldsInvalidUtf8) {
  // Every two-byte tail after a BOM, where repair has to cope with any byte pattern.
  const TLatin1CodePage codePage;
  for (int a = 0; a < 256; ++a) {
    for (int b = 0; b < 256; b += 7) {
      const std::string bytes = kBom + static_cast<char>(a) + static_cast<char>(b) + "\xE2\x82";
      ASSERT_TRUE(IsValidUtf8(DecodeText(bytes, codePage))) << a << " " << b;
    }
  }
}

TEST(TextFileTest, SplitLines) {
  struct Case {
    std::string text;
    std::vector<std::string> lines;
  } cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\n", {"a"}},
      {"a\r\nb", {"a", "b"}},
      {"a\nb\rc\r\nd", {"a", "b", "c", "d"}},
      {"\r\n", {""}},
      {"\r\n\r\n", {"", ""}},
      {"a\n\nb\n", {"a", "", "b"}},
      {"a\n\r", {"a", ""}},  // LF then a lone CR: two line ends
      {"a\r\r\nb", {"a", "", "b"}},
      {std::string("x\0y\nz", 5), {std::string("x\0y", 3), "z"}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitLines(c.text), c.lines) << testing::PrintToString(c.text);
}

TEST(TextFileTest, EncodeText) {
  const TLatin1CodePage codePage;
  EXPECT_EQ(EncodeText("", codePage), "");
  EXPECT_EQ(EncodeText("plain", codePage), "plain");
  EXPECT_EQ(EncodeText("caf\xC3\xA9", codePage), "caf\xE9");  // fits: one byte per character
  EXPECT_EQ(EncodeText(kKorean, codePage), kBom + kKorean);
  // One character outside the code page turns the whole text into UTF-8, "é" included.
  EXPECT_EQ(EncodeText("\xC3\xA9" + kKorean, codePage), kBom + "\xC3\xA9" + kKorean);
}

TEST(TextFileTest, EncodeLinesEndsEveryLineWithCrLf) {
  const TLatin1CodePage codePage;
  EXPECT_EQ(EncodeLines({}, codePage), "");
  EXPECT_EQ(EncodeLines({""}, codePage), "\r\n");
  EXPECT_EQ(EncodeLines({"a", "", "caf\xC3\xA9"}, codePage), "a\r\n\r\ncaf\xE9\r\n");
  EXPECT_EQ(EncodeLines({"a", kKorean}, codePage), kBom + "a\r\n" + kKorean + "\r\n");
}

TEST(TextFileTest, LinesRoundTripThroughTheFileRules) {
  const TLatin1CodePage codePage;
  const std::vector<std::vector<std::string>> files = {
      {"[Main]", "Path=C:\\caf\xC3\xA9", ""},
      {"name=" + kKorean, "second line"},
      {std::string("bin\0ary", 7), "\xC2\x80\xC3\xBF"},
      {"only"},
      // Fits the code page, but its ANSI bytes would begin with a BOM ("\xEF\xBB\xBF" in
      // Latin-1 is "ï»¿") and the rest would then be damaged UTF-8.
      {"\xC3\xAF\xC2\xBB\xC2\xBF=caf\xC3\xA9"},
      {"\xC3\xAF\xC2\xBB\xC2\xBF", "na\xC3\xAFve"},
  };
  for (const auto& lines : files) {
    const std::string bytes = EncodeLines(lines, codePage);
    EXPECT_EQ(DecodeLines(bytes, codePage), lines) << testing::PrintToString(bytes);
  }

  // Mixed line ends come back as CR LF.
  const std::string mixed = "one\ntwo\rthree\r\nfour";
  EXPECT_EQ(EncodeLines(DecodeLines(mixed, codePage), codePage), "one\r\ntwo\r\nthree\r\nfour\r\n");
}

}  // namespace
}  // namespace quill
