#include "PortAdmin.h"

#include <winspool.h>

#include <string>
#include <vector>

#include "AnsiText.h"
#include "MonitorRegistry.h"
#include "PortKey.h"
#include "PortNameCompare.h"
#include "PortNames.h"
#include "PortUse.h"
#include "TextField.h"

namespace {

std::wstring PortNameOf(const PortConfig& config) { return WideText(TextOf(config.portName, sizeof config.portName)); }

// The ports of every monitor of the machine, as the spooler lists them.
std::vector<std::wstring> SpoolerPortNames() {
  DWORD needed = 0, returned = 0;
  EnumPortsW(nullptr, 1, nullptr, 0, &needed, &returned);
  std::vector<BYTE> buffer(needed);
  std::vector<std::wstring> names;
  if (needed == 0 || !EnumPortsW(nullptr, 1, buffer.data(), needed, &needed, &returned)) return names;
  for (DWORD i = 0; i < returned; ++i) names.emplace_back(reinterpret_cast<const PORT_INFO_1W*>(buffer.data())[i].pName);
  return names;
}

bool AnyNamed(const std::vector<std::wstring>& names, const std::wstring& name) {
  for (const std::wstring& candidate : names)
    if (SamePortName(candidate, name)) return true;
  return false;
}

bool IsMonitorPort(const std::wstring& name) { return AnyNamed(SubkeyNames(kPortNamesKeyW), name); }

// The guard of every entry that takes an existing port's name: a name that cannot name
// a port, an empty one among them, or that is not among the monitor's ports is refused
// before anything is read or deleted.
DWORD KnownPort(const wchar_t* portName) {
  if (portName == nullptr) return ERROR_INVALID_PARAMETER;
  if (!IsWellFormedPortName(AnsiText(portName)) || !IsMonitorPort(portName)) return ERROR_UNKNOWN_PORT;
  return ERROR_SUCCESS;
}

// The spooler finds a port's monitor through the mirror of its ports: a new port is
// listed at once.
DWORD Written(const PortConfig& config, bool snmpUpdated, PortKeyOpening opening) {
  if (!WritePortConfig(config, snmpUpdated, opening)) return GetLastError();
  CurrentPortNames();
  return ERROR_SUCCESS;
}

}  // namespace

DWORD AddPortFromRecord(const PortConfig& config) {
  if (!IsWellFormedPortName(TextOf(config.portName, sizeof config.portName))) return ERROR_INVALID_NAME;
  const std::wstring name = PortNameOf(config);
  if (AnyNamed(SpoolerPortNames(), name) || IsMonitorPort(name)) return ERROR_ALREADY_EXISTS;
  return Written(config, false, PortKeyOpening::CreateIfMissing);
}

DWORD ConfigurePortFromRecord(const PortConfig& record) {
  PortConfig stored{};
  const std::wstring name = PortNameOf(record);
  if (DWORD error = ReadPortRecord(name.c_str(), stored); error != ERROR_SUCCESS) return error;
  const bool snmpUpdated =
      TextOf(stored.deviceIP, sizeof stored.deviceIP) != TextOf(record.deviceIP, sizeof record.deviceIP) ||
      TextOf(stored.communityName, sizeof stored.communityName) !=
          TextOf(record.communityName, sizeof record.communityName);
  // XcvData's record carries no IPP settings: an IPP port stays one.
  PortConfig config = record;
  CopyText(config.ippUri, TextOf(stored.ippUri, sizeof stored.ippUri));
  CopyText(config.ippDocumentFormat, TextOf(stored.ippDocumentFormat, sizeof stored.ippDocumentFormat));
  return Written(config, snmpUpdated, PortKeyOpening::ExistingOnly);  // one deleted meanwhile stays gone
}

// A port that a printer still prints to stays, as the spooler of Windows keeps it.
DWORD RemovePort(const wchar_t* portName) {
  if (DWORD error = KnownPort(portName); error != ERROR_SUCCESS) return error;
  if (PrinterUsesPort(portName)) return ERROR_BUSY;
  LONG rc = RegDeleteKeyW(HKEY_LOCAL_MACHINE, PortKeyPath(std::wstring_view(portName)).c_str());
  if (rc != ERROR_SUCCESS) return static_cast<DWORD>(rc);
  ForgetMirroredPort(portName);
  return ERROR_SUCCESS;
}

DWORD ReadPortRecord(const wchar_t* portName, PortConfig& config) {
  if (DWORD error = KnownPort(portName); error != ERROR_SUCCESS) return error;
  const PortReading reading = ReadStoredPort(AnsiText(portName));
  config = reading.port.config;
  return reading.error == ERROR_SUCCESS ? ERROR_SUCCESS : ERROR_UNKNOWN_PORT;
}
