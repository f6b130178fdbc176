#include "PortUse.h"

#include <windows.h>

#include <string>

#include "MonitorRegistry.h"
#include "PortNameCompare.h"
#include "PortNames.h"
#include "Unique.h"

namespace {

// A text value, cut at its first NUL; empty when it is missing or not text.
std::wstring TextValue(const std::wstring& path, const wchar_t* name) {
  UniqueKey key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return {};
  wchar_t data[1024] = {};
  DWORD type = 0, size = sizeof data - sizeof(wchar_t);
  if (RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS ||
      type != REG_SZ)
    return {};
  return data;
}

std::wstring Trimmed(const std::wstring& text) {
  size_t first = text.find_first_not_of(L" \t");
  if (first == std::wstring::npos) return {};
  return text.substr(first, text.find_last_not_of(L" \t") - first + 1);
}

// The names of a printer's comma-separated port list.
std::vector<std::wstring> PortListEntries(const std::wstring& ports) {
  std::vector<std::wstring> entries;
  for (size_t start = 0; start <= ports.size();) {
    size_t comma = ports.find(L',', start);
    if (comma == std::wstring::npos) comma = ports.size();
    entries.push_back(Trimmed(ports.substr(start, comma - start)));
    start = comma + 1;
  }
  return entries;
}

// True when a printer's port list names the port, in any letter case.
bool PortListNames(const std::wstring& ports, const wchar_t* portName) {
  for (const std::wstring& entry : PortListEntries(ports))
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


std::vector<std::pair<std::wstring, std::vector<std::wstring>>> PrintersAndTheirPorts() {
  std::vector<std::pair<std::wstring, std::vector<std::wstring>>> printers;
  for (const std::wstring& printer : SubkeyNames(kPrintersKeyW))
    printers.emplace_back(printer, PortListEntries(TextValue(std::wstring(kPrintersKeyW) + L"\\" + printer, L"Port")));
  return printers;
}
