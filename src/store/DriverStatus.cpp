#include "DriverStatus.h"

#include <windows.h>

#include <string>

#include "Unique.h"

uint32_t ReadPbdStatus(const char* printerName) {
  std::string path = std::string("SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\") + printerName +
                     "\\PrinterDriverData";
  UniqueKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return 0;
  BYTE data[8] = {};
  DWORD size = sizeof data;
  if (RegQueryValueExA(key.get(), "PbdStatus", nullptr, nullptr, data, &size) != ERROR_SUCCESS || size < 8) return 0;
  return static_cast<uint32_t>(data[4]) | static_cast<uint32_t>(data[5]) << 8 | static_cast<uint32_t>(data[6]) << 16 |
         static_cast<uint32_t>(data[7]) << 24;
}
