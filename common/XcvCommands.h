#pragma once
// What PraloLpr.dll answers through the spooler's XcvData, for its UI library and for
// scripts: OpenPrinter on kXcvMonitorPrinter (with SERVER_ACCESS_ADMINISTER to change
// ports), then XcvData with one of these commands.
//
//   "MonitorUI"   out: the UI library's file name, UTF-16, terminated
//   "AddPort"     in:  a PortConfig record (its bytes) of a new port       administer
//   "ConfigPort"  in:  a PortConfig record of an existing port             administer
//   "DeletePort"  in:  the port's name, UTF-16, terminated                 administer
//   "GetConfig"   in:  the port's name;  out: its PortConfig record, the community
//                 empty for a caller without administer access
//
// The status is a Win32 error code: ERROR_ACCESS_DENIED without administer access,
// ERROR_INVALID_NAME for a name that cannot name a port, ERROR_ALREADY_EXISTS for a
// name that a port has in any letter case, ERROR_UNKNOWN_PORT for a port that is not
// the monitor's, ERROR_BUSY for a port that a printer uses, ERROR_INVALID_DATA for
// input of the wrong size, an unterminated text or a value that a port may not hold
// (record/PortValues.h). A PortConfig holds only 32-bit
// numbers and texts, so its bytes are the same for 32-bit and 64-bit callers.
#include "MonitorRegistry.h"

inline constexpr char kXcvMonitorPrinter[] = "," "XcvMonitor " PRALO_MONITOR_NAME;
inline constexpr wchar_t kXcvMonitorUi[] = L"MonitorUI";
inline constexpr wchar_t kXcvAddPort[] = L"AddPort";
inline constexpr wchar_t kXcvConfigPort[] = L"ConfigPort";
inline constexpr wchar_t kXcvDeletePort[] = L"DeletePort";
inline constexpr wchar_t kXcvGetConfig[] = L"GetConfig";
