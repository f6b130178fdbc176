#include "DriverStatus.h"

#include <windows.h>

#include <optional>
#include <string>

#include "BidiWordLayout.h"
#include "LittleEndian.h"
#include "MonitorRegistry.h"
#include "Unique.h"

namespace {

// The second little-endian 32-bit word of a value of the printer's driver data, read
// as up to 8 bytes; nothing when the key or value is missing or holds fewer bytes. The
// key is only read, so that a user without write access reads it too.
std::optional<uint32_t> SecondDriverWord(const char* printerName, const char* valueName) {
  std::string path = std::string(kPrintersKey) + "\\" + printerName + "\\PrinterDriverData";
  UniqueKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return std::nullopt;
  BYTE data[kBidiWordsSize] = {};
  DWORD size = sizeof data;
  if (RegQueryValueExA(key.get(), valueName, nullptr, nullptr, data, &size) != ERROR_SUCCESS || size < sizeof data)
    return std::nullopt;
  return LittleEndianWord(data + 4);
}

}  // namespace

uint32_t ReadPbdStatus(const char* printerName) { return SecondDriverWord(printerName, kPbdStatusValue).value_or(0); }

bool IsBiDiLinkEstablished(const char* printerName) {
  return IsLinkEstablished(SecondDriverWord(printerName, kPbdControlValue).value_or(0));
}
