#include "app/ArchiveCreate.h"

#include <gtest/gtest.h>

#include "archive/Ace.h"
#include "archive/Arj.h"
#include "archive/Rar.h"
#include "tests/native/FakeArchiveLibrary.h"
#include "tests/native/FakeVolume.h"

using namespace quill;

namespace {

TEST(ArchiveCreateTest, NamesGetTheFormatsExtensionOnceAndUnusableNamesAreRefused) {
  EXPECT_EQ(WithFormatExtension("backup", afRar), "backup.rar");
  EXPECT_EQ(WithFormatExtension("backup.RAR", afRar), "backup.RAR");
  EXPECT_EQ(WithFormatExtension("backup.zip", afAce), "backup.zip.ace");
  EXPECT_EQ(WithFormatExtension("C:\\v1.2\\notes", afArj), "C:\\v1.2\\notes.arj");
  EXPECT_EQ(WithFormatExtension("x.Zip", afZip), "x.Zip");

  TCreateRequest request;
  request.folder = "C:\\Work";
  request.name = " backup ";
  request.format = afAce;
  EXPECT_EQ(CreatedArchivePath(request), "C:\\Work\\backup.ace");
  request.name = "D:\\Keep\\old.ACE";
  EXPECT_EQ(CreatedArchivePath(request), "D:\\Keep\\old.ACE");
  request.name = "\\\\srv\\share\\set";
  EXPECT_EQ(CreatedArchivePath(request), "\\\\srv\\share\\set.ace");

  for (const char* good : {"backup", "C:\\Work\\my backup.zip", "..\\up.rar", ".\\here", "\\\\srv\\s\\a.arj"})
    EXPECT_EQ(CheckArchiveName(good), TNameProblem::None) << good;
  for (const char* bad : {"a*b", "what?", "say\"hi\"", "<x>", "a|b", "tab\there", "C:\\a:b"})
    EXPECT_EQ(CheckArchiveName(bad), TNameProblem::BadCharacter) << bad;
  for (const char* bad : {"backup.", "backup ", "C:\\dir.\\a.zip", "C:\\dir \\a.zip"})
    EXPECT_EQ(CheckArchiveName(bad), TNameProblem::TrailingDotOrBlank) << bad;
  for (const char* bad : {"", "   ", "C:\\Work\\"})
    EXPECT_EQ(CheckArchiveName(bad), TNameProblem::Empty) << bad;
}

// The volume part each archiver gets, through the readers' own command building.
TEST(ArchiveCreateTest, VolumeSizesReachEveryArchiverWithoutWrapping) {
  struct TCase {
    const char* text;
    const char* rarAce;
    const char* arj;
  };
  for (const TCase& c : {TCase{"700 MB", " -v700000 ", " -v700000000 "},
                         TCase{"5000 MB", " -v5000000 ", " -v5000000000 "},
                         TCase{"1440 KB", " -v1440 ", " -v1440000 "}}) {
    TCreateRequest request;
    request.folder = "C:\\Out";
    request.sources = {{"docs", true}};
    request.recursive = true;
    request.volumeSize = ParseSize(c.text);

    test::TLibraryFixture<TRar> rar;
    rar.rar.FileName = "C:\\Out\\set.rar";
    PrepareAdd(rar.rar, request);
    rar.rar.Add();
    ASSERT_EQ(rar.runs.size(), 1u);
    EXPECT_NE(rar.runs[0].first.find(c.rarAce), std::string::npos) << rar.runs[0].first;
    EXPECT_EQ(rar.runs[0].first.find(" m "), std::string::npos) << "the archiver never moves";

    test::TLibraryFixture<TAce> ace;
    ace.rar.FileName = "C:\\Out\\set.ace";
    PrepareAdd(ace.rar, request);
    ace.rar.Add();
    ASSERT_EQ(ace.runs.size(), 1u);
    EXPECT_NE(ace.runs[0].first.find(c.rarAce), std::string::npos) << ace.runs[0].first;

    test::TFakeVolume volume;
    volume.MakeFolder("C:\\Temp");
    std::vector<std::string> arjRuns;
    TArchiveServices services;
    services.fileSystem = &volume;
    services.shortTempFolder = [] { return std::string("C:\\Temp\\"); };
    services.runAndWait = [&](const std::string& program, const std::string& parameters) {
      arjRuns.push_back(program + parameters);
      return true;
    };
    TArj arj(services);
    arj.FileName = "C:\\Out\\set.arj";
    PrepareAdd(arj, request);
    arj.Add();
    ASSERT_EQ(arjRuns.size(), 1u);
    EXPECT_NE(arjRuns[0].find(c.arj), std::string::npos) << arjRuns[0];
    EXPECT_EQ(arjRuns[0].find(" m -y"), std::string::npos) << "the archiver never moves";
  }
}

// A reader over a listing the test writes: what the archive "holds" after the run.
class TListedArchive : public TArchive {
public:
  explicit TListedArchive(const std::vector<TExpectedFile>* listing) : listing_(listing) {}
  void List() override {
    for (const TExpectedFile& file : *listing_) {
      ArchiveEntry entry;
      entry.name = file.path.substr(file.path.find_last_of("\\/") + 1);
      entry.originalSize = file.size;
      AddFileEntry(file.path, entry);
    }
    BuildFolders();
  }

private:
  const std::vector<TExpectedFile>* listing_;
};

struct TMoveFixture {
  test::TFakeVolume volume;
  std::vector<TExpectedFile> listing;
  int adds = 0;
  bool archiverOk = true;
  uint8_t addOptions = 0;
  std::vector<std::vector<std::string>> deletions;
  TCreateHooks hooks;
  TCreateRequest request;

