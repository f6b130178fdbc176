#pragma once
// Builds BER bytes by hand, for SNMP replies that tests craft, well-formed or not.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace ber {

using Bytes = std::vector<uint8_t>;

inline Bytes Tlv(uint8_t tag, const Bytes& content) {
  Bytes out{tag};
  if (content.size() < 0x80) {
    out.push_back(static_cast<uint8_t>(content.size()));
  } else {
    out.push_back(0x82);
    out.push_back(static_cast<uint8_t>(content.size() >> 8));
    out.push_back(static_cast<uint8_t>(content.size()));
  }
  out.insert(out.end(), content.begin(), content.end());
  return out;
}

inline Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

inline Bytes Int(int32_t value) {
  Bytes content;
  do {
    content.insert(content.begin(), static_cast<uint8_t>(value & 0xFF));
    value >>= 8;
  } while (!((value == 0 && (content.front() & 0x80) == 0) || (value == -1 && (content.front() & 0x80) != 0)));
  return Tlv(0x02, content);
}

inline Bytes Text(const std::string& text) { return Tlv(0x04, Bytes(text.begin(), text.end())); }

// An OBJECT IDENTIFIER from its components (the first two given as 1.3).
inline Bytes Oid(std::initializer_list<uint32_t> rest) {
  Bytes content{0x2B};
  for (uint32_t component : rest) {
    Bytes groups;
    do {
      groups.insert(groups.begin(), static_cast<uint8_t>((component & 0x7F) | (groups.empty() ? 0 : 0x80)));
      component >>= 7;
    } while (component != 0);
    content.insert(content.end(), groups.begin(), groups.end());
  }
  return Tlv(0x06, content);
}

inline Bytes Varbind(const Bytes& name, const Bytes& value) { return Tlv(0x30, Cat({name, value})); }

// An SNMPv1 GetResponse carrying the given varbinds.
inline Bytes GetResponse(int32_t requestId, std::initializer_list<Bytes> varbinds, int32_t errorStatus = 0,
                         const std::string& community = "mirabo", int32_t version = 0) {
  Bytes list;
  for (const Bytes& varbind : varbinds) list.insert(list.end(), varbind.begin(), varbind.end());
  return Tlv(0x30, Cat({Int(version), Text(community),
                        Tlv(0xA2, Cat({Int(requestId), Int(errorStatus), Int(errorStatus != 0 ? 1 : 0),
                                       Tlv(0x30, list)}))}));
}

}  // namespace ber
