// rar.exe's portable writer: its headers walked field by field with their CRCs, volumes split at
// the right sizes, and what it writes judged by Debian's bsdtar; the reading of an archive to
// update, the update plan and the command line.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "archivers/rar/RarCommand.h"
#include "archivers/rar/RarExisting.h"
#include "archivers/rar/RarWriter.h"
#include "archivers/rarformat/RarArchive.h"

namespace {

using namespace rarexe;

class TMemoryVolumes : public IVolumeOutput {
 public:
  std::vector<std::string> volumes;
  bool open = false;
  bool StartVolume(unsigned index) override {
    EXPECT_EQ(index, volumes.size());
    EXPECT_FALSE(open);
    volumes.emplace_back();
    open = true;
    return true;
  }
  bool Write(const uint8_t* data, size_t size) override {
    volumes.back().append(reinterpret_cast<const char*>(data), size);
    return true;
  }
  bool Rewrite(uint64_t offset, const uint8_t* data, size_t size) override {
    EXPECT_LE(offset + size, volumes.back().size());
    volumes.back().replace(offset, size, reinterpret_cast<const char*>(data), size);
    return true;
  }
  bool FinishVolume() override {
    open = false;
    return true;
  }
};

class TStringData : public IEntryData {
 public:
  explicit TStringData(std::string bytes) : bytes_(std::move(bytes)) {}
  bool Read(uint8_t* buffer, size_t count, size_t& got) override {
    got = std::min(count, bytes_.size() - at_);
    std::copy(bytes_.begin() + at_, bytes_.begin() + at_ + got, buffer);
    at_ += got;
    return true;
  }

 private:
  std::string bytes_;
  size_t at_ = 0;
};

class TStringBytes : public IArchiveBytes {
 public:
  explicit TStringBytes(const std::string& bytes) : bytes_(bytes) {}
  uint64_t Size() override { return bytes_.size(); }
  bool ReadAt(uint64_t offset, uint8_t* data, size_t size) override {
    if (offset + size > bytes_.size()) return false;
    std::copy(bytes_.begin() + offset, bytes_.begin() + offset + size, data);
    return true;
  }

 private:
  const std::string& bytes_;
};

std::string Noise(size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  uint32_t x = seed * 2654435761u + 1;
  for (char& c : bytes) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 23);
  }
  return bytes;
}

// 2024-03-05 06:07:08.1234567 UTC as a FILETIME.
constexpr uint64_t kWhen = 133540924281234567ull;
constexpr uint32_t kWhenUnix = 1709618828u;

NewEntry File(const std::string& name, size_t size) {
  NewEntry e;
  e.name = name;
  e.size = size;
  e.attributes = 0x20;
  e.modified = kWhen;
  return e;
}

NewEntry Folder(const std::string& name) {
  NewEntry e;
  e.name = name;
  e.folder = true;
  e.attributes = 0x10;
  e.modified = kWhen;
  return e;
}

// One header as found by walking the bytes, independently of the writer's own code.
struct TWalked {
  uint64_t type = 0, flags = 0, dataSize = 0;
  uint64_t fileFlags = 0, unpacked = 0, attributes = 0, compression = 0, host = 0;
  uint32_t mtime = 0, crc = 0;
  uint64_t fileTime = 0;
  uint64_t archiveFlags = 0, volumeNumber = 0, endFlags = 0;
  std::string name;
  std::string data;
  bool encrypted = false;
  std::string encryptionRecord;
};

struct TReader {
  const std::string& s;
  size_t at;
  uint64_t Vint(int* length = nullptr) {
    uint64_t v = 0;
    int shift = 0, n = 0;
    for (;;) {
      const uint8_t b = static_cast<uint8_t>(s.at(at++));
      ++n;
      v |= static_cast<uint64_t>(b & 0x7F) << shift;
      shift += 7;
      if (!(b & 0x80)) break;
    }
    if (length) *length = n;
    return v;
  }
  uint64_t Fixed(int n) {
    uint64_t v = 0;
    for (int i = 0; i < n; ++i) v |= static_cast<uint64_t>(static_cast<uint8_t>(s.at(at++))) << (8 * i);
    return v;
  }
};