  TMoveFixture() {
    volume.MakeFolder("C:\\Work");
    volume.MakeFolder("C:\\Work\\docs");
    volume.MakeFolder("C:\\Work\\docs\\sub");
    volume.MakeFile("C:\\Work\\a.txt", 100);
    volume.MakeFile("C:\\Work\\docs\\b.txt", 200);
    volume.MakeFile("C:\\Work\\docs\\sub\\c.txt", 300, faHidden);
    volume.MakeFile("C:\\Work\\set.rar", 10);
    hooks.fileSystem = &volume;
    hooks.newReader = [this](const std::string& path, int format) {
      EXPECT_EQ(path, "C:\\Work\\set.rar");
      EXPECT_EQ(format, afRar);
      return std::make_unique<TListedArchive>(&listing);
    };
    hooks.runAdd = [this](TArchive& reader) {
      ++adds;
      addOptions = reader.AddOptions;
      return archiverOk;
    };
    hooks.deleteOriginals = [this](const std::vector<std::string>& paths) {
      deletions.push_back(paths);
      return true;
    };
    request.folder = "C:\\Work";
    request.name = "set";
    request.format = afRar;
    request.move = true;
    request.recursive = true;
    request.sources = {{"a.txt", false}, {"docs", true}};
  }
  // Everything the sources stand for, as a faithful archiver would list it.
  void ListAll() {
    listing = {{"a.txt", 100}, {"docs/b.txt", 200}, {"DOCS\\SUB\\c.txt", 300}};
  }
};

TEST(ArchiveCreateTest, MoveDeletesOriginalsOnlyWhenTheListingHoldsEveryFileWithItsSize) {
  TMoveFixture f;
  f.ListAll();
  TCreateResult r = RunCreateArchive(f.request, f.hooks);
  EXPECT_TRUE(r.added);
  EXPECT_TRUE(r.missing.empty());
  EXPECT_TRUE(r.deleted);
  EXPECT_EQ(f.addOptions, aoKeepFolders | aoRecurse) << "the archiver never gets the move bit";
  ASSERT_EQ(f.deletions.size(), 1u);
  EXPECT_EQ(f.deletions[0], (std::vector<std::string>{"C:\\Work\\a.txt", "C:\\Work\\docs"}));

  // A file left out (the hidden one, deep down), or one with another size: nothing is deleted.
  f.listing = {{"a.txt", 100}, {"docs\\b.txt", 200}};
  r = RunCreateArchive(f.request, f.hooks);
  EXPECT_TRUE(r.added);
  EXPECT_EQ(r.missing, std::vector<std::string>{"docs\\sub\\c.txt"});
  EXPECT_FALSE(r.deleted);
  f.ListAll();
  f.listing[0].size = 99;
  r = RunCreateArchive(f.request, f.hooks);
  EXPECT_EQ(r.missing, std::vector<std::string>{"a.txt"});
  EXPECT_EQ(f.deletions.size(), 1u);

  // The archiver failed (or was cancelled): nothing is deleted, however complete the listing.
  f.ListAll();
  f.archiverOk = false;
  r = RunCreateArchive(f.request, f.hooks);
  EXPECT_FALSE(r.added);
  EXPECT_FALSE(r.deleted);
  EXPECT_EQ(f.deletions.size(), 1u);
  EXPECT_EQ(f.adds, 4);

  // Add to Archive never deletes.
  f.archiverOk = true;
  f.request.move = false;
  r = RunCreateArchive(f.request, f.hooks);
  EXPECT_TRUE(r.added);
  EXPECT_EQ(f.deletions.size(), 1u);
}

TEST(ArchiveCreateTest, WithoutRecursionAMoveTakesAFoldersOwnFilesAndLeavesTheFolder) {
  TMoveFixture f;
  f.request.recursive = false;
  f.listing = {{"a.txt", 100}, {"docs\\b.txt", 200}};
  const TCreateResult r = RunCreateArchive(f.request, f.hooks);
  EXPECT_TRUE(r.deleted);
  EXPECT_EQ(f.addOptions, aoKeepFolders);
  ASSERT_EQ(f.deletions.size(), 1u);
  EXPECT_EQ(f.deletions[0], (std::vector<std::string>{"C:\\Work\\a.txt", "C:\\Work\\docs\\b.txt"}));
}

TEST(ArchiveCreateTest, AFolderWithoutFilesIsMovedAndAnUnreadableOneNever) {
  TMoveFixture f;
  f.volume.MakeFolder("C:\\Work\\empty");
  f.volume.MakeFolder("C:\\Work\\empty\\inner");
  f.request.sources = {{"empty", true}};
  TCreateResult r = RunCreateArchive(f.request, f.hooks);
  EXPECT_TRUE(r.deleted);
  ASSERT_EQ(f.deletions.size(), 1u);
  EXPECT_EQ(f.deletions[0], std::vector<std::string>{"C:\\Work\\empty"});

  // A folder whose contents cannot be read (access denied): unknown, so nothing goes.
  struct TLockedVolume : test::TFakeVolume {
    bool Enumerate(const std::string& pattern, const std::function<void(const TFindData&)>& found) override {
      return pattern.find("locked") == std::string::npos && TFakeVolume::Enumerate(pattern, found);
    }
  } locked;
  locked.MakeFolder("C:\\Work");
  locked.MakeFolder("C:\\Work\\locked");
  locked.MakeFile("C:\\Work\\locked\\x.txt", 5);
  f.hooks.fileSystem = &locked;
  f.request.sources = {{"locked", true}};
  r = RunCreateArchive(f.request, f.hooks);
  EXPECT_TRUE(r.added);
  EXPECT_FALSE(r.deleted);
  EXPECT_EQ(r.missing, std::vector<std::string>{"locked\\*"});
  EXPECT_EQ(f.deletions.size(), 1u);
}

TEST(ArchiveCreateTest, AnUnusableNameRunsNothing) {
  TMoveFixture f;
  f.ListAll();
  f.request.name = "set?";
  const TCreateResult r = RunCreateArchive(f.request, f.hooks);
  EXPECT_EQ(r.nameProblem, TNameProblem::BadCharacter);
  EXPECT_EQ(f.adds, 0);
  EXPECT_TRUE(f.deletions.empty());
  EXPECT_TRUE(r.path.empty());
}

TEST(ArchiveCreateTest, PrepareAddCarriesTheDialogsChoices) {
  TArchive archive;
  TCreateRequest request;
  request.sources = {{"x", false}};
  request.compression = 2;
  request.password = "pw";
  request.volumeSize = 3'000'000'000;
  request.move = true;
  PrepareAdd(archive, request);
  EXPECT_EQ(archive.AddOptions, aoKeepFolders);
  EXPECT_EQ(archive.CompressionIndex, 2);
  EXPECT_EQ(archive.Password, "pw");
  EXPECT_EQ(archive.VolumeSize, 3'000'000'000);
  ASSERT_EQ(archive.Selection.size(), 1u);
  EXPECT_EQ(archive.Selection[0].path, "x");
}

}  // namespace
