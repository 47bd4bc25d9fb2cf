#include "archive/Arj.h"

#include <gtest/gtest.h>

#include "archivers/arjformat/ArjHeaders.h"
#include "tests/native/FakeVolume.h"
#include "tests/native/ScriptedQuestions.h"
#include "tests/native/StringTableFile.h"

using namespace quill;

namespace {

constexpr uint8_t kMsDos = 0, kUnix = 2;
// 2024-02-29 13:14:16 as a DOS date and time.
constexpr uint32_t kDosTime = (((44u << 9) | (2u << 5) | 29u) << 16) | ((13u << 11) | (14u << 5) | 8u);

std::string Header(std::string name, uint32_t size, uint8_t flags = 0, uint16_t mode = 0x20, uint8_t host = kMsDos,
                   uint8_t type = arjformat::kTypeBinary) {
  arjformat::ArjHeader h;
  h.archiverVersion = 11;
  h.minVersion = 1;
  h.hostOs = host;
  h.flags = flags;
  h.fileType = type;
  h.dosTime = kDosTime;
  h.compressedSize = size;
  h.originalSize = size;
  h.accessMode = mode;
  h.name = std::move(name);
  const std::vector<uint8_t> bytes = arjformat::EncodeHeader(h);
  // The packed data follows; its bytes do not matter to the listing.
  return std::string(bytes.begin(), bytes.end()) + std::string(size, 'd');
}

std::string MainHeader() {
  std::string main = Header("a.arj", 0, 0, 0, kMsDos, arjformat::kTypeMain);
  return main;
}

struct TFixture {
  test::TFakeVolume volume;
  TLatin1CodePage codePage;
  std::string bytes;
  std::vector<std::pair<std::string, std::string>> runs;
  TArj arj{Services()};

