// Traditional PKWARE encryption of entry data, the kind every unzip reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zipdll {

class TZipEncryptor {
public:
  explicit TZipEncryptor(std::string_view password);
  // Encrypts in place; the keys advance with every plain byte.
  void Encrypt(unsigned char* data, size_t size);
  // The 12-byte header that opens the data: `random` supplies bytes 0..10, byte 11 is the check
  // byte (the high byte of the entry's CRC-32). Returned encrypted.
  void Header(const unsigned char random[11], uint32_t crc, unsigned char out[12]);

private:
  void Update(unsigned char plain);
  unsigned char StreamByte() const;
  uint32_t keys_[3];
};

}  // namespace zipdll
