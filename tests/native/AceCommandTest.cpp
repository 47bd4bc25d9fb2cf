// ace32.exe's portable half: the command lines Quill builds, list files, the archive an update
// starts from, and which entries an update keeps.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "archivers/ace/AceCommand.h"
#include "tests/native/AceCraft.h"

using namespace acexe;
using namespace acecraft;

TEST(AceCommand, ParsesQuillsCommandLinesAndRefusesOthers) {
  Command command;
  std::string error;
  ASSERT_TRUE(ParseCommand({"m", "-y", "-r", "-v1440", "-m5", "C:\\backup.ace", "@C:\\TEMP\\quillT~1.$$$"}, command,
                           error));
  EXPECT_EQ(command.mode, Mode::Move);
  EXPECT_TRUE(command.yes);
  EXPECT_TRUE(command.recurse);
  EXPECT_EQ(command.volumeSize, 1440000u);
  EXPECT_EQ(command.level, 5);
  EXPECT_FALSE(command.password);
  EXPECT_EQ(command.archive, "C:\\backup.ace");
  EXPECT_EQ(command.listFiles, (std::vector<std::string>{"C:\\TEMP\\quillT~1.$$$"}));

  ASSERT_TRUE(ParseCommand({"F", "-y", "-psecret", "-m0", "x.ace", "@l", "direct.txt"}, command, error));
  EXPECT_EQ(command.mode, Mode::Freshen);
  EXPECT_TRUE(command.password);
  EXPECT_EQ(command.level, 0);
  EXPECT_EQ(command.items, (std::vector<std::string>{"direct.txt"}));
  ASSERT_TRUE(ParseCommand({"u", "-y", "x.ace", "@l"}, command, error));
  EXPECT_EQ(command.mode, Mode::Update);
  EXPECT_EQ(command.volumeSize, 0u);

  for (const auto& bad : std::vector<std::vector<std::string>>{
           {}, {"x", "-y", "a.ace"}, {"a", "-y"}, {"a", "-v", "a.ace"}, {"a", "-v0", "a.ace"},
           {"a", "-vx", "a.ace"}, {"a", "-m9", "a.ace"}, {"a", "-p", "a.ace"}, {"a", "-q", "a.ace"}}) {
    EXPECT_FALSE(ParseCommand(bad, command, error)) << (bad.empty() ? "" : bad[0] + " " + bad.back());
    EXPECT_FALSE(error.empty());
  }
  EXPECT_EQ(ListFileItems("a.txt\r\nsub\r\n\r\n*.doc\nlast"),
            (std::vector<std::string>{"a.txt", "sub", "*.doc", "last"}));
}

TEST(AceCommand, ReadsTheArchiveToUpdateAndRefusesVolumesAndDamage) {
  File a{"a.txt", "aaa"};
  File b{"dir\\b.txt", "bbbb"};
  const std::string archive = MainBytes() + Entry(a) + Recovery("rrrr") + Entry(b);
  zipformat::MemorySource source(archive);
  ExistingArchive existing = ReadExisting(source);
  ASSERT_EQ(existing.state, ExistingState::Ok);
  ASSERT_EQ(existing.entries.size(), 2u);
  EXPECT_EQ(existing.entries[0].rawHeader, FileHeader(a));
  EXPECT_EQ(existing.entries[1].rawHeader, FileHeader(b));
  EXPECT_EQ(existing.entries[1].header.name, "dir\\b.txt");

  auto state = [](const std::string& bytes) {
    zipformat::MemorySource s(bytes);
    return ReadExisting(s).state;
  };
  EXPECT_EQ(state("not an archive"), ExistingState::NotAce);
  EXPECT_EQ(state(archive.substr(0, archive.size() - 2)), ExistingState::Damaged);
  EXPECT_EQ(state(MainBytes(0x0100 | 0x0800) + Entry(a)), ExistingState::MultiVolume);
  EXPECT_EQ(state(MainBytes(0x0100 | 0x4000) + Entry(a)), ExistingState::Locked);
  File part = a;
  part.flags |= 0x2000;
  EXPECT_EQ(state(MainBytes() + Entry(part)), ExistingState::MultiVolume);
}

TEST(AceCommand, UpdatePlansKeepReplaceOrAddByModeAndDosTime) {
  auto entry = [](const std::string& name, uint32_t time) {
    ExistingEntry e;
    e.header.name = name;
    e.header.dosTime = time;
    return e;
  };
  const std::vector<ExistingEntry> existing = {entry("Old.txt", 100), entry("same.txt", 200), entry("newer.txt", 300)};
  const std::vector<NewItem> items = {{"NEWER.TXT", false, 301}, {"fresh.txt", false, 50}, {"same.txt", false, 200},
                                      {"fresh.txt", false, 60}};
  NameKey key = [](const std::string& name) {
    std::string k = name;
    std::transform(k.begin(), k.end(), k.begin(), [](unsigned char c) { return std::toupper(c); });
    return k;
  };
  auto describe = [&](Mode mode) {
    std::string out;
    for (const PlanStep& step : PlanUpdate(mode, existing, items, key))
      out += (step.copy ? "copy " + existing[step.index].header.name : "store " + items[step.index].name) + ";";
    return out;
  };
  EXPECT_EQ(describe(Mode::Add), "copy Old.txt;store same.txt;store NEWER.TXT;store fresh.txt;");
  EXPECT_EQ(describe(Mode::Move), describe(Mode::Add));
  EXPECT_EQ(describe(Mode::Update), "copy Old.txt;copy same.txt;store NEWER.TXT;store fresh.txt;");
  EXPECT_EQ(describe(Mode::Freshen), "copy Old.txt;copy same.txt;store NEWER.TXT;");
}
