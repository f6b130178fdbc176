#include "UsmCrypto.h"

#include <windows.h>

#include <bcrypt.h>

#include <algorithm>

#include "Unique.h"

namespace {

constexpr size_t kPassphraseStretch = 1048576;  // RFC 3414 A.2: one megabyte of the pass phrase
constexpr size_t kAesBlock = 16;

void CloseAlgorithm(BCRYPT_ALG_HANDLE algorithm) { BCryptCloseAlgorithmProvider(algorithm, 0); }
void DestroyHash(BCRYPT_HASH_HANDLE hash) { BCryptDestroyHash(hash); }
void DestroyKey(BCRYPT_KEY_HANDLE key) { BCryptDestroyKey(key); }
using UniqueAlgorithm = Unique<BCRYPT_ALG_HANDLE, CloseAlgorithm>;
using UniqueHash = Unique<BCRYPT_HASH_HANDLE, DestroyHash>;
using UniqueCngKey = Unique<BCRYPT_KEY_HANDLE, DestroyKey>;

LPCWSTR HashAlgorithm(UsmAuth auth) { return auth == UsmAuth::HmacSha256 ? BCRYPT_SHA256_ALGORITHM : BCRYPT_SHA1_ALGORITHM; }
size_t HashLength(UsmAuth auth) { return auth == UsmAuth::HmacSha256 ? 32 : 20; }

// A hash (or, with a key, an HMAC) over the parts in turn; empty when the system refused.
Bytes Hash(UsmAuth auth, std::span<const uint8_t> hmacKey, std::initializer_list<std::span<const uint8_t>> parts) {
  UniqueAlgorithm algorithm;
  UniqueHash hash;
  Bytes result(HashLength(auth));
  const ULONG flags = hmacKey.empty() ? 0 : BCRYPT_ALG_HANDLE_HMAC_FLAG;
  if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(algorithm.put(), HashAlgorithm(auth), nullptr, flags)) ||
      !BCRYPT_SUCCESS(BCryptCreateHash(algorithm.get(), hash.put(), nullptr, 0, const_cast<PUCHAR>(hmacKey.data()),
                                       static_cast<ULONG>(hmacKey.size()), 0)))
    return {};
  for (std::span<const uint8_t> part : parts)
    if (!BCRYPT_SUCCESS(BCryptHashData(hash.get(), const_cast<PUCHAR>(part.data()), static_cast<ULONG>(part.size()), 0)))
      return {};
  if (!BCRYPT_SUCCESS(BCryptFinishHash(hash.get(), result.data(), static_cast<ULONG>(result.size()), 0))) return {};
  return result;
}

std::span<const uint8_t> AsBytes(std::string_view text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

}  // namespace

Bytes PassphraseKey(UsmAuth auth, std::string_view passphrase) {
  if (passphrase.empty()) return {};
  Bytes stretched(kPassphraseStretch);
  for (size_t at = 0; at < stretched.size(); ++at) stretched[at] = static_cast<uint8_t>(passphrase[at % passphrase.size()]);
  Bytes key = Hash(auth, {}, {stretched});
  SecureZeroMemory(stretched.data(), stretched.size());
  return key;
}

Bytes PassphraseFingerprint(std::string_view passphrase) { return Hash(UsmAuth::HmacSha256, {}, {AsBytes(passphrase)}); }

Bytes LocalizeKey(UsmAuth auth, std::span<const uint8_t> key, std::string_view engineId) {
  return Hash(auth, {}, {key, AsBytes(engineId), key});
}

size_t DigestLength(UsmAuth auth) {
  switch (auth) {
    case UsmAuth::HmacSha96: return 12;
    case UsmAuth::HmacSha256: return 24;
    default: return 0;
  }
}

Bytes MessageDigest(UsmAuth auth, std::span<const uint8_t> key, std::span<const uint8_t> message) {
  if (key.empty()) return {};
  Bytes digest = Hash(auth, key, {message});
  if (digest.size() < DigestLength(auth)) return {};
  digest.resize(DigestLength(auth));
  return digest;
}

Bytes AesIv(int32_t engineBoots, int32_t engineTime, std::span<const uint8_t> salt) {
  Bytes iv;
  for (int32_t value : {engineBoots, engineTime})
    for (int shift = 24; shift >= 0; shift -= 8) iv.push_back(static_cast<uint8_t>(static_cast<uint32_t>(value) >> shift));
  iv.insert(iv.end(), salt.begin(), salt.end());
  iv.resize(kAesBlock);
  return iv;
}

// CFB with 128-bit feedback (RFC 3826) made over AES's single-block (ECB) transform.
// BCRYPT_CHAIN_MODE_CFB feeds back one byte (CFB8) unless the key's
// BCRYPT_MESSAGE_BLOCK_LENGTH is set to 16; Wine's gives CFB8 (NIST SP 800-38A's CFB8
// vector) and refuses that property (STATUS_NOT_IMPLEMENTED). The block transform is the
// same on both.
bool AesCfb(bool encrypt, std::span<const uint8_t> key, std::span<const uint8_t> iv, std::span<uint8_t> data) {
  if (key.size() < kAesBlock || iv.size() != kAesBlock) return false;
  UniqueAlgorithm algorithm;
  UniqueCngKey aes;
  if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(algorithm.put(), BCRYPT_AES_ALGORITHM, nullptr, 0)) ||
      !BCRYPT_SUCCESS(BCryptSetProperty(algorithm.get(), BCRYPT_CHAINING_MODE,
                                        reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(BCRYPT_CHAIN_MODE_ECB)),
                                        sizeof BCRYPT_CHAIN_MODE_ECB, 0)) ||
      !BCRYPT_SUCCESS(BCryptGenerateSymmetricKey(algorithm.get(), aes.put(), nullptr, 0, const_cast<PUCHAR>(key.data()),
                                                 kAesBlock, 0)))
    return false;
  uint8_t feedback[kAesBlock];
  uint8_t stream[kAesBlock];
  std::copy(iv.begin(), iv.end(), feedback);
  for (size_t at = 0; at < data.size(); at += kAesBlock) {
    ULONG written = 0;
    if (!BCRYPT_SUCCESS(BCryptEncrypt(aes.get(), feedback, kAesBlock, nullptr, nullptr, 0, stream, kAesBlock, &written, 0)) ||
        written != kAesBlock)
      return false;
    const size_t count = std::min(kAesBlock, data.size() - at);
    for (size_t i = 0; i < count; ++i) {
      const uint8_t in = data[at + i];
      data[at + i] = in ^ stream[i];
      feedback[i] = encrypt ? data[at + i] : in;  // the ciphertext feeds back
    }
  }
  SecureZeroMemory(stream, sizeof stream);
  return true;
}
