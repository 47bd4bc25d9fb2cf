// RAR 5's cryptography from the system: PBKDF2, SHA-256, HMAC and AES-256-CBC through CNG
// (bcrypt.dll), so no cipher code of our own ships in the programs.
#pragma once

#include <windows.h>

#include <bcrypt.h>

#include "archivers/rarformat/RarCrypto.h"

namespace rarcrypto {

class TCngCrypto : public rarformat::ICryptoProvider {
 public:
  TCngCrypto() = default;
  ~TCngCrypto() override;
  TCngCrypto(const TCngCrypto&) = delete;
  TCngCrypto& operator=(const TCngCrypto&) = delete;

  bool Pbkdf2Sha256(const uint8_t* password, size_t passwordSize, const uint8_t* salt, size_t saltSize,
                    uint64_t iterations, uint8_t* key, size_t keySize) override;
  bool Sha256(const uint8_t* data, size_t size, uint8_t digest[32]) override;
  bool HmacSha256(const uint8_t* key, size_t keySize, const uint8_t* data, size_t size, uint8_t mac[32]) override;
  std::unique_ptr<rarformat::IBlockCipher> NewAes256Cbc(const uint8_t key[32], const uint8_t iv[16],
                                                        bool encrypt) override;

  // Bytes from the system's random number generator, for salts and IVs.
  bool Random(uint8_t* data, size_t size);

 private:
  // Opened on first use and kept: opening a provider costs more than most of the work asked of it.
  BCRYPT_ALG_HANDLE Provider(BCRYPT_ALG_HANDLE& slot, const wchar_t* algorithm, ULONG flags);
  bool Hash(BCRYPT_ALG_HANDLE algorithm, const uint8_t* key, size_t keySize, const uint8_t* data, size_t size,
            uint8_t digest[32]);

  BCRYPT_ALG_HANDLE sha256_ = nullptr;
  BCRYPT_ALG_HANDLE hmac_ = nullptr;
  BCRYPT_ALG_HANDLE aes_ = nullptr;
};

}  // namespace rarcrypto
