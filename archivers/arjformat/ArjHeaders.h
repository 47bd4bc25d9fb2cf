// ARJ archive headers: the framing shared by the main header and the local (file) headers, their
// CRC checks, and the search for the main header behind a self-extractor. Portable: bytes are
// reached only through zipformat::IByteSource, and every read is checked against the source's size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ZipFormat.h"

namespace arjformat {

// Standard CRC-32 (reflected 0xEDB88320, inverted in and out). Chainable: pass the previous result
// as `crc` to continue over further bytes.
uint32_t Crc32(const void* data, size_t size, uint32_t crc = 0);

constexpr uint8_t kId0 = 0x60;
constexpr uint8_t kId1 = 0xEA;
constexpr size_t kMaxBasicHeaderSize = 2600;
constexpr size_t kMinFirstHeaderSize = 30;
constexpr size_t kMaxNameLength = 512;
constexpr uint64_t kMainHeaderSearchLimit = 500000;

// Header flags.
constexpr uint8_t kFlagGarbled = 0x01;
constexpr uint8_t kFlagVolume = 0x04;   // main: another volume follows; local: continues there
constexpr uint8_t kFlagExtFile = 0x08;  // local: extFilePos holds this part's start in the file
constexpr uint8_t kFlagPathSym = 0x10;  // "\" stored as "/"

// File types.
constexpr uint8_t kTypeBinary = 0;
constexpr uint8_t kTypeText = 1;
constexpr uint8_t kTypeMain = 2;
constexpr uint8_t kTypeDirectory = 3;

constexpr uint16_t kAttrDirectory = 0x10;

struct ArjHeader {
  uint8_t firstHeaderSize = 0, archiverVersion = 0, minVersion = 0, hostOs = 0, flags = 0,
          method = 0, fileType = 0;
  uint32_t dosTime = 0, compressedSize = 0, originalSize = 0, fileCrc = 0;  // dosTime: date high
  uint16_t entryNamePos = 0, accessMode = 0, hostData = 0;
  uint8_t firstChapter = 0, lastChapter = 0;
  uint32_t extFilePos = 0;    // only when flags & 0x08 and firstHeaderSize >= 34, else 0
  std::string name, comment;  // bytes as stored (name: at most 512 taken), separators untouched
};

enum class HeaderStatus { Ok, End, Bad };  // End: basic header size 0 (the end marker)

// Reads the header at `offset`: id, size <= 2600, CRC over the basic header, then the extended
// headers skipped. Ok: `header` filled and `dataOffset` just after the extended headers.
HeaderStatus ReadHeader(zipformat::IByteSource& source, uint64_t offset, ArjHeader& header,
                        uint64_t& dataOffset);

// The first offset below min(size - 2, limit) holding a header id, a size <= 2600 and a matching
// CRC: the main header (a self-extractor may come first).
std::optional<uint64_t> FindMainHeader(zipformat::IByteSource& source,
                                       uint64_t limit = kMainHeaderSearchLimit);

// Encodes a complete header (id, size, basic header, CRC, no extended headers, terminating 0).
// firstHeaderSize is taken as 34 when flags has kFlagExtFile, else 30, whatever `header` holds.
std::vector<uint8_t> EncodeHeader(const ArjHeader& header);

// The end-of-archive marker: 60 EA 00 00.
inline std::vector<uint8_t> EncodeEndMarker() { return {kId0, kId1, 0, 0}; }

// The name with "/" turned into "\" when the header says the separators were translated.
std::string NativeName(const ArjHeader& header);

}  // namespace arjformat
