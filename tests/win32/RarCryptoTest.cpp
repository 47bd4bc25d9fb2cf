// The CNG provider under Wine against published vectors, and the RAR 5 key schedule on top of it
// against values computed outside (Python's hashlib) and against its own iteration chain.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archivers/rarcrypto/CngCrypto.h"

namespace {

std::vector<uint8_t> Hex(const std::string& text) {
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i + 1 < text.size(); i += 2) bytes.push_back(static_cast<uint8_t>(std::stoul(text.substr(i, 2), nullptr, 16)));
  return bytes;
}

std::string ToHex(const uint8_t* data, size_t size) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  for (size_t i = 0; i < size; ++i) {
    text += digits[data[i] >> 4];
    text += digits[data[i] & 15];
  }
  return text;
}

const uint8_t* Bytes(const char* text) { return reinterpret_cast<const uint8_t*>(text); }

TEST(RarCryptoWin32, HashesAndPbkdf2MatchPublishedVectors) {
  rarcrypto::TCngCrypto crypto;
  uint8_t out[32];
  ASSERT_TRUE(crypto.Pbkdf2Sha256(Bytes("password"), 8, Bytes("salt"), 4, 1, out, 32));
  EXPECT_EQ(ToHex(out, 32), "120fb6cffcf8b32c43e7225256c4f837a86548c92ccc35480805987cb70be17b");
  ASSERT_TRUE(crypto.Pbkdf2Sha256(Bytes("password"), 8, Bytes("salt"), 4, 4096, out, 32));
  EXPECT_EQ(ToHex(out, 32), "c5e478d59288c841aa530db6845c4c8d962893a001ce4e11a4963873aa98134a");
  ASSERT_TRUE(crypto.Sha256(Bytes("abc"), 3, out));
  EXPECT_EQ(ToHex(out, 32), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  ASSERT_TRUE(crypto.HmacSha256(Bytes("Jefe"), 4, Bytes("what do ya want for nothing?"), 28, out));
  EXPECT_EQ(ToHex(out, 32), "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843");
  // The same provider object serves interleaved calls of every kind.
  ASSERT_TRUE(crypto.Sha256(Bytes(""), 0, out));
  EXPECT_EQ(ToHex(out, 32), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
}

TEST(RarCryptoWin32, Aes256CbcMatchesNistAndKeepsItsChain) {
  rarcrypto::TCngCrypto crypto;
  const auto key = Hex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
  const auto iv = Hex("000102030405060708090a0b0c0d0e0f");
  const auto plain = Hex(
      "6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51"
      "30c81c46a35ce411e5fbc1191a0a52eff69f2445df4f9b17ad2b417be66c3710");
  const std::string cipherHex =
      "f58c4c04d6e5f1ba779eabfb5f7bfbd69cfc4e967edb808d679f777bc6702c7d"
      "39f23369a9d9bacfa530e26304231461b2eb05e2c39be9fcda6c19078c6a9d1b";

  auto whole = plain;
  auto encrypt = crypto.NewAes256Cbc(key.data(), iv.data(), true);
  ASSERT_NE(encrypt, nullptr);
  ASSERT_TRUE(encrypt->Process(whole.data(), whole.size()));
  EXPECT_EQ(ToHex(whole.data(), whole.size()), cipherHex);

  // Split at every block boundary, one object: the chain carries across the calls.
  for (size_t split = 16; split < plain.size(); split += 16) {
    auto pieces = plain;
    auto chained = crypto.NewAes256Cbc(key.data(), iv.data(), true);
    ASSERT_TRUE(chained->Process(pieces.data(), split));
    ASSERT_TRUE(chained->Process(pieces.data() + split, pieces.size() - split));
    EXPECT_EQ(ToHex(pieces.data(), pieces.size()), cipherHex) << "split at " << split;

    auto decrypt = crypto.NewAes256Cbc(key.data(), iv.data(), false);
    ASSERT_TRUE(decrypt->Process(pieces.data(), pieces.size() - split));
    ASSERT_TRUE(decrypt->Process(pieces.data() + pieces.size() - split, split));
    EXPECT_EQ(pieces, plain) << "split at " << split;
  }

  // Whole blocks only: no padding is ever added behind the caller's back.
  uint8_t odd[20] = {};
  EXPECT_FALSE(crypto.NewAes256Cbc(key.data(), iv.data(), true)->Process(odd, sizeof odd));
}

TEST(RarCryptoWin32, Rar5KeysCheckAndMacAgreeWithTheIterationChain) {
  rarcrypto::TCngCrypto crypto;
  const std::string password = "Quill \xc3\xa9t\xc3\xa9";
  uint8_t salt[16];
  for (int i = 0; i < 16; ++i) salt[i] = static_cast<uint8_t>(i);

  rarformat::Rar5Keys keys;
  ASSERT_TRUE(rarformat::DeriveRar5Keys(crypto, password, salt, 15, keys));
  uint8_t value[12];
  ASSERT_TRUE(rarformat::Rar5CheckValue(crypto, keys, value));
  // Computed with Python's hashlib.pbkdf2_hmac and hmac for this password and salt.
  EXPECT_EQ(ToHex(keys.key.data(), 32), "a8df59e0a327687ede527f09c1c9b49fae0a1fabcd27585fd521ce7df915b0aa");
  EXPECT_EQ(ToHex(keys.hashKey.data(), 32), "8bbcc96f4c9df8e45dfb3732d39e658bb1ce81e845daf4a2fbba77acbc0c8db9");
  EXPECT_EQ(ToHex(value, 12), "4108a221e1039b4be516e2b7");
  EXPECT_EQ(rarformat::Rar5CrcAsMac(crypto, keys, 0x12345678u), 0xed576a43u);

  // The iteration chain run by hand over HMAC: the key at N rounds, the hash key 16 further,
  // the check value 16 further again, with N = 2^6 to keep it short.
  const unsigned kdf = 6;
  const uint64_t n = uint64_t{1} << kdf;
  std::vector<uint8_t> block(salt, salt + 16);
  block.insert(block.end(), {0, 0, 0, 1});
  uint8_t u[32], sum[32];
  const auto* pw = reinterpret_cast<const uint8_t*>(password.data());
  ASSERT_TRUE(crypto.HmacSha256(pw, password.size(), block.data(), block.size(), u));
  std::copy(u, u + 32, sum);
  std::string atN, atN16, atN32;
  for (uint64_t round = 2; round <= n + 32; ++round) {
    uint8_t next[32];
    ASSERT_TRUE(crypto.HmacSha256(pw, password.size(), u, 32, next));
    std::copy(next, next + 32, u);
    for (int i = 0; i < 32; ++i) sum[i] ^= u[i];
    if (round == n) atN = ToHex(sum, 32);
    if (round == n + 16) atN16 = ToHex(sum, 32);
    if (round == n + 32) atN32 = ToHex(sum, 32);
  }
  rarformat::Rar5Keys small;
  ASSERT_TRUE(rarformat::DeriveRar5Keys(crypto, password, salt, kdf, small));
  EXPECT_EQ(ToHex(small.key.data(), 32), atN);
  EXPECT_EQ(ToHex(small.hashKey.data(), 32), atN16);
  uint8_t folded[8] = {};
  const auto chain = Hex(atN32);
  for (size_t i = 0; i < chain.size(); ++i) folded[i % 8] ^= chain[i];
  EXPECT_EQ(ToHex(small.check.data(), 8), ToHex(folded, 8));

  // A different password or salt gives a different check; counts above 24 are refused.
  rarformat::Rar5Keys other;
  ASSERT_TRUE(rarformat::DeriveRar5Keys(crypto, "quill \xc3\xa9t\xc3\xa9", salt, kdf, other));
  EXPECT_NE(other.check, small.check);
  salt[15] ^= 1;
  ASSERT_TRUE(rarformat::DeriveRar5Keys(crypto, password, salt, kdf, other));
  EXPECT_NE(other.check, small.check);
  EXPECT_FALSE(rarformat::DeriveRar5Keys(crypto, password, salt, 25, other));
}

TEST(RarCryptoWin32, RandomBytesDiffer) {
  rarcrypto::TCngCrypto crypto;
  uint8_t a[16] = {}, b[16] = {};
  ASSERT_TRUE(crypto.Random(a, sizeof a));
  ASSERT_TRUE(crypto.Random(b, sizeof b));
  EXPECT_NE(ToHex(a, 16), ToHex(b, 16));
}

}  // namespace
