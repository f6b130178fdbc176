#pragma once
// What PraloLpr.dll answers through the spooler's XcvData, for its UI library and for
// scripts: OpenPrinter on kXcvMonitorPrinter (with SERVER_ACCESS_ADMINISTER to change
// ports), then XcvData with one of these commands.
//
//   "MonitorUI"   out: the UI library's file name, UTF-16, terminated
//   "AddPort"     in:  an XcvPortRecord of a new port                      administer
//   "ConfigPort"  in:  an XcvPortRecord of an existing port                administer
//   "DeletePort"  in:  the port's name, UTF-16, terminated                 administer
//   "GetConfig"   in:  the port's name;  out: its XcvPortRecord, the community
//                 empty for a caller without administer access
//
// The status is a Win32 error code: ERROR_ACCESS_DENIED without administer access,
// ERROR_INVALID_NAME for a name that cannot name a port, ERROR_ALREADY_EXISTS for a
// name that a port has in any letter case, ERROR_UNKNOWN_PORT for a port that is not
// the monitor's, ERROR_BUSY for a port that a printer uses, ERROR_INVALID_DATA for
// input of the wrong size, an unterminated text or a value that a port may not hold
// (record/PortValues.h).
#include <cstdint>

#include "MonitorRegistry.h"

inline constexpr char kXcvMonitorPrinter[] = "," "XcvMonitor " PRALO_MONITOR_NAME;
inline constexpr wchar_t kXcvMonitorUi[] = L"MonitorUI";
inline constexpr wchar_t kXcvAddPort[] = L"AddPort";
inline constexpr wchar_t kXcvConfigPort[] = L"ConfigPort";
inline constexpr wchar_t kXcvDeletePort[] = L"DeletePort";
inline constexpr wchar_t kXcvGetConfig[] = L"GetConfig";

// A port's record as "AddPort" and "ConfigPort" take it and "GetConfig" answers it. It
// starts with the port's UTF-16 name because Windows' local spooler, once a monitor's
// "AddPort" succeeds, reads the input as the new port's UTF-16 name and lists the port
// under it; a name that the system's ANSI code page cannot hold is refused
// (ERROR_INVALID_NAME), as the port's key keeps it in that code page. The other texts are
// in that code page, as the registry keeps them; every text is terminated in its field.
// Only 32-bit numbers and texts, no padding: the same bytes for 32-bit and 64-bit callers.
struct XcvPortRecord {
  wchar_t portName[100];
  uint32_t protocol;  // 9100 raw, 515 LPR
  uint32_t rawPortNumber;
  uint32_t lprByteCounting;
  uint32_t biDiEnabled;
  uint32_t configUpdateInt;  // seconds
  uint32_t statusUpdateInt;  // seconds
  char deviceIP[256];
  char lprQueue[100];
  char communityName[50];
  char reserved[2];  // 0
};
static_assert(sizeof(wchar_t) == 2 && sizeof(XcvPortRecord) == 632, "the record's bytes are the contract");
