#include "archivers/rarcrypto/CngCrypto.h"

#include <cstring>
#include <vector>

namespace rarcrypto {

namespace {

bool Ok(NTSTATUS status) { return status >= 0; }

// One AES-256-CBC chain. The chaining value is kept here and handed to every call: Wine does not
// write it back into the IV buffer as Windows does, so neither behaviour is relied on.
class TCngCipher : public rarformat::IBlockCipher {
 public:
  TCngCipher(BCRYPT_KEY_HANDLE key, const uint8_t iv[16], bool encrypt) : key_(key), encrypt_(encrypt) {
    std::memcpy(chain_, iv, sizeof chain_);
  }
  ~TCngCipher() override { BCryptDestroyKey(key_); }

  bool Process(uint8_t* data, size_t size) override {
    if (size % 16 != 0) return false;
    if (size == 0) return true;
    uint8_t iv[16];
    std::memcpy(iv, chain_, sizeof iv);
    uint8_t nextChain[16] = {};
    // Decrypting in place overwrites the last ciphertext block, the next chaining value.
    if (!encrypt_) std::memcpy(nextChain, data + size - 16, 16);
    input_.assign(data, data + size);
    ULONG written = 0;
    const NTSTATUS status =
        encrypt_ ? BCryptEncrypt(key_, input_.data(), static_cast<ULONG>(size), nullptr, iv, sizeof iv, data,
                                 static_cast<ULONG>(size), &written, 0)
                 : BCryptDecrypt(key_, input_.data(), static_cast<ULONG>(size), nullptr, iv, sizeof iv, data,
                                 static_cast<ULONG>(size), &written, 0);
    if (!Ok(status) || written != size) return false;
    if (encrypt_) std::memcpy(nextChain, data + size - 16, 16);
    std::memcpy(chain_, nextChain, sizeof chain_);
    return true;
  }

 private:
  BCRYPT_KEY_HANDLE key_;
  bool encrypt_;
  uint8_t chain_[16];
  std::vector<uint8_t> input_;
};

}  // namespace

TCngCrypto::~TCngCrypto() {
  for (BCRYPT_ALG_HANDLE h : {sha256_, hmac_, aes_})
    if (h) BCryptCloseAlgorithmProvider(h, 0);
}

BCRYPT_ALG_HANDLE TCngCrypto::Provider(BCRYPT_ALG_HANDLE& slot, const wchar_t* algorithm, ULONG flags) {
  if (!slot && !Ok(BCryptOpenAlgorithmProvider(&slot, algorithm, nullptr, flags))) slot = nullptr;
  return slot;
}

bool TCngCrypto::Pbkdf2Sha256(const uint8_t* password, size_t passwordSize, const uint8_t* salt, size_t saltSize,
                              uint64_t iterations, uint8_t* key, size_t keySize) {
  BCRYPT_ALG_HANDLE prf = Provider(hmac_, BCRYPT_SHA256_ALGORITHM, BCRYPT_ALG_HANDLE_HMAC_FLAG);
  if (!prf) return false;
  // CNG takes non-const buffers it does not change; an empty password still needs a pointer.
  std::vector<uint8_t> text(password, password + passwordSize), seasoning(salt, salt + saltSize);
  text.push_back(0);
  seasoning.push_back(0);
  return Ok(BCryptDeriveKeyPBKDF2(prf, text.data(), static_cast<ULONG>(passwordSize), seasoning.data(),
                                  static_cast<ULONG>(saltSize), iterations, key, static_cast<ULONG>(keySize), 0));
}

bool TCngCrypto::Hash(BCRYPT_ALG_HANDLE algorithm, const uint8_t* key, size_t keySize, const uint8_t* data,
                      size_t size, uint8_t digest[32]) {
  if (!algorithm) return false;
  BCRYPT_HASH_HANDLE hash = nullptr;
  std::vector<uint8_t> secret(key, key + keySize), message(data, data + size);
  if (!Ok(BCryptCreateHash(algorithm, &hash, nullptr, 0, key ? secret.data() : nullptr, static_cast<ULONG>(keySize),
                           0)))
    return false;
  const bool done = Ok(BCryptHashData(hash, message.data(), static_cast<ULONG>(size), 0)) &&
                    Ok(BCryptFinishHash(hash, digest, 32, 0));
  BCryptDestroyHash(hash);
  return done;
}

bool TCngCrypto::Sha256(const uint8_t* data, size_t size, uint8_t digest[32]) {
  return Hash(Provider(sha256_, BCRYPT_SHA256_ALGORITHM, 0), nullptr, 0, data, size, digest);
}

bool TCngCrypto::HmacSha256(const uint8_t* key, size_t keySize, const uint8_t* data, size_t size, uint8_t mac[32]) {
  static const uint8_t none = 0;
  return Hash(Provider(hmac_, BCRYPT_SHA256_ALGORITHM, BCRYPT_ALG_HANDLE_HMAC_FLAG), keySize ? key : &none,
              keySize, data, size, mac);
}

std::unique_ptr<rarformat::IBlockCipher> TCngCrypto::NewAes256Cbc(const uint8_t key[32], const uint8_t iv[16],
                                                                  bool encrypt) {
  if (!aes_) {
    if (!Provider(aes_, BCRYPT_AES_ALGORITHM, 0)) return nullptr;
    static const wchar_t mode[] = BCRYPT_CHAIN_MODE_CBC;
    if (!Ok(BCryptSetProperty(aes_, BCRYPT_CHAINING_MODE, reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(mode)),
                              sizeof mode, 0))) {
      BCryptCloseAlgorithmProvider(aes_, 0);
      aes_ = nullptr;
      return nullptr;
    }
  }
  uint8_t secret[32];
  std::memcpy(secret, key, sizeof secret);
  BCRYPT_KEY_HANDLE handle = nullptr;
  if (!Ok(BCryptGenerateSymmetricKey(aes_, &handle, nullptr, 0, secret, sizeof secret, 0))) return nullptr;
  SecureZeroMemory(secret, sizeof secret);
  return std::make_unique<TCngCipher>(handle, iv, encrypt);
}

bool TCngCrypto::Random(uint8_t* data, size_t size) {
  return Ok(BCryptGenRandom(nullptr, data, static_cast<ULONG>(size), BCRYPT_USE_SYSTEM_PREFERRED_RNG));
}

}  // namespace rarcrypto
