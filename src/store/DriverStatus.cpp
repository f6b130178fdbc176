#include "DriverStatus.h"

#include <windows.h>

#include <optional>
#include <string>

#include "LittleEndian.h"
#include "MonitorRegistry.h"
#include "Unique.h"

namespace {

// The second little-endian 32-bit word of a value of the printer's driver data, read
// as up to 8 bytes; nothing when the key or value is missing or holds fewer bytes.
std::optional<uint32_t> SecondDriverWord(const char* printerName, const char* valueName) {
  std::string path = std::string(kPrintersKey) + "\\" + printerName + "\\PrinterDriverData";
  UniqueKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return std::nullopt;
  BYTE data[8] = {};
  DWORD size = sizeof data;
  if (RegQueryValueExA(key.get(), valueName, nullptr, nullptr, data, &size) != ERROR_SUCCESS || size < 8)
    return std::nullopt;
  return LittleEndianWord(data + 4);
}

}  // namespace

uint32_t ReadPbdStatus(const char* printerName) { return SecondDriverWord(printerName, "PbdStatus").value_or(0); }

bool IsBiDiLinkEstablished(const char* printerName) {
  constexpr uint32_t kLinkBits = 0x01000003;
  return (SecondDriverWord(printerName, "PbdControl").value_or(0) & kLinkBits) >= 3;
}
