// The cryptography RAR 5 encryption needs, behind an interface: the Win32 side provides it
// through the system's CNG (archivers/rarcrypto), so the portable reader and writer never carry
// cipher code of their own. On top of it, the RAR 5 key schedule and password check.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace rarformat {

// AES-256-CBC over whole 16-byte blocks, in place. One object is one chain: each call continues
// from the last block of the previous one. Process returns false when the system refused.
class IBlockCipher {
 public:
  virtual ~IBlockCipher() = default;
  virtual bool Process(uint8_t* data, size_t size) = 0;
};

class ICryptoProvider {
 public:
  virtual ~ICryptoProvider() = default;
  // PBKDF2 with HMAC-SHA256.
  virtual bool Pbkdf2Sha256(const uint8_t* password, size_t passwordSize, const uint8_t* salt,
                            size_t saltSize, uint64_t iterations, uint8_t* key, size_t keySize) = 0;
  virtual bool Sha256(const uint8_t* data, size_t size, uint8_t digest[32]) = 0;
  virtual bool HmacSha256(const uint8_t* key, size_t keySize, const uint8_t* data, size_t size,
                          uint8_t mac[32]) = 0;
  // nullptr when the system cannot provide the cipher.
  virtual std::unique_ptr<IBlockCipher> NewAes256Cbc(const uint8_t key[32], const uint8_t iv[16],
                                                     bool encrypt) = 0;
};

// What a RAR 5 password gives for one salt and KDF count (log2 of the iterations):
// the data key, the key that turns checksums into MACs, and the 8-byte password check.
struct Rar5Keys {
  std::array<uint8_t, 32> key{};
  std::array<uint8_t, 32> hashKey{};
  std::array<uint8_t, 8> check{};
};

// `password` is UTF-8. False when the provider failed or kdfCount is above 24.
bool DeriveRar5Keys(ICryptoProvider& crypto, std::string_view password, const uint8_t salt[16],
                    unsigned kdfCount, Rar5Keys& keys);

// The 12 bytes stored in an encryption record: the check followed by the first 4 bytes of its
// SHA-256 (which guard the check against damage, not the password).
bool Rar5CheckValue(ICryptoProvider& crypto, const Rar5Keys& keys, uint8_t value[12]);

// A CRC-32 as stored when the record's flag 0x02 asks for checksums tweaked with a MAC.
uint32_t Rar5CrcAsMac(ICryptoProvider& crypto, const Rar5Keys& keys, uint32_t crc);

}  // namespace rarformat
