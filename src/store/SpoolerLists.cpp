#include "SpoolerLists.h"

#include <winspool.h>

#include <string_view>

#include "PortList.h"

namespace {

// Calls a spooler enumeration twice, first for the size it needs, and turns each
// record into an item; nothing when the spooler has nothing or fails.
template <typename Info, typename Item, typename Enumerate, typename Convert>
std::vector<Item> Enumerated(Enumerate enumerate, Convert convert) {
  DWORD needed = 0, returned = 0;
  enumerate(nullptr, 0, &needed, &returned);
  if (needed == 0) return {};
  std::vector<BYTE> buffer(needed + 1);
  if (!enumerate(buffer.data(), needed + 1, &needed, &returned)) return {};
  std::vector<Item> items;
  const auto* records = reinterpret_cast<const Info*>(buffer.data());
  for (DWORD i = 0; i < returned; ++i) items.push_back(convert(records[i]));
  return items;
}

std::string TextOrEmpty(const char* text) { return text != nullptr ? text : ""; }

template <typename Info>
std::vector<SpoolerPrinter> PrintersAt(DWORD level) {
  return Enumerated<Info, SpoolerPrinter>(
      [level](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
        return EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, level, data, size, needed, returned);
      },
      [](const Info& info) { return SpoolerPrinter{TextOrEmpty(info.pPrinterName), TextOrEmpty(info.pPortName)}; });
}

}  // namespace

std::vector<std::string> SpoolerPortNames() {
  return Enumerated<PORT_INFO_1A, std::string>(
      [](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
        return EnumPortsA(nullptr, 1, data, size, needed, returned);
      },
      [](const PORT_INFO_1A& info) { return TextOrEmpty(info.pName); });
}

std::vector<SpoolerPort> SpoolerPorts() {
  return Enumerated<PORT_INFO_2A, SpoolerPort>(
      [](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
        return EnumPortsA(nullptr, 2, data, size, needed, returned);
      },
      [](const PORT_INFO_2A& info) { return SpoolerPort{TextOrEmpty(info.pPortName), TextOrEmpty(info.pMonitorName)}; });
}

std::vector<SpoolerPrinter> LocalPrinters(DWORD level) {
  return level == 5 ? PrintersAt<PRINTER_INFO_5A>(5) : PrintersAt<PRINTER_INFO_2A>(2);
}

std::string PrinterAttachedTo(const char* portName) {
  for (const SpoolerPrinter& printer : LocalPrinters(2))
    if (printer.ports == portName) return printer.name;
  return {};
}


void PrinterUseIndex::Add(const std::string& printerName, const std::string& printerPorts) {
  for (std::string_view entry : PortListEntries(std::string_view(printerPorts))) {
    const std::string port(entry);
    if (m_lastAdded[port] == printerName) continue;
    std::string& names = m_printers[port];
    names += (names.empty() ? "" : ", ") + printerName;
    m_lastAdded[port] = printerName;
  }
}

const std::string& PrinterUseIndex::PrintersOf(const std::string& portName) const {
  static const std::string none;
  auto found = m_printers.find(portName);
  return found != m_printers.end() ? found->second : none;
}
