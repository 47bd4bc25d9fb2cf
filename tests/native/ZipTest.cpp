#include "archive/Zip.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

#include "operations/Progress.h"
#include "tests/native/FakeVolume.h"
#include "tests/native/ScriptedQuestions.h"
#include "tests/native/StringTableFile.h"

using namespace quill;
using namespace zipformat;

namespace {

// An archive written with the encoders: stored entries, a directory, the end records.
std::string Archive(const std::vector<CentralEntry>& entries, std::string_view front = "") {
  std::string locals, central;
  for (CentralEntry e : entries) {
    e.localHeaderOffset = locals.size();
    locals += EncodeLocalHeader(e);
    central += EncodeCentralHeader(e);
  }
  std::string body = locals + central;
  return std::string(front) + body + EncodeEndRecords(entries.size(), central.size(), locals.size(), body.size(), "");
}

CentralEntry Named(std::string name, uint32_t attributes = 0x20, uint64_t size = 10) {
  CentralEntry e;
  e.name = std::move(name);
  e.externalAttributes = attributes;
  e.unpackedSize = size;
  e.packedSize = size / 2;
  e.dosDate = (44 << 9) | (2 << 5) | 29;  // 2024-02-29
  e.dosTime = (13 << 11) | (14 << 5) | 8;  // 13:14:16
  return e;
}

// The libraries as a script: each Exec records its command and plays callback records back
// through the caller, as the real libraries do.
class TFakeLibraries : public IZipLibraries {
public:
  int LoadZip(bool& loadedNow) override {
    loadedNow = !zipLoaded && zipMissing == 0;
    if (zipMissing) return zipMissing;
    zipLoaded = true;
    return 0;
  }
  int32_t ExecZip(zipapi::ZipCommand& command) override {
    ++zipCalls;
    zipCommand = command;
    for (size_t i = 0; i < static_cast<size_t>(command.specCount); ++i) zipSpecs.push_back(command.specs[i].text);
    archive = command.archive;
    password = command.password;
    if (throwInExec) throw std::runtime_error("library fault");
    Play(command.caller);
    return 7;
  }
  void FreeZip() override {
    ++zipFrees;
    zipLoaded = false;
  }
  int LoadUnzip(bool& loadedNow) override {
    loadedNow = unzipMissing == 0;
    return unzipMissing;
  }
  int32_t ExecUnzip(zipapi::UnzipCommand& command) override {
    ++unzipCalls;
    unzipCommand = command;
    for (size_t i = 0; i < static_cast<size_t>(command.specCount); ++i) unzipSpecs.push_back(command.specs[i].text);
    archive = command.archive;
    password = command.password;
    if (throwInExec) throw std::runtime_error("library fault");
    Play(command.caller);
    return 3;
  }
  void FreeUnzip() override { ++unzipFrees; }
  zipapi::ZipCallback Callback() override { return reinterpret_cast<zipapi::ZipCallback>(0x1234); }
  void* Window() override { return reinterpret_cast<void*>(0x42); }
  void ProcessMessages() override {
    ++pumps;
    if (onPump) onPump();
  }

  // A callback record for the script.
  void Record(int32_t action, int32_t code, int32_t number, const std::string& text = {}) {
    zipapi::ZipCallbackRecord r{};
    r.action = action;
    r.code = code;
    r.number = number;
    std::memcpy(r.text, text.c_str(), std::min(text.size() + 1, sizeof r.text));
    script.push_back(r);
  }

  void Play(void* caller) {
    for (zipapi::ZipCallbackRecord r : script) {
      r.caller = caller;
      const int32_t result = static_cast<TZip*>(caller)->HandleCallback(r);
      replies.push_back(r);
      results.push_back(result);
      if (result != 0) break;
    }
  }

  int zipMissing = 0, unzipMissing = 0;
  bool zipLoaded = false, throwInExec = false;
  int zipCalls = 0, zipFrees = 0, unzipCalls = 0, unzipFrees = 0, pumps = 0;
  zipapi::ZipCommand zipCommand{};
  zipapi::UnzipCommand unzipCommand{};
  std::vector<std::string> zipSpecs, unzipSpecs;
  std::string archive, password;
  std::vector<zipapi::ZipCallbackRecord> script, replies;
  std::vector<int32_t> results;
  std::function<void()> onPump;
};

struct TFixture {
  test::TScriptedQuestions questions;
  test::TFakeVolume volume;
  TFakeLibraries libraries;
  TLatin1CodePage codePage;
  std::string bytes;
  TZip zip{Services(), &libraries};

