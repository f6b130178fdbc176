#pragma once
// Builds IPP messages by hand (RFC 8010), for answers that tests craft, well-formed or not.
#include <cstdint>
#include <string>

#include "ber_builder.h"

namespace ippwire {

using ber::Bytes;
using ber::Cat;

// One value on the wire: tag, name, value.
inline Bytes Field(uint8_t tag, const std::string& name, const Bytes& value) {
  Bytes out;
  out.reserve(5 + name.size() + value.size());
  out.push_back(tag);
  out.push_back(static_cast<uint8_t>(name.size() >> 8));
  out.push_back(static_cast<uint8_t>(name.size()));
  out.insert(out.end(), name.begin(), name.end());
  out.push_back(static_cast<uint8_t>(value.size() >> 8));
  out.push_back(static_cast<uint8_t>(value.size()));
  out.insert(out.end(), value.begin(), value.end());
  return out;
}
inline Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }
inline Bytes Long(uint32_t value) {
  return {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 8),
          static_cast<uint8_t>(value)};
}
inline Bytes Header(uint16_t status = 0, uint32_t requestId = 7) {
  return Cat({{2, 0, static_cast<uint8_t>(status >> 8), static_cast<uint8_t>(status)}, Long(requestId)});
}
inline const Bytes kOperationGroup = Cat({{0x01}, Field(0x47, "attributes-charset", Text("utf-8")),
                                          Field(0x48, "attributes-natural-language", Text("en"))});
inline const Bytes kEnd = {0x03};

}  // namespace ippwire
