#pragma once
// Which IPv4 addresses may be asked, and which masks name a subnet.
#include <cstdint>

// An address a datagram may go to (host order): not 0.x ("this network"), not
// multicast (224-239.x), not reserved or the broadcast address (240-255.x). Loopback
// (127.x) counts.
inline bool IsUnicastAddress(uint32_t address) {
  const uint32_t first = address >> 24;
  return first != 0 && first < 224;
}

// A mask whose one bits run unbroken from the top.
inline bool IsContiguousMask(uint32_t mask) {
  const uint32_t hostBits = ~mask;
  return (hostBits & (hostBits + 1)) == 0;
}
