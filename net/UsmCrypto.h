#pragma once
// The cryptography of the User-based Security Model, from the system's CNG (bcrypt):
// keys made from pass phrases and localized to an agent's engine (RFC 3414 A.2, RFC 7860),
// the HMAC digests that authenticate a message (HMAC-SHA-96, HMAC-SHA-256-192), and
// AES-128 in CFB mode with 128-bit feedback for privacy (RFC 3826).
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "UsmUser.h"

using Bytes = std::vector<uint8_t>;

// The user's key Ku: the hash of a megabyte of the pass phrase repeated. Empty when the
// pass phrase is empty or the system has no such hash.
Bytes PassphraseKey(UsmAuth auth, std::string_view passphrase);
// SHA-256 of the pass phrase: tells two pass phrases apart without keeping them.
Bytes PassphraseFingerprint(std::string_view passphrase);
// Kul = H(Ku | engineID | Ku).
Bytes LocalizeKey(UsmAuth auth, std::span<const uint8_t> key, std::string_view engineId);
// The digest's length in a message: 12 (HMAC-SHA-96) or 24 (HMAC-SHA-256-192); 0 for none.
size_t DigestLength(UsmAuth auth);
// The HMAC of the whole message with the localized key, cut to DigestLength.
Bytes MessageDigest(UsmAuth auth, std::span<const uint8_t> key, std::span<const uint8_t> message);

// AES-128-CFB's initialization vector: the engine's boots and time (big-endian) and the
// 8-byte salt (RFC 3826 section 3.1.2.1).
Bytes AesIv(int32_t engineBoots, int32_t engineTime, std::span<const uint8_t> salt);
// Encrypts or decrypts in place with the first 16 bytes of the localized privacy key.
// False when the key is short or the system refused.
bool AesCfb(bool encrypt, std::span<const uint8_t> key, std::span<const uint8_t> iv, std::span<uint8_t> data);
