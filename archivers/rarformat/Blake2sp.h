// BLAKE2sp, the checksum RAR 5 stores instead of CRC-32 when asked to: eight BLAKE2s leaves
// taking the input's 64-byte blocks in turn, and a root hashing their digests. Streaming, so
// an entry is hashed as it is unpacked. Portable.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace rarformat {

class Blake2s {
 public:
  // `fanout`/`depth`/`nodeOffset`/`nodeDepth`/`innerLength` are the tree parameters; the
  // defaults give plain sequential BLAKE2s-256.
  struct Params {
    uint8_t keyLength = 0;
    uint8_t fanout = 1;
    uint8_t depth = 1;
    uint64_t nodeOffset = 0;
    uint8_t nodeDepth = 0;
    uint8_t innerLength = 0;
    bool lastNode = false;
  };
  Blake2s() : Blake2s(Params{}) {}
  explicit Blake2s(const Params& params);
  void Update(const uint8_t* data, size_t size);
  std::array<uint8_t, 32> Final();

 private:
  void Compress(const uint8_t block[64], bool last);
  uint32_t h_[8];
  uint64_t counter_ = 0;
  uint8_t buffer_[64];
  size_t buffered_ = 0;
  bool lastNode_;
};

class Blake2sp {
 public:
  Blake2sp() : Blake2sp(nullptr, 0) {}
  // Keyed hashing exists for the published test vectors; RAR hashes without a key.
  Blake2sp(const uint8_t* key, size_t keySize);
  void Update(const uint8_t* data, size_t size);
  std::array<uint8_t, 32> Final();

 private:
  static constexpr unsigned kLeaves = 8;
  std::array<Blake2s, kLeaves> leaves_;
  uint64_t total_ = 0;
  uint8_t keyLength_;
};

}  // namespace rarformat
