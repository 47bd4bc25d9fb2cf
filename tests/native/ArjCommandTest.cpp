// arj.exe's portable part: Quill's command lines parsed, list files, names kept under the
// destination, the extraction loop over a memory target (selection, damaged entries leaving
// nothing, errorlevels), and the update plan.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ArjCommand.h"
#include "ArjTestSupport.h"
#include "ArjWriter.h"

namespace {

using namespace arjexe;

TEST(ArjCommand, QuillsCommandLinesParse) {
  Command c;
  std::string error;
  ASSERT_TRUE(ParseCommand({"x", "-v", "-y", "C:\\DOCUME~1\\A.ARJ", "C:\\OUT", "!quilltmp.$$$"}, c, error));
  EXPECT_EQ(c.letter, 'x');
  EXPECT_TRUE(c.volumes && c.yes);
  EXPECT_EQ(c.volumeSize, 0u);
  EXPECT_EQ(c.archive, "C:\\DOCUME~1\\A.ARJ");
  EXPECT_EQ(c.destination, "C:\\OUT");
  EXPECT_EQ(c.listFiles, std::vector<std::string>{"quilltmp.$$$"});
  EXPECT_TRUE(c.items.empty());

  ASSERT_TRUE(ParseCommand({"m", "-y", "-r", "-v1457000", "-m0", "C:\\x y\\b.arj", "!C:\\TEMP\\quillTempFile.$$$"}, c, error));
  EXPECT_EQ(c.letter, 'm');
  EXPECT_TRUE(c.recurse && c.Adding());
  EXPECT_EQ(c.volumeSize, 1457000u);
  EXPECT_EQ(c.method, 0);
  EXPECT_TRUE(c.destination.empty());
  ASSERT_TRUE(ParseCommand({"u", "-y", "-v50K", "-m3", "b.arj", "one.txt", "*.c"}, c, error));
  EXPECT_EQ(c.volumeSize, 50000u);
  EXPECT_EQ(c.method, 3);
  EXPECT_EQ(c.items, (std::vector<std::string>{"one.txt", "*.c"}));

  uint64_t size = 0;
  EXPECT_TRUE(ParseVolumeSize("1440", size));
  EXPECT_EQ(size, 1457000u);
  EXPECT_TRUE(ParseVolumeSize("360", size));
  EXPECT_EQ(size, 362000u);
  EXPECT_TRUE(ParseVolumeSize("1440k", size));
  EXPECT_EQ(size, 1440000u);
  EXPECT_FALSE(ParseVolumeSize("12x", size));
  EXPECT_FALSE(ParseVolumeSize("0", size));

  EXPECT_FALSE(ParseCommand({"q", "a.arj"}, c, error));
  EXPECT_FALSE(ParseCommand({"a", "-z", "a.arj"}, c, error));
  EXPECT_FALSE(ParseCommand({"a", "-m9", "a.arj"}, c, error));
  EXPECT_FALSE(ParseCommand({"x", "-y"}, c, error));
  EXPECT_FALSE(error.empty());

  EXPECT_EQ(ListFileItems("docs\r\n\r\n  a b.txt \nlast"), (std::vector<std::string>{"docs", "a b.txt", "last"}));
}

TEST(ArjCommand, NamesStayUnderTheDestination) {
  std::string t;
  EXPECT_TRUE(TargetPath("docs\\a.txt", true, t));
  EXPECT_EQ(t, "docs\\a.txt");
  EXPECT_TRUE(TargetPath("docs\\a.txt", false, t));
  EXPECT_EQ(t, "a.txt");
  EXPECT_TRUE(TargetPath("..\\..\\evil.txt", true, t));
  EXPECT_EQ(t, "evil.txt");
  EXPECT_TRUE(TargetPath("a/../../b/./c.txt", true, t));
  EXPECT_EQ(t, "b\\c.txt");
  EXPECT_TRUE(TargetPath("C:\\Windows\\x.dll", true, t));
  EXPECT_EQ(t, "Windows\\x.dll");
  EXPECT_TRUE(TargetPath("\\\\server\\share\\y", true, t));
  EXPECT_EQ(t, "server\\share\\y");
  EXPECT_TRUE(TargetPath("c:evil", true, t));
  EXPECT_EQ(t, "evil");
  EXPECT_FALSE(TargetPath("..", true, t));
  EXPECT_FALSE(TargetPath("dir\\CON", true, t));
  EXPECT_FALSE(TargetPath("a\\b?.txt", true, t));

  EXPECT_TRUE(Selected("docs\\a.txt", {}));
  EXPECT_TRUE(Selected("docs\\sub\\a.txt", {"DOCS"}));
  EXPECT_TRUE(Selected("docs\\a.txt", {"other", "docs\\a.txt"}));
  EXPECT_FALSE(Selected("documents\\a.txt", {"docs"}));
  EXPECT_TRUE(Selected("src\\x.cpp", {"*.cpp"}));
}

// A destination in memory.
class MemoryTarget final : public IExtractTarget {
 public:
  std::map<std::string, std::string> files;
  std::vector<std::string> folders, messages;
  std::map<std::string, FileStamp> stamps;
  std::string open;
  arjtest::StringOutput output;

