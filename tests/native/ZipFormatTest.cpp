#include "archivers/zipformat/ZipFormat.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

using namespace zipformat;

namespace {

// Little-endian byte writer for archives built field by field, independent of the encoders.
struct Bytes {
  std::string s;
  Bytes& u16(uint32_t v) {
    s.push_back(char(v & 0xFF));
    s.push_back(char(v >> 8 & 0xFF));
    return *this;
  }
  Bytes& u32(uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
  Bytes& u64(uint64_t v) { return u32(uint32_t(v)).u32(uint32_t(v >> 32)); }
  Bytes& raw(std::string_view t) {
    s.append(t);
    return *this;
  }
};

struct Member {
  std::string name;
  std::string data;
  uint32_t attributes = 0x20;
  std::string comment;
};

// A stored-method archive: local headers with data, the central directory, the end record.
// `front` goes before everything (a self-extractor stub), offsets as if it were not there.
std::string MakeZip(const std::vector<Member>& members, std::string_view comment = "", std::string_view front = "",
                    int countDelta = 0) {
  Bytes locals, central;
  for (const Member& m : members) {
    uint32_t offset = uint32_t(locals.s.size());
    uint32_t crc = Crc32(m.data.data(), m.data.size());
    locals.u32(kLocalSignature).u16(10).u16(0).u16(0).u16(0x6000).u16(0x5A21).u32(crc);
    locals.u32(uint32_t(m.data.size())).u32(uint32_t(m.data.size())).u16(uint32_t(m.name.size())).u16(0);
    locals.raw(m.name).raw(m.data);
    central.u32(kCentralSignature).u16(20).u16(10).u16(0).u16(0).u16(0x6000).u16(0x5A21).u32(crc);
    central.u32(uint32_t(m.data.size())).u32(uint32_t(m.data.size())).u16(uint32_t(m.name.size())).u16(0);
    central.u16(uint32_t(m.comment.size())).u16(0).u16(0).u32(m.attributes).u32(offset).raw(m.name).raw(m.comment);
  }
  Bytes end;
  uint32_t count = uint32_t(int(members.size()) + countDelta);
  end.u32(kEndSignature).u16(0).u16(0).u16(count).u16(count).u32(uint32_t(central.s.size()));
  end.u32(uint32_t(locals.s.size())).u16(uint32_t(comment.size())).raw(comment);
  return std::string(front) + locals.s + central.s + end.s;
}

Directory Read(const std::string& bytes) {
  MemorySource source(bytes);
  return ReadDirectory(source);
}

std::vector<std::string> Names(const Directory& d) {
  std::vector<std::string> names;
  for (const auto& e : d.entries) names.push_back(e.name);
  return names;
}

// Made by the zip program (zip -0 -P secret enc.zip a.txt): a stored, encrypted entry with a data
// descriptor, Unix extra fields and Unix attributes.
const unsigned char kZipProgramArchive[] = {
    0x50, 0x4b, 0x03, 0x04, 0x0a, 0x00, 0x09, 0x00, 0x00, 0x00, 0x14, 0xa5, 0x88, 0x5d, 0x85, 0x0d, 0xc0, 0x1c, 0x18,
    0x00, 0x00, 0x00, 0x0c, 0x00, 0x00, 0x00, 0x05, 0x00, 0x1c, 0x00, 0x61, 0x2e, 0x74, 0x78, 0x74, 0x55, 0x54, 0x09,
    0x00, 0x03, 0x48, 0x6b, 0x18, 0x6b, 0x48, 0x6b, 0x18, 0x6b, 0x75, 0x78, 0x0b, 0x00, 0x01, 0x04, 0x00, 0x00, 0x00,
    0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x35, 0x32, 0xbe, 0x9d, 0x25, 0x7e, 0x0a, 0x77, 0x70, 0xff, 0xf5, 0xeb, 0xcf,
    0xdb, 0xcf, 0x73, 0xee, 0xd1, 0x38, 0xc9, 0xd9, 0xb7, 0xad, 0xb1, 0x50, 0x4b, 0x07, 0x08, 0x85, 0x0d, 0xc0, 0x1c,
    0x18, 0x00, 0x00, 0x00, 0x0c, 0x00, 0x00, 0x00, 0x50, 0x4b, 0x01, 0x02, 0x1e, 0x03, 0x0a, 0x00, 0x09, 0x00, 0x00,
    0x00, 0x14, 0xa5, 0x88, 0x5d, 0x85, 0x0d, 0xc0, 0x1c, 0x18, 0x00, 0x00, 0x00, 0x0c, 0x00, 0x00, 0x00, 0x05, 0x00,
    0x18, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xa4, 0x81, 0x00, 0x00, 0x00, 0x00, 0x61, 0x2e, 0x74,
    0x78, 0x74, 0x55, 0x54, 0x05, 0x00, 0x03, 0x48, 0x6b, 0x18, 0x6b, 0x75, 0x78, 0x0b, 0x00, 0x01, 0x04, 0x00, 0x00,
    0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x50, 0x4b, 0x05, 0x06, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00,
    0x4b, 0x00, 0x00, 0x00, 0x67, 0x00, 0x00, 0x00, 0x00, 0x00};

}  // namespace

TEST(ZipFormatTest, ReadsEveryFieldOfAnArchiveMadeByTheZipProgramAndDecryptsIt) {
  MemorySource source(kZipProgramArchive, sizeof kZipProgramArchive);
  Directory d = ReadDirectory(source);
  ASSERT_EQ(d.error, kOk);
  ASSERT_EQ(d.entries.size(), 1u);
  EXPECT_FALSE(d.StartMismatch());
  EXPECT_EQ(d.computedCentralStart, 0x67u);
  EXPECT_EQ(d.endRecordPosition, sizeof kZipProgramArchive - 22);
  const CentralEntry& e = d.entries[0];
  EXPECT_EQ(e.name, "a.txt");
  EXPECT_EQ(e.versionMadeBy, 0x031E);
  EXPECT_EQ(e.versionNeeded, 10);
  EXPECT_EQ(e.flags, 9);
  EXPECT_TRUE(e.Encrypted());
  EXPECT_FALSE(e.utf8);
  EXPECT_EQ(e.method, kMethodStored);
  EXPECT_EQ(e.dosTime, 0xA514);
  EXPECT_EQ(e.dosDate, 0x5D88);
  EXPECT_EQ(e.crc, 0x1CC00D85u);
  EXPECT_EQ(e.packedSize, 24u);
  EXPECT_EQ(e.unpackedSize, 12u);
  EXPECT_EQ(e.externalAttributes, 0x81A40000u);
  EXPECT_EQ(e.extra.size(), 24u);
  EXPECT_FALSE(e.IsFolder());
  EXPECT_EQ(FromDos(e.dosDate, e.dosTime), (Calendar{2026, 12, 8, 20, 40, 40}));

  LocalHeader local;
  ASSERT_EQ(ReadLocalHeader(source, e, d.Shift(), local), kOk);
  EXPECT_EQ(local.dataOffset, 30u + 5 + 28);
  EXPECT_EQ(local.packedSize, 24u);  // this writer fills the local sizes despite the descriptor

  std::string data(kZipProgramArchive + local.dataOffset, kZipProgramArchive + local.dataOffset + e.packedSize);
  auto* bytes = reinterpret_cast<uint8_t*>(data.data());
  TraditionalKeys keys("secret");
  keys.Decrypt(bytes, data.size());
  EXPECT_EQ(bytes[kEncryptionHeaderSize - 1], CheckByte(e.flags, e.crc, e.dosTime));
  EXPECT_EQ(CheckByte(e.flags, e.crc, e.dosTime), 0xA5);
  EXPECT_EQ(data.substr(kEncryptionHeaderSize), "hello quill\n");
  EXPECT_EQ(Crc32(bytes + kEncryptionHeaderSize, 12), e.crc);

  // A wrong password misses the check byte (for this header; one in 256 would pass).
  std::string again(kZipProgramArchive + local.dataOffset, kZipProgramArchive + local.dataOffset + 12);
  TraditionalKeys wrong("Secret");
  wrong.Decrypt(reinterpret_cast<uint8_t*>(again.data()), 12);
  EXPECT_NE(uint8_t(again[11]), 0xA5);

  // Encryption is the inverse, byte for byte, with the same schedule.
  std::string plain = "any bytes \x01\xFF at all";
  std::string cipher = plain;
  TraditionalKeys enc("pw"), dec("pw");
  enc.Encrypt(reinterpret_cast<uint8_t*>(cipher.data()), cipher.size());
  EXPECT_NE(cipher, plain);
  dec.Decrypt(reinterpret_cast<uint8_t*>(cipher.data()), cipher.size());
  EXPECT_EQ(cipher, plain);
}

TEST(ZipFormatTest, Crc32MatchesTheStandardCheckValueInOneOrManyPieces) {
  EXPECT_EQ(Crc32("123456789", 9), 0xCBF43926u);
  EXPECT_EQ(Crc32("", 0), 0u);
  std::string text(1000, 'x');
  for (size_t i = 0; i < text.size(); ++i) text[i] = char(i * 7);
  uint32_t running = 0xFFFFFFFFu;
  for (size_t i = 0; i < text.size(); i += 13) running = Crc32Update(running, text.data() + i, std::min<size_t>(13, text.size() - i));
  EXPECT_EQ(~running, Crc32(text.data(), text.size()));
  EXPECT_EQ(Crc32Step(0xFFFFFFFFu, '1'), Crc32Update(0xFFFFFFFFu, "1", 1));
}

TEST(ZipFormatTest, ListsAStoredArchiveWithFoldersCommentsAndEveryNameKind) {
  std::string z = MakeZip({{"docs/", "", 0x10},
                           {"docs/a.txt", "alpha", 0x21, "a file comment"},
                           {"", "nameless", 0x20},
                           {"b.bin", std::string(300, '\0'), 0x20}});
  Directory d = Read(z);
  ASSERT_EQ(d.error, kOk);
  EXPECT_EQ(Names(d), (std::vector<std::string>{"docs/", "docs/a.txt", "", "b.bin"}));
  EXPECT_TRUE(d.entries[0].IsFolder());
  EXPECT_FALSE(d.entries[1].IsFolder());
  EXPECT_EQ(d.entries[1].comment, "a file comment");
  EXPECT_EQ(d.entries[1].externalAttributes, 0x21u);
  EXPECT_EQ(d.entries[3].unpackedSize, 300u);
  EXPECT_FALSE(d.zip64);

  // Every entry's local header is found and its data lies where it says.
  MemorySource source(z);
  for (const CentralEntry& e : d.entries) {
    LocalHeader local;
    ASSERT_EQ(ReadLocalHeader(source, e, d.Shift(), local), kOk) << e.name;
    EXPECT_EQ(Crc32(z.data() + local.dataOffset, e.packedSize), e.crc) << e.name;
  }
}

TEST(ZipFormatTest, FindsTheEndRecordBehindACommentGarbageOrADataStub) {
  std::vector<Member> members = {{"x.txt", "xyz"}, {"sub/y.txt", "why"}};
  std::string plain = MakeZip(members);
  Directory base = Read(plain);
  ASSERT_EQ(base.error, kOk);
  EXPECT_EQ(base.fileSize, plain.size());

  std::string comment(100, 'c');
  comment[50] = 'P';  // a comment may hold anything but a full end signature
  Directory commented = Read(MakeZip(members, comment));
  ASSERT_EQ(commented.error, kOk);
  EXPECT_EQ(commented.comment, comment);
  EXPECT_EQ(Names(commented), Names(base));
  EXPECT_FALSE(commented.StartMismatch());

  // Garbage after the comment is ignored: the size used ends with the comment.
  std::string garbage = MakeZip(members, comment) + "0123456789";
  Directory trailing = Read(garbage);
  ASSERT_EQ(trailing.error, kOk);
  EXPECT_EQ(trailing.fileSize, garbage.size() - 10);
  EXPECT_EQ(Names(trailing), Names(base));
  EXPECT_FALSE(trailing.StartMismatch());

  // A stub in front: the stored start is wrong by its length, the computed one is right, and
  // the shifted local offsets find the data.
  std::string stub(4096, 'M');
  std::string sfx = MakeZip(members, "", stub);
  Directory shifted = Read(sfx);
  ASSERT_EQ(shifted.error, kOk);
  EXPECT_TRUE(shifted.StartMismatch());
  EXPECT_EQ(shifted.computedCentralStart, shifted.storedCentralStart + stub.size());
  EXPECT_EQ(shifted.Shift(), 4096);
  EXPECT_EQ(Names(shifted), Names(base));
  MemorySource source(sfx);
  LocalHeader local;
  ASSERT_EQ(ReadLocalHeader(source, shifted.entries[1], shifted.Shift(), local), kOk);
  EXPECT_EQ(sfx.substr(local.dataOffset, 3), "why");
  EXPECT_EQ(ReadLocalHeader(source, shifted.entries[1], 0, local), kErrLocalSignature);

  // The end record is found only within the last 65,535 + 22 bytes.
  std::string longComment(65535, 'z');
  EXPECT_EQ(Read(MakeZip(members, longComment)).error, kOk);
  EXPECT_EQ(Read(MakeZip(members, longComment) + "!").error, kErrNotZip);
}

TEST(ZipFormatTest, ReportsEachFailureByItsMessageIdKeepingWhatWasRead) {
  std::vector<Member> members = {{"one", "1"}, {"two", "22"}, {"three", "333"}};
  std::string z = MakeZip(members);
  Directory good = Read(z);
  ASSERT_EQ(good.error, kOk);
  const size_t endPos = good.endRecordPosition;
  const size_t cdStart = good.computedCentralStart;

  EXPECT_EQ(Read("").error, kErrNotZip);
  EXPECT_EQ(Read("PK\x05\x06").error, kErrNotZip);
  EXPECT_EQ(Read(std::string(70000, 'a')).error, kErrNotZip);
  EXPECT_EQ(Read(std::string(21, '\0')).error, kErrNotZip);

  // Truncated anywhere before the end record: the signature goes with it.
  for (size_t cut : {size_t(1), size_t(10), size_t(21)}) EXPECT_EQ(Read(z.substr(0, z.size() - cut)).error, kErrNotZip);
  // Cut from the front: the directory's size now reaches before the file's start.
  EXPECT_EQ(Read(z.substr(cdStart + 10)).error, kErrSeekArchive);

  // A count that lies: too high runs into the end record, too low lists fewer entries.
  Directory high = Read(MakeZip(members, "", "", +1));
  EXPECT_EQ(high.error, kErrCentralRead);
  EXPECT_EQ(high.entries.size(), 3u);
  Directory low = Read(MakeZip(members, "", "", -2));
  EXPECT_EQ(low.error, kOk);
  EXPECT_EQ(Names(low), (std::vector<std::string>{"one"}));
  Directory huge = Read(MakeZip(members, "", "", 65535 - 3));
  EXPECT_EQ(huge.error, kErrCentralRead);

  // A wrong signature on the second header.
  std::string bad = z;
  size_t second = cdStart + kCentralHeaderSize + 3;
  ASSERT_EQ(bad.substr(second, 4), "PK\x01\x02");
  bad[second + 2] = 9;
  Directory wrongSig = Read(bad);
  EXPECT_EQ(wrongSig.error, kErrCentralSignature);
  EXPECT_EQ(Names(wrongSig), (std::vector<std::string>{"one"}));

  // A central directory claimed larger by 8 bytes starts inside the data: no header there.
  std::string bigger = z;
  bigger[endPos + 12] = char(uint8_t(bigger[endPos + 12]) + 8);
  EXPECT_EQ(Read(bigger).error, kErrCentralSignature);

  // A name length past the directory (the largest the field holds, 65,535).
  std::string longName = z;
  longName[cdStart + 28] = char(0xFF);
  longName[cdStart + 29] = char(0xFF);
  Directory nameRuns = Read(longName);
  EXPECT_EQ(nameRuns.error, kErrCentralName);
  EXPECT_TRUE(nameRuns.entries.empty());

  // An extra field, then a comment, running past the directory.
  std::string longExtra = z;
  longExtra[cdStart + 30] = char(0xF0);
  EXPECT_EQ(Read(longExtra).error, kErrSeekArchive);
  std::string longFileComment = z;
  longFileComment[cdStart + 32] = char(0xF0);
  EXPECT_EQ(Read(longFileComment).error, kErrCentralRead);

  // The archive comment's length past the end of the file: what is there is the comment.
  std::string shortComment = MakeZip(members, "abc");
  shortComment[shortComment.size() - 5] = 50;
  Directory cut = Read(shortComment);
  EXPECT_EQ(cut.error, kOk);
  EXPECT_EQ(cut.comment, "abc");
  EXPECT_EQ(cut.entries.size(), 3u);
}

TEST(ZipFormatTest, ReadsZip64EndRecordsAndExtraFieldsBeyondThe32BitLimits) {
  // One central entry whose sizes and offset need 64 bits, then the ZIP64 end record, the
  // locator and an end record of all ones, laid out field by field.
  const uint64_t unpacked = 5'000'000'000ull, packed = 4'294'967'296ull, offset = 6'000'000'000ull;
  const uint64_t count = 70'000;
  Bytes cd;
  cd.u32(kCentralSignature).u16(45).u16(45).u16(0x0800).u16(8).u16(0).u16(0x21).u32(0xDEADBEEF);
  cd.u32(0xFFFFFFFF).u32(0xFFFFFFFF).u16(3).u16(4 + 24).u16(0).u16(0).u16(1).u32(0x20).u32(0xFFFFFFFF);
  cd.raw("big").u16(kZip64ExtraId).u16(24).u64(unpacked).u64(packed).u64(offset);
  const uint64_t cdStart = 7'000'000'000ull;  // as stored; the file itself is small
  Bytes tail;
  uint64_t z64pos = cd.s.size();
  tail.u32(kZip64EndSignature).u64(44).u16(45).u16(45).u32(0).u32(0).u64(count).u64(count);
  tail.u64(cd.s.size()).u64(cdStart);
  tail.u32(kZip64LocatorSignature).u32(0).u64(z64pos).u32(1);
  tail.u32(kEndSignature).u16(0).u16(0).u16(0xFFFF).u16(0xFFFF).u32(0xFFFFFFFF).u32(0xFFFFFFFF).u16(0);
  std::string z = cd.s + tail.s;
  Directory d = Read(z);
  EXPECT_TRUE(d.zip64);
  EXPECT_EQ(d.declaredCount, count);
  EXPECT_EQ(d.storedCentralStart, cdStart);
  EXPECT_EQ(d.computedCentralStart, 0u);
  EXPECT_TRUE(d.StartMismatch());
  EXPECT_EQ(d.error, kErrCentralRead);  // the count lies: only one entry is there
  ASSERT_EQ(d.entries.size(), 1u);
  const CentralEntry& e = d.entries[0];
  EXPECT_EQ(e.unpackedSize, unpacked);
  EXPECT_EQ(e.packedSize, packed);
  EXPECT_EQ(e.localHeaderOffset, offset);
  EXPECT_TRUE(e.utf8);
  EXPECT_EQ(e.diskStart, 0u);
  EXPECT_EQ(e.internalAttributes, 1u);

  // The encoders write the same records, and the reader takes them back.
  CentralEntry w = e;
  w.extra.clear();
  std::string encoded = EncodeCentralHeader(w);
  EXPECT_EQ(encoded.size(), kCentralHeaderSize + 3 + 4 + 24);
  std::string ends = EncodeEndRecords(1, encoded.size(), 4'294'967'295ull, encoded.size(), "note");
  Directory back = Read(encoded + ends);
  ASSERT_EQ(back.error, kOk);
  EXPECT_TRUE(back.zip64);
  EXPECT_EQ(back.comment, "note");
  ASSERT_EQ(back.entries.size(), 1u);
  EXPECT_EQ(back.entries[0].unpackedSize, unpacked);
  EXPECT_EQ(back.entries[0].packedSize, packed);
  EXPECT_EQ(back.entries[0].localHeaderOffset, offset);
  EXPECT_EQ(back.entries[0].crc, 0xDEADBEEFu);

  // Only the fields that are all ones come from the extra field: here just the offset.
  CentralEntry small;
  small.name = "s";
  small.unpackedSize = 10;
  small.packedSize = 7;
  small.localHeaderOffset = 0x1'0000'0000ull;
  std::string one = EncodeCentralHeader(small);
  EXPECT_EQ(one.size(), kCentralHeaderSize + 1 + 4 + 8);
  Directory offsetOnly = Read(one + EncodeEndRecords(1, one.size(), 0, one.size(), ""));
  ASSERT_EQ(offsetOnly.error, kOk);
  EXPECT_FALSE(offsetOnly.zip64);
  EXPECT_EQ(offsetOnly.entries[0].unpackedSize, 10u);
  EXPECT_EQ(offsetOnly.entries[0].packedSize, 7u);
  EXPECT_EQ(offsetOnly.entries[0].localHeaderOffset, 0x1'0000'0000ull);

  // A ZIP64 extra field too short for what it must carry.
  std::string shortExtra = cd.s;
  shortExtra[kCentralHeaderSize + 3 + 2] = 16;  // declares 16 bytes, three 8-byte values wanted
  Directory broken = Read(shortExtra + tail.s);
  EXPECT_EQ(broken.error, kErrSeekArchive);

  // A local header carries both sizes in its ZIP64 field.
  CentralEntry big;
  big.name = "big";
  big.unpackedSize = unpacked;
  big.packedSize = 3;
  std::string local = EncodeLocalHeader(big) + "abc";
  MemorySource source(local);
  LocalHeader lh;
  ASSERT_EQ(ReadLocalHeader(source, big, 0, lh), kOk);
  EXPECT_EQ(lh.unpackedSize, unpacked);
  EXPECT_EQ(lh.packedSize, 3u);
  EXPECT_EQ(lh.dataOffset, local.size() - 3);
}

TEST(ZipFormatTest, ALocalHeaderIsCheckedAgainstTheCentralOne) {
  std::string z = MakeZip({{"name.txt", "payload"}});
  Directory d = Read(z);
  ASSERT_EQ(d.error, kOk);
  MemorySource source(z);
  LocalHeader lh;
  CentralEntry e = d.entries[0];
  ASSERT_EQ(ReadLocalHeader(source, e, 0, lh), kOk);
  EXPECT_EQ(lh.dataOffset, 30u + 8);
  EXPECT_EQ(lh.crc, e.crc);
  EXPECT_EQ(lh.dosDate, 0x5A21);

  CentralEntry otherName = e;
  otherName.name = "name.txu";
  EXPECT_EQ(ReadLocalHeader(source, otherName, 0, lh), kErrLocalMismatch);
  CentralEntry otherMethod = e;
  otherMethod.method = kMethodDeflated;
  EXPECT_EQ(ReadLocalHeader(source, otherMethod, 0, lh), kErrLocalMismatch);
  CentralEntry encrypted = e;
  encrypted.flags |= kFlagEncrypted;
  EXPECT_EQ(ReadLocalHeader(source, encrypted, 0, lh), kErrLocalMismatch);
  CentralEntry tooLong = e;
  tooLong.packedSize = z.size();
  EXPECT_EQ(ReadLocalHeader(source, tooLong, 0, lh), kErrLocalMismatch);
  EXPECT_EQ(ReadLocalHeader(source, e, 1, lh), kErrLocalSignature);
  EXPECT_EQ(ReadLocalHeader(source, e, int64_t(z.size()) - 10, lh), kErrLocalRead);
  EXPECT_EQ(ReadLocalHeader(source, e, int64_t(z.size()), lh), kErrLocalRead);

  std::string cutName = z.substr(0, 33);
  MemorySource cutSource(cutName);
  EXPECT_EQ(ReadLocalHeader(cutSource, e, 0, lh), kErrLocalName);
  std::string withExtra = z;
  withExtra[28] = 100;
  withExtra.resize(30 + 8 + 50);
  MemorySource extraSource(withExtra);
  EXPECT_EQ(ReadLocalHeader(extraSource, e, 0, lh), kErrLocalExtra);
}

TEST(ZipFormatTest, DosTimesConvertToCalendarAndFileTimes) {
  uint16_t date = 0, time = 0;
  ToDos({2024, 2, 29, 23, 59, 59}, date, time);
  EXPECT_EQ(date, (44 << 9) | (2 << 5) | 29);
  EXPECT_EQ(time, (23 << 11) | (59 << 5) | 29);
  EXPECT_EQ(FromDos(date, time), (Calendar{2024, 2, 29, 23, 59, 58}));
  ToDos({1975, 6, 1, 12, 0, 0}, date, time);
  EXPECT_EQ(FromDos(date, time), (Calendar{1980, 1, 1, 0, 0, 0}));
  ToDos({2200, 6, 1, 12, 0, 0}, date, time);
  EXPECT_EQ(FromDos(date, time), (Calendar{2107, 12, 31, 23, 59, 58}));

  EXPECT_EQ(ToFileTime({1601, 1, 1, 0, 0, 0}), 0u);
  EXPECT_EQ(ToFileTime({1970, 1, 1, 0, 0, 0}), 116444736000000000ull);
  EXPECT_EQ(ToFileTime({1980, 1, 1, 0, 0, 0}), 119600064000000000ull);
  EXPECT_EQ(DosToFileTime((1 << 5) | 1, 0), 119600064000000000ull);
  EXPECT_EQ(ToFileTime({2000, 3, 1, 0, 0, 1}) - ToFileTime({2000, 2, 28, 0, 0, 0}), (2 * 86400 + 1) * 10000000ull);
  // A date of zeros (month 0, day 0) counts as 1980-01-01.
  EXPECT_EQ(DosToFileTime(0, 0), 119600064000000000ull);
  for (Calendar c : {Calendar{1980, 1, 1, 0, 0, 0}, Calendar{2000, 2, 29, 13, 14, 16}, Calendar{2107, 12, 31, 23, 59, 58},
                     Calendar{1601, 1, 1, 0, 0, 0}, Calendar{2100, 3, 1, 1, 2, 3}})
    EXPECT_EQ(FromFileTime(ToFileTime(c)), c);
}

TEST(ZipFormatTest, SafeRelativePathRefusesEveryWayOutOfTheDestination) {
  std::string p;
  EXPECT_TRUE(SafeRelativePath("docs/sub/a.txt", p));
  EXPECT_EQ(p, "docs\\sub\\a.txt");
  EXPECT_TRUE(SafeRelativePath("docs/", p));
  EXPECT_EQ(p, "docs");
  EXPECT_TRUE(SafeRelativePath("./a//b\\c", p));
  EXPECT_EQ(p, "a\\b\\c");
  EXPECT_TRUE(SafeRelativePath("..a/b..c/CONSOLE.txt/com10/lpt0", p));
  EXPECT_EQ(p, "..a\\b..c\\CONSOLE.txt\\com10\\lpt0");
  EXPECT_TRUE(SafeRelativePath("\xC7\xD1\xB1\xDB.txt", p));  // code-page bytes pass as they are

  for (std::string_view bad :
       {"", "/", "./", "..", "../a", "a/../../b", "a\\..\\b", "/etc/passwd", "\\windows\\x", "C:\\x", "C:x", "a/b:c",
        "CON", "con.txt", "a/Nul", "aux.tar.gz", "COM1", "lpt9.doc", "prn", "CON .txt", "a<b", "a>b", "a\"b", "a|b",
        "a?b", "a*b", "a\tb", "a\x01", "dir./x", "dir /x", "x.", "...", ". ./x"}) {
    EXPECT_FALSE(SafeRelativePath(bad, p)) << bad;
    EXPECT_TRUE(p.empty()) << bad;
  }
}

TEST(ZipFormatTest, MatchSpecTakesWildcardsFoldersAndCaseAsTheLibrariesNeed) {
  EXPECT_TRUE(MatchSpec("*.*", "a.txt"));
  EXPECT_TRUE(MatchSpec("*.*", "README"));
  EXPECT_TRUE(MatchSpec("*.*", "docs\\sub\\x"));
  EXPECT_TRUE(MatchSpec("*", "anything/at/all"));
  EXPECT_TRUE(MatchSpec("docs\\*.*", "docs\\a.txt"));
  EXPECT_TRUE(MatchSpec("docs\\*.*", "DOCS/Sub/b"));
  EXPECT_FALSE(MatchSpec("docs\\*.*", "docsx\\a.txt"));
  EXPECT_FALSE(MatchSpec("docs\\*.*", "other\\docs\\a.txt"));
  EXPECT_TRUE(MatchSpec("*.TXT", "notes.txt"));
  EXPECT_FALSE(MatchSpec("*.txt", "notes.txt.bak"));
  EXPECT_TRUE(MatchSpec("a?c", "abc"));
  EXPECT_FALSE(MatchSpec("a?c", "ac"));
  EXPECT_TRUE(MatchSpec("a*b*c", "aXXbYYbZc"));
  EXPECT_FALSE(MatchSpec("a*b*c", "aXXbYYbZ"));
  EXPECT_TRUE(MatchSpec("data.*", "data"));
  EXPECT_FALSE(MatchSpec("data.*", "database"));
  // Without wildcards: the entry itself and everything below it.
  EXPECT_TRUE(MatchSpec("Docs\\A.txt", "docs/a.txt"));
  EXPECT_TRUE(MatchSpec("docs", "docs\\a.txt"));
  EXPECT_TRUE(MatchSpec("docs\\", "docs"));
  EXPECT_FALSE(MatchSpec("docs", "docs2\\a.txt"));
  EXPECT_FALSE(MatchSpec("docs\\a.txt", "docs\\a.tx"));
  // Many stars against a long non-match stays fast (no exponential backtracking).
  EXPECT_FALSE(MatchSpec("*a*a*a*a*a*a*a*a*b", std::string(5000, 'a')));
}

TEST(ZipFormatTest, OpenFileSourceReadsAFileAndNamesWhyItCannot) {
  auto dir = std::filesystem::temp_directory_path() / "quill_zipformat_test";
  std::filesystem::create_directories(dir);
  std::string path = (dir / "t.zip").string();
  std::string z = MakeZip({{"f", "data"}}, "c");
  {
    std::ofstream out(path, std::ios::binary);
    out << z;
  }
  int error = -1;
  auto source = OpenFileSource(path, error);
  ASSERT_TRUE(source);
  EXPECT_EQ(error, kOk);
  EXPECT_EQ(source->Size(), z.size());
  Directory d = ReadDirectory(*source);
  EXPECT_EQ(d.error, kOk);
  EXPECT_EQ(Names(d), (std::vector<std::string>{"f"}));
  char buf[8];
  EXPECT_EQ(source->ReadAt(z.size() - 2, buf, 8), 2u);
  EXPECT_EQ(source->ReadAt(z.size() + 5, buf, 8), 0u);
  source.reset();
  EXPECT_FALSE(OpenFileSource((dir / "missing.zip").string(), error));
  EXPECT_EQ(error, kErrNoFile);
  EXPECT_FALSE(OpenFileSource(dir.string() + "/no/such/dir/x.zip", error));
  EXPECT_EQ(error, kErrNoFile);
  std::filesystem::remove_all(dir);
}
