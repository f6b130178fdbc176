#include "PortUse.h"

#include <windows.h>

#include <string>
#include <vector>

#include "MonitorRegistry.h"
#include "PortList.h"
#include "PortNameCompare.h"
#include "PortNames.h"
#include "Unique.h"

namespace {

// A text value of any length, cut at its first NUL; empty when it is missing or not text.
std::wstring TextValue(const std::wstring& path, const wchar_t* name) {
  UniqueKey key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return {};
  std::vector<wchar_t> data;
  DWORD type = 0, size = 0;
  LONG rc = ERROR_MORE_DATA;
  while (rc == ERROR_MORE_DATA) {  // sized anew when the value grew meanwhile
    data.assign(size / sizeof(wchar_t) + 2, L'\0');  // an odd size included
    size = static_cast<DWORD>((data.size() - 1) * sizeof(wchar_t));
    rc = RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
  }
  if (rc != ERROR_SUCCESS || type != REG_SZ) return {};
  return data.data();
}

// True when a printer's comma-separated port list names the port, in any letter case.
bool PortListNames(const std::wstring& ports, const wchar_t* portName) {
  for (std::wstring_view entry : PortListEntries(std::wstring_view(ports)))
    if (SamePortName(entry, portName)) return true;
  return false;
}

}  // namespace

bool PrinterUsesPort(const wchar_t* portName) { return !PrintersUsingPort(portName).empty(); }

std::vector<std::wstring> PrintersUsingPort(const wchar_t* portName) {
  std::vector<std::wstring> printers;
  for (const std::wstring& printer : SubkeyNames(kPrintersKeyW))
    if (PortListNames(TextValue(std::wstring(kPrintersKeyW) + L"\\" + printer, L"Port"), portName))
      printers.push_back(printer);
  return printers;
}

std::vector<std::wstring> PortsOfPrinter(const std::wstring& printer) {
  const std::wstring list = TextValue(std::wstring(kPrintersKeyW) + L"\\" + printer, L"Port");
  std::vector<std::wstring> ports;
  for (std::wstring_view entry : PortListEntries(std::wstring_view(list))) ports.emplace_back(entry);
  return ports;
}
