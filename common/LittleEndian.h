#pragma once
// Registry data keeps 32-bit words little-endian.
#include <cstdint>

inline uint32_t LittleEndianWord(const uint8_t* data) {
  return static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8 | static_cast<uint32_t>(data[2]) << 16 |
         static_cast<uint32_t>(data[3]) << 24;
}
