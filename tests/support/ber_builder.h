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

// The USM security parameters of an SNMPv3 message, as the field of the message holds them.
struct Usm {
  std::string engineId, user, auth, priv;
  int32_t boots = 0, time = 0;
};
inline Bytes UsmField(const Usm& usm) {
  return Tlv(0x04, Tlv(0x30, Cat({Text(usm.engineId), Int(usm.boots), Int(usm.time), Text(usm.user), Text(usm.auth),
                                  Text(usm.priv)})));
}

// An SNMPv3 message: header, security parameters as given, and `data` (a scoped PDU, or an
// OCTET STRING of ciphertext) as it stands.
inline Bytes V3Message(int32_t msgId, uint8_t flags, const Bytes& securityField, const Bytes& data) {
  return Tlv(0x30, Cat({Int(3), Tlv(0x30, Cat({Int(msgId), Int(65507), Tlv(0x04, Bytes{flags}), Int(3)})),
                        securityField, data}));
}

// A scoped PDU of the given type (0xA2 Response, 0xA8 Report) carrying the given varbinds.
inline Bytes ScopedPdu(const std::string& contextEngineId, uint8_t type, int32_t requestId,
                       std::initializer_list<Bytes> varbinds) {
  Bytes list;
  for (const Bytes& varbind : varbinds) list.insert(list.end(), varbind.begin(), varbind.end());
  return Tlv(0x30, Cat({Text(contextEngineId), Text(""), Tlv(type, Cat({Int(requestId), Int(0), Int(0), Tlv(0x30, list)}))}));
}

}  // namespace ber
