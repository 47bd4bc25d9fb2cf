// What Empty Temp Folder hands to the delete operation, the drives Format leaves out and the
// Send Mail link.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "app/ShellPlaces.h"
#include "app/TempFolder.h"
#include "tests/native/FakeVolume.h"

namespace quill {
namespace {

using TNames = std::vector<std::string>;

TEST(TempPlan, HeldFilesAndTheirFoldersStayLinksGoUnenteredTheRestGoesWhole) {
  test::TFakeVolume fs;
  fs.MakeFolder("C:\\Temp");
  fs.MakeFile("C:\\Temp\\held.log");
  fs.MakeFolder("C:\\Temp\\setup");
  fs.MakeFolder("C:\\Temp\\setup\\deep");
  fs.MakeFile("C:\\Temp\\setup\\deep\\b.dll");
  fs.MakeFolder("C:\\Temp\\app");
  fs.MakeFile("C:\\Temp\\app\\one.tmp");
  fs.MakeFolder("C:\\Temp\\app\\cache");
  fs.MakeFile("C:\\Temp\\app\\cache\\locked.db");
  fs.MakeFolder("C:\\Temp\\app\\cache\\old");
  // What a link shows is another folder's contents, a file in use there included.
  fs.MakeFolder("C:\\Temp\\link", faReparsePoint);
  fs.MakeFile("C:\\Temp\\link\\busy");
  fs.MakeFile("C:\\Temp\\file-link", 1, faArchive | faReparsePoint);
  const std::set<std::string> inUse{"C:\\Temp\\held.log", "C:\\Temp\\app\\cache\\locked.db", "C:\\Temp\\link\\busy",
                                    "C:\\Temp\\file-link"};
  const TTempPlan plan =
      PlanTempFolderDeletion(fs, "C:\\Temp", [&](const std::string& path) { return inUse.count(path) != 0; });
  EXPECT_EQ(plan.deletions, (TNames{"C:\\Temp\\setup", "C:\\Temp\\app\\one.tmp", "C:\\Temp\\app\\cache\\old",
                                    "C:\\Temp\\link", "C:\\Temp\\file-link"}));
  EXPECT_EQ(plan.kept, (TNames{"C:\\Temp\\held.log", "C:\\Temp\\app\\cache\\locked.db"}));
  for (const std::string& pattern : fs.patterns) EXPECT_EQ(pattern.find("link"), std::string::npos) << pattern;
  EXPECT_TRUE(fs.Has("C:\\Temp\\setup\\deep\\b.dll")) << "planning removes nothing";

  EXPECT_TRUE(PlanTempFolderDeletion(fs, "C:\\Nowhere", [](const std::string&) { return false; }).deletions.empty());
  EXPECT_TRUE(PlanTempFolderDeletion(fs, "", [](const std::string&) { return false; }).deletions.empty());
}

TEST(ShellPlaces, FormatHidesNetworkCdAndRamDrivesAndMailOpensAsALink) {
  test::TFakeVolume fs;
  fs.AddDrive('A', kDriveRemovable, "");
  fs.AddDrive('D', kDriveCdRom, "CD");
  fs.AddDrive('E', kDriveRamDisk, "RAM");
  fs.AddDrive('N', kDriveRemote, "share");
  EXPECT_EQ(FormatHiddenDrives(fs), "DEN/");

  EXPECT_EQ(MailLink("  someone@example.org "), "mailto:someone@example.org");
  EXPECT_EQ(MailLink("MailTo:someone@example.org?subject=Quill"), "MailTo:someone@example.org?subject=Quill");
  EXPECT_EQ(MailLink("   "), "");
}

}  // namespace
}  // namespace quill
