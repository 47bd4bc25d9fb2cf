#include "archivers/rarformat/RarCrypto.h"

namespace rarformat {

bool DeriveRar5Keys(ICryptoProvider& crypto, std::string_view password, const uint8_t salt[16],
                    unsigned kdfCount, Rar5Keys& keys) {
  if (kdfCount > 24) return false;
  const uint64_t rounds = uint64_t{1} << kdfCount;
  const auto* text = reinterpret_cast<const uint8_t*>(password.data());
  // The hash key and the check continue the same iteration chain 16 and 32 rounds further, which
  // is plain PBKDF2 with that many more rounds: three calls, no chain arithmetic of our own.
  std::array<uint8_t, 32> checkChain{};
  if (!crypto.Pbkdf2Sha256(text, password.size(), salt, 16, rounds, keys.key.data(), 32) ||
      !crypto.Pbkdf2Sha256(text, password.size(), salt, 16, rounds + 16, keys.hashKey.data(), 32) ||
      !crypto.Pbkdf2Sha256(text, password.size(), salt, 16, rounds + 32, checkChain.data(), 32))
    return false;
  keys.check.fill(0);
  for (size_t i = 0; i < checkChain.size(); ++i) keys.check[i % 8] ^= checkChain[i];
  return true;
}

bool Rar5CheckValue(ICryptoProvider& crypto, const Rar5Keys& keys, uint8_t value[12]) {
  uint8_t digest[32];
  if (!crypto.Sha256(keys.check.data(), keys.check.size(), digest)) return false;
  for (size_t i = 0; i < 8; ++i) value[i] = keys.check[i];
  for (size_t i = 0; i < 4; ++i) value[8 + i] = digest[i];
  return true;
}

uint32_t Rar5CrcAsMac(ICryptoProvider& crypto, const Rar5Keys& keys, uint32_t crc) {
  const uint8_t message[4] = {static_cast<uint8_t>(crc), static_cast<uint8_t>(crc >> 8),
                              static_cast<uint8_t>(crc >> 16), static_cast<uint8_t>(crc >> 24)};
  uint8_t digest[32];
  // A provider failure leaves the plain CRC, which a reader expecting the MAC rejects (bar a
  // 1 in 2^32 coincidence): the entry then reads as damaged rather than as checked.
  if (!crypto.HmacSha256(keys.hashKey.data(), keys.hashKey.size(), message, sizeof message, digest)) return crc;
  uint32_t mac = 0;
  for (size_t i = 0; i < 32; ++i) mac ^= static_cast<uint32_t>(digest[i]) << (8 * (i % 4));
  return mac;
}

}  // namespace rarformat
