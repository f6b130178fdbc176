#include "MonitorPorts.h"

#include "PortKey.h"

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

TransferredPort ReadTransferredPort(const std::string& name) { return ReadStoredPort(name).port; }