  bool MakeFolder(const std::string& relative) override {
    folders.push_back(relative);
    return true;
  }
  arjformat::IByteOutput* BeginFile(const std::string& relative) override {
    open = relative;
    output.bytes.clear();
    files[relative] = "(open)";
    return &output;
  }
  bool EndFile(bool keep, const FileStamp& stamp) override {
    stamps[open] = stamp;
    if (keep) files[open] = output.bytes;
    else files.erase(open);
    return true;
  }
  void Report(const std::string& message) override { messages.push_back(message); }
};

struct MemoryArchive {
  std::map<std::string, std::string> volumes;
  class Out final : public arjformat::IVolumeOutput {
   public:
    explicit Out(MemoryArchive& a) : a_(a) {}
    bool StartVolume(size_t index) override {
      name_ = arjformat::VolumeName("m.arj", index);
      a_.volumes[name_].clear();
      return true;
    }
    bool Write(const uint8_t* d, size_t n) override {
      a_.volumes[name_].append(reinterpret_cast<const char*>(d), n);
      return true;
    }
    bool Rewrite(uint64_t offset, const uint8_t* d, size_t n) override {
      a_.volumes[name_].replace(offset, n, reinterpret_cast<const char*>(d), n);
      return true;
    }
    bool FinishVolume() override { return true; }