  TArchiveServices Services() {
    TArchiveServices s;
    s.questions = &questions;
    s.texts = test::TableText;
    s.fileSystem = &volume;
    s.codePage = &codePage;
    return s;
  }
  // Lists `archive` as if it were the file C:\a.zip.
  void List(std::string archive) {
    bytes = std::move(archive);
    zip.OpenSource = [this](const std::string& path, int& error) -> std::unique_ptr<IByteSource> {
      error = 0;
      if (path != "C:\\a.zip") {
        error = kErrNoFile;
        return nullptr;
      }
      return std::make_unique<MemorySource>(bytes);
    };
    volume.MakeFile("C:\\a.zip");
    zip.Open("C:\\a.zip");
  }
  // Every message box expected, answered with OK.
  void ExpectMessages(int count) {
    for (int i = 0; i < count; ++i) questions.AnswerMessage(mrOk);
  }
  std::vector<std::string> Messages() const {
    std::vector<std::string> texts;
    for (const auto& q : questions.Asked())
      if (q.kind == test::TQuestionKind::Message) texts.push_back(q.text);
    return texts;
  }
};

std::vector<std::string> Paths(const std::vector<TArchiveItem>& items) {
  std::vector<std::string> paths;
  for (const auto& item : items) paths.push_back(item.path);
  return paths;
}

using Texts = std::vector<std::string>;

}  // namespace

