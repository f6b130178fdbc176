#include "DriverStatus.h"

#include <windows.h>

#include <optional>
#include <string>

#include "LittleEndian.h"
#include "MonitorRegistry.h"
#include "Unique.h"

namespace {

enum class DriverData { OpenOnly, CreateIfMissing };

// The second little-endian 32-bit word of a value of the printer's driver data, read
// as up to 8 bytes; nothing when the key or value is missing or holds fewer bytes.
std::optional<uint32_t> SecondDriverWord(const char* printerName, const char* valueName, DriverData opening) {
  std::string path = std::string(kPrintersKey) + "\\" + printerName + "\\PrinterDriverData";
  UniqueKey key;
  LONG rc = opening == DriverData::OpenOnly
                ? RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.put())
                : RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_ALL_ACCESS, nullptr, key.put(), nullptr);
  if (rc != ERROR_SUCCESS) return std::nullopt;
  BYTE data[8] = {};
  DWORD size = sizeof data;
  if (RegQueryValueExA(key.get(), valueName, nullptr, nullptr, data, &size) != ERROR_SUCCESS || size < 8)
    return std::nullopt;
  return LittleEndianWord(data + 4);
}

}  // namespace

uint32_t ReadPbdStatus(const char* printerName) {
  return SecondDriverWord(printerName, "PbdStatus", DriverData::OpenOnly).value_or(0);
}

bool IsBiDiLinkEstablished(const char* printerName) {
  constexpr uint32_t kLinkBits = 0x01000003;
  return (SecondDriverWord(printerName, "PbdControl", DriverData::CreateIfMissing).value_or(0) & kLinkBits) >= 3;
}