uint32_t ReferenceCrc(const std::string& bytes) {
  uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char c : bytes) {
    crc ^= c;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

// Every header of one volume; fails the test on a bad CRC, size or layout.
std::vector<TWalked> Walk(const std::string& volume) {
  std::vector<TWalked> headers;
  EXPECT_EQ(volume.substr(0, 8), std::string("Rar!\x1A\x07\x01\x00", 8));
  TReader r{volume, 8};
  while (r.at < volume.size()) {
    const size_t start = r.at;
    const uint32_t crc = static_cast<uint32_t>(r.Fixed(4));
    int sizeLength = 0;
    const uint64_t size = r.Vint(&sizeLength);
    EXPECT_LE(sizeLength, 3);
    const size_t bodyAt = r.at;
    EXPECT_EQ(ReferenceCrc(volume.substr(start + 4, sizeLength + size)), crc) << "header at " << start;
    TWalked h;
    h.type = r.Vint();
    h.flags = r.Vint();
    const uint64_t extraSize = (h.flags & 1) ? r.Vint() : 0;
    h.dataSize = (h.flags & 2) ? r.Vint() : 0;
    const size_t extraAt = bodyAt + size - extraSize;
    if (h.type == 1) {
      h.archiveFlags = r.Vint();
      if (h.archiveFlags & 2) h.volumeNumber = r.Vint();
    } else if (h.type == 2) {
      h.fileFlags = r.Vint();
      h.unpacked = r.Vint();
      h.attributes = r.Vint();
      if (h.fileFlags & 2) h.mtime = static_cast<uint32_t>(r.Fixed(4));
      if (h.fileFlags & 4) h.crc = static_cast<uint32_t>(r.Fixed(4));
      h.compression = r.Vint();
      h.host = r.Vint();
      const uint64_t nameLength = r.Vint();
      h.name = volume.substr(r.at, nameLength);
      r.at += nameLength;
      EXPECT_EQ(r.at, extraAt);
      while (r.at < bodyAt + size) {
        const uint64_t recordSize = r.Vint();
        const size_t end = r.at + recordSize;
        const uint64_t recordType = r.Vint();
        if (recordType == 3) {
          EXPECT_EQ(r.Vint(), 0x02u);
          h.fileTime = r.Fixed(8);
        } else if (recordType == 1) {
          h.encrypted = true;
          h.encryptionRecord = volume.substr(r.at, end - r.at);
        }
        r.at = end;
      }
    } else if (h.type == 5) {
      h.endFlags = r.Vint();
    }
    EXPECT_EQ(r.at, bodyAt + size) << "header at " << start;
    r.at = bodyAt + size;
    h.data = volume.substr(r.at, h.dataSize);
    r.at += h.dataSize;
    headers.push_back(h);
    if (h.type == 5) break;
  }
  EXPECT_EQ(r.at, volume.size()) << "nothing follows the end header";
  return headers;
}

// A scratch folder on the host for bsdtar.
class RarWriterHost : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/quill-rar-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
    if (std::system("command -v bsdtar > /dev/null") != 0) GTEST_SKIP() << "bsdtar (libarchive-tools) is needed";
  }
  void TearDown() override {
    if (!folder_.empty()) std::system(("rm -rf '" + folder_ + "'").c_str());
  }
  void Save(const std::string& name, const std::string& bytes) {
    std::ofstream(folder_ + "/" + name, std::ios::binary) << bytes;
  }
  std::string Load(const std::string& name) {
    std::ifstream in(folder_ + "/" + name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  // A shell command in the folder; its output, and whether it exited 0.
  bool Shell(const std::string& command, std::string* output = nullptr) {
    const std::string line = "cd '" + folder_ + "' && (" + command + ") > .out 2>&1";
    const bool ok = std::system(line.c_str()) == 0;
    if (output) *output = Load(".out");
    return ok;
  }
  std::string folder_;
};

TEST_F(RarWriterHost, HeadersOfAFolderTreeWalkCleanAndBsdtarExtractsIt) {
  const std::string big = Noise(200000, 1);  // more than one block
  const std::string small = "Hello, RAR\n";
  const std::string unicode = "\xc3\xa9t\xc3\xa9/\xed\x95\x9c.txt";  // été/한.txt
  TMemoryVolumes out;
  TRar5Writer writer(out, {});
  ASSERT_TRUE(writer.Begin());
  ASSERT_TRUE(writer.Add(Folder("docs"), nullptr));
  TStringData bigData(big), smallData(small), unicodeData("x");
  ASSERT_TRUE(writer.Add(File("docs/big.bin", big.size()), &bigData));
  ASSERT_TRUE(writer.Add(File("docs/empty.txt", 0), nullptr));
  ASSERT_TRUE(writer.Add(Folder("\xc3\xa9t\xc3\xa9"), nullptr));
  ASSERT_TRUE(writer.Add(File(unicode, 1), &unicodeData));
  NewEntry readOnly = File("small.txt", small.size());
  readOnly.attributes = 0x21;
  ASSERT_TRUE(writer.Add(readOnly, &smallData));
  ASSERT_TRUE(writer.End());
  ASSERT_EQ(out.volumes.size(), 1u);
  EXPECT_EQ(writer.Volumes(), 1u);

  const auto headers = Walk(out.volumes[0]);
  ASSERT_EQ(headers.size(), 8u);
  EXPECT_EQ(headers[0].type, 1u);
  EXPECT_EQ(headers[0].archiveFlags, 0u);
  EXPECT_EQ(headers[7].type, 5u);
  EXPECT_EQ(headers[7].endFlags, 0u);
  const std::map<std::string, std::string> contents{
      {"docs/big.bin", big}, {"docs/empty.txt", ""}, {unicode, "x"}, {"small.txt", small}};
  for (size_t i = 1; i < 7; ++i) {
    const TWalked& h = headers[i];
    EXPECT_EQ(h.type, 2u);
    EXPECT_EQ(h.flags, 0x03u) << h.name;  // extra area and data area, no split
    EXPECT_EQ(h.compression, 0u) << h.name;
    EXPECT_EQ(h.host, 0u) << h.name;
    EXPECT_EQ(h.mtime, kWhenUnix) << h.name;
    EXPECT_EQ(h.fileTime, kWhen) << h.name;
    EXPECT_FALSE(h.encrypted);
    if (h.fileFlags & 1) {
      EXPECT_EQ(h.fileFlags, 0x03u) << h.name;
      EXPECT_EQ(h.dataSize, 0u);
      EXPECT_EQ(h.attributes, 0x10u);
    } else {
      ASSERT_TRUE(contents.count(h.name)) << h.name;
      EXPECT_EQ(h.fileFlags, 0x06u) << h.name;
      EXPECT_EQ(h.data, contents.at(h.name));
      EXPECT_EQ(h.unpacked, h.data.size());
      EXPECT_EQ(h.crc, ReferenceCrc(h.data)) << h.name;
    }
  }
  EXPECT_EQ(headers[6].attributes, 0x21u);

  Save("tree.rar", out.volumes[0]);
  std::string listing;
  ASSERT_TRUE(Shell("TZ=UTC bsdtar -tvf tree.rar", &listing)) << listing;
  EXPECT_NE(listing.find("drwx"), std::string::npos) << listing;
  EXPECT_NE(listing.find("200000"), std::string::npos) << listing;
  EXPECT_NE(listing.find("Mar  5  2024"), std::string::npos) << listing;
  std::string report;
  ASSERT_TRUE(Shell("mkdir x && cd x && LC_ALL=C.UTF-8 bsdtar -xf ../tree.rar && test -d docs && "
                    "test -d '\xc3\xa9t\xc3\xa9' && test $(stat -c %A small.txt) = -r--r--r--",
                    &report))
      << report;
  EXPECT_EQ(Load("x/docs/big.bin"), big);
  EXPECT_EQ(Load("x/small.txt"), small);
  EXPECT_EQ(Load("x/" + unicode), "x");
  EXPECT_EQ(Load("x/docs/empty.txt"), "");
}

TEST_F(RarWriterHost, VolumesSplitAtTheirSizeAndReadBackTogether) {
  const std::string a = Noise(5000, 2), b = Noise(1234, 3), c = "tail";
  TMemoryVolumes out;
  WriterOptions options;
  options.volumeSize = 2000;
  TRar5Writer writer(out, options);
  ASSERT_TRUE(writer.Begin());
  TStringData da(a), db(b), dc(c);
  ASSERT_TRUE(writer.Add(File("a.bin", a.size()), &da));
  ASSERT_TRUE(writer.Add(Folder("f"), nullptr));
  ASSERT_TRUE(writer.Add(File("f/b.bin", b.size()), &db));
  ASSERT_TRUE(writer.Add(File("f/c.txt", c.size()), &dc));
  ASSERT_TRUE(writer.End());
  ASSERT_GE(out.volumes.size(), 4u);
  EXPECT_EQ(writer.Volumes(), out.volumes.size());

  std::map<std::string, std::string> joined;
  std::map<std::string, uint32_t> lastCrc;
  bool continuing = false;
  for (size_t v = 0; v < out.volumes.size(); ++v) {
    const std::string& volume = out.volumes[v];
    const bool last = v + 1 == out.volumes.size();
    EXPECT_LE(volume.size(), 2000u) << "volume " << v;
    // Only the last volume ends short of the size by more than a header's worth.
    if (!last) {
      EXPECT_GE(volume.size(), 1900u) << "volume " << v;
    }
    const auto headers = Walk(volume);
    ASSERT_GE(headers.size(), 2u);
    EXPECT_EQ(headers.front().archiveFlags, v == 0 ? 0x01u : 0x03u);
    EXPECT_EQ(headers.front().volumeNumber, v);
    EXPECT_EQ(headers.back().type, 5u);
    EXPECT_EQ(headers.back().endFlags, last ? 0u : 1u);
    for (size_t i = 1; i + 1 < headers.size(); ++i) {
      const TWalked& h = headers[i];
      const bool splitBefore = h.flags & 0x08, splitAfter = h.flags & 0x10;
      // A part continues exactly where the previous volume's last part stopped.
      EXPECT_EQ(splitBefore, i == 1 && continuing) << h.name << " in volume " << v;
      if (splitAfter) {
        EXPECT_EQ(i, headers.size() - 2) << "only the last entry of a volume goes on";
        EXPECT_EQ(h.crc, ReferenceCrc(h.data)) << "a part checks its own bytes";
      }
      continuing = splitAfter;
      joined[h.name] += h.data;
      EXPECT_EQ(h.unpacked, h.name == "f" ? 0u : (h.name == "a.bin" ? a.size() : h.name == "f/b.bin" ? b.size() : c.size()));
      if (!splitAfter) lastCrc[h.name] = h.crc;
    }
  }
  EXPECT_FALSE(continuing);
  EXPECT_EQ(joined["a.bin"], a);
  EXPECT_EQ(joined["f/b.bin"], b);
  EXPECT_EQ(joined["f/c.txt"], c);
  EXPECT_EQ(lastCrc["a.bin"], ReferenceCrc(a)) << "the last part checks the whole file";
  EXPECT_EQ(lastCrc["f/b.bin"], ReferenceCrc(b));

  // The RAR reader follows the set from its first volume by name and joins every part.
  class TVolumes : public rarformat::IVolumeProvider {
   public:
    std::map<std::string, std::string> files;
    std::unique_ptr<zipformat::IByteSource> Open(const std::string& name) override {
      auto it = files.find(name);
      return it == files.end() ? nullptr : std::make_unique<zipformat::MemorySource>(it->second);
    }
    bool AskMissing(std::string&) override { return false; }
    bool Opened(const std::string&) override { return true; }
  } provider;
  for (size_t v = 0; v < out.volumes.size(); ++v)
    provider.files[VolumeName("set.rar", static_cast<unsigned>(v), static_cast<unsigned>(out.volumes.size()))] =
        out.volumes[v];
  rarformat::RarReader reader(provider.Open("set.part1.rar"), "set.part1.rar", &provider);
  ASSERT_EQ(reader.Open(), rarformat::RarStatus::Ok);
  EXPECT_TRUE(reader.Info().volume);
  std::map<std::string, std::string> read;
  rarformat::RarEntry entry;
  while (reader.Next(entry) == rarformat::RarStatus::Ok) {
    auto input = reader.OpenPacked();
    uint8_t buffer[1000];
    for (size_t got; (got = input->Read(buffer, sizeof buffer)) > 0;) read[entry.name].append(reinterpret_cast<char*>(buffer), got);
    EXPECT_EQ(reader.CurrentPart().crc, ReferenceCrc(read[entry.name])) << entry.name;
  }
  EXPECT_EQ(read["a.bin"], a);
  EXPECT_EQ(read["f/b.bin"], b);
  EXPECT_EQ(read.size(), 4u);

  // bsdtar reads a volume set given as one stream, the volumes in order.
  std::string names;
  for (size_t v = 0; v < out.volumes.size(); ++v) {
    const std::string name = VolumeName("set.rar", static_cast<unsigned>(v), static_cast<unsigned>(out.volumes.size()));
    Save(name, out.volumes[v]);
    names += " " + name;
  }
  std::string report;
  ASSERT_TRUE(Shell("mkdir x && cat" + names + " | bsdtar -xf - -C x", &report)) << report;
  EXPECT_EQ(Load("x/a.bin"), a);
  EXPECT_EQ(Load("x/f/b.bin"), b);
  EXPECT_EQ(Load("x/f/c.txt"), c);
}

TEST(RarWriter, VolumeTooSmallAndFileSizeChangesFail) {
  {
    TMemoryVolumes out;
    WriterOptions options;
    options.volumeSize = 60;
    TRar5Writer writer(out, options);
    ASSERT_TRUE(writer.Begin());
    EXPECT_FALSE(writer.Add(Folder(std::string(100, 'n')), nullptr));
    EXPECT_EQ(writer.Error(), WriteError::VolumeTooSmall);
  }
  for (const std::string& actual : {std::string("short"), std::string("much longer than said")}) {
    TMemoryVolumes out;
    TRar5Writer writer(out, {});
    ASSERT_TRUE(writer.Begin());
    TStringData data(actual);
    EXPECT_FALSE(writer.Add(File("x", 10), &data));
    EXPECT_EQ(writer.Error(), WriteError::SizeChanged);
  }
  {
    // A break between blocks stops the writer at once.
    TMemoryVolumes out;
    WriterOptions options;
    int polls = 0;
    options.cancelled = [&polls] { return ++polls > 2; };
    TRar5Writer writer(out, options);
    ASSERT_TRUE(writer.Begin());
    TStringData data(Noise(1000000, 5));
    EXPECT_FALSE(writer.Add(File("big", 1000000), &data));
    EXPECT_EQ(writer.Error(), WriteError::Cancelled);
    EXPECT_LT(out.volumes[0].size(), 200000u);
    EXPECT_FALSE(writer.End()) << "nothing more after a failure";
  }
  TMemoryVolumes out;
  WriterOptions options;
  options.password = "secret";  // without a provider
  EXPECT_FALSE(TRar5Writer(out, options).Begin());
}

TEST(RarWriter, ExistingArchiveIsReadForUpdatingAndRefusedWhenItCannotBe) {
  TMemoryVolumes out;
  TRar5Writer writer(out, {});
  ASSERT_TRUE(writer.Begin());
  TStringData one("1"), two("22");
  ASSERT_TRUE(writer.Add(Folder("d"), nullptr));
  ASSERT_TRUE(writer.Add(File("d/one", 1), &one));
  ASSERT_TRUE(writer.Add(File("two", 2), &two));
  ASSERT_TRUE(writer.End());
  const std::string& bytes = out.volumes[0];
  TStringBytes source(bytes);
  const ExistingArchive existing = ReadExisting(source);
  ASSERT_EQ(existing.state, ExistingState::Ok);
  ASSERT_EQ(existing.entries.size(), 3u);
  EXPECT_TRUE(existing.entries[0].folder);
  EXPECT_EQ(existing.entries[1].name, "d/one");
  EXPECT_EQ(existing.entries[1].modified, kWhen);
  EXPECT_FALSE(existing.entries[1].wholeSeconds);
  // Each entry's span runs from its header to the next one.
  EXPECT_EQ(existing.entries[1].offset, existing.entries[0].offset + existing.entries[0].length);
  EXPECT_EQ(bytes.substr(existing.entries[2].offset + existing.entries[2].length - 2, 2), "22");

  // Copying the spans into a new archive gives the same bytes between the main and end headers.
  TMemoryVolumes copy;
  TRar5Writer copier(copy, {});
  ASSERT_TRUE(copier.Begin());
  for (const auto& entry : existing.entries) {
    TStringData span(bytes.substr(entry.offset, entry.length));
    ASSERT_TRUE(copier.Copy(span, entry.length));
  }
  ASSERT_TRUE(copier.End());
  EXPECT_EQ(copy.volumes[0], bytes);

  std::string damaged = bytes;
  damaged[existing.entries[1].offset + 8] ^= 1;
  TStringBytes damagedSource(damaged);
  EXPECT_EQ(ReadExisting(damagedSource).state, ExistingState::Damaged);
  const std::string truncated = bytes.substr(0, bytes.size() - 10);
  TStringBytes truncatedSource(truncated);
  EXPECT_EQ(ReadExisting(truncatedSource).state, ExistingState::Damaged);
  const std::string text = "not an archive at all";
  TStringBytes textSource(text);
  EXPECT_EQ(ReadExisting(textSource).state, ExistingState::NotRar);

  // Archives of the RAR archiver itself.
  const std::string fixtures = "/work/shared/fixtures/rar/";
  std::ifstream probe(fixtures + "rar5_stored.rar");
  if (!probe) GTEST_SKIP() << "the shared RAR fixtures are not here";
  const std::map<std::string, ExistingState> expected{
      {"rar5_stored.rar", ExistingState::Ok},          {"rar5_multiple_files.rar", ExistingState::Ok},
      {"rar5_solid.rar", ExistingState::Solid},         {"rar.rar", ExistingState::Rar4},
      {"rar5_multiarchive.part01.rar", ExistingState::Volume}, {"rar5_win32.rar", ExistingState::Ok}};
  for (const auto& [name, state] : expected) {
    std::ifstream in(fixtures + name, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    const std::string archive = all.str();
    TStringBytes fixture(archive);
    const ExistingArchive read = ReadExisting(fixture);
    EXPECT_EQ(read.state, state) << name;
    if (state == ExistingState::Ok) {
      EXPECT_FALSE(read.entries.empty()) << name;
    }
  }
}

TEST(RarWriter, UpdatePlanFollowsTheMode) {
  std::vector<ExistingEntry> existing(3);
  existing[0].name = "Old.txt";
  existing[0].modified = kWhen;
  existing[1].name = "same.txt";
  existing[1].modified = kWhen;
  existing[2].name = "seconds.txt";
  existing[2].modified = kWhen / 10000000 * 10000000;
  existing[2].wholeSeconds = true;
  std::vector<NewEntry> items{File("old.TXT", 1), File("same.txt", 1), File("seconds.txt", 1), File("new.txt", 1)};
  items[0].modified = kWhen + 1;   // newer
  items[2].modified = kWhen + 5;   // newer only below the second the entry keeps
  const NameKey key = [](const std::string& name) {
    std::string k = name;
    for (char& c : k) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return k;
  };
  auto Describe = [](const std::vector<PlanStep>& steps) {
    std::string text;
    for (const auto& s : steps) text += (s.copy ? "c" : "n") + std::to_string(s.index) + " ";
    return text;
  };
  EXPECT_EQ(Describe(PlanUpdate(Mode::Add, existing, items, key)), "n0 n1 n2 n3 ");
  EXPECT_EQ(Describe(PlanUpdate(Mode::Move, existing, items, key)), "n0 n1 n2 n3 ");
  EXPECT_EQ(Describe(PlanUpdate(Mode::Update, existing, items, key)), "n0 c1 c2 n3 ");
  EXPECT_EQ(Describe(PlanUpdate(Mode::Freshen, existing, items, key)), "n0 c1 c2 ");
  EXPECT_EQ(Describe(PlanUpdate(Mode::Add, {}, items, key)), "n0 n1 n2 n3 ");
}

TEST(RarWriter, CommandLinesAsQuillBuildsThem) {
  Command c;
  std::string error;
  ASSERT_TRUE(ParseCommand({"m", "-r", "-v1440", "-m5", "backup.rar", "@C:\\TEMP\\quillTempFile.$$$"}, c, error)) << error;
  EXPECT_EQ(c.mode, Mode::Move);
  EXPECT_TRUE(c.recurse);
  EXPECT_EQ(c.volumeSize, 1440000u);
  EXPECT_EQ(c.level, 5);
  EXPECT_EQ(c.archive, "backup.rar");
  EXPECT_EQ(c.listFiles, std::vector<std::string>{"C:\\TEMP\\quillTempFile.$$$"});
  EXPECT_TRUE(c.password.empty());

  ASSERT_TRUE(ParseCommand({"-y", "U", "-pS3cret word", "x.rar", "-m0", "a.txt", "@l", "--", "-r"}, c, error)) << error;
  EXPECT_EQ(c.mode, Mode::Update);
  EXPECT_TRUE(c.yes);
  EXPECT_FALSE(c.recurse);
  EXPECT_EQ(c.password, "S3cret word");
  EXPECT_EQ(c.level, 0);
  EXPECT_EQ(c.items, (std::vector<std::string>{"a.txt", "-r"}));
  EXPECT_EQ(c.listFiles, std::vector<std::string>{"l"});
  ASSERT_TRUE(ParseCommand({"f", "x.rar"}, c, error));
  EXPECT_EQ(c.mode, Mode::Freshen);

  for (const std::vector<std::string>& bad :
       std::vector<std::vector<std::string>>{{}, {"a"}, {"x", "a.rar"}, {"a", "-v", "a.rar"}, {"a", "-v0", "a.rar"},
                                             {"a", "-vx", "a.rar"}, {"a", "-p", "a.rar"}, {"a", "-m9", "a.rar"},
                                             {"a", "-q", "a.rar"}, {"a", "-r", "-r1", "a.rar"}}) {
    EXPECT_FALSE(ParseCommand(bad, c, error)) << (bad.empty() ? "" : bad[0]);
    EXPECT_FALSE(error.empty());
  }

  EXPECT_EQ(ListFileItems("a.txt\r\ndocs\r\n\r\nsub dir\\*.c\nlast"),
            (std::vector<std::string>{"a.txt", "docs", "sub dir\\*.c", "last"}));
  EXPECT_EQ(VolumeName("C:\\x\\backup.rar", 0, 3), "C:\\x\\backup.part1.rar");
  EXPECT_EQ(VolumeName("backup.rar", 8, 12), "backup.part09.rar");
  EXPECT_EQ(VolumeName("b.x\\backup", 99, 100), "b.x\\backup.part100.rar");
}

}  // namespace
