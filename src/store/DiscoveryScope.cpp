#include "DiscoveryScope.h"

#include <winsock2.h>

#include "AddressClass.h"
#include "RegistryValue.h"
#include "Unique.h"

namespace {
constexpr uint32_t kDefaultMask = 0xFFFFFF00;  // 255.255.255.0
constexpr DWORD kSettleMs = 500;
constexpr DWORD kMaskQuerySize = 260;

std::vector<std::string> ValueNames(HKEY key) {
  std::vector<std::string> names;
  for (DWORD index = 0;; ++index) {
    char name[400] = {};
    DWORD nameSize = sizeof name;
    if (RegEnumValueA(key, index, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.emplace_back(name);
  }
  return names;
}
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
  for (const std::string& name : ValueNames(addresses.get())) {
    if (!maskUsable)
      scope.skipped.push_back(name + "/" + maskText);
    else if (!IsStorableSubnetAddress(name.c_str()))
      scope.skipped.push_back(name);
    else
      scope.subnets.emplace_back(DottedToHostOrder(name.c_str()), mask);
  }
  return scope;
}

std::optional<StoredScope> ReadStoredScope() {
  UniqueKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kDiscoveryKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return std::nullopt;
  char mask[kMaskQuerySize + 1] = {};
  ReadTextValue(key.get(), "SubnetMask", mask, sizeof mask, kMaskQuerySize);
  StoredScope scope{mask, {}};
  UniqueKey addresses;
  if (RegOpenKeyExA(key.get(), "SubnetAddresses", 0, KEY_READ, addresses.put()) == ERROR_SUCCESS)
    scope.addresses = ValueNames(addresses.get());
  return scope;
}

namespace {

// The addresses' subkey is had before anything changes, so that a scope that cannot be
// stored at all leaves the old one whole.
long WriteScope(const StoredScope& scope) {
  UniqueKey key, addresses;
  if (LONG error = RegCreateKeyExA(HKEY_LOCAL_MACHINE, kDiscoveryKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                   KEY_ALL_ACCESS, nullptr, key.put(), nullptr))
    return error;
  if (LONG error = RegCreateKeyExA(key.get(), "SubnetAddresses", 0, nullptr, REG_OPTION_NON_VOLATILE,
                                   KEY_READ | KEY_WRITE, nullptr, addresses.put(), nullptr))
    return error;
  for (const std::string& stale : ValueNames(addresses.get()))
    if (LONG error = RegDeleteValueA(addresses.get(), stale.c_str())) return error;
  for (const std::string& address : scope.addresses)
    if (LONG error = WriteTextValue(addresses.get(), address.c_str(), "")) return error;
  return WriteTextValue(key.get(), "SubnetMask", scope.mask);
}

}  // namespace

long StoreScope(const StoredScope& scope) {
  const std::optional<StoredScope> before = ReadStoredScope();
  const long error = WriteScope(scope);
  if (error == ERROR_SUCCESS) return error;
  if (before) WriteScope(*before);
  else RegDeleteTreeA(HKEY_LOCAL_MACHINE, kDiscoveryKey);
  return error;
}