  TFixture() {
    volume.MakeFolder("C:\\Work");
    volume.MakeFolder("C:\\Temp");
    volume.MakeFile("C:\\a.arj");
    volume.SetCurrentDir("C:\\Work");
    arj.OpenSource = [this](const std::string&, int&) { return std::make_unique<zipformat::MemorySource>(bytes); };
  }
  TArchiveServices Services() {
    TArchiveServices s;
    s.texts = test::TableText;
    s.fileSystem = &volume;
    s.codePage = &codePage;
    s.shortTempFolder = [] { return std::string("C:\\Temp\\"); };
    s.shortPath = [](const std::string& path) { return path == "C:\\My Files" ? std::string("C:\\MYFILE~1") : path; };
    s.runAndWait = [this](const std::string& program, const std::string& parameters) {
      std::string list;
      if (!volume.ReadAll("C:\\Work\\quilltmp.$$$", list)) volume.ReadAll("C:\\Temp\\quillTempFile.$$$", list);
      runs.push_back({program + " " + parameters, list});
      return true;
    };
    return s;
  }
};

std::vector<std::string> Paths(const std::vector<TArchiveItem>& items) {
  std::vector<std::string> paths;
  for (const TArchiveItem& item : items) paths.push_back(item.path);
  return paths;
}

TEST(ArjTest, ListReadsHeadersBehindAPrefixUntilTheFirstBadOne) {
  TFixture f;
  std::string corrupt = Header("lost.txt", 3);
  corrupt[10] ^= 0x01;  // the basic header no longer matches its CRC
  // A self-extractor in front holding a header id that is no header.
  f.bytes = std::string(70'000, 'x') + "\x60\xEA\x10\x00" + MainHeader() +
            Header("docs/a.txt", 4'000'000'000u, arjformat::kFlagPathSym) + Header("docs\\b.txt", 300'000'000) +
            Header("x/y.txt", 5) + Header("sub", 0, 0, 0x10) +
            // Unix modes: a group-writable file (0664) has DOS's folder bit; the file type tells.
            Header("src/main.c", 7, 0, 0664, kUnix) + Header("src/lib", 0, 0, 0755, kUnix, arjformat::kTypeDirectory) +
            corrupt + Header("after.txt", 1) + "\x60\xEA\x00\x00";
  f.arj.Open("C:\\a.arj");
  EXPECT_EQ(Paths(f.arj.Files), (std::vector<std::string>{"docs\\a.txt", "docs\\b.txt", "x/y.txt", "src\\main.c"}));
  EXPECT_EQ(Paths(f.arj.Folders), (std::vector<std::string>{"sub", "src\\lib", "docs", "src"}));
  EXPECT_EQ(f.arj.Files[0].entry.name, "a.txt");
  EXPECT_EQ(f.arj.Files[0].entry.time, 133536860560000000ull);
  EXPECT_EQ(f.arj.Files[3].entry.attributes & kArchiveFolderAttribute, 0u);
  // A Unix host's time is seconds since 1970: the same four bytes are 2016-12-23 18:15:36 UTC.
  EXPECT_EQ(f.arj.Files[3].entry.time, (uint64_t{kDosTime} + 11'644'473'600ull) * 10'000'000ull);
  // Totals past 4 GiB do not wrap.
  EXPECT_EQ(f.arj.OriginalTotal(), 4'300'000'012ull);

  // A main header beyond the first 500,000 bytes is not looked for; nothing listed, no box.
  f.bytes = std::string(500'001, 'x') + MainHeader() + Header("a.txt", 1);
  f.arj.Open("C:\\a.arj");
  EXPECT_TRUE(f.arj.Files.empty());
  f.bytes = "\x60\xEA";
  f.arj.Open("C:\\a.arj");
  EXPECT_TRUE(f.arj.Files.empty());
}

TEST(ArjTest, ExtractAndAddRunTheArchiverWithTheirListFilesAndRemoveThem) {
  TFixture f;
  f.arj.FileName = "C:\\My Files";
  f.arj.Selection = {{"docs", true}, {"x.txt", false}};
  f.arj.Extract("C:\\Out");
  ASSERT_EQ(f.runs.size(), 1u);
  EXPECT_EQ(f.runs[0].first, "arj.exe x -v -y C:\\MYFILE~1 C:\\Out !quilltmp.$$$");
  EXPECT_EQ(f.runs[0].second, "docs\\*.*\r\nx.txt\r\n");
  EXPECT_FALSE(f.volume.Has("C:\\Work\\quilltmp.$$$"));
  // Without stored folders, and the whole archive: no list at all.
  f.arj.ExtractOptions = 0;
  f.arj.Selection.clear();
  f.arj.ProgramPath = "C:\\Tools\\arj.exe";
  f.arj.Extract("C:\\My Files");
  EXPECT_EQ(f.runs[1].first, "C:\\Tools\\arj.exe e -v -y C:\\MYFILE~1 C:\\MYFILE~1");

  f.arj.FileName = "C:\\Out\\new set.arj";
  f.arj.Selection = {{"docs", true}};
  f.arj.AddOptions = aoMove | aoRecurse;
  f.arj.VolumeSize = 1'457'664;
  f.arj.CompressionIndex = 2;
  f.arj.Password = "never passed";
  f.arj.Add();
  ASSERT_EQ(f.runs.size(), 3u);
  EXPECT_EQ(f.runs[2].first, "C:\\Tools\\arj.exe  m -y -r -v1457664 -m0 \"C:\\Out\\new set.arj\" !C:\\Temp\\quillTempFile.$$$");
  EXPECT_EQ(f.runs[2].second, "docs\\*.*\r\n");
  EXPECT_FALSE(f.volume.Has("C:\\Temp\\quillTempFile.$$$"));
  f.arj.AddOptions = aoFreshen;
  f.arj.VolumeSize = 0;
  f.arj.CompressionIndex = 1;
  f.arj.FileName = "b.arj";
  EXPECT_EQ(f.arj.AddCommand("L"), " f -y -m1 b.arj !L");
}

}  // namespace
