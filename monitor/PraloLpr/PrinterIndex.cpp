#include "PrinterIndex.h"

#include "PortUse.h"

void PrinterIndex::Rebuild() {
  printers_.clear();
  for (auto& [printer, ports] : PrintersAndTheirPorts())
    for (const std::wstring& port : ports)
      if (!port.empty()) printers_[port].push_back(printer);
}

const std::vector<std::wstring>& PrinterIndex::PrintersOf(const std::wstring& port) const {
  static const std::vector<std::wstring> kNone;
  const auto found = printers_.find(port);
  return found == printers_.end() ? kNone : found->second;
}
