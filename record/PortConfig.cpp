#include "PortConfig.h"

#include <windows.h>

#include <string>

#include "PortKey.h"
#include "PortStorage.h"
#include "TextField.h"
#include "Unique.h"

namespace {

std::string KeyPathOf(const PortConfig& config) {
  return PortKeyPath(TextOf(config.portName, sizeof config.portName));
}

LONG OpenPortKey(const PortConfig& config, PortKeyOpening opening, UniqueKey& key, bool& created) {
  DWORD disposition = 0;
  LONG rc = opening == PortKeyOpening::ExistingOnly
                ? RegOpenKeyExA(HKEY_LOCAL_MACHINE, KeyPathOf(config).c_str(), 0, KEY_ALL_ACCESS, key.put())
                : RegCreateKeyExA(HKEY_LOCAL_MACHINE, KeyPathOf(config).c_str(), 0, nullptr,
                                  REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, key.put(), &disposition);
  created = disposition == REG_CREATED_NEW_KEY;
  return rc;
}

bool WritePort(const StoredPort& port, PortKeyOpening opening, ValueSetter setValue, PortValueSet which) {
  UniqueKey key;
  bool created = false;
  LONG rc = OpenPortKey(port.config, opening, key, created);
  if (rc == ERROR_SUCCESS) rc = WritePortValues(key.get(), port, setValue, which);
  if (rc != ERROR_SUCCESS && created) {
    key.reset();
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, KeyPathOf(port.config).c_str());
  }
  SetLastError(static_cast<DWORD>(rc));
  return rc == ERROR_SUCCESS;
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
  CopyText(config.ippUri, "");
  CopyText(config.ippDocumentFormat, kDefaultIppDocumentFormat);
}

bool ReadPortConfig(PortConfig& config) {
  // The numbers take their defaults even when the key cannot be opened; the texts and
  // the protocol keep what the record holds.
  SetNumberDefaults(config);
  StoredPort port{config, 0, {}, {}, {}};
  UniqueKey key;
  const LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, KeyPathOf(config).c_str(), 0, KEY_READ, key.put());
  if (rc == ERROR_SUCCESS) ReadPortValues(key.get(), port);
  config = port.config;
  SetLastError(static_cast<DWORD>(rc));
  return rc == ERROR_SUCCESS;
}

bool WritePortConfig(const PortConfig& config, bool snmpUpdated, PortKeyOpening opening,
                     ValueSetter setValue) {
  return WritePort(StoredPort{config, snmpUpdated ? 1u : 0u, {}, {}, {}}, opening, setValue, PortValueSet::Record);
}

bool WriteStoredPort(const StoredPort& port, PortKeyOpening opening) {
  return WritePort(port, opening, &RegSetValueExA, PortValueSet::All);
}

bool IsWellFormedPortName(std::string_view name) { return !NameRefusal(name); }
