#include "PrinterIndex.h"

#include <windows.h>

#include "PortUse.h"

bool PrinterIndex::NameLess::operator()(const std::wstring& a, const std::wstring& b) const {
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
         CSTR_LESS_THAN;
}

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
