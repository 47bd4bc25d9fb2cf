// The status area's texts and the disk panel's steps, units and widths.
#include "app/StatusPanels.h"

#include <gtest/gtest.h>

#include <string>

#include "base/FileSystem.h"
#include "tests/native/StringTableFile.h"

namespace quill {
namespace {

const TTextLoader kTable = test::TableText;
const TCalendarTime kTime{2024, 3, 9, 7, 5, 59};

std::unique_ptr<TFile> Drive(const char* letter, const char* label) {
  auto drive = TFiles::MakeFile(letter, 0, faDrive, 0);
  drive->SetExt(label);
  return drive;
}

TEST(StatusPanelsTest, DriveTypeNames) {
  const char* names[] = {"Unknown", "", "Floppy Disk", "Local Disk", "Network", "Compact Disc", "Ram Disk"};
  for (uint32_t type = 0; type < 7; ++type) EXPECT_EQ(DriveTypeName(type), names[type]) << type;
  EXPECT_EQ(DriveTypeName(7), "Unknown");
  EXPECT_EQ(DriveTypeName(0xFFFFFFFFu), "Unknown");
}

TEST(StatusPanelsTest, FileInformationOfDriveEntries) {
  const TFileInfoText fixed = FileInfoText(*Drive("C", "System"), kDriveFixed, std::nullopt, kTable);
  EXPECT_EQ(fixed.text, " Local Disk  |  System (C:)  ");
  EXPECT_FALSE(fixed.opensAttributes);
  EXPECT_EQ(FileInfoText(*Drive("D", ""), kDriveCdRom, kTime, kTable).text, " Compact Disc  |   (D:)  ");

  auto network = TFiles::MakeFile("/", 4, faDrive, 0);
  const TFileInfoText places = FileInfoText(*network, kDriveUnknown, std::nullopt, kTable);
  EXPECT_EQ(places.text, "Network Places");
  EXPECT_FALSE(places.opensAttributes);
}

TEST(StatusPanelsTest, FileInformationOfFoldersAndFiles) {
  auto folder = TFiles::MakeFile("Work", 0, faDirectory | faHidden, 0);
  const TFileInfoText folderInfo = FileInfoText(*folder, kDriveFixed, kTime, kTable);
  EXPECT_EQ(folderInfo.text, " Folder   |   2024-03-09, 07:05   |   _H__  ");
  EXPECT_TRUE(folderInfo.opensAttributes);

  auto file = TFiles::MakeFile("big.iso", 5000000000ull, faArchive | faReadOnly, 0);
  EXPECT_EQ(FileInfoText(*file, kDriveFixed, kTime, kTable).text,
            " 5,000,000,000   |   2024-03-09, 07:05   |   A_R_  ");

  auto empty = TFiles::MakeFile("empty", 0, 0, 0);
  const TFileInfoText noTime = FileInfoText(*empty, kDriveFixed, std::nullopt, kTable);
  EXPECT_EQ(noTime.text, " 0   |   ,    |   ____  ");
  EXPECT_TRUE(noTime.opensAttributes);
}

TEST(StatusPanelsTest, SelectionText) {
  EXPECT_EQ(SelectionText(0, 0, kTable), std::nullopt);
  EXPECT_EQ(SelectionText(1, 999, kTable), "1 Items (999 bytes) ");
  EXPECT_EQ(SelectionText(12, 6442450944ull, kTable), "12 Items (6,442,450,944 bytes) ");
}

TEST(StatusPanelsTest, GaugeSteps) {
  EXPECT_EQ(DiskGaugeSteps(0, 0), 0);
  EXPECT_EQ(DiskGaugeSteps(0, 100), 0);
  EXPECT_EQ(DiskGaugeSteps(1000, 1000), 0);
  EXPECT_EQ(DiskGaugeSteps(1000, 0), 9);
  EXPECT_EQ(DiskGaugeSteps(1000, 500), 4);   // 4.5 truncated
  EXPECT_EQ(DiskGaugeSteps(1000, 2000), 0);  // figures out of step: no negative use
  const uint64_t terabytes = 8ull << 40;
  EXPECT_EQ(DiskGaugeSteps(terabytes, terabytes / 9), 8);
  EXPECT_EQ(DiskGaugeSteps(~0ull, 0), 9);
}

TEST(StatusPanelsTest, KilobytesUpToTenMegabytesThenMegabytes) {
  EXPECT_EQ(DiskAmounts(10485760, 1048575), (TDiskAmounts{1023, 10240, "K"}));
  EXPECT_EQ(DiskAmounts(10485761, 1048576), (TDiskAmounts{1, 10, "M"}));
  EXPECT_EQ(DiskAmounts(1457664, 0), (TDiskAmounts{0, 1423, "K"}));
  EXPECT_EQ(DiskAmounts(0, 0), (TDiskAmounts{0, 0, "K"}));
  EXPECT_EQ(DiskAmounts(500ull << 30, 123ull << 30), (TDiskAmounts{123 * 1024, 500 * 1024, "M"}));
}

TEST(StatusPanelsTest, RoomLeftForTheDiskPanel) {
  EXPECT_EQ(DiskPanelRoom(800, false, 150), 800 - 240 - 8);
  EXPECT_EQ(DiskPanelRoom(800, true, 150), 800 - 150 - 240 - 8);
  EXPECT_EQ(DiskPanelRoom(100, true, 150), 100 - 150 - 240 - 8);
}

TEST(StatusPanelsTest, DiskPanelWidthsAtTheirThresholds) {
  const uint64_t total = 10485761;  // megabytes
  const uint64_t free = 5242880;
  struct Case {
    int room;
    int width;
    const char* text;
  } cases[] = {
      {131, 130, ""},
      {189, 130, ""},
      {190, 190, "5 M Free"},
      {264, 190, "5 M Free"},
      {265, 265, "5 M Free (Total 10 M)"},
      {369, 265, "5 M Free (Total 10 M)"},
      {370, 370, "5,242,880 bytes Free (Total 10,485,761 bytes)"},
      {5000, 370, "5,242,880 bytes Free (Total 10,485,761 bytes)"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DiskPanelFor(c.room, total, free), (TDiskPanel{c.width, c.text})) << c.room;
  }
  for (int room : {130, 0, -400}) EXPECT_EQ(DiskPanelFor(room, total, free), std::nullopt) << room;
}

TEST(StatusPanelsTest, DiskPanelTextsUseThousandsSeparatorsInBothUnits) {
  EXPECT_EQ(DiskPanelFor(300, 10485760, 10485760)->text, "10,240 K Free (Total 10,240 K)");
  EXPECT_EQ(DiskPanelFor(200, 2000000ull << 20, 1234567ull << 20)->text, "1,234,567 M Free");
}

}  // namespace
}  // namespace quill
