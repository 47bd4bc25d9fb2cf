#include "fileview/FileViewLayout.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "base/FileSystem.h"
#include "base/Text.h"
#include "tests/native/TableCaseMap.h"

namespace quill {
namespace {

// Widths of a simple proportional font: "W" 11, digits 6, other ASCII 7, every byte of a
// multi-byte character 4 (so a split character still takes room); 13 pixels high. Counts
// every measurement per text.
class TFakeMeasure : public ITextMeasure {
public:
  int TextWidth(std::string_view text) const override {
    ++calls[std::string(text)];
    ++totalCalls;
    int width = 0;
    for (size_t i = 0; i < text.size(); ++i) {
      const unsigned char c = text[i];
      if (c == 'W') width += 11;
      else if (c >= '0' && c <= '9') width += 6;
      else if (c < 0x80) width += 7;
      else width += 4;
    }
    return width;
  }
  int TextHeight() const override { return 13; }
  mutable std::map<std::string, int> calls;
  mutable int totalCalls = 0;
};

// Widths the fake font gives the layout's sample texts.
constexpr int kDigit = 6;
constexpr int kNarrow = 43;  // "000,000"
constexpr int kWide = 62;    // "00,000,000"
constexpr int kDate = 62;    // "0000-00-00"
constexpr int kTime = 31;    // "00:00"
constexpr int kEightDotThreeName = 72;  // "WWWWAAAA"
constexpr int kEightDotThree = 112;     // "WWWWAAAA.WWW"
constexpr int kThreeWide = 33;          // "WWW"
constexpr int kIconArea = 28;
constexpr int kItemHeight = 18;  // 13 + 4, raised to 18 for the icons
constexpr int kClientTop = 25;

void AddFiles(TFiles& files, int count, const char* format = "F%02d") {
  files.BeginUpdate();
  for (int i = 0; i < count; ++i) files.AddFile(Format(format, i), 100, faArchive, 0);
  files.EndUpdate();
}

// A client height giving exactly `rows` rows below the title.
int HeightForRows(int rows) { return kClientTop + rows * kItemHeight; }

TEST(FileViewLayout, FixedWidthsAndItemHeight) {
  TFakeMeasure measure;
  TFileViewLayout layout(measure);
  TFiles files;
  AddFiles(files, 3);
  TFileViewSettings settings;
  layout.CalculateParams(files, settings, 400, 300);
  const TLayoutParams& p = layout.Params();
  EXPECT_EQ(p.ItemArea, (TLayoutRect{0, 25, 400, 300}));
  EXPECT_EQ(p.DigitWidth, kDigit);
  EXPECT_EQ(p.NarrowSizeWidth, kNarrow);
  EXPECT_EQ(p.WideSizeWidth, kWide);
  EXPECT_EQ(p.DateWidth, kDate);
  EXPECT_EQ(p.TimeWidth, kTime);
  EXPECT_EQ(p.AttrWidth, 28);
  EXPECT_EQ(p.IconArea, kIconArea);
  EXPECT_EQ(p.ItemHeight, kItemHeight);
  EXPECT_EQ(p.TextOffset, 2);
  EXPECT_EQ(p.RowsPerPage, 275 / 18);

  settings.ViewIcon = false;
  settings.ViewTitle = false;
  layout.CalculateParams(files, settings, 400, 300);
  EXPECT_EQ(layout.Params().ItemArea.Top, 0);
  EXPECT_EQ(layout.Params().IconArea, 8);
  EXPECT_EQ(layout.Params().ItemHeight, 17);
  EXPECT_EQ(layout.Params().RowsPerPage, 300 / 17);
}

// Short names: name column = "WWWWAAAA" + d, so a cell needs 72 + 6 + 28 + 6 = 112 pixels.
TEST(FileViewLayout, AutomaticColumns) {
  constexpr int kCell = kEightDotThreeName + kDigit + kIconArea + 6;
  struct Case {
    int entries;
    int columnsThatFit;
    int expected;
  };
  const Case cases[] = {
      {10, 5, 1},   // one column as wide as the pane
      {100, 5, 5},  // five needed, five fit
      {100, 6, 5},
      {100, 4, 3},  // half of five rounded up is less than four
      {100, 3, 3},  // half is not less than what fits: as many as fit
      {100, 2, 2},
      {21, 5, 2},
      {0, 5, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Format("%d entries, %d fit", c.entries, c.columnsThatFit));
    TFakeMeasure measure;
    TFileViewLayout layout(measure);
    TFiles files;
    AddFiles(files, c.entries);
    const int width = c.columnsThatFit * kCell + kCell / 2;
    layout.CalculateParams(files, TFileViewSettings(), width, HeightForRows(20));
    EXPECT_EQ(layout.Params().RowsPerPage, 20);
    EXPECT_EQ(layout.Params().NameColumnWidth, kEightDotThreeName + kDigit);
    EXPECT_EQ(layout.Params().Columns, c.expected);
    EXPECT_EQ(layout.Params().CellWidth, width / c.expected);
  }
}

TEST(FileViewLayout, FixedColumnCountSizesTheRoomPerColumn) {
  TFakeMeasure measure;
  TFileViewLayout layout(measure);
  TFiles files;
  files.AddFile(std::string(40, 'a') + ".html", 1, 0, 0);
  TFileViewSettings settings;
  settings.AutoColumn = false;
  settings.Column = 3;
  layout.CalculateParams(files, settings, 600, 300);
  // room = 200 - 28 - 6 = 166, a = 160: the name is capped at 112, the extension at 48.
  EXPECT_EQ(layout.Params().Columns, 3);
  EXPECT_EQ(layout.Params().CellWidth, 200);
  EXPECT_EQ(layout.Params().NameWidth, 112);
  EXPECT_EQ(layout.Params().ExtWidth, 28);
  EXPECT_EQ(layout.Params().NameColumnWidth, 112 + kDigit + 28);
}

TEST(FileViewLayout, NameColumnTable) {
  struct Case {
    bool longName, attachExt, longEntry;
    int room, nameWidth, extWidth, column;
  };
  // Room 300: a = 294, 0.7a = 205, 0.3a = 88; room 100: a = 94, 0.7a = 65, 0.3a = 28.
  // The long entry is 40 letters + ".html": name 280, extension 28, whole 315 pixels.
  const Case cases[] = {
      {true, false, true, 300, 205, 28, 205 + kDigit + 28},
      {true, false, false, 300, kEightDotThreeName, 0, kEightDotThreeName + kDigit},
      {true, false, false, 100, 65, 0, 65 + kDigit},  // the minimum yields to 0.7a
      {true, true, true, 300, 300, 0, 300},
      {true, true, false, 300, kEightDotThree, 0, kEightDotThree},
      {true, true, false, 100, 100, 0, 100},
      {false, false, true, 300, kEightDotThreeName, kThreeWide, kEightDotThreeName + kDigit + kThreeWide},
      {false, false, true, 100, 65, 28, 65 + kDigit + 28},
      {false, true, true, 300, kEightDotThree, 0, kEightDotThree},
      {false, true, true, 100, 100, 0, 100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Format("long %d attach %d entry %d room %d", c.longName, c.attachExt, c.longEntry, c.room));
    TFakeMeasure measure;
    TFileViewLayout layout(measure);
    TFiles files;
    files.AddEntry("..", "", faDirectory, 0, 0);
    files.AddFile(c.longEntry ? std::string(40, 'a') + ".html" : "ab", 1, 0, 0);
    files.AddEntry("C", std::string(60, 'x'), faDrive, 0, 0);  // drive entries never size names
    TFileViewSettings settings;
    settings.LongName = c.longName;
    settings.AttachExt = c.attachExt;
    layout.CalculateParams(files, settings, 800, 300);  // sets the digit width
    EXPECT_EQ(layout.SetFileNameWidth(c.room, files, settings), c.column);
    EXPECT_EQ(layout.Params().NameWidth, c.nameWidth);
    EXPECT_EQ(layout.Params().ExtWidth, c.extWidth);
  }
}

TEST(FileViewLayout, DegenerateRoomGivesNoNegativeWidths) {
  TFakeMeasure measure;
  TFileViewLayout layout(measure);
  TFiles files;
  AddFiles(files, 50);
  files.AddEntry("C", "Local", faDrive, 0, 0);
  for (TViewStyle style : {vsList, vsIcon}) {
    TFileViewSettings settings;
    settings.ViewStyle = style;
    layout.CalculateParams(files, settings, 5, 5);
    const TLayoutParams& p = layout.Params();
    EXPECT_EQ(p.Columns, 1);
    EXPECT_EQ(p.RowsPerPage, 1);
    EXPECT_GE(p.NameWidth, 0);
    EXPECT_GE(p.ExtWidth, 0);
    EXPECT_GE(p.DriveTextWidth, 0);
    EXPECT_EQ(p.SizeMode, kSizeNone);
  }
}

TEST(FileViewLayout, DriveTextWidthIsCappedAtTheRoom) {
  TFakeMeasure measure;
  TFileViewLayout layout(measure);
  TFiles files;
  AddFiles(files, 2);
  files.AddEntry("C", "Local", faDrive, 0, 0);
  files.AddEntry("/", "Network", faDrive, 0, 4);
  layout.CalculateParams(files, TFileViewSettings(), 400, 300);
  EXPECT_EQ(layout.Params().DriveTextWidth, 12 * 7 + 11);  // "[-/-] NETWORK"
  layout.CalculateParams(files, TFileViewSettings(), 120, 300);
  EXPECT_EQ(layout.Params().DriveTextWidth, 120 - kIconArea - 6);
}

// One column of short names: name column 78, so the spare room s = client width - 112.
TEST(FileViewLayout, DetailColumnsAtTheirThresholds) {
  struct Case {
    int spare, sizeMode;
    bool date, time, attributes, description;
  };
  const int dateAt = 2 * kDigit + kNarrow + kDate;                          // 117
  const int timeAt = 3 * kDigit + kNarrow + kDate + kTime;                  // 154
  const int base = 4 * kDigit + kNarrow + kDate + kTime;                    // 160
  const Case cases[] = {
      {kDigit + kNarrow - 1, 0, false, false, false, false},
      {kDigit + kNarrow, 1, false, false, false, false},
      {kDigit + kWide - 1, 1, false, false, false, false},
      {kDigit + kWide, 2, false, false, false, false},
      {dateAt - 1, 2, false, false, false, false},
      {dateAt, 1, true, false, false, false},
      {2 * kDigit + kWide + kDate - 1, 1, true, false, false, false},
      {2 * kDigit + kWide + kDate, 2, true, false, false, false},
      {timeAt - 1, 2, true, false, false, false},
      {timeAt, 1, true, true, false, false},
      {base + 28 - 1, 1, true, true, false, false},
      {base + 28, 1, true, true, true, false},
      {base + 10 * kDigit - 1, 1, true, true, true, false},
      {base + 10 * kDigit, 1, true, true, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Format("spare %d", c.spare));
    TFakeMeasure measure;
    TFileViewLayout layout(measure);
    TFiles files;
    AddFiles(files, 5);
    layout.CalculateParams(files, TFileViewSettings(), c.spare + 112, HeightForRows(20));
    const TLayoutParams& p = layout.Params();
    ASSERT_EQ(p.Columns, 1);
    EXPECT_EQ(p.SizeMode, c.sizeMode);
    EXPECT_EQ(p.ShowDate, c.date);
    EXPECT_EQ(p.ShowTime, c.time);
    EXPECT_EQ(p.ShowAttributes, c.attributes);
    EXPECT_EQ(p.ShowDescription, c.description);
  }
}

TEST(FileViewLayout, SizeTexts) {
  struct Case {
    uint64_t size;
    TSizeText narrow, wide;
  };
  const Case cases[] = {
      {0, {"0", ""}, {"0", ""}},
      {1234, {"1234", ""}, {"1,234", ""}},
      {999999, {"999999", ""}, {"999,999", ""}},
      {1000000, {"1.0", "M"}, {"1,000,000", ""}},
      {1500000, {"1.4", "M"}, {"1,500,000", ""}},
      {99999999, {"95.4", "M"}, {"99,999,999", ""}},
      {100000000, {"95.4", "M"}, {"95.37", "M"}},
      // 150.5 MiB: three significant digits leave the decimal at 0; five keep it.
      {157810688, {"151.0", "M"}, {"150.50", "M"}},
      {1073741823, {"1020.0", "M"}, {"1024.00", "M"}},
      {1073741824, {"1.0", "G"}, {"1.00", "G"}},
      {1610612736, {"1.5", "G"}, {"1.50", "G"}},
      {5000000000ull, {"4.7", "G"}, {"4.66", "G"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    EXPECT_EQ(NarrowSizeText(c.size), c.narrow);
    EXPECT_EQ(WideSizeText(c.size), c.wide);
  }
}

TEST(FileViewLayout, GroupThousands) {
  EXPECT_EQ(GroupThousands(0), "0");
  EXPECT_EQ(GroupThousands(999), "999");
  EXPECT_EQ(GroupThousands(1000), "1,000");
  EXPECT_EQ(GroupThousands(123456789), "123,456,789");
  EXPECT_EQ(GroupThousands(18446744073709551615ull), "18,446,744,073,709,551,615");
}

TEST(FileViewLayout, CharCaseRules) {
  struct Case {
    const char* text;
    TCharCase charCase;
    const char* expected;
  };
  const Case cases[] = {
      {"ReadMe.Txt", ccNormal, "ReadMe.Txt"},
      {"ReadMe.Txt", ccUpper, "README.TXT"},
      {"ReadMe.Txt", ccLower, "readme.txt"},
      {"rEADME.TXT", ccCapital, "Readme.txt"},
      {"1st.TXT", ccCapital, "1st.txt"},
      {"résumé.doc", ccUpper, "RÉSUMÉ.DOC"},
      {"Über", ccUpper, "ÜBER"},
      {"ÜBER", ccLower, "über"},
      {"naïve", ccUpper, "NAÏVE"},
      {"ÉCOLE", ccCapital, "École"},  // the first character is cased whatever its script
      {"москва", ccCapital, "Москва"},
      {"ΑΘΗΝΑ", ccLower, "αθηνα"},
      {"straße", ccUpper, "STRAßE"},  // no one-to-one upper case: kept
      {"😀 smile", ccUpper, "😀 SMILE"},
      {"😀SMILE", ccCapital, "😀smile"},
      {"", ccCapital, ""},
  };
  const test::TTableCaseMap table;
  for (const Case& c : cases) EXPECT_EQ(FitCharCase(c.text, c.charCase, table), c.expected) << c.text;
  // The portable fallback cases ASCII letters only and leaves every other byte alone.
  EXPECT_EQ(FitCharCase("résumé", ccUpper, TAsciiCaseMap::Instance()), "RéSUMé");
  EXPECT_EQ(FitCharCase("ÉCOLE", ccCapital, TAsciiCaseMap::Instance()), "École");
}

TEST(FileViewLayout, FoldersShowUpperCaseWhenFilesAreLowerCase) {
  TFiles files;
  TFile* folder = files.AddEntry("Windows", "", faDirectory, 0, 0);
  TFile* file = files.AddFile("ReadMe.TXT", 1, 0, 0);
  TFile* drive = files.AddEntry("C", "Local", faDrive, 0, 0);
  TFile* unicodeFolder = files.AddEntry("Straße", "", faDirectory, 0, 0);
  TFile* unicodeDrive = files.AddEntry("D", "Données", faDrive, 0, 0);
  TFileViewSettings settings;
  const test::TTableCaseMap table;
  settings.CharCase = ccLower;
  EXPECT_EQ(DisplayName(*folder, settings, table), "WINDOWS");
  EXPECT_EQ(DisplayName(*unicodeFolder, settings, table), "STRAßE");
  EXPECT_EQ(DisplayName(*file, settings, table), "readme");
  EXPECT_EQ(DisplayExt(*file, settings, table), "txt");
  EXPECT_EQ(DisplayName(*drive, settings, table), "[-c-] local");
  settings.CharCase = ccUpper;
  EXPECT_EQ(DisplayName(*unicodeDrive, settings, table), "[-D-] DONNÉES");
  settings.CharCase = ccCapital;
  EXPECT_EQ(DisplayName(*folder, settings, table), "Windows");
  settings.CharCase = ccNormal;
  EXPECT_EQ(DisplayName(*folder, settings, table), "Windows");
  settings.CharCase = ccLower;
  settings.AttachExt = true;
  EXPECT_EQ(DisplayName(*file, settings, table), "readme.txt");
  EXPECT_EQ(DisplayExt(*file, settings, table), "");
}

TEST(FileViewLayout, IconCaptionsNameDrivesWithTheirLetterTheNetworkEntryToo) {
  TFiles files;
  EXPECT_EQ(IconCaption(*files.AddEntry("C", "Local", faDrive, 0, 0)), "Local (C:)");
  EXPECT_EQ(IconCaption(*files.AddEntry("/", "Network", faDrive, 0, 4)), "Network (/:)");
  EXPECT_EQ(IconCaption(*files.AddFile("read me.txt", 1, 0, 0)), "read me.txt");
  EXPECT_EQ(IconCaption(*files.AddEntry("Docs", "", faDirectory, 0, 0)), "Docs");
}

TEST(FileViewLayout, NamesAreMeasuredInTheCaseTheyAreShownIn) {
  TFakeMeasure measure;
  const test::TTableCaseMap table;
  TFileViewLayout layout(measure, table);
  TFiles files;
  files.AddFile("résumé.doc", 1, 0, 0);
  files.AddEntry("Über", "", faDirectory, 0, 0);
  TFileViewSettings settings;
  layout.CalculateParams(files, settings, 600, 300);
  EXPECT_EQ(measure.calls.count("RÉSUMÉ"), 1u);
  EXPECT_EQ(measure.calls.count("ÜBER"), 1u);
  EXPECT_EQ(measure.calls.count("RéSUMé"), 0u);
  EXPECT_EQ(&layout.CaseMap(), &table);
}

TEST(FileViewLayout, ShortNameSizingCutsLongNames) {
  TFakeMeasure measure;
  TFileViewLayout layout(measure);
  TFiles files;
  files.AddFile("VeryLongFileName.texts", 1, 0, 0);
  files.AddFile("AUTOEXEC.BAT", 1, 0, 0);
  TFileViewSettings settings;
  settings.LongName = false;
  layout.CalculateParams(files, settings, 600, 300);
  const TLayoutParams& p = layout.Params();
  EXPECT_EQ(p.NameColumnWidth, kEightDotThreeName + kDigit + kThreeWide);
  EXPECT_EQ(measure.calls.count("VERYLONGFILENAME"), 0u);  // names do not size the column

  const TCutText longName = layout.CutToWidth(DisplayName(*files.Items(0), settings, layout.CaseMap()), p.NameWidth);
  EXPECT_TRUE(longName.Cut);
  EXPECT_EQ(longName.Text, "VERYLONGF~");
  const TCutText longExt = layout.CutToWidth(DisplayExt(*files.Items(0), settings, layout.CaseMap()), p.ExtWidth);
  EXPECT_TRUE(longExt.Cut);
  EXPECT_EQ(longExt.Text, "TEX~");
  const TCutText shortName = layout.CutToWidth(DisplayName(*files.Items(1), settings, layout.CaseMap()), p.NameWidth);
  EXPECT_FALSE(shortName.Cut);
  EXPECT_EQ(shortName.Text, "AUTOEXEC");
}

TEST(FileViewLayout, CutToWidth) {
  const std::string japanese = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE";  // four characters, 12 each
  struct Case {
    std::string text;
    int width;
    std::string expected;
    bool cut;
  };
  const Case cases[] = {
      {"abcdef", 42, "abcdef", false},  // exactly fits
      {"abcdef", 41, "abcd~", true},
      {"abcdef", 14, "a~", true},
      {"abcdef", 7, "~", true},
      {"abcdef", 3, "~", true},  // even the mark is clipped, but the cut stays visible
      {japanese, 48, japanese, false},
      {japanese, 47, "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E~", true},  // 3 x 12 + 7
      {japanese, 42, "\xE6\x97\xA5\xE6\x9C\xAC~", true},
      {japanese, 30, "\xE6\x97\xA5~", true},
      {"a" + japanese, 26, "a\xE6\x97\xA5~", true},
      {"a" + japanese, 25, "a~", true},
      // Characters beyond the BMP (a surrogate pair in UTF-16) stay whole: 16 pixels each.
      {"😀😀😀", 48, "😀😀😀", false},
      {"😀😀😀", 39, "😀😀~", true},
      {"😀😀😀", 38, "😀~", true},
      {"😀😀😀", 22, "~", true},
      // An accent and the letter it sits on go together (7 + 8, then "~" 7).
      {"ae\xCC\x81" "bcd", 36, "ae\xCC\x81" "b~", true},
      {"ae\xCC\x81" "bcd", 28, "a~", true},
      // An emoji with a skin tone, a joined sequence and a flag are one character each.
      {"x\xF0\x9F\x91\x8B\xF0\x9F\x8F\xBD" "yz", 46, "x\xF0\x9F\x91\x8B\xF0\x9F\x8F\xBD~", true},
      {"x\xF0\x9F\x91\x8B\xF0\x9F\x8F\xBD" "yz", 45, "x~", true},
      {"x\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9" "y", 50, "x~", true},
      {"\xF0\x9F\x87\xB0\xF0\x9F\x87\xB7\xF0\x9F\x87\xAF\xF0\x9F\x87\xB5" "z", 40,
       "\xF0\x9F\x87\xB0\xF0\x9F\x87\xB7~", true},
      {"\xF0\x9F\x87\xB0\xF0\x9F\x87\xB7\xF0\x9F\x87\xAF\xF0\x9F\x87\xB5" "z", 38, "~", true},
      {"", 0, "", false},
  };
  TFakeMeasure measure;
  TFileViewLayout layout(measure);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text + " in " + std::to_string(c.width));
    const TCutText result = layout.CutToWidth(c.text, c.width);
    EXPECT_EQ(result.Text, c.expected);
    EXPECT_EQ(result.Cut, c.cut);
    EXPECT_TRUE(IsValidUtf8(result.Text));
    if (result.Cut && c.width >= 7) {
      EXPECT_LE(measure.TextWidth(result.Text), c.width);
    }
  }
}

TEST(FileViewLayout, CaptionsWrapAtSpacesAndBreakOnlyBetweenCharacters) {
  TFakeMeasure measure;
  TFileViewLayout layout(measure);
  struct Case {
    std::string text;
    int width, maxLines;
    std::vector<std::string> lines;
    bool cut;
  };
  const Case cases[] = {
      {"short.txt", 100, 3, {"short.txt"}, false},
      {"my holiday photos.jpg", 70, 3, {"my holiday", "photos.jpg"}, false},
      {"my  holiday", 30, 3, {"my", "holi", "day"}, false},  // spaces at a break belong to no line
      {"abcdefghijklmnop", 50, 2, {"abcdefg", "hijk..."}, true},
      {"my holiday photos.jpg", 70, 0, {"my holi..."}, true},  // always at least one line
      {"😀😀😀😀", 40, 3, {"😀😀", "😀😀"}, false},
      {"😀😀😀😀😀", 40, 2, {"😀😀", "😀..."}, true},
      {"a\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9", 40, 3,
       {"a", "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9"}, true},  // 44 wide, never split
      {"W", 5, 3, {"W"}, true},
      {"", 50, 3, {}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text + " in " + std::to_string(c.width));
    const TCaptionLines result = layout.WrapCaption(c.text, c.width, c.maxLines);
    EXPECT_EQ(result.Lines, c.lines);
    EXPECT_EQ(result.Cut, c.cut);
    int widest = 0;
    for (const std::string& line : result.Lines) {
      EXPECT_TRUE(IsValidUtf8(line)) << line;
      widest = std::max(widest, measure.TextWidth(line));
    }
    EXPECT_EQ(result.Width, widest);
  }
}

TEST(FileViewLayout, CharacterStartsKeepSequencesTogether) {
  EXPECT_EQ(CharacterStarts(""), (std::vector<size_t>{}));
  EXPECT_EQ(CharacterStarts("ab"), (std::vector<size_t>{0, 1}));
  EXPECT_EQ(CharacterStarts("\xC3\xA9t\xC3\xA9"), (std::vector<size_t>{0, 2, 3}));
  EXPECT_EQ(CharacterStarts("\xF0\x9F\x98\x80x"), (std::vector<size_t>{0, 4}));
  // A combining mark at the very start has nothing to join: it is a character of its own.
  EXPECT_EQ(CharacterStarts("\xCC\x81" "a\xCC\x81"), (std::vector<size_t>{0, 2}));
  // Heart with the emoji variation selector, keycap one, then three flags' letters in a row.
  EXPECT_EQ(CharacterStarts("\xE2\x9D\xA4\xEF\xB8\x8F" "1\xEF\xB8\x8F\xE2\x83\xA3"), (std::vector<size_t>{0, 6}));
  EXPECT_EQ(CharacterStarts("\xF0\x9F\x87\xB0\xF0\x9F\x87\xB7\xF0\x9F\x87\xAF"), (std::vector<size_t>{0, 8}));
  // Stray continuation bytes count one each rather than swallowing what follows.
  EXPECT_EQ(CharacterStarts("\x80\x80" "a"), (std::vector<size_t>{0, 1, 2}));
}

TEST(FileViewLayout, EachDisplayedNameIsMeasuredOnce) {
  TFakeMeasure measure;
  TFileViewLayout layout(measure);
  TFiles files;
  files.AddEntry("..", "", faDirectory, 0, 0);
  AddFiles(files, 100000, "file%06d.dat");
  files.AddFile("FILE000001.DAT", 1, 0, 0);  // shows the same as an earlier entry
  files.AddEntry("C", "Local", faDrive, 0, 0);
  TFileViewSettings settings;
  for (int width = 300; width <= 1200; width += 100) layout.CalculateParams(files, settings, width, 500);
  for (const auto& [text, calls] : measure.calls) ASSERT_EQ(calls, 1) << text;
  EXPECT_EQ(measure.calls.count("FILE000001"), 1u);
  EXPECT_EQ(measure.calls.count("DAT"), 1u);
  const int firstPass = measure.totalCalls;

  // A new case setting shows different texts; each of them is measured once again.
  settings.CharCase = ccLower;
  layout.CalculateParams(files, settings, 800, 500);
  layout.CalculateParams(files, settings, 900, 500);
  EXPECT_EQ(measure.calls["file000001"], 1);
  EXPECT_EQ(measure.calls["0"], 2);

  // A new font measures everything again.
  layout.FontChanged();
  layout.CalculateParams(files, settings, 800, 500);
  EXPECT_EQ(measure.calls["file000001"], 2);
  EXPECT_GT(measure.totalCalls, firstPass);
}

TEST(FileViewLayout, IconStyleGrid) {
  TFakeMeasure measure;
  TFileViewLayout layout(measure);
  TFiles files;
  AddFiles(files, 100);
  TFileViewSettings settings;
  settings.ViewStyle = vsIcon;
  layout.CalculateParams(files, settings, 400, 400);
  const TLayoutParams& p = layout.Params();
  EXPECT_EQ(p.CellHeight, 75);
  EXPECT_EQ(p.Columns, 5);     // 400 / 75
  EXPECT_EQ(p.CellWidth, 80);  // spread over the whole width
  EXPECT_EQ(p.RowsPerPage, 5);  // 375 / 75
  EXPECT_EQ(measure.calls.count("F00"), 0u);  // icon captions do not size anything
}

void ExpectRoundTrips(const TFileViewLayout& layout, int firstVisible, int count) {
  const TLayoutParams& p = layout.Params();
  const int pageEnd = std::min(count, firstVisible + p.PageSize());
  for (int i = firstVisible; i < pageEnd; ++i) {
    const TLayoutRect cell = layout.ItemRect(i, firstVisible);
    SCOPED_TRACE(i);
    EXPECT_EQ(layout.ItemAt(cell.Left, cell.Top, firstVisible, count), i);
    EXPECT_EQ(layout.ItemAt(cell.Right - 1, cell.Bottom - 1, firstVisible, count), i);
    EXPECT_EQ(layout.ItemAt((cell.Left + cell.Right) / 2, (cell.Top + cell.Bottom) / 2, firstVisible, count), i);
  }
}

TEST(FileViewLayout, ListCellsRoundTrip) {
  TFakeMeasure measure;
  TFileViewLayout layout(measure);
  TFiles files;
  AddFiles(files, 95);
  layout.CalculateParams(files, TFileViewSettings(), 571, HeightForRows(10) + 7);
  const TLayoutParams& p = layout.Params();
  ASSERT_EQ(p.RowsPerPage, 10);
  ASSERT_EQ(p.Columns, 5);
  ASSERT_EQ(p.CellWidth, 114);
  // Column by column: entry 23 of the page at 0 is column 2, row 3.
  EXPECT_EQ(layout.ItemRect(23, 0), (TLayoutRect{228, 25 + 3 * 18, 342, 25 + 4 * 18 - 2}));
  EXPECT_EQ(layout.ItemRect(73, 50), (TLayoutRect{228, 25 + 3 * 18, 342, 25 + 4 * 18 - 2}));
  ExpectRoundTrips(layout, 0, files.Count());
  ExpectRoundTrips(layout, 50, files.Count());  // last page, 45 entries

  EXPECT_EQ(layout.ItemAt(10, 24, 0, 95), -1);             // title
  EXPECT_EQ(layout.ItemAt(570, 30, 0, 95), -1);            // right of the last column
  EXPECT_EQ(layout.ItemAt(10, 25 + 10 * 18 + 2, 0, 95), -1);  // below the last row
  EXPECT_EQ(layout.ItemAt(4 * 114 + 10, 25 + 5 * 18, 50, 95), -1);  // past the list
  EXPECT_EQ(layout.ItemAt(4 * 114 + 10, 25 + 4 * 18, 50, 95), 94);
  EXPECT_EQ(layout.ItemAt(10, 30, -1, 0), -1);  // empty pane
}

TEST(FileViewLayout, IconCellsRoundTrip) {
  for (bool viewTitle : {false, true}) {
    SCOPED_TRACE(viewTitle ? "with title" : "without title");
    const int top = viewTitle ? kClientTop : 0;
    TFakeMeasure measure;
    TFileViewLayout layout(measure);
    TFiles files;
    AddFiles(files, 33);
    TFileViewSettings settings;
    settings.ViewStyle = vsIcon;
    settings.ViewTitle = viewTitle;
    layout.CalculateParams(files, settings, 400, top + 230);
    ASSERT_EQ(layout.Params().Columns, 5);
    ASSERT_EQ(layout.Params().RowsPerPage, 3);
    // Row by row: entry 7 is column 2, row 1.
    EXPECT_EQ(layout.ItemRect(7, 0), (TLayoutRect{160, top + 75, 240, top + 150}));
    ExpectRoundTrips(layout, 0, files.Count());
    ExpectRoundTrips(layout, 30, files.Count());
    EXPECT_EQ(layout.ItemAt(10, top + 228, 0, 33), -1);  // below the grid
  }
}

TEST(FileViewLayout, SelectAreaIsTheCheckColumn) {
  TFakeMeasure measure;
  TFileViewLayout layout(measure);
  TFiles files;
  AddFiles(files, 30);
  layout.CalculateParams(files, TFileViewSettings(), 400, HeightForRows(10));
  const TLayoutRect cell = layout.ItemRect(12, 0);
  EXPECT_EQ(layout.SelectAreaAt(cell.Left, cell.Top + 3, 0, 30), 12);
  EXPECT_EQ(layout.SelectAreaAt(cell.Left + 9, cell.Top + 3, 0, 30), 12);
  EXPECT_EQ(layout.SelectAreaAt(cell.Left + 10, cell.Top + 3, 0, 30), -1);
  EXPECT_EQ(layout.ItemAt(cell.Left + 10, cell.Top + 3, 0, 30), 12);
}

}  // namespace
}  // namespace quill
