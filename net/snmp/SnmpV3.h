#pragma once
// SNMPv3 messages with the User-based Security Model (RFC 3412, RFC 3414): the header
// (msgGlobalData), the USM security parameters and the scoped PDU, plain or encrypted.
// Portable and without cryptography: the caller computes the digest over the encoded
// message (the codec says where it goes) and encrypts or decrypts the scoped PDU.
//
// Decoding is strict and bounded as for v1: every length is checked against what
// contains it, and the USM fields against their limits (RFC 3414 section 2.4), before a
// byte of them is used.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "Snmp.h"

namespace snmp {

inline constexpr size_t kMaxEngineIdBytes = 32;
inline constexpr size_t kMaxUserNameBytes = 32;
inline constexpr size_t kMaxAuthParamBytes = 24;  // HMAC-SHA-256-192's digest
inline constexpr size_t kPrivParamBytes = 8;      // AES's salt
inline constexpr int32_t kOurMaxMessageSize = 65507;

enum V3Flags : uint8_t { kFlagAuth = 0x01, kFlagPriv = 0x02, kFlagReportable = 0x04 };

struct UsmParameters {
  std::string engineId;
  int32_t engineBoots = 0;
  int32_t engineTime = 0;
  std::string userName;
  std::string authParams;  // the digest; zeros of its length while it is computed
  std::string privParams;  // the salt
};

struct V3Header {
  int32_t msgId = 0;
  int32_t maxSize = kOurMaxMessageSize;
  uint8_t flags = 0;
};

enum class PduType : uint8_t { Get = 0xA0, Response = 0xA2, Report = 0xA8 };

struct ScopedPdu {
  std::string contextEngineId;
  std::string contextName;
  PduType type = PduType::Response;
  Response pdu;  // its community stays empty
};

// A message as encoded: the digest's place in it, so that the caller can write it there.
struct EncodedV3 {
  std::vector<uint8_t> bytes;
  size_t authOffset = 0;
  size_t authLength = 0;
};

struct DecodedV3 {
  V3Header header;
  UsmParameters usm;
  size_t authOffset = 0;  // where the digest lies in the datagram
  // The scoped PDU's encoding when the message is in clear; the ciphertext when encrypted.
  std::vector<uint8_t> data;
  bool Encrypted() const { return (header.flags & kFlagPriv) != 0; }
};

// A scoped GetRequest's encoding, to be sent in clear or encrypted.
std::vector<uint8_t> EncodeScopedGet(std::string_view contextEngineId, int32_t requestId, const std::vector<Oid>& oids);
// `data` is the scoped PDU's encoding, or the ciphertext when the header's flags say priv.
EncodedV3 EncodeV3(const V3Header& header, const UsmParameters& usm, std::span<const uint8_t> data);

// A USM message of version 3, or nullopt for anything malformed or out of bounds.
std::optional<DecodedV3> DecodeV3(std::span<const uint8_t> datagram);
// A scoped Response or Report PDU. A decrypted one may carry padding after its end.
std::optional<ScopedPdu> DecodeScopedPdu(std::span<const uint8_t> bytes, bool padded);

// The counter that a Report carries (RFC 3414 section 5, usmStats; RFC 3412's
// snmpUnknownSecurityModels and snmpInvalidMsgs).
enum class ReportKind {
  Other,
  UnsupportedSecurityLevel,
  NotInTimeWindow,
  UnknownUserName,
  UnknownEngineId,
  WrongDigest,
  DecryptionError,
};
ReportKind KindOfReport(const Response& report);

}  // namespace snmp
