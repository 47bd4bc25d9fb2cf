// The copy, move and delete engine on real files, with scripted questions and recording
// progress objects. Every copy is checked byte for byte against its source.
#include "operations/FileOperations.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/Path.h"
#include "fileview/ShellUtils.h"
#include "platform/StringTable.h"
#include "platform/Utf16.h"
#include "tests/native/ScriptedQuestions.h"
#include "tests/win32/TestSupport.h"

namespace quill {
namespace {

using test::Attributes;
using test::Exists;
using test::MakeFolder;
using test::ReadBytes;
using test::TAskedQuestion;
using test::TQuestionKind;
using test::TScratchFolder;
using test::WriteBytes;

// Bytes that differ by file and by position, so a block written twice or out of place shows.
std::string Pattern(size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  uint32_t x = seed * 2654435761u + 1;
  for (char& c : bytes) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 23);
  }
  return bytes;
}

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(Widen(folder + "\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = Narrow(data.cFileName);
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileW(find, &data));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

using TNames = std::vector<std::string>;

struct TFileStamp {
  uint64_t index = 0;
  uint64_t created = 0;
  uint64_t written = 0;
};

uint64_t Value(FILETIME t) { return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

TFileStamp Stamp(const std::string& path) {
  TFileStamp stamp;
  HANDLE h = CreateFileW(Widen(path).c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  BY_HANDLE_FILE_INFORMATION info;
  if (h != INVALID_HANDLE_VALUE && GetFileInformationByHandle(h, &info)) {
    stamp.index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    stamp.created = Value(info.ftCreationTime);
    stamp.written = Value(info.ftLastWriteTime);
  }
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  return stamp;
}

void SetTimes(const std::string& path, uint64_t created, uint64_t written) {
  HANDLE h = CreateFileW(Widen(path).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
  const FILETIME c{static_cast<DWORD>(created), static_cast<DWORD>(created >> 32)};
  const FILETIME w{static_cast<DWORD>(written), static_cast<DWORD>(written >> 32)};
  EXPECT_TRUE(SetFileTime(h, &c, nullptr, &w));
  CloseHandle(h);
}

// A file of `size` bytes whose first bytes are `head` and the rest a hole.
void MakeSparse(const std::string& path, const std::string& head, uint64_t size) {
  HANDLE h = CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
  DWORD done = 0;
  WriteFile(h, head.data(), static_cast<DWORD>(head.size()), &done, nullptr);
  LARGE_INTEGER end;
  end.QuadPart = static_cast<LONGLONG>(size);
  SetFilePointerEx(h, end, nullptr, FILE_BEGIN);
  EXPECT_TRUE(SetEndOfFile(h));
  CloseHandle(h);
}

class TRecordingCopyProgress : public ICopyProgress {
public:
  void Begin(const std::string& text, int total, uint64_t bytes, TProgressMode how) override {
    ++begins;
    caption = text;
    count = total;
    totalBytes = bytes;
    mode = how;
    current = 0;
  }
  void SetSource(const std::string& name) override { source = name; }
  void SetTarget(const std::string& name) override { target = name; }
  void SetPathLine(const std::string& text) override { pathLine = text; }
  void SetFileLine(const std::string& text) override { fileLines.push_back(text); }
  void SetCurrent(int value) override {
    current = value;
    counts.push_back(value);
  }
  int Current() const override { return current; }
  void AddProgress(uint64_t amount) override {
    progress += amount;
    ++steps;
  }
  void PauseTimer() override { ++pauses; }
  void RestartTimer() override { ++restarts; }
  void ProcessMessages() override { ++messageRuns; }
  // The Cancel button, pressed once the gauge has moved `cancelAfter` times.
  bool Cancelled() const override { return cancelAfter >= 0 && steps >= cancelAfter; }
  void End() override { ++ends; }

  int cancelAfter = -1;
  int begins = 0, ends = 0, pauses = 0, restarts = 0, steps = 0, messageRuns = 0;
  std::string caption, source, target, pathLine;
  int count = 0;
  uint64_t totalBytes = 0;
  TProgressMode mode = pmBytes;
  int current = 0;
  std::vector<int> counts;
  std::vector<std::string> fileLines;
  uint64_t progress = 0;
};

class TRecordingDeleteProgress : public IDeleteProgress {
public:
  void Begin(int max) override {
    ++begins;
    maximum = max;
  }
  void SetItem(const std::string& name) override { items.push_back(name); }
  void Step() override { ++steps; }
  void ProcessMessages() override {}
  bool Cancelled() const override { return cancelAfter >= 0 && steps >= cancelAfter; }
  void End() override { ++ends; }

  int cancelAfter = -1;
  int begins = 0, ends = 0, steps = 0, maximum = 0;
  std::vector<std::string> items;
};

class FileOperations : public ::testing::Test {
protected:
  void TearDown() override { questions.ExpectAllAnswered(); }

  std::string Make(const std::string& name, size_t size, unsigned seed, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
    const std::string path = scratch / name;
    WriteBytes(path, Pattern(size, seed), attributes);
    return path;
  }
  std::string Folder(const std::string& name) {
    MakeFolder(scratch / name);
    return scratch / name;
  }
  // A folder tree: top\a.txt, top\sub\b.bin (several blocks), top\sub\deeper\c.txt, top\empty.
  std::string Tree(const std::string& name, unsigned seed) {
    const std::string top = Folder(name);
    MakeFolder(top + "\\sub");
    MakeFolder(top + "\\sub\\deeper");
    MakeFolder(top + "\\empty");
    WriteBytes(top + "\\a.txt", Pattern(10, seed));
    WriteBytes(top + "\\sub\\b.bin", Pattern(150000, seed + 1));
    WriteBytes(top + "\\sub\\deeper\\c.txt", Pattern(1, seed + 2));
    return top;
  }
  static void ExpectSameTree(const std::string& source, const std::string& copy) {
    ASSERT_EQ(Names(source), Names(copy)) << source << " / " << copy;
    for (const std::string& name : Names(source)) {
      const std::string from = source + "\\" + name, to = copy + "\\" + name;
      if (Attributes(from) & FILE_ATTRIBUTE_DIRECTORY) ExpectSameTree(from, to);
      else EXPECT_EQ(ReadBytes(to), ReadBytes(from)) << to;
    }
  }
  static uint64_t TreeBytes() { return 10 + 150000 + 1; }

  TScratchFolder scratch;
  test::TScriptedQuestions questions;
  TRecordingCopyProgress progress;
};

// ---------------------------------------------------------------------------------------------
// Copy

TEST_F(FileOperations, CopyTakesFilesAndWholeFoldersAndReportsEveryByte) {
  const std::string big = Make("big.bin", 200000, 1);  // three full blocks and a part
  const std::string empty = Make("empty.txt", 0, 2);
  const std::string tree = Tree("tree", 3);
  const std::string dest = Folder("dest");
  TFileCopy copy(nullptr, questions, &progress);
  copy.AddSource(big);
  copy.AddSource(tree);
  copy.AddSource(empty);

  EXPECT_EQ(copy.Copy(dest), 0);
  EXPECT_EQ(ReadBytes(dest + "\\big.bin"), ReadBytes(big));
  EXPECT_EQ(ReadBytes(dest + "\\empty.txt"), "");
  ExpectSameTree(tree, dest + "\\tree");
  EXPECT_EQ(copy.Done, (std::vector<uint8_t>{1, 1, 1}));
  EXPECT_EQ(copy.SucceededCount(), 3);
  EXPECT_TRUE(questions.Asked().empty());

  EXPECT_EQ(copy.TotalBytes, 200000 + TreeBytes());
  EXPECT_EQ(copy.TotalCount, 5);
  EXPECT_EQ(progress.caption, LoadText(579));
  EXPECT_EQ(progress.mode, pmBytes);
  EXPECT_EQ(progress.count, 5);
  EXPECT_EQ(progress.totalBytes, copy.TotalBytes);
  EXPECT_EQ(progress.source, LastComponent(scratch.Path()));
  EXPECT_EQ(progress.target, "dest");
  EXPECT_EQ(progress.progress, copy.TotalBytes);
  EXPECT_EQ(progress.current, 5);
  EXPECT_EQ(progress.fileLines.front(), "big.bin (200,000 bytes) ");
  EXPECT_EQ(progress.begins, 1);
  EXPECT_EQ(progress.ends, 1);
  // Pending messages ran at least once per block and per file.
  EXPECT_GE(progress.messageRuns, 4 + 3 + 5);
}

TEST_F(FileOperations, OverwriteReplacesAReadOnlyTargetAndLeavesNoTemporaryFile) {
  const std::string source = Make("new.txt", 70000, 1);
  const std::string dest = Folder("dest");
  WriteBytes(dest + "\\new.txt", "old contents", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  questions.AnswerFileExists(feOverwrite);
  TFileCopy copy(nullptr, questions, &progress);
  copy.AddSource(source);

  EXPECT_EQ(copy.Copy(dest), 0);
  EXPECT_EQ(ReadBytes(dest + "\\new.txt"), ReadBytes(source));
  EXPECT_EQ(Names(dest), TNames{"new.txt"});
  EXPECT_EQ(copy.Done, std::vector<uint8_t>{1});
  ASSERT_EQ(questions.CountAsked(TQuestionKind::FileExists), 1u);
  EXPECT_EQ(questions.Asked()[0].text, source);
  EXPECT_EQ(questions.Asked()[0].initial, dest + "\\new.txt");
  EXPECT_EQ(progress.pauses, 1);
  EXPECT_EQ(progress.restarts, 1);
  // Counted once although it was tried twice; bytes counted once.
  EXPECT_EQ(progress.counts, std::vector<int>{1});
  EXPECT_EQ(progress.progress, 70000u);
}

TEST_F(FileOperations, SkipForAllSkipsLaterConflictsWithoutAskingAndCopiesTheRest) {
  const std::string dest = Folder("dest");
  const std::string a = Make("a.txt", 100, 1), b = Make("b.txt", 200, 2), c = Make("c.txt", 300, 3);
  const std::string tree = Tree("tree", 4);
  WriteBytes(dest + "\\a.txt", "old a");
  WriteBytes(dest + "\\c.txt", "old c");
  questions.AnswerFileExists(feSkip | feAll);
  TFileCopy copy(nullptr, questions, &progress);
  for (const std::string& s : {a, b, tree, c}) copy.AddSource(s);

  EXPECT_EQ(copy.Copy(dest), -1);  // the last item was skipped
  EXPECT_EQ(questions.CountAsked(TQuestionKind::FileExists), 1u);
  EXPECT_EQ(ReadBytes(dest + "\\a.txt"), "old a");
  EXPECT_EQ(ReadBytes(dest + "\\b.txt"), ReadBytes(b));
  ExpectSameTree(tree, dest + "\\tree");  // a folder with no namesake is not skipped
  EXPECT_EQ(ReadBytes(dest + "\\c.txt"), "old c");
  EXPECT_EQ(copy.Done, (std::vector<uint8_t>{0, 1, 1, 0}));
  // Skipped files still fill the gauge.
  EXPECT_EQ(progress.progress, copy.TotalBytes);
}

TEST_F(FileOperations, RenameRetriesTheSameItemUnderTheNewNameAndCountsItOnce) {
  const std::string dest = Folder("dest");
  const std::string a = Make("a.txt", 5000, 1), b = Make("b.txt", 6000, 2);
  WriteBytes(dest + "\\a.txt", "keep me");
  WriteBytes(dest + "\\a2.txt", "taken too");
  // The first new name is taken as well: the conflict comes again for the renamed target.
  questions.AnswerFileExists(feRenamed, dest + "\\a2.txt");
  questions.AnswerFileExists(feRenamed, dest + "\\a3.txt");
  TFileCopy copy(nullptr, questions, &progress);
  copy.AddSource(a);
  copy.AddSource(b);

  EXPECT_EQ(copy.Copy(dest), 0);
  EXPECT_EQ(ReadBytes(dest + "\\a.txt"), "keep me");
  EXPECT_EQ(ReadBytes(dest + "\\a2.txt"), "taken too");
  EXPECT_EQ(ReadBytes(dest + "\\a3.txt"), ReadBytes(a));
  EXPECT_EQ(ReadBytes(dest + "\\b.txt"), ReadBytes(b));
  ASSERT_EQ(questions.Asked().size(), 2u);
  EXPECT_EQ(questions.Asked()[1].initial, dest + "\\a2.txt");
  EXPECT_EQ(copy.Done, (std::vector<uint8_t>{1, 1}));
  EXPECT_EQ(progress.counts, (std::vector<int>{1, 2}));
  EXPECT_EQ(copy.Answer, 0u);  // a rename is never kept for later items
}

TEST_F(FileOperations, CancelInTheConflictStopsTheRun) {
  const std::string dest = Folder("dest");
  const std::string a = Make("a.txt", 10, 1), b = Make("b.txt", 20, 2), c = Make("c.txt", 30, 3);
  WriteBytes(dest + "\\b.txt", "old b");
  questions.AnswerFileExists(feCancel);
  TFileCopy copy(nullptr, questions, &progress);
  for (const std::string& s : {a, b, c}) copy.AddSource(s);

  EXPECT_EQ(copy.Copy(dest), 1223);
  EXPECT_EQ(ReadBytes(dest + "\\a.txt"), ReadBytes(a));
  EXPECT_EQ(ReadBytes(dest + "\\b.txt"), "old b");
  EXPECT_FALSE(Exists(dest + "\\c.txt"));
  EXPECT_EQ(copy.Done, (std::vector<uint8_t>{1, 0, 0}));
  EXPECT_EQ(questions.CountAsked(TQuestionKind::ShowError), 0u);
  EXPECT_EQ(progress.ends, 1);
}

TEST_F(FileOperations, CancelInTheMiddleOfAFileRemovesWhatWasWritten) {
  const std::string source = Make("large.bin", 1000000, 1);
  const std::string dest = Folder("dest");
  progress.cancelAfter = 3;
  TFileCopy copy(nullptr, questions, &progress);
  copy.AddSource(source);
  copy.AddSource(Make("after.txt", 10, 2));

  EXPECT_EQ(copy.Copy(dest), 1223);
  EXPECT_EQ(Names(dest), TNames{});
  EXPECT_EQ(ReadBytes(source), Pattern(1000000, 1));
  EXPECT_EQ(copy.Done, (std::vector<uint8_t>{0, 0}));
  EXPECT_EQ(progress.progress, 3u * 65535);
}

TEST_F(FileOperations, AFailedOverwriteLeavesTheOldFileAsItWas) {
  const std::string source = Make("data.bin", 500000, 1);
  const std::string dest = Folder("dest");
  const std::string old = Pattern(300000, 9);
  WriteBytes(dest + "\\data.bin", old, FILE_ATTRIBUTE_READONLY);
  progress.cancelAfter = 2;
  TFileCopy copy(nullptr, questions, &progress);
  copy.Answer = feOverwrite;

  EXPECT_EQ(copy.CopyOneFile(source, dest + "\\data.bin"), 1223);
  EXPECT_EQ(ReadBytes(dest + "\\data.bin"), old);
  EXPECT_EQ(Attributes(dest + "\\data.bin") & FILE_ATTRIBUTE_READONLY, DWORD{FILE_ATTRIBUTE_READONLY});
  EXPECT_EQ(Names(dest), TNames{"data.bin"});
}

TEST_F(FileOperations, OverwriteOfAFolderMergesAndReplacesNamesakes) {
  const std::string tree = Tree("tree", 1);
  const std::string dest = Folder("dest");
  MakeFolder(dest + "\\tree");
  MakeFolder(dest + "\\tree\\sub");
  WriteBytes(dest + "\\tree\\a.txt", "old a", FILE_ATTRIBUTE_READONLY);
  WriteBytes(dest + "\\tree\\sub\\own.txt", "target's own");
  questions.AnswerFileExists(feOverwrite);
  TFileCopy copy(nullptr, questions, &progress);
  copy.AddSource(tree);

  EXPECT_EQ(copy.Copy(dest), 0);
  EXPECT_EQ(ReadBytes(dest + "\\tree\\a.txt"), ReadBytes(tree + "\\a.txt"));
  EXPECT_EQ(ReadBytes(dest + "\\tree\\sub\\b.bin"), ReadBytes(tree + "\\sub\\b.bin"));
  EXPECT_EQ(ReadBytes(dest + "\\tree\\sub\\deeper\\c.txt"), ReadBytes(tree + "\\sub\\deeper\\c.txt"));
  EXPECT_EQ(ReadBytes(dest + "\\tree\\sub\\own.txt"), "target's own");
  EXPECT_EQ(copy.Answer, 0u);  // the merge's own answer does not outlive the item
  EXPECT_EQ(questions.CountAsked(TQuestionKind::FileExists), 1u);
}

TEST_F(FileOperations, CopyKeepsTheLastWriteTimeButNotTheCreationTime) {
  const std::string source = Make("old.txt", 1234, 1);
  const uint64_t created = 126227808000000000ull;  // 2001-01-01
  const uint64_t written = 127640736000000000ull;  // 2005-06-23
  SetTimes(source, created, written);
  const std::string dest = Folder("dest");
  TFileCopy copy(nullptr, questions, &progress);
  copy.AddSource(source);
  copy.AddSource(Tree("tree", 2));
  SetTimes(scratch / "tree\\sub\\b.bin", created, written);

  ASSERT_EQ(copy.Copy(dest), 0);
  EXPECT_EQ(ReadBytes(dest + "\\old.txt"), ReadBytes(source));
  EXPECT_EQ(Stamp(dest + "\\old.txt").written, written);
  EXPECT_EQ(Stamp(dest + "\\tree\\sub\\b.bin").written, written);
  // Only where the file system keeps a creation time of its own can it be told apart.
  if (Stamp(source).created == created) {
    EXPECT_NE(Stamp(dest + "\\old.txt").created, created);
  }
}

TEST_F(FileOperations, ClearReadOnlyDropsOnlyTheReadOnlyAttribute) {
  const std::string source = Make("cd.txt", 100, 1, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  const std::string kept = Folder("kept"), cleared = Folder("cleared");
  {
    TFileCopy copy(nullptr, questions, nullptr);
    copy.ShowProgress = false;
    copy.AddSource(source);
    ASSERT_EQ(copy.Copy(kept), 0);
  }
  {
    TFileCopy copy(nullptr, questions, nullptr);
    copy.ShowProgress = false;
    copy.ClearReadOnly = true;
    copy.AddSource(source);
    ASSERT_EQ(copy.Copy(cleared), 0);
  }
  const DWORD important = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
  EXPECT_EQ(Attributes(kept + "\\cd.txt") & important, important);
  EXPECT_EQ(Attributes(cleared + "\\cd.txt") & important, DWORD{FILE_ATTRIBUTE_HIDDEN});
  EXPECT_EQ(ReadBytes(cleared + "\\cd.txt"), ReadBytes(source));
}

TEST_F(FileOperations, AFolderIsNotCopiedIntoItselfButIntoANamesakeByPrefix) {
  const std::string data = Tree("data", 1);
  MakeFolder(data + "\\x");
  const std::string database = Folder("database");
  MakeFolder(database + "\\x");
  {
    questions.AnswerError(false);
    TFileCopy copy(nullptr, questions, &progress);
    copy.AddSource(data);
    EXPECT_EQ(copy.Copy(data + "\\x"), 12);
    EXPECT_EQ(Names(data + "\\x"), TNames{});
    ASSERT_EQ(questions.CountAsked(TQuestionKind::ShowError), 1u);
    EXPECT_EQ(questions.Asked().back().code, 12u);
    EXPECT_TRUE(questions.Asked().back().stopOnly);
  }
  {
    // Into its own parent: the target is the folder itself.
    questions.AnswerError(false);
    TFileCopy copy(nullptr, questions, &progress);
    copy.AddSource(data);
    EXPECT_EQ(copy.Copy(scratch.Path()), 12);
  }
  {
    TFileCopy copy(nullptr, questions, &progress);
    copy.AddSource(data);
    EXPECT_EQ(copy.Copy(database + "\\x"), 0);
    ExpectSameTree(data, database + "\\x\\data");
  }
}

TEST_F(FileOperations, AnErrorAsksWhetherToGoOnWhileSourcesRemain) {
  const std::string dest = Folder("dest");
  const std::string b = Make("b.txt", 10, 2);
  questions.AnswerError(true);
  TFileCopy copy(nullptr, questions, &progress);
  copy.AddSource(scratch / "missing.txt");
  copy.AddSource(b);

  EXPECT_EQ(copy.Copy(dest), 0);
  ASSERT_EQ(questions.CountAsked(TQuestionKind::ShowError), 1u);
  EXPECT_EQ(questions.Asked()[0].code, 2u);
  EXPECT_FALSE(questions.Asked()[0].stopOnly);
  EXPECT_EQ(questions.Asked()[0].caption, LoadText(512));
  EXPECT_EQ(ReadBytes(dest + "\\b.txt"), ReadBytes(b));
  EXPECT_EQ(copy.Done, (std::vector<uint8_t>{0, 1}));
}

// ---------------------------------------------------------------------------------------------
// Move

TEST_F(FileOperations, MoveWithinAVolumeRenamesWithoutCopyingAndCountsItems) {
  const std::string head = Pattern(100000, 7);
  const std::string sparse = scratch / "sparse.bin";
  MakeSparse(sparse, head, 64ull << 20);
  const std::string tree = Tree("tree", 1);
  const std::string dest = Folder("dest");
  const uint64_t fileIndex = Stamp(sparse).index;
  const uint64_t folderIndex = Stamp(tree).index;
  TFileCopy copy(nullptr, questions, &progress);
  copy.AddSource(sparse);
  copy.AddSource(tree);

  EXPECT_EQ(copy.Move(dest), 0);
  EXPECT_FALSE(Exists(sparse));
  EXPECT_FALSE(Exists(tree));
  // The same file and folder under their new names: renamed, not copied.
  EXPECT_EQ(Stamp(dest + "\\sparse.bin").index, fileIndex);
  EXPECT_EQ(Stamp(dest + "\\tree").index, folderIndex);
  std::string expected = head;
  expected.resize(64u << 20, '\0');
  EXPECT_TRUE(ReadBytes(dest + "\\sparse.bin") == expected);
  EXPECT_EQ(copy.Done, (std::vector<uint8_t>{1, 1}));
  EXPECT_EQ(progress.caption, LoadText(578));
  EXPECT_EQ(progress.mode, pmItems);
  EXPECT_EQ(progress.count, 2);
  EXPECT_EQ(progress.progress, 2u);
  EXPECT_EQ(progress.counts, (std::vector<int>{1, 2}));
}

TEST_F(FileOperations, MoveWithinAVolumeReplacesFilesAndMergesFolders) {
  const std::string dest = Folder("dest");
  const std::string file = Make("f.txt", 3000, 1);
  WriteBytes(dest + "\\f.txt", "old f", FILE_ATTRIBUTE_READONLY);
  const std::string tree = Tree("tree", 2);
  const std::string expectedB = ReadBytes(tree + "\\sub\\b.bin");
  MakeFolder(dest + "\\tree");
  MakeFolder(dest + "\\tree\\sub");
  WriteBytes(dest + "\\tree\\sub\\b.bin", "old b");
  WriteBytes(dest + "\\tree\\own.txt", "target's own");
  questions.AnswerFileExists(feOverwrite | feAll);
  TFileCopy copy(nullptr, questions, &progress);
  copy.AddSource(file);
  copy.AddSource(tree);

  EXPECT_EQ(copy.Move(dest), 0);
  EXPECT_EQ(ReadBytes(dest + "\\f.txt"), Pattern(3000, 1));
  EXPECT_EQ(ReadBytes(dest + "\\tree\\sub\\b.bin"), expectedB);
  EXPECT_EQ(ReadBytes(dest + "\\tree\\a.txt"), Pattern(10, 2));
  EXPECT_EQ(ReadBytes(dest + "\\tree\\sub\\deeper\\c.txt"), Pattern(1, 4));
  EXPECT_EQ(ReadBytes(dest + "\\tree\\own.txt"), "target's own");
  EXPECT_FALSE(Exists(file));
  EXPECT_FALSE(Exists(tree));
  EXPECT_EQ(questions.CountAsked(TQuestionKind::FileExists), 1u);
}

TEST_F(FileOperations, MovingAFolderIntoItselfIsRefused) {
  const std::string data = Tree("data", 1);
  MakeFolder(data + "\\x");
  questions.AnswerError(false);
  TFileCopy copy(nullptr, questions, &progress);
  copy.AddSource(data);

  EXPECT_EQ(copy.Move(data + "\\x"), 12);
  EXPECT_EQ(ReadBytes(data + "\\sub\\b.bin"), Pattern(150000, 2));
  EXPECT_EQ(Names(data + "\\x"), TNames{});
}

class CrossVolumeMove : public FileOperations {
protected:
  void SetUp() override {
    const std::string drive = test::TestDrive("QUILL_TEST_CDROM", "D:");
    other = drive + "\\quill-move-" + std::to_string(GetCurrentProcessId());
    test::RemoveTree(other);
    MakeFolder(other);
  }
  void TearDown() override {
    test::RemoveTree(other);
    FileOperations::TearDown();
  }
  std::string other;
};

TEST_F(CrossVolumeMove, AFolderGoesOnlyOnceItsCopyIsComplete) {
  const std::string tree = Tree("tree", 1);
  const std::string copyOfTree = Folder("reference");
  {
    TFileCopy reference(nullptr, questions, nullptr);
    reference.ShowProgress = false;
    reference.AddSource(tree);
    ASSERT_EQ(reference.Copy(copyOfTree), 0) << "cannot make the reference copy";
  }
  // Cancelled half-way through b.bin: the source stays whole.
  progress.cancelAfter = 2;
  {
    TFileCopy copy(nullptr, questions, &progress);
    copy.AddSource(tree);
    EXPECT_EQ(copy.Move(other), 1223);
    EXPECT_EQ(copy.Done, std::vector<uint8_t>{0});
    ExpectSameTree(copyOfTree + "\\tree", tree);
    EXPECT_FALSE(Exists(other + "\\tree\\sub\\b.bin"));
  }
  // Its namesake skipped: the source stays too.
  questions.AnswerFileExists(feSkip);
  {
    TFileCopy copy(nullptr, questions, nullptr);
    copy.ShowProgress = false;
    copy.AddSource(tree);
    EXPECT_EQ(copy.Move(other), -1);
    ExpectSameTree(copyOfTree + "\\tree", tree);
  }
  test::RemoveTree(other + "\\tree");
  {
    TRecordingCopyProgress fresh;
    TFileCopy copy(nullptr, questions, &fresh);
    copy.AddSource(tree);
    EXPECT_EQ(copy.Move(other), 0);
    EXPECT_EQ(copy.Done, std::vector<uint8_t>{1});
    EXPECT_FALSE(Exists(tree));
    ExpectSameTree(copyOfTree + "\\tree", other + "\\tree");
    EXPECT_EQ(fresh.mode, pmBytes);
    EXPECT_EQ(fresh.progress, TreeBytes());
  }
}

TEST_F(CrossVolumeMove, ASourceThatCannotBeDeletedIsReportedAndNotDone) {
  const std::string source = Make("held.txt", 5000, 1, FILE_ATTRIBUTE_READONLY);
  HANDLE held = CreateFileW(Widen(source).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  questions.AnswerError(false);
  TFileCopy copy(nullptr, questions, &progress);
  copy.AddSource(source);

  const int32_t result = copy.Move(other);
  CloseHandle(held);
  EXPECT_EQ(result, 32);
  ASSERT_EQ(questions.CountAsked(TQuestionKind::ShowError), 1u);
  EXPECT_EQ(questions.Asked()[0].code, 32u);
  EXPECT_EQ(copy.Done, std::vector<uint8_t>{0});
  EXPECT_EQ(copy.SucceededCount(), 0);
  // Both the copy and the source are whole; the source keeps its attributes.
  EXPECT_EQ(ReadBytes(source), Pattern(5000, 1));
  EXPECT_EQ(ReadBytes(other + "\\held.txt"), Pattern(5000, 1));
  EXPECT_EQ(Attributes(source) & FILE_ATTRIBUTE_READONLY, DWORD{FILE_ATTRIBUTE_READONLY});
}

// Another program at work in a folder being moved: a file that arrives after the folder was
// listed, and one that changes after it was copied, have no copy of what they are now. Both
// stay, with the folder holding them; the rest goes, and the next source is moved as usual.
TEST_F(CrossVolumeMove, WhatArrivesOrChangesDuringTheCopyStaysBehind) {
  class TOtherProgram : public TRecordingCopyProgress {
  public:
    void ProcessMessages() override {
      TRecordingCopyProgress::ProcessMessages();
      if (messageRuns == 1) WriteBytes(tree + "\\late.txt", "arrived late");
      // Once another file's copy is under way, a.txt's is complete.
      const auto a = std::find_if(fileLines.begin(), fileLines.end(),
                                  [](const std::string& line) { return line.rfind("a.txt ", 0) == 0; });
      if (!changed && a != fileLines.end() && a + 1 != fileLines.end()) {
        WriteBytes(tree + "\\a.txt", "changed after its copy was made");
        changed = true;
      }
    }
    std::string tree;
    bool changed = false;
  } other_program;
  const std::string tree = Tree("tree", 1);
  other_program.tree = tree;
  const std::string plain = Make("plain.txt", 3000, 9);
  questions.AnswerError(true);
  TFileCopy copy(nullptr, questions, &other_program);
  copy.AddSource(tree);
  copy.AddSource(plain);

  EXPECT_EQ(copy.Move(other), 0);
  ASSERT_TRUE(other_program.changed) << "a.txt was the last file copied";
  EXPECT_EQ(copy.Done, (std::vector<uint8_t>{0, 1}));
  ASSERT_EQ(questions.CountAsked(TQuestionKind::ShowError), 1u);
  EXPECT_EQ(questions.Asked()[0].code, uint32_t{ERROR_DIR_NOT_EMPTY});
  EXPECT_EQ(Names(tree), (TNames{"a.txt", "late.txt"}));
  EXPECT_EQ(ReadBytes(tree + "\\a.txt"), "changed after its copy was made");
  EXPECT_EQ(ReadBytes(other + "\\tree\\a.txt"), Pattern(10, 1));
  EXPECT_EQ(ReadBytes(other + "\\tree\\sub\\b.bin"), Pattern(150000, 2));
  EXPECT_FALSE(Exists(other + "\\tree\\late.txt"));
  EXPECT_FALSE(Exists(plain));
  EXPECT_EQ(ReadBytes(other + "\\plain.txt"), Pattern(3000, 9));
}

// ---------------------------------------------------------------------------------------------
// Delete

class Delete : public FileOperations {
protected:
  TRecordingDeleteProgress deleting;
};

TEST_F(Delete, RemovesFilesAndFoldersForGoodWithoutMovingTheCurrentFolder) {
  const std::string tree = Tree("tree", 1);
  WriteBytes(tree + "\\sub\\deeper\\locked.txt", "x", FILE_ATTRIBUTE_READONLY);
  const std::string file = Make("file.txt", 10, 2);
  const std::string stay = Folder("stay");
  SetCurrentDirectoryW(Widen(scratch.Path()).c_str());
  TFileDelete remover(nullptr, questions, &deleting);
  remover.UseRecycleBin = false;
  remover.ConfirmImportant = false;
  remover.AddSource("tree");  // relative to the current folder
  remover.AddSource(file);

  EXPECT_EQ(remover.Execute(), 0);
  EXPECT_FALSE(Exists(tree));
  EXPECT_FALSE(Exists(file));
  EXPECT_EQ(Names(scratch.Path()), TNames{"stay"});
  EXPECT_EQ(remover.Done, (std::vector<uint8_t>{1, 1}));
  wchar_t current[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, current);
  EXPECT_EQ(Narrow(current), scratch.Path());
  EXPECT_EQ(deleting.maximum, 5);
  EXPECT_EQ(deleting.steps, 5);
  EXPECT_EQ(deleting.ends, 1);
}

TEST_F(Delete, ImportantFilesAskOncePerItemUntilAll) {
  std::vector<std::string> files;
  for (const char* name : {"h1.txt", "h2.txt", "h3.txt", "h4.txt"})
    files.push_back(Make(name, 10, 1, FILE_ATTRIBUTE_HIDDEN));
  questions.AnswerDelete(mrYes);
  questions.AnswerDelete(mrNo);
  questions.AnswerDelete(mrAll);
  TFileDelete remover(nullptr, questions, &deleting);
  remover.UseRecycleBin = false;
  for (const std::string& f : files) remover.AddSource(f);

  EXPECT_EQ(remover.Execute(), 0);
  ASSERT_EQ(questions.CountAsked(TQuestionKind::Delete), 3u);
  const TAskedQuestion& first = questions.Asked()[0];
  EXPECT_EQ(first.text, "h1.txt" + LoadText(580));
  EXPECT_EQ(first.code, 2u);  // focus on No
  EXPECT_TRUE(first.selectAll);
  EXPECT_EQ(remover.Done, (std::vector<uint8_t>{1, 0, 1, 1}));
  EXPECT_EQ(Names(scratch.Path()), TNames{"h2.txt"});
  EXPECT_FALSE(remover.ConfirmImportant);
  EXPECT_EQ(deleting.steps, 4);  // the skipped one moves the gauge too
}

TEST_F(Delete, EscapeInTheConfirmationStopsWithOnlyEarlierItemsDone) {
  const std::string a = Make("a.txt", 10, 1), b = Make("b.txt", 10, 2, FILE_ATTRIBUTE_SYSTEM);
  const std::string c = Make("c.txt", 10, 3);
  questions.AnswerDelete(mrCancel);
  TFileDelete remover(nullptr, questions, &deleting);
  remover.UseRecycleBin = false;
  for (const std::string& s : {a, b, c}) remover.AddSource(s);

  EXPECT_EQ(remover.Execute(), 1223);
  EXPECT_TRUE(remover.Cancelled);
  EXPECT_EQ(remover.Done, (std::vector<uint8_t>{1, 0, 0}));
  EXPECT_EQ(Names(scratch.Path()), (TNames{"b.txt", "c.txt"}));
  EXPECT_EQ(questions.CountAsked(TQuestionKind::ShowError), 0u);
  EXPECT_EQ(deleting.ends, 1);
}

TEST_F(Delete, AFolderWhoseOnlyEntryIsSkippedStaysWithoutAnError) {
  const std::string folder = Folder("folder");
  WriteBytes(folder + "\\hidden.txt", "h", FILE_ATTRIBUTE_HIDDEN);
  questions.AnswerDelete(mrNo);
  TFileDelete remover(nullptr, questions, &deleting);
  remover.UseRecycleBin = false;
  remover.AddSource(folder);

  EXPECT_EQ(remover.Execute(), -1);
  EXPECT_EQ(Names(folder), TNames{"hidden.txt"});
  EXPECT_EQ(remover.Done, std::vector<uint8_t>{0});
}

TEST_F(Delete, TheCancelButtonStopsAtTheNextFile) {
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) Make(name, 10, 1);
  deleting.cancelAfter = 1;
  TFileDelete remover(nullptr, questions, &deleting);
  remover.UseRecycleBin = false;
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) remover.AddSource(scratch / name);

  EXPECT_EQ(remover.Execute(), 1223);
  EXPECT_EQ(remover.Done, (std::vector<uint8_t>{1, 0, 0}));
  EXPECT_EQ(Names(scratch.Path()), (TNames{"b.txt", "c.txt"}));
  EXPECT_FALSE(remover.Cancelled);  // that flag is the confirmation's
}

TEST_F(Delete, TheRecycleBinTakesFilesOneByOne) {
  // Wine's recycle bin is the desktop trash folder, which the harness keeps in the run's folder.
  const std::string data = test::Env("XDG_DATA_HOME");
  if (data.empty() || data[0] != '/' || !Exists("Z:\\")) GTEST_SKIP() << "no trash folder of the run's own";
  std::string trash = "Z:" + data + "/Trash";
  std::replace(trash.begin(), trash.end(), '/', '\\');
  const std::string name = "recycled.txt";
  const std::string folder = Folder("bin");
  WriteBytes(folder + "\\" + name, "recycled");
  TFileDelete remover(nullptr, questions, &deleting);
  remover.AddSource(folder);

  EXPECT_EQ(remover.Execute(), 0);
  EXPECT_FALSE(Exists(folder));
  EXPECT_EQ(ReadBytes(trash + "\\files\\" + name), "recycled");
}

// ---------------------------------------------------------------------------------------------
// A small drive that fills up (F:, a 2 MiB tmpfs given by the harness)

class SmallDrive : public FileOperations {
protected:
  void SetUp() override {
    drive = test::Env("QUILL_TEST_SMALL_DRIVE");
    if (drive.empty()) GTEST_SKIP() << "no small test drive (the harness could not mount a tmpfs as F:)";
    root = drive + "\\";
    Empty();
  }
  void TearDown() override {
    if (!drive.empty()) Empty();
    FileOperations::TearDown();
  }
  void Empty() {
    for (const std::string& name : Names(drive)) {
      const std::string path = root + name;
      SetFileAttributesW(Widen(path).c_str(), FILE_ATTRIBUTE_NORMAL);
      if (Attributes(path) & FILE_ATTRIBUTE_DIRECTORY) test::RemoveTree(path);
      else DeleteFileW(Widen(path).c_str());
    }
  }
  std::string drive, root;
};

TEST_F(SmallDrive, NoRoomForTheSourcesCopiesNothing) {
  const std::string source = scratch / "huge.bin";
  MakeSparse(source, "head", (4ull << 30) + 12345);  // beyond 32 bits
  questions.AnswerMessage(mrOk);
  TFileCopy copy(nullptr, questions, &progress);
  copy.AddSource(source);

  EXPECT_EQ(copy.Copy(root), 112);
  EXPECT_EQ(copy.TotalBytes, (4ull << 30) + 12345);
  ASSERT_EQ(questions.CountAsked(TQuestionKind::Message), 1u);
  const TAskedQuestion& asked = questions.Asked()[0];
  EXPECT_EQ(asked.text, LoadText(261));
  EXPECT_EQ(asked.caption, LoadText(512));
  EXPECT_EQ(asked.buttons, mbOk);
  EXPECT_EQ(asked.icon, miStop);
  EXPECT_EQ(Names(drive), TNames{});
  EXPECT_EQ(copy.Done, std::vector<uint8_t>{0});
  EXPECT_EQ(progress.begins, 0);
}

TEST_F(SmallDrive, RunningOutOfSpaceInAFileLeavesNoPartOfIt) {
  const std::string source = Make("big.bin", 3 << 20, 1);
  TFileCopy copy(nullptr, questions, &progress);

  EXPECT_EQ(copy.CopyOneFile(source, root + "big.bin"), 112);
  EXPECT_EQ(Names(drive), TNames{});
  EXPECT_EQ(ReadBytes(source), Pattern(3 << 20, 1));
}

TEST_F(SmallDrive, AnOverwriteThatDoesNotFitKeepsTheOldFile) {
  const std::string old = Pattern(1 << 20, 2);
  WriteBytes(root + "data.bin", old);
  const std::string source = Make("data.bin", 1536 << 10, 3);
  TFileCopy copy(nullptr, questions, &progress);
  copy.Answer = feOverwrite;

  EXPECT_EQ(copy.CopyOneFile(source, root + "data.bin"), 112);
  EXPECT_EQ(ReadBytes(root + "data.bin"), old);
  EXPECT_EQ(Names(drive), TNames{"data.bin"});
}

// Small files whose sizes fit the free space but whose allocation (whole pages) does not: the
// check before the move passes, and the drive fills up part-way.
TEST_F(SmallDrive, AMoveThatRunsOutOfSpaceDeletesNothing) {
  const uint64_t free = DiskFree(root);
  ASSERT_GT(free, 0u);
  const size_t size = 3 * 4096 + 1;
  const size_t count = static_cast<size_t>(free / size);
  const std::string folder = Folder("many");
  for (size_t i = 0; i < count; ++i) WriteBytes(folder + "\\f" + std::to_string(i), Pattern(size, i));
  questions.AnswerError(false);
  TFileCopy copy(nullptr, questions, &progress);
  copy.AddSource(folder);

  EXPECT_EQ(copy.Move(root), 112);
  ASSERT_EQ(questions.CountAsked(TQuestionKind::ShowError), 1u);
  EXPECT_EQ(questions.Asked()[0].code, 112u);
  EXPECT_EQ(copy.Done, std::vector<uint8_t>{0});
  ASSERT_EQ(Names(folder).size(), count);
  for (size_t i = 0; i < count; ++i) ASSERT_EQ(ReadBytes(folder + "\\f" + std::to_string(i)), Pattern(size, i)) << i;
  // What reached the drive is whole; the file that did not fit is gone.
  const TNames copied = Names(root + "many");
  EXPECT_GT(copied.size(), 0u);
  EXPECT_LT(copied.size(), count);
  for (const std::string& name : copied)
    EXPECT_EQ(ReadBytes(root + "many\\" + name), ReadBytes(folder + "\\" + name)) << name;
}

// ---------------------------------------------------------------------------------------------
// Data safety: what the system says, not how a path is spelt

// One folder on the CD-ROM test drive seen as "D:\..." and as "Z:\<host path>\...": the same
// volume and the same items under two spellings.
class TwoSpellings : public FileOperations {
protected:
  void SetUp() override {
    const std::string host = test::Env("QUILL_TEST_DRIVE_D_DIR");
    if (host.empty()) GTEST_SKIP() << "needs the harness's test drive D:";
    const std::string name = "quill-alias-" + std::to_string(GetCurrentProcessId());
    plain = test::TestDrive("QUILL_TEST_CDROM", "D:") + "\\" + name;
    other = test::HostSpelling(host + "/" + name);
    test::RemoveTree(plain);
    MakeFolder(plain);
  }
  void TearDown() override {
    test::RemoveTree(plain);
    FileOperations::TearDown();
  }
  std::string plain, other;
};

TEST_F(TwoSpellings, AnItemOntoItselfOrAFolderIntoItselfIsRefusedHoweverSpelt) {
  WriteBytes(plain + "\\f.bin", Pattern(70000, 4));
  MakeFolder(plain + "\\dir");
  MakeFolder(plain + "\\dir\\sub");
  WriteBytes(plain + "\\dir\\sub\\g.txt", Pattern(10, 5));
  ASSERT_EQ(ReadBytes(other + "\\f.bin"), Pattern(70000, 4)) << "the second spelling must reach the same file";
  for (bool move : {false, true}) {
    for (const char* item : {"f.bin", "dir"}) {
      SCOPED_TRACE(std::string(move ? "move " : "copy ") + item);
      questions.AnswerFileExists(feOverwrite);  // must not be needed: nothing is asked
      questions.AnswerError(false);
      TFileCopy copy(nullptr, questions, &progress);
      copy.AddSource(plain + "\\" + item);
      EXPECT_EQ(move ? copy.Move(other) : copy.Copy(other), 12);
      EXPECT_EQ(copy.Done, std::vector<uint8_t>{0});
      EXPECT_EQ(questions.CountAsked(TQuestionKind::FileExists), 0u);
      questions = test::TScriptedQuestions();
    }
    // Into its own subfolder through the other spelling: nothing is created there.
    SCOPED_TRACE(move ? "move into sub" : "copy into sub");
    questions.AnswerError(false);
    TFileCopy copy(nullptr, questions, &progress);
    copy.AddSource(plain + "\\dir");
    EXPECT_EQ(move ? copy.Move(other + "\\dir\\sub") : copy.Copy(other + "\\dir\\sub"), 12);
    EXPECT_EQ(Names(plain + "\\dir\\sub"), TNames{"g.txt"});
    questions.ExpectAllAnswered();
    questions = test::TScriptedQuestions();
  }
  EXPECT_EQ(ReadBytes(plain + "\\f.bin"), Pattern(70000, 4));
  EXPECT_EQ(ReadBytes(plain + "\\dir\\sub\\g.txt"), Pattern(10, 5));

  // A move to another folder of the same volume, spelt the other way, is a rename.
  MakeFolder(plain + "\\to");
  TFileCopy copy(nullptr, questions, &progress);
  copy.AddSource(plain + "\\f.bin");
  EXPECT_EQ(copy.Move(other + "\\to"), 0);
  EXPECT_EQ(progress.mode, pmItems);
  EXPECT_EQ(progress.pathLine, "  To 'to'");
  EXPECT_EQ(ReadBytes(plain + "\\to\\f.bin"), Pattern(70000, 4));
}

// Names differing only in case, from a case-sensitive folder, moved to a volume that ignores
// case: the second must not replace what the first just became, and its source stays.
TEST_F(CrossVolumeMove, NamesDifferingOnlyInCaseNeverReplaceEachOther) {
  const std::string host = test::Env("QUILL_TEST_DRIVE_D_DIR");
  if (host.empty()) GTEST_SKIP() << "needs the harness's test drive D:";
  const std::string name = "quill-case-" + std::to_string(GetCurrentProcessId());
  ASSERT_TRUE(test::RunHostShell("mkdir -p '" + host + "/" + name + "/both' && cd '" + host + "/" + name +
                                 "' && printf lower > a.txt && printf UPPER > A.txt && printf l > both/x.txt && "
                                 "printf U > both/X.txt"));
  const std::string source = test::TestDrive("QUILL_TEST_CDROM", "D:") + "\\" + name;
  const std::string destination = test::TestDrive("QUILL_TEST_REMOVABLE", "E:") + "\\" + name;
  test::RemoveTree(destination);
  MakeFolder(destination);
  ASSERT_EQ(ReadBytes(test::HostSpelling(host + "/" + name + "/A.txt")), "UPPER");

  // Overwrite is no answer here: it counts as Skip, for this item only.
  questions.AnswerFileExists(feOverwrite | feAll);
  questions.AnswerFileExists(feOverwrite);
  TFileCopy copy(nullptr, questions, &progress);
  copy.AddSource(test::HostSpelling(host + "/" + name + "/a.txt"));
  copy.AddSource(test::HostSpelling(host + "/" + name + "/A.txt"));
  copy.AddSource(test::HostSpelling(host + "/" + name + "/both"));
  EXPECT_EQ(copy.Move(destination), -1);
  EXPECT_EQ(copy.Done, (std::vector<uint8_t>{1, 0, 0}));
  ASSERT_EQ(questions.CountAsked(TQuestionKind::FileExists), 2u);
  EXPECT_EQ(questions.Asked()[0].code, 2u) << "the question says the target is this run's own";
  EXPECT_EQ(questions.Asked()[1].code, 2u);
  EXPECT_EQ(ReadBytes(destination + "\\a.txt"), "lower");
  EXPECT_EQ(ReadBytes(test::HostSpelling(host + "/" + name + "/A.txt")), "UPPER");
  EXPECT_FALSE(Exists(test::HostSpelling(host + "/" + name + "/a.txt")) &&
               ReadBytes(test::HostSpelling(host + "/" + name + "/a.txt")) == "lower");
  // The folder's copy lacks one of its two files, so the folder stays whole where it was.
  EXPECT_EQ(Names(destination + "\\both").size(), 1u);
  EXPECT_EQ(ReadBytes(test::HostSpelling(host + "/" + name + "/both/x.txt")), "l");
  EXPECT_EQ(ReadBytes(test::HostSpelling(host + "/" + name + "/both/X.txt")), "U");
  test::RemoveTree(destination);
  test::RunHostShell("rm -rf '" + host + "/" + name + "'");
}

// A folder meeting a file of its name never removes the file: the question comes back, and the
// file is there whatever is answered.
TEST_F(FileOperations, AFolderNeverReplacesAFileOfItsName) {
  const std::string tree = Tree("x", 1);
  for (bool move : {false, true}) {
    SCOPED_TRACE(move ? "move" : "copy");
    const std::string destination = Folder(move ? "moveTo" : "copyTo");
    WriteBytes(destination + "\\x", "a file, not a folder");
    questions.AnswerFileExists(feOverwrite);
    questions.AnswerFileExists(feSkip);
    TFileCopy copy(nullptr, questions, &progress);
    copy.AddSource(tree);
    EXPECT_EQ(move ? copy.Move(destination) : copy.Copy(destination), -1);
    EXPECT_EQ(questions.CountAsked(TQuestionKind::FileExists), 2u);
    EXPECT_EQ(ReadBytes(destination + "\\x"), "a file, not a folder");
    EXPECT_EQ(ReadBytes(tree + "\\sub\\b.bin"), Pattern(150000, 2));
    questions.ExpectAllAnswered();
    questions = test::TScriptedQuestions();
  }
  // With Overwrite for all it is reported as an error instead of being asked for ever.
  const std::string destination = Folder("allTo");
  WriteBytes(destination + "\\x", "kept");
  questions.AnswerFileExists(feOverwrite | feAll);
  questions.AnswerError(false);
  TFileCopy copy(nullptr, questions, &progress);
  copy.AddSource(Make("first.txt", 3, 1));
  copy.AddSource(tree);
  WriteBytes(destination + "\\first.txt", "old");
  EXPECT_EQ(copy.Copy(destination), 183);
  EXPECT_EQ(copy.Done, (std::vector<uint8_t>{1, 0}));
  EXPECT_EQ(ReadBytes(destination + "\\x"), "kept");
}

// Names ending in a dot or a blank reach the disk as they are, never as their shortened twins.
TEST_F(FileOperations, NamesEndingInADotOrABlankAreCopiedAndDeletedAsTheyAre) {
  const std::string top = Folder("odd");
  const std::string verbatim = "\\\\?\\" + top;
  WriteBytes(verbatim + "\\x.", "dot");
  WriteBytes(verbatim + "\\y ", "blank");
  MakeFolder(verbatim + "\\dir.");
  WriteBytes(verbatim + "\\dir.\\inside.txt", "in");
  WriteBytes(top + "\\x", "plain twin");
  ASSERT_EQ(Names(top), (TNames{"dir.", "x", "x.", "y "}));

  const std::string destination = Folder("to");
  TFileCopy copy(nullptr, questions, &progress);
  copy.AddSource(top);
  copy.AddSource(top + "\\x.");
  EXPECT_EQ(copy.Copy(destination), 0);
  EXPECT_EQ(Names(destination + "\\odd"), (TNames{"dir.", "x", "x.", "y "}));
  EXPECT_EQ(ReadBytes("\\\\?\\" + destination + "\\odd\\x."), "dot");
  EXPECT_EQ(ReadBytes("\\\\?\\" + destination + "\\odd\\y "), "blank");
  EXPECT_EQ(ReadBytes("\\\\?\\" + destination + "\\odd\\dir.\\inside.txt"), "in");
  EXPECT_EQ(ReadBytes(destination + "\\odd\\x"), "plain twin");
  EXPECT_EQ(ReadBytes("\\\\?\\" + destination + "\\x."), "dot");

  // The recycle bin cannot be told such a name: refused, and the twin stays. For good works.
  questions.AnswerError(true);
  questions.AnswerError(false);
  TRecordingDeleteProgress deleting;
  TFileDelete bin(nullptr, questions, &deleting);
  bin.AddSource(top + "\\x.");
  bin.AddSource(top + "\\dir.");
  EXPECT_EQ(bin.Execute(), 123);
  EXPECT_EQ(Names(top), (TNames{"dir.", "x", "x.", "y "}));
  TFileDelete forGood(nullptr, questions, &deleting);
  forGood.SetUseRecycleBin(false);
  forGood.AddSource(top + "\\x.");
  forGood.AddSource(top + "\\dir.");
  EXPECT_EQ(forGood.Execute(), 0);
  EXPECT_EQ(Names(top), (TNames{"x", "y "}));
  EXPECT_EQ(ReadBytes(top + "\\x"), "plain twin");
}

// Links to folders (here host links, as Wine shows them) are not followed by a copy: the totals
// stay true, a link to its own folder does not nest, and the item is reported as not copied.
TEST_F(TwoSpellings, FolderLinksAreNotFollowedAndAreReported) {
  const std::string host = test::Env("QUILL_TEST_DRIVE_D_DIR") + "/" + FileNamePart(plain);
  MakeFolder(plain + "\\outside");
  WriteBytes(plain + "\\outside\\big.bin", Pattern(300000, 6));
  MakeFolder(plain + "\\tree");
  WriteBytes(plain + "\\tree\\own.txt", Pattern(20, 7));
  ASSERT_TRUE(test::RunHostShell("cd '" + host + "/tree' && ln -s '" + host + "/outside' out && ln -s '" + host +
                                 "/tree' self"));
  ASSERT_TRUE(Attributes(plain + "\\tree\\self") & FILE_ATTRIBUTE_REPARSE_POINT);
  const std::string destination = Folder("to");
  questions.AnswerError(true);
  questions.AnswerError(false);
  TFileCopy copy(nullptr, questions, &progress);
  copy.AddSource(plain + "\\tree");
  copy.AddSource(plain + "\\tree\\self");
  EXPECT_EQ(copy.Copy(destination), 681);
  EXPECT_EQ(copy.TotalBytes, 20u);
  EXPECT_EQ(copy.Done, (std::vector<uint8_t>{0, 0}));
  ASSERT_EQ(questions.CountAsked(TQuestionKind::ShowError), 2u);
  EXPECT_EQ(questions.Asked()[0].code, 681u);
  EXPECT_EQ(Names(destination), TNames{"tree"});
  EXPECT_EQ(Names(destination + "\\tree"), TNames{"own.txt"});
  EXPECT_EQ(LoadText(269), "A link to a folder was not copied: links are not followed.");

  // Moved across volumes, the folder with a link stays where it was.
  questions.AnswerError(false);
  const std::string away = test::TestDrive("QUILL_TEST_REMOVABLE", "E:") + "\\" + FileNamePart(plain);
  test::RemoveTree(away);
  MakeFolder(away);
  TFileCopy move(nullptr, questions, &progress);
  move.AddSource(plain + "\\tree");
  EXPECT_EQ(move.Move(away), 681);
  EXPECT_EQ(ReadBytes(plain + "\\tree\\own.txt"), Pattern(20, 7));
  EXPECT_EQ(ReadBytes(plain + "\\outside\\big.bin"), Pattern(300000, 6));
  test::RunHostShell("rm -f '" + host + "/tree/self' '" + host + "/tree/out'");
  test::RemoveTree(away);
}

}  // namespace
}  // namespace quill
