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

bool ReadPortConfig(PortConfig& config) {
  config.lprByteCounting = 0;
  config.rawPortNumber = 9100;
  config.biDiEnabled = 0;
  config.configUpdateInt = 30;
  config.statusUpdateInt = 10;

  UniqueKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, PortKeyPath(config).c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS)
    return false;
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

bool WritePortConfig(const PortConfig& config, bool snmpUpdated) {
  UniqueKey key;
  LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, PortKeyPath(config).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, key.put(), nullptr);
  if (rc != ERROR_SUCCESS) {
    SetLastError(static_cast<DWORD>(rc));
    return false;
  }
  WriteTextValue(key.get(), "DeviceIP", TextOf(config.deviceIP, sizeof config.deviceIP));
  WriteNumberValue(key.get(), "Protocal", config.protocol);
  WriteTextValue(key.get(), "LprQueue", TextOf(config.lprQueue, sizeof config.lprQueue));
  WriteNumberValue(key.get(), "LprByteCounting", config.lprByteCounting);
  WriteNumberValue(key.get(), "RawPortNumber", config.rawPortNumber);
  WriteNumberValue(key.get(), "BiDiEnabled", config.biDiEnabled);
  WriteTextValue(key.get(), "CommunityName", TextOf(config.communityName, sizeof config.communityName));
  WriteNumberValue(key.get(), "ConfigUpdateInt", config.configUpdateInt);
  WriteNumberValue(key.get(), "StatusUpdateInt", config.statusUpdateInt);
  WriteNumberValue(key.get(), "SnmpUpdated", snmpUpdated ? 1 : 0);
  return true;
}

bool IsWellFormedPortName(std::string_view name) {
  return !name.empty() && name.size() < sizeof PortConfig::portName &&
         name.find_first_of("\\,") == std::string_view::npos;
}
