#include "SpoolerLists.h"

#include <winspool.h>

#include <cstring>

std::vector<std::string> SpoolerPortNames() {
  DWORD count = 0;
  std::vector<BYTE> buffer = SpoolerEnumeration(
      [](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
        return EnumPortsA(nullptr, 1, data, size, needed, returned);
      },
      count);
  const auto* ports = reinterpret_cast<const PORT_INFO_1A*>(buffer.data());
  std::vector<std::string> names;
  for (DWORD i = 0; i < count; ++i) names.emplace_back(ports[i].pName != nullptr ? ports[i].pName : "");
  return names;
}

std::string PrinterAttachedTo(const char* portName) {
  DWORD count = 0;
  std::vector<BYTE> buffer = SpoolerEnumeration(
      [](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
        return EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, data, size, needed, returned);
      },
      count);
  const auto* printers = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
  for (DWORD i = 0; i < count; ++i) {
    if (printers[i].pPortName != nullptr && printers[i].pPrinterName != nullptr &&
        std::strcmp(printers[i].pPortName, portName) == 0)
      return printers[i].pPrinterName;
  }
  return {};
}
