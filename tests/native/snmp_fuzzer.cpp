// libFuzzer entry: any datagram is decoded without reading out of bounds, and whatever
// decodes re-encodes its OIDs consistently.
#include <cstddef>
#include <cstdint>
#include <span>

#include "Snmp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::optional<snmp::Response> response = snmp::DecodeGetResponse(std::span<const uint8_t>(data, size));
  if (!response) return 0;
  for (const snmp::Varbind& varbind : response->varbinds) {
    std::optional<snmp::Oid> again = snmp::ParseOid(snmp::OidText(varbind.name));
    if (again && *again != varbind.name) __builtin_trap();
  }
  return 0;
}
