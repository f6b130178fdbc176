#pragma once
// SNMPv1 messages: encoding a GetRequest and decoding a GetResponse. Portable C++
// without any system interface, so it is also built for the host and fuzzed.
//
// Decoding is strict and bounded: it never reads past the datagram, and refuses bad or
// overflowing lengths, over-long OIDs, other versions and other PDUs.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace snmp {

using Oid = std::vector<uint32_t>;

// Limits that a reply must respect.
inline constexpr size_t kMaxOidComponents = 128;
inline constexpr size_t kMaxValueBytes = 1024;
inline constexpr size_t kMaxVarbinds = 16;

// Parses dotted text ("1.3.6.1.2.1.1.2.0", an optional leading dot); nullopt when bad.
std::optional<Oid> ParseOid(std::string_view text);
// Dotted text without a leading dot.
std::string OidText(const Oid& oid);

std::vector<uint8_t> EncodeGetRequest(std::string_view community, int32_t requestId, const std::vector<Oid>& oids);

enum class ValueType : uint8_t {
  Integer = 0x02,
  OctetString = 0x04,
  Null = 0x05,
  ObjectIdentifier = 0x06,
  Missing = 0x80,  // SNMPv2's noSuchObject, noSuchInstance or endOfMibView (SNMPv3 only)
  Other = 0xFF,    // any application type (counter, gauge, timeticks, address...)
};

struct Varbind {
  Oid name;
  ValueType type = ValueType::Null;
  std::string text;  // an OCTET STRING's bytes
  Oid oid;           // an OBJECT IDENTIFIER's value
  int64_t integer = 0;  // an INTEGER's value; a counter's, gauge's or time ticks' too
};

struct Response {
  std::string community;
  int32_t requestId = 0;
  int32_t errorStatus = 0;  // 0 noError, 2 noSuchName, ...
  int32_t errorIndex = 0;
  std::vector<Varbind> varbinds;
};

inline constexpr int32_t kNoSuchName = 2;

// A GetResponse, or nullopt for anything malformed, of another version or PDU.
std::optional<Response> DecodeGetResponse(std::span<const uint8_t> datagram);

}  // namespace snmp
