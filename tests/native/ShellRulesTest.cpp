// What Empty Temp Folder hands to the delete operation, the drives Format leaves out and the
// Send Mail link.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "app/ShellPlaces.h"
#include "app/TempFolder.h"
#include "tests/native/FakeVolume.h"

namespace quill {
namespace {

using TNames = std::vector<std::string>;

// A volume on which one folder cannot be read, as access denied makes it.
class TGuardedVolume : public test::TFakeVolume {
public:
  bool Enumerate(const std::string& pattern, const std::function<void(const TFindData&)>& found) override {
    if (!locked.empty() && pattern.rfind(locked + "\\", 0) == 0 && pattern.find('\\', locked.size() + 1) == std::string::npos)
      return false;
    return TFakeVolume::Enumerate(pattern, found);
  }
  std::string locked;
};

class TempPlan : public ::testing::Test {
protected:
  TTempPlan Plan() {
    return PlanTempFolderDeletion(fs, "C:\\Temp", [this](const std::string& path) { return inUse.count(path) != 0; });
  }
  TGuardedVolume fs;
  std::set<std::string> inUse;
};

TEST_F(TempPlan, EverythingGoesWholeWhenNothingIsHeld) {
  fs.MakeFolder("C:\\Temp");
  fs.MakeFile("C:\\Temp\\a.tmp");
  fs.MakeFolder("C:\\Temp\\setup");
  fs.MakeFolder("C:\\Temp\\setup\\deep");
  fs.MakeFile("C:\\Temp\\setup\\deep\\b.dll");
  fs.MakeFolder("C:\\Temp\\empty");
  const TTempPlan plan = Plan();
  // Whole folders, not their files one by one; the temporary folder itself stays.
  EXPECT_EQ(plan.deletions, (TNames{"C:\\Temp\\a.tmp", "C:\\Temp\\setup", "C:\\Temp\\empty"}));
  EXPECT_TRUE(plan.kept.empty());
  // The planner only reads: nothing was removed on its way.
  EXPECT_TRUE(fs.Has("C:\\Temp\\setup\\deep\\b.dll"));
}

TEST_F(TempPlan, AFileInUseKeepsItsFoldersAndTheRestGoesEntryByEntry) {
  fs.MakeFolder("C:\\Temp");
  fs.MakeFile("C:\\Temp\\held.log");
  fs.MakeFile("C:\\Temp\\free.log");
  fs.MakeFolder("C:\\Temp\\app");
  fs.MakeFile("C:\\Temp\\app\\one.tmp");
  fs.MakeFolder("C:\\Temp\\app\\cache");
  fs.MakeFile("C:\\Temp\\app\\cache\\locked.db");
  fs.MakeFile("C:\\Temp\\app\\cache\\spare.db");
  fs.MakeFolder("C:\\Temp\\app\\cache\\old");
  fs.MakeFile("C:\\Temp\\app\\cache\\old\\x");
  fs.MakeFolder("C:\\Temp\\other");
  fs.MakeFile("C:\\Temp\\other\\y");
  inUse = {"C:\\Temp\\held.log", "C:\\Temp\\app\\cache\\locked.db"};
  const TTempPlan plan = Plan();
  EXPECT_EQ(plan.deletions, (TNames{"C:\\Temp\\free.log", "C:\\Temp\\app\\one.tmp", "C:\\Temp\\app\\cache\\spare.db",
                                    "C:\\Temp\\app\\cache\\old", "C:\\Temp\\other"}));
  EXPECT_EQ(plan.kept, (TNames{"C:\\Temp\\held.log", "C:\\Temp\\app\\cache\\locked.db"}));
  // Neither a held file nor a folder above one is ever handed over.
  for (const std::string& path : plan.deletions)
    for (const std::string& held : plan.kept) EXPECT_NE(held.rfind(path, 0), 0u) << path << " holds " << held;
}

TEST_F(TempPlan, LinksGoAsLinksAndAreNeverEntered) {
  fs.MakeFolder("C:\\Temp");
  fs.MakeFolder("C:\\Outside");
  fs.MakeFile("C:\\Outside\\precious.doc");
  // What the link shows is the outside folder's contents, including a file in use there.
  fs.MakeFolder("C:\\Temp\\link", faReparsePoint);
  fs.MakeFile("C:\\Temp\\link\\precious.doc");
  fs.MakeFolder("C:\\Temp\\sub");
  fs.MakeFolder("C:\\Temp\\sub\\inner", faReparsePoint);
  fs.MakeFile("C:\\Temp\\sub\\inner\\busy");
  fs.MakeFile("C:\\Temp\\file-link", 1, faArchive | faReparsePoint);
  inUse = {"C:\\Temp\\link\\precious.doc", "C:\\Temp\\sub\\inner\\busy", "C:\\Temp\\file-link"};
  const TTempPlan plan = Plan();
  EXPECT_EQ(plan.deletions, (TNames{"C:\\Temp\\link", "C:\\Temp\\sub", "C:\\Temp\\file-link"}));
  EXPECT_TRUE(plan.kept.empty());
  for (const std::string& pattern : fs.patterns) {
    EXPECT_EQ(pattern.find("link"), std::string::npos) << pattern;
    EXPECT_EQ(pattern.find("inner"), std::string::npos) << pattern;
  }
}

TEST_F(TempPlan, AnUnreadableFolderStaysAndTheMissingFolderGivesNothing) {
  fs.MakeFolder("C:\\Temp");
  fs.MakeFolder("C:\\Temp\\private");
  fs.MakeFile("C:\\Temp\\private\\secret");
  fs.MakeFile("C:\\Temp\\z.tmp");
  fs.locked = "C:\\Temp\\private";
  TTempPlan plan = Plan();
  EXPECT_EQ(plan.deletions, (TNames{"C:\\Temp\\z.tmp"}));
  EXPECT_EQ(plan.kept, (TNames{"C:\\Temp\\private"}));

  plan = PlanTempFolderDeletion(fs, "C:\\Nowhere", [](const std::string&) { return false; });
  EXPECT_TRUE(plan.deletions.empty());
  plan = PlanTempFolderDeletion(fs, "", [](const std::string&) { return false; });
  EXPECT_TRUE(plan.deletions.empty());
  EXPECT_TRUE(plan.kept.empty());
}

TEST(ShellPlaces, FormatLeavesOutNetworkCdAndRamDrivesAndTheNetworkRow) {
  test::TFakeVolume fs;
  fs.AddDrive('A', kDriveRemovable, "");
  fs.AddDrive('D', kDriveCdRom, "CD");
  fs.AddDrive('E', kDriveRamDisk, "RAM");
  fs.AddDrive('F', kDriveFixed, "DATA");
  fs.AddDrive('N', kDriveRemote, "share");
  fs.AddDrive('Z', kDriveRemote, "root");
  EXPECT_EQ(FormatHiddenDrives(fs), "DENZ/");
  test::TFakeVolume plain;
  EXPECT_EQ(FormatHiddenDrives(plain), "/");
}

TEST(ShellPlaces, TheMailAddressOpensAsAMailLink) {
  EXPECT_EQ(MailLink("someone@example.org"), "mailto:someone@example.org");
  EXPECT_EQ(MailLink("  someone@example.org "), "mailto:someone@example.org");
  EXPECT_EQ(MailLink("MailTo:someone@example.org?subject=Quill"), "MailTo:someone@example.org?subject=Quill");
  EXPECT_EQ(MailLink("   "), "");
  EXPECT_EQ(MailLink(kDefaultMail), std::string("mailto:") + kDefaultMail);
}

}  // namespace
}  // namespace quill
