#include "PortConfig.h"

#include <windows.h>

#include <string>

#include "MonitorRegistry.h"
#include "RegistryValue.h"
#include "TextField.h"
#include "Unique.h"

namespace {

// Each value is queried into a buffer of this size; larger data counts as missing.
constexpr DWORD kValueQuerySize = 261;

std::string PortKeyPath(const PortConfig& config) {
  return std::string(kPortNamesKey) + "\\" + std::string(TextOf(config.portName, sizeof config.portName));
}

}  // namespace

void ResetPortConfig(PortConfig& config, const char* portName) {
  config.modelIndex = -1;
  CopyText(config.portName, portName != nullptr ? portName : "");
  CopyText(config.deviceIP, "");
  CopyText(config.lprQueue, "");
  CopyText(config.communityName, "");
  config.rawPortNumber = 0;
  config.protocol = kProtocolRaw;
  config.lprByteCounting = 0;
  config.biDiEnabled = 0;
  config.configUpdateInt = 30;
  config.statusUpdateInt = 10;
}

void SetNewPortDefaults(PortConfig& config) {
  config.lprByteCounting = 0;
  config.rawPortNumber = 9100;
  config.biDiEnabled = 0;
  config.configUpdateInt = 30;
  config.statusUpdateInt = 10;
}

bool ReadPortConfig(PortConfig& config) {
  SetNewPortDefaults(config);
  UniqueKey key;
  if (LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, PortKeyPath(config).c_str(), 0, KEY_READ, key.put());
      rc != ERROR_SUCCESS) {
    SetLastError(static_cast<DWORD>(rc));
    return false;
  }
  ReadTextValue(key.get(), "DeviceIP", config.deviceIP, sizeof config.deviceIP, kValueQuerySize);
  ReadTextValue(key.get(), "CommunityName", config.communityName, sizeof config.communityName, kValueQuerySize);
  ReadNumberValue(key.get(), "Protocal", config.protocol, kValueQuerySize);
  ReadTextValue(key.get(), "LprQueue", config.lprQueue, sizeof config.lprQueue, kValueQuerySize);
  ReadNumberValue(key.get(), "LprByteCounting", config.lprByteCounting, kValueQuerySize);
  ReadNumberValue(key.get(), "RawPortNumber", config.rawPortNumber, kValueQuerySize);
  ReadNumberValue(key.get(), "BiDiEnabled", config.biDiEnabled, kValueQuerySize);
  ReadNumberValue(key.get(), "ConfigUpdateInt", config.configUpdateInt, kValueQuerySize);
  ReadNumberValue(key.get(), "StatusUpdateInt", config.statusUpdateInt, kValueQuerySize);
  return true;
}

namespace {

LONG OpenPortKey(const PortConfig& config, PortKeyOpening opening, UniqueKey& key, bool& created) {
  DWORD disposition = 0;
  LONG rc = opening == PortKeyOpening::ExistingOnly
                ? RegOpenKeyExA(HKEY_LOCAL_MACHINE, PortKeyPath(config).c_str(), 0, KEY_ALL_ACCESS, key.put())
                : RegCreateKeyExA(HKEY_LOCAL_MACHINE, PortKeyPath(config).c_str(), 0, nullptr,
                                  REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, key.put(), &disposition);
  created = disposition == REG_CREATED_NEW_KEY;
  return rc;
}

// Sets the ten values in their order; the first failure ends it with its code.
LONG SetPortValues(HKEY key, const PortConfig& config, bool snmpUpdated, ValueSetter set) {
  LONG rc = WriteTextValue(key, "DeviceIP", TextOf(config.deviceIP, sizeof config.deviceIP), set);
  if (rc == ERROR_SUCCESS) rc = WriteNumberValue(key, "Protocal", config.protocol, set);
  if (rc == ERROR_SUCCESS) rc = WriteTextValue(key, "LprQueue", TextOf(config.lprQueue, sizeof config.lprQueue), set);
  if (rc == ERROR_SUCCESS) rc = WriteNumberValue(key, "LprByteCounting", config.lprByteCounting, set);
  if (rc == ERROR_SUCCESS) rc = WriteNumberValue(key, "RawPortNumber", config.rawPortNumber, set);
  if (rc == ERROR_SUCCESS) rc = WriteNumberValue(key, "BiDiEnabled", config.biDiEnabled, set);
  if (rc == ERROR_SUCCESS)
    rc = WriteTextValue(key, "CommunityName", TextOf(config.communityName, sizeof config.communityName), set);
  if (rc == ERROR_SUCCESS) rc = WriteNumberValue(key, "ConfigUpdateInt", config.configUpdateInt, set);
  if (rc == ERROR_SUCCESS) rc = WriteNumberValue(key, "StatusUpdateInt", config.statusUpdateInt, set);
  if (rc == ERROR_SUCCESS) rc = WriteNumberValue(key, "SnmpUpdated", snmpUpdated ? 1 : 0, set);
  return rc;
}

}  // namespace

bool WritePortConfig(const PortConfig& config, bool snmpUpdated, PortKeyOpening opening,
                     ValueSetter setValue) {
  UniqueKey key;
  bool created = false;
  LONG rc = OpenPortKey(config, opening, key, created);
  if (rc == ERROR_SUCCESS) rc = SetPortValues(key.get(), config, snmpUpdated, setValue);
  if (rc != ERROR_SUCCESS && created) {
    key.reset();
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, PortKeyPath(config).c_str());
  }
  SetLastError(static_cast<DWORD>(rc));
  return rc == ERROR_SUCCESS;
}

bool IsWellFormedPortName(std::string_view name) {
  return !name.empty() && name.size() < sizeof PortConfig::portName &&
         name.find_first_of("\\,") == std::string_view::npos;
}
