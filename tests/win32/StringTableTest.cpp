// The string table as linked into the program, read back through LoadText.
#include <gtest/gtest.h>

#include <string>

#include "platform/StringTable.h"

namespace quill {
namespace {

struct TExactText {
  unsigned id;
  const char* text;
};

// Texts whose bytes matter: non-ASCII, resource-compiler escapes, a doubled quote,
// a trailing blank, and ids in the same table block as others.
const TExactText kExactTexts[] = {
    {265, "\xEC\x9D\xB4\xEB\xAF\xB8 \xEA\xB0\x99\xEC\x9D\x80 \xEC\x9D\xB4\xEB\xA6\x84\xEC\x9D\xB4 "
          "\xEC\xA1\xB4\xEC\x9E\xAC\xED\x95\xA9\xEB\x8B\x88\xEB\x8B\xA4."},  // 이미 같은 이름이 존재합니다.
    {109, "Network"},
    {110, "[DIR]"},
    {111, "[DIR]"},
    {504, "&Open\tEnter"},
    {506, "&Root\t\\"},
    {509, "'%s'\n\nEmpty in order to erase description"},
    {512, "Error"},
    {536, "%d Items (%s bytes) "},
    {10202, "Unknown error in List() function\n"},
    {11035, "\nin drive: %s"},
    {30400, "\n\npassword"},
    {30401, "Confirm password"},
};

TEST(StringTable, LoadsTextsByteForByte) {
  for (const TExactText& expected : kExactTexts) EXPECT_EQ(LoadText(expected.id), expected.text) << expected.id;
}

TEST(StringTable, EscapesBecomeRealControlCharacters) {
  const std::string description = LoadText(509);
  EXPECT_NE(description.find('\n'), std::string::npos);
  EXPECT_EQ(description.find("\\n"), std::string::npos);
  const std::string open = LoadText(504);
  EXPECT_NE(open.find('\t'), std::string::npos);
  EXPECT_EQ(open.find("\\t"), std::string::npos);
}

TEST(StringTable, KeepsFormatSpecifiersForTheCallers) {
  EXPECT_NE(LoadText(267).find("%d"), std::string::npos);
  EXPECT_EQ(LoadText(11034), "Please insert disk volume %.1d of %.1d");
  EXPECT_EQ(LoadText(30104), "This is not a %s archive file");
}

TEST(StringTable, DoubledQuoteComesOutAsOneQuote) {
  const std::string volume = LoadText(525);  // asks for the disk holding the named volume
  EXPECT_TRUE(volume.starts_with("%s\n"));
  EXPECT_NE(volume.find("\"\xED\x99\x95\xEC\x9D\xB8\""), std::string::npos);  // "확인" in quotes
  EXPECT_EQ(volume.find("\"\""), std::string::npos);
}

TEST(StringTable, LongTextIsNotCut) {
  const std::string folder = LoadText(597);
  EXPECT_TRUE(folder.starts_with("If the files in the existing folder"));
  EXPECT_GT(folder.size(), 160u);
  EXPECT_TRUE(folder.ends_with("move or copy the folder?"));
}

TEST(StringTable, MissingIdsGiveEmptyText) {
  // 508 and 11024 sit in blocks that hold other texts; 60000 has no block at all.
  for (unsigned id : {508u, 11024u, 60000u}) EXPECT_EQ(LoadText(id), "") << id;
}

}  // namespace
}  // namespace quill
