// The User-based Security Model's cryptography from the system's bcrypt, against the
// published vectors: RFC 3414 A.3.2 (the localized SHA-1 key), the same algorithm with
// SHA-256 (RFC 7860 gives no vector: the expected values were computed apart with
// Python's hashlib), HMAC-SHA-1 and HMAC-SHA-256 cut to USM's lengths (RFC 2202 and RFC
// 4231 test case 1), and AES-128 CFB-128 encryption (NIST SP 800-38A F.3.13, which RFC
// 3826's mode is) with a partial last block. The host build has no bcrypt, so this runs
// under Wine.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "UsmCrypto.h"

namespace {

Bytes Hex(const std::string& text) {
  Bytes bytes;
  for (size_t at = 0; at + 1 < text.size(); at += 2) bytes.push_back(static_cast<uint8_t>(std::stoi(text.substr(at, 2), nullptr, 16)));
  return bytes;
}

struct Vector {
  const char* what;
  std::function<Bytes()> compute;
  const char* expected;
};

const std::string kRfcEngine("\0\0\0\0\0\0\0\0\0\0\0\x02", 12);

TEST(SnmpV3Crypto, MatchesThePublishedVectors) {
  const Vector vectors[] = {
      {"SHA-1 key localized", [] { return LocalizeKey(UsmAuth::HmacSha96, PassphraseKey(UsmAuth::HmacSha96, "maplesyrup"), kRfcEngine); },
       "6695febc9288e36282235fc7151f128497b38f3f"},
      {"SHA-256 key localized",
       [] { return LocalizeKey(UsmAuth::HmacSha256, PassphraseKey(UsmAuth::HmacSha256, "maplesyrup"), kRfcEngine); },
       "8982e0e549e866db361a6b625d84cccc11162d453ee8ce3a6445c2d6776f0f8b"},
      {"HMAC-SHA-96", [] { return MessageDigest(UsmAuth::HmacSha96, Bytes(20, 0x0b), Hex("4869205468657265")); },
       "b617318655057264e28bc0b6"},
      {"HMAC-SHA-256-192", [] { return MessageDigest(UsmAuth::HmacSha256, Bytes(20, 0x0b), Hex("4869205468657265")); },
       "b0344c61d8db38535ca8afceaf0bf12b881dc200c9833da7"},
      {"AES-128-CFB encrypts",
       [] {
         Bytes data = Hex("6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51");
         data.resize(20);
         AesCfb(true, Hex("2b7e151628aed2a6abf7158809cf4f3c"), Hex("000102030405060708090a0b0c0d0e0f"), data);
         return data;
       },
       "3b3fd92eb72dad20333449f8e83cfb4ac8a64537"},
      {"AES IV from boots, time and salt", [] { return AesIv(0x01020304, 0x7f000001, Hex("a1a2a3a4a5a6a7a8")); },
       "010203047f000001a1a2a3a4a5a6a7a8"},
  };
  for (const Vector& vector : vectors) EXPECT_EQ(vector.compute(), Hex(vector.expected)) << vector.what;
}

TEST(SnmpV3Crypto, RefusesWhatCannotMakeAKey) {
  EXPECT_TRUE(PassphraseKey(UsmAuth::HmacSha96, "").empty());
  EXPECT_TRUE(MessageDigest(UsmAuth::HmacSha96, {}, Hex("00")).empty());
  Bytes data(4);
  EXPECT_FALSE(AesCfb(true, Bytes(8), Bytes(16), data));
}

}  // namespace
