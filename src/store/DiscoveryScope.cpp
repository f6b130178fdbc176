#include "DiscoveryScope.h"

#include <winsock2.h>

#include "Unique.h"

namespace {
constexpr uint32_t kDefaultMask = 0xFFFFFF00;  // 255.255.255.0
constexpr DWORD kSettleMs = 500;
}  // namespace

uint32_t DottedToHostOrder(const char* text) { return ntohl(inet_addr(text)); }

std::vector<std::pair<uint32_t, uint32_t>> ReadDiscoveryScope() {
  std::vector<std::pair<uint32_t, uint32_t>> subnets;
  UniqueKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kDiscoveryKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return subnets;

  char maskText[400] = {};
  DWORD size = 260;
  RegQueryValueExA(key.get(), "SubnetMask", nullptr, nullptr, reinterpret_cast<BYTE*>(maskText), &size);
  const uint32_t mask = maskText[0] != '\0' ? DottedToHostOrder(maskText) : kDefaultMask;

  UniqueKey addresses;
  if (RegOpenKeyExA(key.get(), "SubnetAddresses", 0, KEY_READ, addresses.put()) != ERROR_SUCCESS) return subnets;
  Sleep(kSettleMs);
  for (DWORD index = 0;; ++index) {
    char name[400] = {};
    DWORD nameSize = sizeof name;
    if (RegEnumValueA(addresses.get(), index, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    subnets.emplace_back(DottedToHostOrder(name), mask);
  }
  return subnets;
}