   private:
    MemoryArchive& a_;
    std::string name_;
  };
  bool Open(arjformat::ArjArchive& archive) {
    return archive.Open("m.arj", [this](const std::string& name) -> std::unique_ptr<zipformat::IByteSource> {
      auto it = volumes.find(name);
      if (it == volumes.end()) return nullptr;
      return std::make_unique<zipformat::MemorySource>(it->second);
    });
  }
};

TEST(ArjCommand, ExtractionKeepsInsideSelectsAndLeavesNothingDamaged) {
  MemoryArchive memory;
  const std::string text = arjtest::SampleText(20000);
  {
    MemoryArchive::Out out(memory);
    arjformat::ArjWriter writer(out, "m.arj", 0, 1, 0);
    auto add = [&](const std::string& name, const std::string& data) {
      zipformat::MemorySource source(data);
      ASSERT_TRUE(writer.AddFile({name, 0x5A000000, 0x20}, source));
    };
    ASSERT_TRUE(writer.AddFolder({"docs", 0, 0x10}));
    add("docs\\a.txt", "alpha");
    add("docs\\sub\\b.txt", "beta");
    add("documents\\c.txt", "gamma");
    add("..\\..\\evil.txt", "evil");
    add("C:\\evil2.txt", "evil2");
    add("big.txt", text);
    ASSERT_TRUE(writer.Finish());
  }
  {
    arjformat::ArjArchive archive;
    ASSERT_TRUE(memory.Open(archive));
    MemoryTarget target;
    const ExtractSummary all = ExtractEntries(archive, true, {}, target);
    EXPECT_EQ(all.exitCode, kSuccess);
    EXPECT_EQ(all.files, 6u);
    EXPECT_EQ(target.files["docs\\sub\\b.txt"], "beta");
    EXPECT_EQ(target.files["evil.txt"], "evil");
    EXPECT_EQ(target.files["evil2.txt"], "evil2");
    EXPECT_EQ(target.files["big.txt"], text);
    for (const auto& [name, data] : target.files) EXPECT_EQ(name.find(".."), std::string::npos);

    MemoryTarget selected;
    ExtractEntries(archive, true, {"docs"}, selected);
    EXPECT_EQ(selected.files.size(), 2u);
    EXPECT_TRUE(selected.files.count("docs\\a.txt") && selected.files.count("docs\\sub\\b.txt"));

    MemoryTarget flat;
    ExtractEntries(archive, false, {"docs"}, flat);
    EXPECT_EQ(flat.files["b.txt"], "beta");
    EXPECT_TRUE(flat.folders.empty());
  }
  // The packed data of big.txt damaged: that entry fails with errorlevel 3 and leaves no file.
  std::string& bytes = memory.volumes["m.arj"];
  const size_t at = bytes.find("big.txt");
  ASSERT_NE(at, std::string::npos);
  bytes[at + 200] ^= 0x55;
  arjformat::ArjArchive damaged;
  ASSERT_TRUE(memory.Open(damaged));
  MemoryTarget target;
  const ExtractSummary summary = ExtractEntries(damaged, true, {}, target);
  EXPECT_EQ(summary.exitCode, kCrcError);
  EXPECT_EQ(summary.failed, 1u);
  EXPECT_EQ(target.files.count("big.txt"), 0u);
  EXPECT_EQ(target.files["docs\\a.txt"], "alpha");
  ASSERT_FALSE(target.messages.empty());
  MemoryTarget test;
  EXPECT_EQ(ExtractEntries(damaged, true, {}, test, true).exitCode, kCrcError);
  EXPECT_TRUE(test.files.empty());
}

TEST(ArjCommand, AUnixHostsTimeAndModeBecomeWhatWindowsTakes) {
  arjformat::ArjHeader header;
  header.hostOs = 2;
  header.dosTime = 1'796'793'284;  // seconds since 1970: 2026-12-09
  header.accessMode = 0664;        // group-writable: DOS's folder bit, which it is not
  FileStamp stamp = StampOf(header);
  EXPECT_TRUE(stamp.unixTime);
  EXPECT_EQ(stamp.time, 1'796'793'284u);
  EXPECT_EQ(stamp.attributes, 0);
  header.accessMode = 0444;
  EXPECT_EQ(StampOf(header).attributes, 0x01) << "no owner write: read-only";
  header.hostOs = 0;
  header.accessMode = 0x21;
  stamp = StampOf(header);
  EXPECT_FALSE(stamp.unixTime);
  EXPECT_EQ(stamp.attributes, 0x21);
}

TEST(ArjCommand, UpdatePlans) {
  std::vector<arjformat::ArjEntry> existing(3);
  existing[0].header.name = "one.txt";
  existing[0].header.dosTime = 100;
  existing[1].header.name = "dir/two.txt";
  existing[1].header.flags = arjformat::kFlagPathSym;
  existing[1].header.dosTime = 100;
  existing[2].header.name = "three.txt";
  existing[2].header.dosTime = 100;
  const std::vector<NewItem> items = {{"ONE.TXT", 50}, {"dir\\two.txt", 200}, {"new.txt", 1}};
  auto show = [](const std::vector<PlanStep>& plan) {
    std::string text;
    for (const auto& s : plan) text += (s.copy ? "c" : "n") + std::to_string(s.index) + " ";
    return text;
  };
  EXPECT_EQ(show(PlanUpdate('a', existing, items)), "n0 n1 c2 n2 ");
  EXPECT_EQ(show(PlanUpdate('m', existing, items)), "n0 n1 c2 n2 ");
  EXPECT_EQ(show(PlanUpdate('u', existing, items)), "c0 n1 c2 n2 ");
  EXPECT_EQ(show(PlanUpdate('f', existing, items)), "c0 n1 c2 ");
}

}  // namespace
