#include "archivers/zipdll/ZipCrypt.h"

#include <zlib.h>

namespace zipdll {

namespace {
// One step of the CRC-32 table, with no inversion before or after.
uint32_t CrcStep(uint32_t crc, unsigned char byte) {
  static const auto* table = get_crc_table();
  return static_cast<uint32_t>(table[(crc ^ byte) & 0xFF]) ^ (crc >> 8);
}
}  // namespace

TZipEncryptor::TZipEncryptor(std::string_view password) : keys_{0x12345678u, 0x23456789u, 0x34567890u} {
  for (char c : password) Update(static_cast<unsigned char>(c));
}

void TZipEncryptor::Update(unsigned char plain) {
  keys_[0] = CrcStep(keys_[0], plain);
  keys_[1] = (keys_[1] + (keys_[0] & 0xFF)) * 134775813u + 1;
  keys_[2] = CrcStep(keys_[2], static_cast<unsigned char>(keys_[1] >> 24));
}

unsigned char TZipEncryptor::StreamByte() const {
  const uint32_t t = (keys_[2] | 2) & 0xFFFF;
  return static_cast<unsigned char>((t * (t ^ 1)) >> 8);
}

void TZipEncryptor::Encrypt(unsigned char* data, size_t size) {
  for (size_t i = 0; i < size; ++i) {
    const unsigned char plain = data[i];
    data[i] = plain ^ StreamByte();
    Update(plain);
  }
}

void TZipEncryptor::Header(const unsigned char random[11], uint32_t crc, unsigned char out[12]) {
  for (int i = 0; i < 11; ++i) out[i] = random[i];
  out[11] = static_cast<unsigned char>(crc >> 24);
  Encrypt(out, 12);
}

}  // namespace zipdll
