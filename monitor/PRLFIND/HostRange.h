#pragma once
// The hosts of a subnet that a search asks.
#include <bit>
#include <cstdint>

struct HostRange {
  uint32_t first;  // host order, inclusive
  uint32_t last;
};

// A search covers a subnet whole, up to a /16 (65534 hosts, the widest mask that the
// Subnets dialog takes); a wider subnet is cut to the /16 block that holds the address.
inline constexpr int kWidestPrefix = 16;

// The hosts of the subnet of `address` under `mask`, network and broadcast addresses
// left out. A mask counts by its leading one bits; /31 and /32 keep every address.
inline HostRange HostsOf(uint32_t address, uint32_t mask) {
  int prefix = std::countl_one(mask);
  if (prefix < kWidestPrefix) prefix = kWidestPrefix;
  const uint32_t network = prefix == 32 ? address : address & ~(0xFFFFFFFFu >> prefix);
  const uint32_t broadcast = prefix == 32 ? address : network | (0xFFFFFFFFu >> prefix);
  if (prefix >= 31) return {network, broadcast};
  return {network + 1, broadcast - 1};
}
