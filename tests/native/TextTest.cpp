#include "base/Text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace quill {
namespace {

TEST(TextTest, AsciiCaseFoldingLeavesOtherBytesAlone) {
  EXPECT_EQ(UpperAscii("quill.INI 1-z"), "QUILL.INI 1-Z");
  EXPECT_EQ(LowerAscii("QUILL.ini @[`{"), "quill.ini @[`{");
  // UTF-8 bytes of "é" must survive folding untouched.
  EXPECT_EQ(UpperAscii("caf\xC3\xA9"), "CAF\xC3\xA9");
  EXPECT_EQ(LowerAscii("\xC3\x89"), "\xC3\x89");

  struct Case {
    const char* a;
    const char* b;
    bool same;
  } cases[] = {
      {"Settings", "SETTINGS", true}, {"", "", true},        {"a", "", false},
      {"abc", "abd", false},          {"ab", "abc", false}, {"@", "`", false},  // 0x40 vs 0x60
      {"[", "{", false},              {"\xC3\xA9", "\xC3\x89", false},
  };
  for (const Case& c : cases) EXPECT_EQ(SameTextAscii(c.a, c.b), c.same) << c.a << " / " << c.b;
}

TEST(TextTest, TrimBlanksOnly) {
  EXPECT_EQ(Trim(" \t a b \t "), "a b");
  EXPECT_EQ(TrimLeft(" \ta "), "a ");
  EXPECT_EQ(TrimRight(" a\t "), " a");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(Trim(""), "");
  EXPECT_EQ(Trim("\r\na\n"), "\r\na\n");  // line ends are not blanks
  EXPECT_EQ(TrimView("  x  "), "x");
}

TEST(TextTest, SplitKeepsEmptyItems) {
  struct Case {
    const char* text;
    std::vector<std::string> items;
  } cases[] = {
      {"a,b,c", {"a", "b", "c"}}, {"a,,b", {"a", "", "b"}}, {"", {""}},
      {",", {"", ""}},            {"abc", {"abc"}},         {",a,", {"", "a", ""}},
  };
  for (const Case& c : cases) EXPECT_EQ(Split(c.text, ','), c.items) << c.text;
}

TEST(TextTest, PrefixAndSuffix) {
  EXPECT_TRUE(StartsWith("quill.ini", "quill"));
  EXPECT_TRUE(StartsWith("quill", ""));
  EXPECT_FALSE(StartsWith("qu", "quill"));
  EXPECT_TRUE(EndsWith("quill.ini", ".ini"));
  EXPECT_TRUE(EndsWith("", ""));
  EXPECT_FALSE(EndsWith("ini", "quill.ini"));
  EXPECT_FALSE(EndsWith("quill.ini", ".INI"));
}

TEST(TextTest, Utf8Validation) {
  struct Case {
    std::string bytes;
    bool valid;
    const char* what;
  } cases[] = {
      {"", true, "empty"},
      {"plain ASCII", true, "ascii"},
      {std::string("a\0b", 3), true, "NUL is a character"},
      {"\xC3\xA9", true, "two bytes"},
      {"\xED\x95\x9C\xEA\xB8\x80", true, "Korean"},
      {"\xF0\x9F\x98\x80", true, "four bytes"},
      {"\xF4\x8F\xBF\xBF", true, "U+10FFFF"},
      {"\xEF\xBB\xBF", true, "BOM alone"},
      {"\xE9", false, "Latin-1 byte"},
      {"caf\xE9!", false, "Latin-1 inside ASCII"},
      {"\x80", false, "lone continuation"},
      {"\xC3", false, "truncated at end"},
      {"\xE2\x82", false, "truncated three-byte"},
      {"\xC3(", false, "bad continuation"},
      {"\xC0\xAF", false, "overlong two-byte"},
      {"\xC1\xBF", false, "overlong two-byte C1"},
      {"\xE0\x80\xAF", false, "overlong three-byte"},
      {"\xF0\x8F\xBF\xBF", false, "overlong four-byte"},
      {"\xED\xA0\x80", false, "surrogate"},
      {"\xED\xBF\xBF", false, "last surrogate"},
      {"\xF4\x90\x80\x80", false, "above U+10FFFF"},
      {"\xF5\x80\x80\x80", false, "F5 lead"},
      {"\xFF\xFE", false, "UTF-16 BOM"},
  };
  for (const Case& c : cases) EXPECT_EQ(IsValidUtf8(c.bytes), c.valid) << c.what;
}

TEST(TextTest, ParseInt) {
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
  struct Good {
    const char* text;
    int64_t value;
  } good[] = {
      {"0", 0},
      {"42", 42},
      {"-42", -42},
      {"+7", 7},
      {"  12\t", 12},
      {"007", 7},
      {"-0", 0},
      {"9223372036854775807", kMax},
      {"-9223372036854775808", kMin},
  };
  for (const Good& g : good) {
    int64_t value = 12345;
    EXPECT_TRUE(ParseInt(g.text, value)) << g.text;
    EXPECT_EQ(value, g.value) << g.text;
  }

  const char* bad[] = {
      "", "   ", "+", "-", "12abc", "abc", "1 2", "- 5", "+-5", "1.5", "0x10", "1e3",
      "9223372036854775808", "-9223372036854775809", "99999999999999999999999",
  };
  for (const char* text : bad) {
    int64_t value = 0;
    EXPECT_FALSE(ParseInt(text, value)) << text;
  }
}

TEST(TextTest, ToIntDef) {
  EXPECT_EQ(ToIntDef(" -3 ", 9), -3);
  EXPECT_EQ(ToIntDef("3x", 9), 9);
  EXPECT_EQ(ToIntDef("", -1), -1);
}

TEST(TextTest, Format) {
  EXPECT_EQ(Format("%s=%d", "Left", -12), "Left=-12");
  EXPECT_EQ(Format("%s", ""), "");
  const std::string longText(5000, 'x');
  EXPECT_EQ(Format("[%s]", longText.c_str()), "[" + longText + "]");
}

}  // namespace
}  // namespace quill
