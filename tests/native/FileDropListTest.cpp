#include "transfer/FileDropList.h"

#include <gtest/gtest.h>

namespace quill {
namespace {

std::string Header(uint32_t offset, bool wide) {
  std::string h(kFileDropHeaderSize, '\0');
  h[0] = static_cast<char>(offset);
  h[16] = wide ? 1 : 0;
  return h;
}

std::string Wide(std::u16string_view text) {
  std::string out;
  for (const char16_t unit : text) {
    out.push_back(static_cast<char>(unit & 0xFF));
    out.push_back(static_cast<char>(unit >> 8));
  }
  return out;
}

TEST(FileDropListTest, WhatWeWriteReadsBackAsTheShellLaysItOut) {
  const TLatin1CodePage codePage;
  // Korean, a character beyond the BMP and a plain path; the empty one cannot be in a list.
  const std::vector<std::string> paths = {"C:\\a.txt", "D:\\\xEC\x82\xAC\xEC\xA7\x84\\\xF0\x9F\x98\x80.jpg", "",
                                          "\\\\srv\\share\\b"};
  const std::string block = BuildFileDropList(paths);
  EXPECT_EQ(block.substr(0, 20), Header(20, true));
  EXPECT_EQ(block.substr(20, 18), Wide(u"C:\\a.txt") + std::string(2, '\0'));
  EXPECT_EQ(block.substr(block.size() - 4), std::string(4, '\0'));  // last name's null, then the list's
  EXPECT_EQ(ParseFileDropList(block, codePage),
            (std::vector<std::string>{paths[0], paths[1], paths[3]}));
  EXPECT_TRUE(ParseFileDropList(BuildFileDropList({}), codePage).empty());
}

TEST(FileDropListTest, ListsFromOtherProgramsAreReadWithoutTrustingThem) {
  const TLatin1CodePage codePage;
  // An ANSI list (wide flag clear), names placed after extra bytes the offset skips.
  EXPECT_EQ(ParseFileDropList(Header(24, false) + "xxxxC:\\\xE9t\xE9.doc" + std::string(1, '\0') + "C:\\b" +
                                  std::string(2, '\0'),
                              codePage),
            (std::vector<std::string>{"C:\\\xC3\xA9t\xC3\xA9.doc", "C:\\b"}));
  // No terminator at all, and a wide list cut in the middle of a unit: what is whole is kept.
  EXPECT_EQ(ParseFileDropList(Header(20, false) + "C:\\a", codePage), (std::vector<std::string>{"C:\\a"}));
  EXPECT_EQ(ParseFileDropList(Header(20, true) + Wide(u"C:\\a") + "x", codePage),
            (std::vector<std::string>{"C:\\a"}));
  // A lone surrogate, an offset past the end, a block shorter than its header.
  EXPECT_EQ(ParseFileDropList(Header(20, true) + Wide(u"a\xD800" u"b") + std::string(4, '\0'), codePage),
            (std::vector<std::string>{"a\xEF\xBF\xBD" "b"}));
  EXPECT_TRUE(ParseFileDropList(Header(200, true) + Wide(u"C:\\a"), codePage).empty());
  EXPECT_TRUE(ParseFileDropList(std::string(19, '\0'), codePage).empty());
}

TEST(FileDropListTest, OnlyTheMoveBitOfThePreferredEffectMeansMove) {
  EXPECT_TRUE(PreferredEffectIsMove(DropEffectBytes(kDropEffectMove)));
  EXPECT_TRUE(PreferredEffectIsMove(DropEffectBytes(kDropEffectMove | kDropEffectCopy)));
  EXPECT_FALSE(PreferredEffectIsMove(DropEffectBytes(kDropEffectCopy | kDropEffectLink)));
  EXPECT_FALSE(PreferredEffectIsMove(std::string("\x02\x00\x00", 3)));  // short: as if missing
  EXPECT_FALSE(PreferredEffectIsMove(""));
}

}  // namespace
}  // namespace quill