TEST(ZipTest, ListTurnsTheDirectoryIntoFoldersAndFilesWithTimesSizesAndConvertedNames) {
  TFixture f;
  CentralEntry utf = Named("docs/\xC3\xA9t\xC3\xA9.txt");
  utf.utf8 = true;
  f.List(Archive({Named("docs/", 0x10, 0), Named("docs/a.txt", 0x21, 6'000'000'000ull), utf,
                  Named("caf\xE9.txt"),  // the ANSI code page's byte for e-acute
                  Named("plain/"),       // a trailing "/" without the folder attribute
                  Named("/"), Named("deep/er/x.bin", 0x120)}));
  EXPECT_EQ(f.zip.FileName, "C:\\a.zip");
  EXPECT_EQ(f.zip.ErrorCode, 0);
  EXPECT_EQ(f.Messages(), Texts{});
  EXPECT_EQ(Paths(f.zip.Folders), (Texts{"docs", "plain", "deep\\er", "deep"}));
  EXPECT_EQ(Paths(f.zip.Files), (Texts{"docs\\a.txt", "docs\\\xC3\xA9t\xC3\xA9.txt", "caf\xC3\xA9.txt", "deep\\er\\x.bin"}));
  const ArchiveEntry& a = f.zip.Files[0].entry;
  EXPECT_EQ(a.name, "a.txt");
  EXPECT_EQ(a.originalSize, 6'000'000'000ull);
  EXPECT_EQ(a.packedSize, 3'000'000'000ull);
  EXPECT_EQ(a.attributes, 0x21u);
  EXPECT_EQ(a.time, ToFileTime({2024, 2, 29, 13, 14, 16}));
  EXPECT_EQ(a.parent, f.zip.FindFolder("docs"));
  EXPECT_EQ(f.zip.Files[3].entry.attributes, 0x20u);  // the low byte only
  EXPECT_EQ(f.zip.Folders[1].entry.attributes, 0x30u);
  EXPECT_EQ(f.zip.Folders[3].entry.time, a.time);  // synthesised from x.bin
  EXPECT_EQ(f.zip.OriginalTotal(), 6'000'000'000ull + 30);
  EXPECT_EQ(f.zip.EndRecordPosition, f.bytes.size() - 22);
  EXPECT_EQ(f.zip.ZipFileSize, f.bytes.size());
  EXPECT_EQ(f.zip.CentralDirectoryPosition, f.bytes.find("PK\x01\x02"));

  f.zip.List();  // listing again starts over
  EXPECT_EQ(f.zip.ItemCount(), 8);

  ASSERT_TRUE(f.zip.ChangeFolder("docs"));
  TFiles list;
  f.zip.FillList(list);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Items(0)->FullName(), "a.txt");
  EXPECT_EQ(list.Items(0)->Size, 6'000'000'000ull);
}

TEST(ZipTest, ListWarnsAboutDataInFrontAndShowsFailuresByTheirIdsClearingTheFileName) {
  {
    TFixture f;
    f.ExpectMessages(1);
    f.List(Archive({Named("x.txt"), Named("y/z.txt")}, std::string(1000, 'S')));
    EXPECT_EQ(f.Messages(), Texts{"Warning - Error in zip structure!"});
    EXPECT_EQ(f.zip.ErrorCode, 10203);
    EXPECT_EQ(f.zip.FileName, "C:\\a.zip");  // a warning: the listing goes on
    EXPECT_EQ(Paths(f.zip.Files), (Texts{"x.txt", "y\\z.txt"}));
    EXPECT_EQ(Paths(f.zip.Folders), Texts{"y"});
  }
  {
    TFixture f;
    f.ExpectMessages(1);
    f.List("this is a text file, not an archive");
    EXPECT_EQ(f.Messages(), Texts{"This archive is not a valid Zip archive"});
    EXPECT_EQ(f.zip.ErrorCode, 11036);
    EXPECT_EQ(f.zip.FileName, "");
    EXPECT_EQ(f.zip.ItemCount(), 0);
  }
  {
    // Cut in the middle of the second header's name: the first entry stays, with its folder.
    TFixture f;
    std::string z = Archive({Named("keep/me.txt"), Named("lost-name.txt")});
    Directory d = [&] {
      MemorySource s(z);
      return ReadDirectory(s);
    }();
    z[d.entries[1].headerOffset + 28] = char(0xFF);
    f.ExpectMessages(1);
    f.List(z);
    EXPECT_EQ(f.Messages(), Texts{"Error while reading a central file name"});
    EXPECT_EQ(f.zip.ErrorCode, 11017);
    EXPECT_EQ(f.zip.FileName, "");
    EXPECT_EQ(Paths(f.zip.Files), Texts{"keep\\me.txt"});
    EXPECT_EQ(Paths(f.zip.Folders), Texts{"keep"});
  }
  {
    // A file that cannot be opened.
    TFixture f;
    f.zip.OpenSource = [](const std::string&, int& error) -> std::unique_ptr<IByteSource> {
      error = kErrCannotOpen;
      return nullptr;
    };
    f.zip.FileName = "C:\\locked.zip";
    f.ExpectMessages(1);
    f.zip.List();
    EXPECT_EQ(f.Messages(), Texts{"Input file does not exist"});
    EXPECT_EQ(f.zip.FileName, "");
  }
  {
    // Open lists only a file that exists.
    TFixture f;
    bool opened = false;
    f.zip.OpenSource = [&](const std::string&, int&) -> std::unique_ptr<IByteSource> {
      opened = true;
      return nullptr;
    };
    f.zip.Open("C:\\missing.zip");
    EXPECT_FALSE(opened);
    EXPECT_EQ(f.zip.FileName, "C:\\missing.zip");
    EXPECT_EQ(f.Messages(), Texts{});
  }
  {
    // A text missing from the table still says which message it was.
    TFixture f;
    f.ExpectMessages(1);
    f.zip.ShowMessage(11024, " (more)");
    EXPECT_EQ(f.Messages(), Texts{"Error String ID is: 11024 (more)"});
    EXPECT_EQ(f.zip.Message, "Error String ID is: 11024 (more)");
  }
}

TEST(ZipTest, AddBuildsTheZipCommandFromTheOptionsAndFreesOnlyWhatItLoaded) {
  TFixture f;
  f.volume.MakeFolder("C:\\src");
  f.volume.MakeFile("C:\\one.txt");
  f.zip.FileName = "C:\\out\\caf\xC3\xA9.zip";
  f.zip.Password = "pw";
  f.zip.CompressionIndex = 1;
  f.zip.AddOptions = aoKeepFolders | aoRecurse | aoFreshen | aoMove;
  f.zip.Selection = {{"C:\\src"}, {"C:\\one.txt"}, {"C:\\gone\\*.txt"}};
  f.zip.Add();
  ASSERT_EQ(f.libraries.zipCalls, 1);
  const zipapi::ZipCommand& c = f.libraries.zipCommand;
  EXPECT_EQ(c.window, reinterpret_cast<void*>(0x42));
  EXPECT_EQ(c.caller, static_cast<void*>(&f.zip));
  EXPECT_EQ(c.version, 160);
  EXPECT_EQ(reinterpret_cast<void*>(c.callback), reinterpret_cast<void*>(0x1234));
  EXPECT_EQ(f.libraries.password, "pw");
  EXPECT_EQ(c.encrypt, 1);
  EXPECT_EQ(c.keepFolderNames, 1);
  EXPECT_EQ(c.addFolderEntries, 1);
  EXPECT_EQ(c.includeHidden, 1);
  EXPECT_EQ(c.level, 9);
  EXPECT_EQ(c.recurse, 1);
  EXPECT_EQ(c.quiet, 1);
  EXPECT_EQ(c.move, 1);
  EXPECT_EQ(c.update, 0);
  EXPECT_EQ(c.freshen, 1);
  EXPECT_EQ(c.specCount, 3);
  EXPECT_EQ(c.structureKey, 7);
  EXPECT_EQ(c.reserved16 | c.reserved24 | c.reserved36[0] | c.reserved48[0] | c.reserved64[0] | c.reserved84 |
                c.reserved92 | c.reserved104[0] | c.reserved128[0] | c.reserved144[16],
            0);
  EXPECT_EQ(f.libraries.zipSpecs, (Texts{"C:\\src\\*.*", "C:\\one.txt", "C:\\gone\\*.txt"}));
  EXPECT_EQ(f.libraries.archive, "C:\\out\\caf\xE9.zip");  // in the ANSI code page
  EXPECT_EQ(f.zip.SuccessCount, 7);
  EXPECT_TRUE(f.zip.Selection.empty());
  EXPECT_EQ(f.libraries.zipFrees, 1);
  EXPECT_FALSE(f.zip.Zipping);

  // Fast stores; update wins over freshen; no password, no encryption. Already loaded: kept.
  f.libraries.zipLoaded = true;
  f.zip.Password.clear();
  f.zip.CompressionIndex = 2;
  f.zip.AddOptions = aoKeepFolders | aoFreshen | aoUpdate;
  f.zip.Selection = {{"C:\\one.txt"}};
  f.zip.Add();
  EXPECT_EQ(f.libraries.zipCommand.level, 0);
  EXPECT_EQ(f.libraries.zipCommand.encrypt, 0);
  EXPECT_EQ(f.libraries.zipCommand.update, 1);
  EXPECT_EQ(f.libraries.zipCommand.freshen, 0);
  EXPECT_EQ(f.libraries.zipCommand.recurse, 0);
  EXPECT_EQ(f.libraries.zipCommand.move, 0);
  EXPECT_EQ(f.libraries.zipFrees, 1);
  f.zip.CompressionIndex = 0;
  f.zip.Add();
  EXPECT_EQ(f.libraries.zipCommand.level, 9);

  // A missing library or entry point: its message, no call, the selection still cleared.
  for (int missing : {10604, 10602}) {
    TFixture g;
    g.libraries.zipMissing = missing;
    g.zip.Selection = {{"C:\\one.txt"}};
    g.ExpectMessages(1);
    g.zip.Add();
    EXPECT_EQ(g.libraries.zipCalls, 0);
    EXPECT_EQ(g.zip.ErrorCode, missing);
    EXPECT_EQ(g.Messages(), Texts{missing == 10604 ? "ZIPDLL.DLL not found!" : "ZipDllExec function not found in ZIPDLL.DLL!"});
    EXPECT_TRUE(g.zip.Selection.empty());
  }
  // A fault inside the library.
  TFixture h;
  h.libraries.throwInExec = true;
  h.ExpectMessages(1);
  h.zip.Add();
  EXPECT_EQ(h.Messages(), Texts{"Fatal Error in ZipDLL.DLL: abort exception"});
  EXPECT_EQ(h.libraries.zipFrees, 1);
  EXPECT_FALSE(h.zip.Zipping);
}

TEST(ZipTest, ExtractBuildsTheUnzipCommandInTheDestinationAndAlwaysFreesTheLibrary) {
  TFixture f;
  f.volume.MakeFolder("C:\\dest");
  f.zip.FileName = "C:\\a.zip";
  f.zip.Password = std::string(100, 'p');
  f.zip.ExtractOptions = eoFolderNames | eoOverwrite | eoFreshen | eoTest;
  f.zip.Selection = {{"docs", true}, {"docs\\a.txt", false}};
  f.zip.Extract("C:\\dest");
  ASSERT_EQ(f.libraries.unzipCalls, 1);
  EXPECT_EQ(f.volume.CurrentDir(), "C:\\dest");
  const zipapi::UnzipCommand& c = f.libraries.unzipCommand;
  EXPECT_EQ(c.window, reinterpret_cast<void*>(0x42));
  EXPECT_EQ(c.caller, static_cast<void*>(&f.zip));
  EXPECT_EQ(c.version, 160);
  EXPECT_EQ(f.libraries.password, std::string(80, 'p'));
  EXPECT_EQ(c.test, 1);
  EXPECT_EQ(c.quiet, 1);
  EXPECT_EQ(c.update, 0);
  EXPECT_EQ(c.freshen, 1);
  EXPECT_EQ(c.folderNames, 1);
  EXPECT_EQ(c.overwriteAll, 1);
  EXPECT_EQ(c.specCount, 2);
  EXPECT_EQ(c.passwordTries, 4);
  EXPECT_EQ(c.structureKey, 7);
  EXPECT_EQ(c.reserved16[0] | c.reserved16[1] | c.reserved32[0] | c.reserved44 | c.reserved76[0] | c.reserved108[8], 0);
  EXPECT_EQ(f.libraries.unzipSpecs, (Texts{"docs\\*.*", "docs\\a.txt"}));
  EXPECT_EQ(f.libraries.archive, "C:\\a.zip");
  EXPECT_EQ(f.zip.SuccessCount, 3);
  EXPECT_TRUE(f.zip.Selection.empty());
  EXPECT_EQ(f.libraries.unzipFrees, 1);

  // Every entry: no specifications; a destination that is not a folder leaves the current one.
  f.zip.ExtractOptions = eoUpdate | eoFreshen;
  f.zip.Password.clear();
  f.zip.Extract("C:\\nowhere");
  EXPECT_EQ(f.volume.CurrentDir(), "C:\\dest");
  EXPECT_EQ(f.libraries.unzipCommand.specCount, 0);
  EXPECT_EQ(f.libraries.unzipCommand.specs, nullptr);
  EXPECT_EQ(f.libraries.unzipCommand.update, 1);
  EXPECT_EQ(f.libraries.unzipCommand.freshen, 0);
  EXPECT_EQ(f.libraries.unzipCommand.folderNames, 0);
  EXPECT_EQ(f.libraries.unzipCommand.test, 0);
  EXPECT_EQ(f.libraries.unzipFrees, 2);

  for (int missing : {10704, 10702}) {
    TFixture g;
    g.libraries.unzipMissing = missing;
    g.zip.Selection = {{"x"}};
    g.ExpectMessages(1);
    g.zip.Extract("C:\\");
    EXPECT_EQ(g.libraries.unzipCalls, 0);
    EXPECT_EQ(g.Messages(), Texts{missing == 10704 ? "UNZDLL.DLL not found!" : "UnzDllExec function not found in UNZDLL.DLL!"});
    EXPECT_TRUE(g.zip.Selection.empty());
  }
  TFixture h;
  h.libraries.throwInExec = true;
  h.ExpectMessages(1);
  h.zip.Extract("C:\\");
  EXPECT_EQ(h.Messages(), Texts{"Fatal Error in UnzDLL.DLL: abort exception"});
  EXPECT_FALSE(h.zip.Unzipping);
}

TEST(ZipTest, CallbackTurnsLibraryReportsIntoProgressMessagesAndAnswers) {
  TFixture f;
  std::vector<std::string> progress;
  f.zip.OnProgress = [&](TArchive&, TProgressKind kind, uint64_t value, const std::string& name) {
    progress.push_back(std::to_string(kind) + ":" + std::to_string(value) + ":" + name);
  };
  std::vector<std::string> messages;
  f.zip.OnMessage = [&](int32_t code, const std::string& text) { messages.push_back(std::to_string(code) + ":" + text); };
  f.libraries.Record(zipapi::kTotalFiles, 0, 2);
  f.libraries.Record(zipapi::kTotalBytes, 0, -1);  // 4 GiB - 1 arrives as -1
  f.libraries.Record(zipapi::kFileStarts, 0, 300, "docs/caf\xE9.txt  ");
  f.libraries.Record(zipapi::kBytesDone, 0, 300);
  f.libraries.Record(zipapi::kMessage, 0, 0, "just so you know");
  f.libraries.Record(zipapi::kMessage, 11021, 0, "bad data");
  f.libraries.Record(zipapi::kListItem, 55, 0);
  f.libraries.Record(zipapi::kCrcError, 0x1111, 0x2222);
  f.libraries.Record(zipapi::kBatchDone, 0, 0);
  f.zip.Extract("C:\\");
  EXPECT_EQ(progress, (Texts{"3:2:", "4:4294967295:", "0:300:docs\\caf\xC3\xA9.txt", "1:300:", "2:0:"}));
  EXPECT_EQ(f.zip.TotalSize, 4294967295u);
  EXPECT_EQ(messages, (Texts{"0:just so you know", "11021:bad data"}));
  EXPECT_EQ(f.zip.ErrorCode, 11021);
  EXPECT_EQ(f.zip.Message, "bad data");
  EXPECT_EQ(f.zip.Problems, (Texts{"bad data", "Fatal Error : Bad CRC Data: docs\\caf\xC3\xA9.txt"}))
      << "what went wrong is kept for the user, information is not";
  ASSERT_EQ(f.libraries.replies.size(), 9u);
  EXPECT_EQ(f.libraries.replies[6].code, 0);  // a listing item
  EXPECT_EQ(f.libraries.replies[7].code, 2);  // a CRC error: go on
  EXPECT_EQ(f.libraries.results, std::vector<int32_t>(9, 0));
  EXPECT_EQ(f.libraries.pumps, 9);

  // Cancel pressed while messages run: pkDone goes out and the library is told to stop.
  TFixture g;
  progress.clear();
  g.zip.OnProgress = f.zip.OnProgress;
  g.libraries.onPump = [&] {
    if (g.libraries.pumps == 2) g.zip.Abort = true;
  };
  g.libraries.Record(zipapi::kFileStarts, 0, 1, "a");
  g.libraries.Record(zipapi::kFileStarts, 0, 2, "b");
  g.libraries.Record(zipapi::kFileStarts, 0, 3, "c");
  g.zip.Extract("C:\\");
  EXPECT_EQ(g.libraries.results, (std::vector<int32_t>{0, 1}));
  EXPECT_EQ(progress, (Texts{"0:1:a", "0:2:b", "2:0:"}));
  EXPECT_FALSE(g.zip.Abort);  // reset once the operation is over

  // Without OnProgress nothing is reported, and a stored total needs it too.
  TFixture h;
  h.libraries.Record(zipapi::kTotalBytes, 0, 500);
  h.zip.Extract("C:\\");
  EXPECT_EQ(h.zip.TotalSize, 0u);
  EXPECT_EQ(h.libraries.results, std::vector<int32_t>{0});
}

TEST(ZipTest, PasswordRequestsUseTheStoredPasswordFirstThenAskAndGiveUpOnTheLastTry) {
  TFixture f;
  f.zip.Password = "first";
  f.libraries.Record(zipapi::kPassword, 0, 4);  // the first request of four tries
  f.libraries.Record(zipapi::kPassword, 0, 3);
  f.libraries.Record(zipapi::kPassword, 0, 2);
  f.questions.AnswerText("second");
  f.questions.AnswerText("");
  f.zip.Extract("C:\\");
  ASSERT_EQ(f.libraries.replies.size(), 3u);
  EXPECT_EQ(f.libraries.replies[0].code, 1);
  EXPECT_STREQ(f.libraries.replies[0].text, "first");
  EXPECT_EQ(f.libraries.replies[1].code, 1);
  EXPECT_STREQ(f.libraries.replies[1].text, "second");
  EXPECT_EQ(f.libraries.replies[2].code, 0);  // an empty answer gives up
  EXPECT_EQ(f.libraries.results, (std::vector<int32_t>{0, 0, 1}));
  EXPECT_EQ(f.zip.Password, "");
  ASSERT_EQ(f.questions.CountAsked(test::TQuestionKind::AskText), 2u);
  EXPECT_EQ(f.questions.Asked()[0].caption, "Confirm password");
  EXPECT_EQ(f.questions.Asked()[0].passwordChar, '*');
  f.questions.ExpectAllAnswered();

  // Try number 1 aborts without asking; a long password is cut at 80 characters.
  TFixture g;
  g.libraries.Record(zipapi::kPassword, 0, 2);
  g.libraries.Record(zipapi::kPassword, 0, 1);
  g.questions.AnswerText(std::string(90, 'x'));
  g.zip.Extract("C:\\");
  EXPECT_EQ(std::string(g.libraries.replies[0].text), std::string(80, 'x'));
  EXPECT_EQ(g.zip.Password, std::string(90, 'x'));
  EXPECT_EQ(g.libraries.replies[1].code, 0);
  EXPECT_EQ(g.libraries.results, (std::vector<int32_t>{0, 1}));
  EXPECT_EQ(g.questions.CountAsked(test::TQuestionKind::AskText), 1u);

  // A password for new entries is asked twice; two different answers are refused.
  TFixture h;
  h.libraries.Record(zipapi::kPassword, 1, 2);
  h.questions.AnswerText("abc");
  h.questions.AnswerText("abd");
  h.ExpectMessages(1);
  h.zip.Add();
  EXPECT_EQ(h.Messages(), Texts{"Invalid Password"});
  EXPECT_EQ(h.libraries.replies[0].code, 0);
  EXPECT_EQ(h.libraries.results, std::vector<int32_t>{1});
  TFixture k;
  k.libraries.Record(zipapi::kPassword, 1, 2);
  k.questions.AnswerText("same");
  k.questions.AnswerText("same");
  k.zip.Add();
  EXPECT_EQ(k.Messages(), Texts{});
  EXPECT_EQ(k.libraries.replies[0].code, 1);
  EXPECT_STREQ(k.libraries.replies[0].text, "same");
  EXPECT_EQ(k.zip.Password, "same");
}

TEST(ZipTest, OverwriteRequestsAskOnFileExistsAndKeepAnAllAnswer) {
  TFixture f;
  std::vector<std::string> asked;
  std::vector<uint32_t> replies = {feOverwrite, feSkip, feOverwrite | feAll};
  size_t next = 0;
  // As the main window's handler: a kept "all" answers by itself.
  f.zip.OnFileExists = [&](TArchive&, const TFile& file, uint32_t& answer, const std::string& target) {
    asked.push_back(file.FullName() + "|" + target + "|" + std::to_string(answer));
    if (!(answer & feAll)) answer = replies[next++];
  };
  f.zip.Answer = feSkip;  // a lone answer from before does not carry over
  f.libraries.Record(zipapi::kOverwrite, 0, 0, "a.txt");
  f.libraries.Record(zipapi::kOverwrite, 0, 0, "docs/b.txt ");
  f.libraries.Record(zipapi::kOverwrite, 0, 0, "c.txt");
  f.libraries.Record(zipapi::kOverwrite, 0, 0, "d.txt");  // answered by the kept "all"
  f.zip.Extract("C:\\");
  EXPECT_EQ(asked, (Texts{"a.txt|a.txt|0", "docs\\b.txt|docs\\b.txt|0", "c.txt|c.txt|0",
                          "d.txt|d.txt|" + std::to_string(feOverwrite | feAll)}));
  ASSERT_EQ(f.libraries.replies.size(), 4u);
  EXPECT_EQ(f.libraries.replies[0].number, int32_t(feOverwrite));
  EXPECT_EQ(f.libraries.replies[1].number, 0);
  EXPECT_EQ(f.libraries.replies[2].number, int32_t(feOverwrite));
  EXPECT_EQ(f.libraries.replies[3].number, int32_t(feOverwrite));
  EXPECT_EQ(f.libraries.results, (std::vector<int32_t>{0, 0, 0, 0}));

  // Cancel stops the library; without a handler nothing is asked and the entry is skipped.
  TFixture g;
  g.zip.OnFileExists = [](TArchive&, const TFile&, uint32_t& answer, const std::string&) { answer = feCancel; };
  g.libraries.Record(zipapi::kOverwrite, 0, 0, "a.txt");
  g.libraries.Record(zipapi::kOverwrite, 0, 0, "b.txt");
  g.zip.Extract("C:\\");
  EXPECT_EQ(g.libraries.results, (std::vector<int32_t>{1}));
  EXPECT_EQ(g.libraries.replies[0].number, 0);
  TFixture h;
  h.libraries.Record(zipapi::kOverwrite, 0, 0, "a.txt");
  h.zip.Extract("C:\\");
  EXPECT_EQ(h.libraries.replies[0].number, 0);
  EXPECT_EQ(h.libraries.results, std::vector<int32_t>{0});
}
