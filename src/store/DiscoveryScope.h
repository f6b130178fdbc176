#pragma once
// The search scope stored in the monitor's Discovery key: a mask and subnet addresses.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "MonitorRegistry.h"

struct DiscoveryScope {
  // (address, mask) pairs in host order, in the registry's enumeration order.
  std::vector<std::pair<uint32_t, uint32_t>> subnets;
  // The stored texts left out: addresses that are not unicast (0.x, 224.x and up) and,
  // under a mask that is not contiguous, every address, named with the mask.
  std::vector<std::string> skipped;
};

// The stored scope; no subnets without a key or a "SubnetAddresses" subkey. Dotted
// texts convert as inet_addr does: octal and hex parts, all ones for a bad text. A
// missing or empty mask stands for 255.255.255.0. Waits 500 ms before it reads the
// addresses, when there is a "SubnetAddresses" subkey.
DiscoveryScope ReadDiscoveryScope();

// The 32-bit value of a dotted text, as inet_addr and then htonl give it.
uint32_t DottedToHostOrder(const char* text);

// What the Subnets dialog stores: a subnet address that is unicast (127.x included),
// a mask that is contiguous.
bool IsStorableSubnetAddress(const char* dotted);
bool IsStorableSubnetMask(const char* dotted);

// The scope as the Subnets dialog stores it: the mask and the subnet addresses as typed.
struct StoredScope {
  std::string mask;
  std::vector<std::string> addresses;
};

// The stored scope's texts, the addresses in the registry's enumeration order; nothing
// without a Discovery key.
std::optional<StoredScope> ReadStoredScope();
// Replaces the stored scope as a whole, as the Subnets dialog's OK does; the registry's
// error code, 0 when every value was written. A scope that cannot be written whole
// leaves the one stored before (or none) in its place.
long StoreScope(const StoredScope& scope);
