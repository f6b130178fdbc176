#include "DiscoveryScope.h"

#include <winsock2.h>

#include "AddressClass.h"
#include "Unique.h"

namespace {
constexpr uint32_t kDefaultMask = 0xFFFFFF00;  // 255.255.255.0
constexpr DWORD kSettleMs = 500;
}  // namespace

uint32_t DottedToHostOrder(const char* text) { return ntohl(inet_addr(text)); }

bool IsStorableSubnetAddress(const char* dotted) { return IsUnicastAddress(DottedToHostOrder(dotted)); }

bool IsStorableSubnetMask(const char* dotted) { return IsContiguousMask(DottedToHostOrder(dotted)); }

DiscoveryScope ReadDiscoveryScope() {
  DiscoveryScope scope;
  UniqueKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kDiscoveryKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return scope;

  char maskText[400] = {};
  DWORD size = 260;
  RegQueryValueExA(key.get(), "SubnetMask", nullptr, nullptr, reinterpret_cast<BYTE*>(maskText), &size);
  const bool maskGiven = maskText[0] != '\0';
  const uint32_t mask = maskGiven ? DottedToHostOrder(maskText) : kDefaultMask;
  const bool maskUsable = !maskGiven || IsStorableSubnetMask(maskText);

  UniqueKey addresses;
  if (RegOpenKeyExA(key.get(), "SubnetAddresses", 0, KEY_READ, addresses.put()) != ERROR_SUCCESS) return scope;
  Sleep(kSettleMs);
  for (DWORD index = 0;; ++index) {
    char name[400] = {};
    DWORD nameSize = sizeof name;
    if (RegEnumValueA(addresses.get(), index, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    if (!maskUsable)
      scope.skipped.push_back(std::string(name) + "/" + maskText);
    else if (!IsStorableSubnetAddress(name))
      scope.skipped.push_back(name);
    else
      scope.subnets.emplace_back(DottedToHostOrder(name), mask);
  }
  return scope;
}
