#include "MonitorPorts.h"

#include "MonitorRegistry.h"
#include "RegistryValue.h"
#include "Unique.h"

namespace {
constexpr DWORD kValueQuerySize = 261;  // as the port record reads its values
}  // namespace

std::map<std::string, SpoolerPort, PortNameLess> PortsByName() {
  std::map<std::string, SpoolerPort, PortNameLess> ports;
  for (SpoolerPort& port : SpoolerPorts()) ports.emplace(port.name, std::move(port));
  return ports;
}

PrinterUseIndex PrinterUse() {
  PrinterUseIndex index;
  for (const SpoolerPrinter& printer : LocalPrinters(5)) index.Add(printer.name, printer.ports);
  return index;
}

TransferredPort ReadTransferredPort(const std::string& name) {
  TransferredPort port;
  ResetPortConfig(port.config, name.c_str());
  ReadPortConfig(port.config);
  UniqueKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, (std::string(kPortNamesKey) + "\\" + name).c_str(), 0, KEY_READ, key.put()) ==
      ERROR_SUCCESS)
    ReadNumberValue(key.get(), "SnmpUpdated", port.snmpUpdated, kValueQuerySize);
  return port;
}
