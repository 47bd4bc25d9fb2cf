// ACE archives for tests: headers assembled field by field from the format's description (not
// through the writer under test), and an in-memory volume sink for the writer.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "archivers/aceformat/AceFormat.h"

namespace acecraft {

inline void Le(std::string& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>(value >> (8 * i) & 0xFF));
}

// CRC16 and SIZE in front of a header body (TYPE onwards).
inline std::string Framed(const std::string& body) {
  std::string out;
  Le(out, aceformat::AceCrc16(body.data(), body.size()), 2);
  Le(out, body.size(), 2);
  return out + body;
}

inline std::string MainBytes(uint16_t flags = 0x0100, uint8_t volume = 0, uint8_t host = 2) {
  std::string body;
  Le(body, 0, 1);
  Le(body, flags, 2);
  body += "**ACE**";
  Le(body, 20, 1);
  Le(body, 20, 1);
  Le(body, host, 1);
  Le(body, volume, 1);
  Le(body, 0x5A2B6000, 4);
  body.append(8, '\0');
  return Framed(body);
}

struct File {
  std::string name;
  std::string data;       // the packed bytes of this part
  uint64_t size = ~0ull;  // the whole entry (default: data.size())
  uint16_t flags = 0x0001;
  uint32_t attributes = 0x20;
  uint32_t dosTime = 0x5A2B6000;
  uint8_t method = 0;
  uint32_t crc = 0;       // 0: the ACE CRC-32 of `data`
  int nameLength = -1;    // the FNAME_SIZE field, when it should lie
};

inline std::string FileHeader(const File& f, bool wide = false) {
  std::string body;
  Le(body, wide ? 3 : 1, 1);
  Le(body, f.flags | (wide ? 0x0004 : 0), 2);
  const uint64_t size = f.size == ~0ull ? f.data.size() : f.size;
  Le(body, f.data.size(), wide ? 8 : 4);
  Le(body, size, wide ? 8 : 4);
  Le(body, f.dosTime, 4);
  Le(body, f.attributes, 4);
  Le(body, f.crc ? f.crc : aceformat::AceCrc32(f.data.data(), f.data.size()), 4);
  Le(body, f.method, 1);
  Le(body, f.method ? 3 : 0, 1);
  Le(body, f.method ? 0x000A : 0, 2);
  Le(body, 0, 2);
  Le(body, f.nameLength >= 0 ? unsigned(f.nameLength) : f.name.size(), 2);
  body += f.name;
  return Framed(body);
}

inline std::string Entry(const File& f, bool wide = false) { return FileHeader(f, wide) + f.data; }

// A recovery record: the header, then ADDSIZE bytes.
inline std::string Recovery(const std::string& data) {
  std::string body;
  Le(body, 2, 1);
  Le(body, 0x0001, 2);
  Le(body, data.size(), 4);
  body += "**ACE**";
  return Framed(body) + data;
}

class MemorySink : public aceformat::IVolumeSink {
 public:
  bool StartVolume(unsigned index) override {
    if (index != volumes.size()) return false;
    volumes.emplace_back();
    return true;
  }
  bool Write(const uint8_t* data, size_t size) override {
    if (volumes.empty() || failAfter < size) return false;
    failAfter -= size;
    volumes.back().append(reinterpret_cast<const char*>(data), size);
    return true;
  }
  bool Rewrite(unsigned volume, uint64_t offset, const uint8_t* data, size_t size) override {
    if (volume >= volumes.size() || offset + size > volumes[volume].size()) return false;
    std::memcpy(volumes[volume].data() + offset, data, size);
    return true;
  }
  bool FinishVolume() override { return true; }
  std::vector<std::string> volumes;
  size_t failAfter = SIZE_MAX;
};

class StringData : public aceformat::IEntryData {
 public:
  explicit StringData(std::string bytes) : bytes_(std::move(bytes)) {}
  bool Read(uint8_t* buffer, size_t count, size_t& got) override {
    got = std::min(count, bytes_.size() - at_);
    std::memcpy(buffer, bytes_.data() + at_, got);
    at_ += got;
    return true;
  }

 private:
  std::string bytes_;
  size_t at_ = 0;
};

}  // namespace acecraft
