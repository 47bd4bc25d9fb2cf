// Error texts over the real string table, text filling and replacement, size texts, dialog
// centring and greyed colours.
#include "messages/Messages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/native/StringTableFile.h"

namespace quill {
namespace {

const TTextLoader kTable = test::TableText;

TEST(ErrorTextTest, KnownCodesUseTheirTexts) {
  struct Case {
    uint32_t code;
    int id;
    const char* text;
  } cases[] = {
      {2, 256, "The system cannot find the file/folder specified"},
      {3, 256, "The system cannot find the file/folder specified"},
      {5, 259, "Access is denied."},
      {19, 260, "Disk is write-protected"},
      {21, 257, "Drive is not ready"},
      {30, 266, "Read failed. Disk may be broken."},
      {32, 258, "There has been sharing violation. File or Folder is being used by another program"},
      {86, 268, "Invalid Password"},
      {112, 261, "There is no enough space in disk"},
      {123, 264, "Invalid Name"},
      {145, 263, "Folder is not empty."},
      {183, 265, "\xEC\x9D\xB4\xEB\xAF\xB8 \xEA\xB0\x99\xEC\x9D\x80 \xEC\x9D\xB4\xEB\xA6\x84\xEC\x9D\xB4 "
                 "\xEC\xA1\xB4\xEC\x9E\xAC\xED\x95\xA9\xEB\x8B\x88\xEB\x8B\xA4."},
      {1005, 262, "The volume does not contain a recognized file system."},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ErrorTextId(c.code), c.id) << c.code;
    EXPECT_EQ(ErrorText(c.code, kTable), c.text) << c.code;
  }
}

TEST(ErrorTextTest, OtherCodesGiveTheGenericTextWithTheNumber) {
  for (uint32_t code : {0u, 1u, 4u, 87u, 1223u, 0xFFFFFFFFu}) EXPECT_EQ(ErrorTextId(code), 267) << code;
  EXPECT_EQ(ErrorText(87, kTable),
            "Error Occured. Error Code : 87\n\nPlease mail me an error code and situation error occured.");
  EXPECT_NE(ErrorText(0xFFFFFFFFu, kTable).find("Error Code : 4294967295\n"), std::string::npos);
}

TEST(ErrorTextTest, WithoutATableTheNumberIsTheMessage) {
  EXPECT_EQ(ErrorText(87, nullptr), "87");
  EXPECT_EQ(ErrorText(5, [](int) { return std::string(); }), "5");
  // A table text with more placeholders or a stray "%" cannot make the fill read arguments it
  // lacks: the first placeholder takes the code, the others stay empty.
  EXPECT_EQ(ErrorText(87, [](int) { return std::string("%s %d %d 100%"); }), "87   100%");
}

TEST(ErrorTextTest, TheQuestionAppendsProcessTheRest) {
  EXPECT_EQ(ErrorQuestionText(5, kTable), "Access is denied.\n\nDo you want to process the rest of files?");
}

TEST(FillTextTest, PlaceholdersTakeTheArgumentsInOrder) {
  EXPECT_EQ(FillText("%d Items (%s bytes) ", {"3", "1,024"}), "3 Items (1,024 bytes) ");
  EXPECT_EQ(FillText(" (%c:)", {"D"}), " (D:)");
  EXPECT_EQ(FillText("100%% of %s", {"x"}), "100% of x");
  EXPECT_EQ(FillText("%5d|%x|%", {"1"}), "%5d|%x|%");
  EXPECT_EQ(FillText("%s and %s", {"one"}), "one and ");
  EXPECT_EQ(FillText("%s", {"%d"}), "%d");  // an argument is not filled again
}

TEST(ReplaceAllTest, EveryOccurrenceOnce) {
  EXPECT_EQ(ReplaceAll("a.b.c", ".", "\\"), "a\\b\\c");
  EXPECT_EQ(ReplaceAll("%F and %F", "%F", "C:\\x.txt"), "C:\\x.txt and C:\\x.txt");
  // The replacement holds the pattern: each original occurrence is replaced once and the call
  // ends.
  EXPECT_EQ(ReplaceAll("xax", "x", "xx"), "xxaxx");
  EXPECT_EQ(ReplaceAll("ab", "ab", "abab"), "abab");
  // Left to right, without overlaps.
  EXPECT_EQ(ReplaceAll("aaa", "aa", "b"), "ba");
  EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
  EXPECT_EQ(ReplaceAll("", "a", "b"), "");
  EXPECT_EQ(ReplaceAll("abc", "abcd", "x"), "abc");
  EXPECT_EQ(ReplaceAll("abc", "b", ""), "ac");
}

TEST(ParseSizeTest, NumbersAndUnits) {
  struct Case {
    const char* text;
    int64_t size;
  } cases[] = {
      {"1440 KB", 1440000},
      {"2880 KB", 2880000},
      {"5 MB", 5000000},
      {"100 MB", 100000000},
      {"720KB", 720000},
      {"720kb", 720000},
      {"3 mB", 3000000},
      {"1.44MB", 0},      // not an integer
      {"1,440 KB", 0},    // nor is this
      {"65536", 65536},   // no unit: bytes
      {"7 K", 7},         // a lone K is no unit
      {"7 GB", 7},        // nor is GB
      {"5 KB MB", 5000000},  // MB wins wherever it stands
      {"MB", 0},
      {"", 0},
      {" 5 MB", 0},       // the number ends at the first blank: here it is empty
      {"-5 MB", 0},
      {"+5 KB", 5000},
      {"9223372036854775807", 9223372036854775807},
      {"9223372036855 MB", 0},  // does not fit 64 bits
      {"9223372036854 MB", 9223372036854000000},
      {"9223372036854775808", 0},
      {"12\tKB", 12000},
      {"\xEC\x9D\xB4 5", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseSize(c.text), c.size) << c.text;
}

TEST(CenterOverTest, CentresOnTheOwnerTruncatingEachHalf) {
  EXPECT_EQ(CenterOver(100, 50, 550, 500, 386, 151), (TDialogOrigin{100 + 275 - 193, 50 + 250 - 75}));
  EXPECT_EQ(CenterOver(0, 0, 101, 101, 51, 51), (TDialogOrigin{25, 25}));
  // Owner on a monitor left of the primary one.
  EXPECT_EQ(CenterOver(-1280, -20, 801, 601, 377, 101), (TDialogOrigin{-1280 + 400 - 188, -20 + 300 - 50}));
  // A dialog larger than its owner starts before it.
  EXPECT_EQ(CenterOver(10, 10, 100, 100, 301, 201), (TDialogOrigin{10 + 50 - 150, 10 + 50 - 100}));
  // Halves truncate toward zero, not down.
  EXPECT_EQ(CenterOver(0, 0, -7, -7, 0, 0), (TDialogOrigin{-3, -3}));
}

TEST(GreyColorTest, LargestLessHalfTheSpreadPlusThirty) {
  EXPECT_EQ(GreyColor(0, 0, 0), 30);
  EXPECT_EQ(GreyColor(255, 0, 0), 158);  // 255 - 127 + 30
  EXPECT_EQ(GreyColor(0, 0, 255), 158);
  EXPECT_EQ(GreyColor(200, 100, 50), 155);
  EXPECT_EQ(GreyColor(11, 10, 10), 41);
  EXPECT_EQ(GreyColor(225, 225, 225), 255);
  EXPECT_EQ(GreyColor(255, 255, 255), 255);  // capped
  EXPECT_EQ(GreyColor(240, 230, 235), 255);  // 240 - 5 + 30 = 265, capped
}

TEST(GreyColorTest, PixelsKeepTransparencyAndTheTopByte) {
  std::vector<uint32_t> pixels = {0x00FF00FF, 0x000000FF, 0x80C86432, 0x00000000};
  GreyPixels(pixels.data(), pixels.size(), 0x00FF00FF);
  EXPECT_EQ(pixels, (std::vector<uint32_t>{0x00FF00FF, 0x009E9E9E, 0x809B9B9B, 0x001E1E1E}));
  GreyPixels(nullptr, 0, 0);
}

}  // namespace
}  // namespace quill
