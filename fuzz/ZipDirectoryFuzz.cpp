// A ZIP archive's central directory over any bytes: reading never overruns and keeps its own
// promises (a clean read has exactly the declared entries, every entry lies inside the
// directory, a local header found has its data inside the file); a clean directory written
// again with the encoders reads back field for field; the path check never lets a way out of
// the destination through; a name always matches itself as a specification; encryption with
// the fuzzed password undoes itself.
#include <algorithm>

#include "archivers/zipformat/ZipFormat.h"
#include "fuzz/FuzzInput.h"

namespace quill::fuzz {
namespace {

using namespace zipformat;

void CheckSafePath(const std::string& name) {
  std::string path;
  if (!SafeRelativePath(name, path)) {
    Require(path.empty(), "a refused name gives no path", name);
    return;
  }
  Require(!path.empty() && path[0] != '\\', "a safe path is relative", path);
  Require(path.find('/') == std::string::npos && path.find(':') == std::string::npos, "a safe path has no / or :",
          path);
  size_t start = 0;
  while (start <= path.size()) {
    size_t stop = std::min(path.find('\\', start), path.size());
    std::string_view part = std::string_view(path).substr(start, stop - start);
    Require(!part.empty() && part != "." && part != "..", "a safe path has no empty, . or .. part", path);
    Require(part.back() != '.' && part.back() != ' ', "no part ends in a dot or a blank", path);
    start = stop + 1;
  }
}

void SameEntry(const CentralEntry& a, const CentralEntry& b) {
  Require(a.name == b.name && a.comment == b.comment, "the name and comment read back", a.name);
  Require(a.crc == b.crc && a.method == b.method && a.dosDate == b.dosDate && a.dosTime == b.dosTime,
          "the CRC, method and time read back", a.name);
  Require(a.packedSize == b.packedSize && a.unpackedSize == b.unpackedSize, "the sizes read back", a.name);
  Require(a.localHeaderOffset == b.localHeaderOffset && a.diskStart == b.diskStart, "the offset and disk read back",
          a.name);
  Require(a.externalAttributes == b.externalAttributes && a.internalAttributes == b.internalAttributes,
          "the attributes read back", a.name);
  Require(a.utf8 == b.utf8, "the UTF-8 flag reads back", a.name);
}

void Check(TFuzzInput& input) {
  const std::string file = input.File();
  FuzzedDataProvider& ops = input.Ops();
  MemorySource source(file);
  Directory dir = ReadDirectory(source);

  Require(dir.entries.size() <= dir.declaredCount, "no more entries than declared");
  if (dir.error == kOk) {
    Require(dir.entries.size() == dir.declaredCount, "a clean read has every declared entry");
    Require(dir.endRecordPosition + kEndRecordSize <= file.size(), "the end record lies in the file");
    Require(dir.computedCentralStart + dir.centralSize <= dir.endRecordPosition, "the directory ends before its end");
  }
  uint64_t previous = 0;
  for (const CentralEntry& e : dir.entries) {
    Require(e.headerOffset >= dir.computedCentralStart && e.headerOffset >= previous, "entries lie in order");
    Require(e.headerOffset + kCentralHeaderSize + e.name.size() + e.extra.size() + e.comment.size() <=
                dir.computedCentralStart + dir.centralSize,
            "every entry lies inside the directory", e.name);
    previous = e.headerOffset + kCentralHeaderSize;
    LocalHeader local;
    if (ReadLocalHeader(source, e, dir.Shift(), local) == kOk) {
      Require(local.dataOffset <= file.size() && e.packedSize <= file.size() - local.dataOffset,
              "a checked entry's data lies in the file", e.name);
      Require(local.name == e.name, "a checked local header names its entry", e.name);
    }
    CheckSafePath(e.name);
    Require(MatchSpec(e.name, e.name), "a name matches itself", e.name);
  }

  if (dir.error == kOk && !dir.entries.empty()) {
    // Written again from scratch (extra fields dropped: the encoders add ZIP64 where needed).
    std::string again;
    std::vector<CentralEntry> written;
    for (CentralEntry e : dir.entries) {
      e.extra.clear();
      e.flags &= static_cast<uint16_t>(~kFlagUtf8);
      written.push_back(e);
      again += EncodeCentralHeader(e);
    }
    again += EncodeEndRecords(written.size(), again.size(), 0, again.size(), dir.comment);
    MemorySource copy(again);
    Directory back = ReadDirectory(copy);
    Require(back.error == kOk, "a re-encoded directory reads cleanly");
    Require(back.entries.size() == written.size(), "a re-encoded directory has every entry");
    Require(back.comment == dir.comment, "the archive comment reads back", dir.comment);
    for (size_t i = 0; i < written.size(); ++i) SameEntry(written[i], back.entries[i]);
  }

  std::string name = ops.ConsumeRandomLengthString(64);
  CheckSafePath(name);
  Require(MatchSpec(name, name), "a text matches itself", name);
  std::string password = ops.ConsumeRandomLengthString(16);
  std::string bytes = file.substr(0, 256);
  std::string original = bytes;
  TraditionalKeys encrypt(password), decrypt(password);
  encrypt.Encrypt(reinterpret_cast<uint8_t*>(bytes.data()), bytes.size());
  decrypt.Decrypt(reinterpret_cast<uint8_t*>(bytes.data()), bytes.size());
  Require(bytes == original, "decryption undoes encryption", password);
}

}  // namespace
}  // namespace quill::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quill::fuzz::TFuzzInput input(data, size);
  quill::fuzz::Check(input);
  return 0;
}
