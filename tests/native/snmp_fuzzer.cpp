// libFuzzer entry: any datagram is decoded, as SNMPv1 and as SNMPv3 with its security
// parameters and scoped PDU, without reading out of bounds; whatever decodes re-encodes
// consistently.
#include <cstddef>
#include <cstdint>
#include <span>

#include "Snmp.h"
#include "SnmpV3.h"

namespace {

void CheckV1(std::span<const uint8_t> datagram) {
  std::optional<snmp::Response> response = snmp::DecodeGetResponse(datagram);
  if (!response) return;
  for (const snmp::Varbind& varbind : response->varbinds) {
    std::optional<snmp::Oid> again = snmp::ParseOid(snmp::OidText(varbind.name));
    if (again && *again != varbind.name) __builtin_trap();
  }
}

// A decoded message encodes again to one that decodes to the same fields, with its digest
// at the same place.
void CheckV3(std::span<const uint8_t> datagram) {
  std::optional<snmp::DecodedV3> message = snmp::DecodeV3(datagram);
  if (!message) return;
  if (message->authOffset + message->usm.authParams.size() > datagram.size()) __builtin_trap();
  snmp::KindOfReport(snmp::DecodeScopedPdu(message->data, message->Encrypted()).value_or(snmp::ScopedPdu{}).pdu);
  const snmp::EncodedV3 encoded = snmp::EncodeV3(message->header, message->usm, message->data);
  std::optional<snmp::DecodedV3> again = snmp::DecodeV3(encoded.bytes);
  if (!again || again->usm.engineId != message->usm.engineId || again->usm.userName != message->usm.userName ||
      again->usm.authParams != message->usm.authParams || again->data != message->data ||
      again->authOffset != encoded.authOffset)
    __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> datagram(data, size);
  CheckV1(datagram);
  CheckV3(datagram);
  return 0;
}
