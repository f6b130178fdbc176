#pragma once
// The BER pieces that the SNMPv1 and SNMPv3 messages are made of: writing elements,
// and a read cursor that never moves past its bytes. Internal to the codec.
#include <cstdint>
#include <span>
#include <vector>

#include "Snmp.h"

namespace snmp::ber {

inline constexpr uint8_t kInteger = 0x02;
inline constexpr uint8_t kOctetString = 0x04;
inline constexpr uint8_t kNull = 0x05;
inline constexpr uint8_t kObjectId = 0x06;
inline constexpr uint8_t kSequence = 0x30;

void PutLength(std::vector<uint8_t>& out, size_t length);
void PutTlv(std::vector<uint8_t>& out, uint8_t tag, std::span<const uint8_t> content);
// The bytes that a tag and this length take before the content.
size_t HeaderSize(size_t length);
std::vector<uint8_t> IntegerContent(int64_t value);
std::vector<uint8_t> OidContent(const Oid& oid);
// A PDU's content: request id, error status and index, and the list of names asked with
// NULL values.
std::vector<uint8_t> RequestPduContent(int32_t requestId, const std::vector<Oid>& oids);

class Reader {
 public:
  explicit Reader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  bool AtEnd() const { return bytes_.empty(); }
  // What is not read yet.
  std::span<const uint8_t> Rest() const { return bytes_; }
  // The next element: its tag and content. False when the element does not fit.
  bool Next(uint8_t& tag, std::span<const uint8_t>& content);
  bool Expect(uint8_t wanted, std::span<const uint8_t>& content);

 private:
  std::span<const uint8_t> bytes_;
};

bool DecodeInteger(std::span<const uint8_t> content, int64_t& value);
bool DecodeInt32(Reader& reader, int32_t& value);
// A non-negative INTEGER of at most 31 bits, as SNMPv3's header and USM fields are.
bool DecodeUint31(Reader& reader, int32_t& value);
bool DecodeOid(std::span<const uint8_t> content, Oid& oid);
// A response PDU's content. `exceptions` takes SNMPv2's noSuchObject, noSuchInstance and
// endOfMibView values, which only v2 PDUs (as SNMPv3 carries) may hold.
bool DecodePduContent(std::span<const uint8_t> pdu, bool exceptions, Response& response);

}  // namespace snmp::ber
