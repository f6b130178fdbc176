#pragma once
// One port's settings, and the port's registry key under the monitor's "Port Names".
#include <cstdint>
#include <string_view>

#ifdef _WIN32
#include "RegistryValue.h"  // the value setter, which a test may replace
#endif

struct PortConfig {
  int32_t modelIndex;  // catalogue entry; 0 not identified, -1 a Custom type; never stored
  char portName[100];
  char deviceIP[256];
  char lprQueue[100];
  char communityName[50];
  uint32_t rawPortNumber;
  uint32_t protocol;  // 9100 raw, 515 LPR
  uint32_t lprByteCounting;
  uint32_t biDiEnabled;
  uint32_t configUpdateInt;  // seconds
  uint32_t statusUpdateInt;  // seconds
  // A port that prints over IPP: the printer's "ipp://" or "ipps://" URI; empty for raw
  // and LPR, which the protocol above then chooses.
  char ippUri[256];
  char ippDocumentFormat[128];  // what the job's bytes are, as IPP names it
};

inline constexpr uint32_t kProtocolRaw = 9100;
inline constexpr uint32_t kProtocolLpr = 515;
// The LPD queue of a record that names none, as the configuration dialog shows it and the
// monitor prints to it.
inline constexpr char kDefaultLprQueue[] = "raw";
// What an IPP port calls its jobs when the record names no format: bytes the printer
// takes as the driver made them.
inline constexpr char kDefaultIppDocumentFormat[] = "application/octet-stream";

void ResetPortConfig(PortConfig& config, const char* portName = nullptr);
// Loads the values of the key named by portName, over the numbers' defaults
// (SetNumberDefaults); false when the key cannot be opened, with the registry's error
// code for GetLastError.
bool ReadPortConfig(PortConfig& config);
enum class PortKeyOpening {
  CreateIfMissing,  // a new port, or one the wizard writes
  ExistingOnly,     // a port being changed: one deleted meanwhile is not made again
};

#ifdef _WIN32
// Opens (or creates) the key and stores the record's ten values, so that the port keeps
// its SNMP choice (PortValues.h); false when the key cannot be had
// or a value cannot be set, with the registry's error code for GetLastError (2 for a
// key that does not exist where it must). A key this call created is removed again
// after a failed value, so that no half port is left; an existing key keeps the values
// set before the failed one, and its old values from there on.
bool WritePortConfig(const PortConfig& config, bool snmpUpdated,
                     PortKeyOpening opening = PortKeyOpening::CreateIfMissing,
                     ValueSetter setValue = &RegSetValueExA);  // a test's may refuse
#endif

// Whether a text can name a port's key: 1 to 99 characters (the record's field), no
// backslash (it would name a nested key) and no comma (it would split the port lists of
// printers).
bool IsWellFormedPortName(std::string_view name);
