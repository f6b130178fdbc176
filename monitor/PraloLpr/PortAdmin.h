#pragma once
// The port work that the monitor does on request: the spooler's DeletePort, and the
// XcvData commands of its UI library and of scripts. Each keeps the Port Manager's rules
// and answers a Win32 error code, 0 when done.
#include <windows.h>

#include "PortConfig.h"

// A new port from its record: refused when its name is not well formed or a port of the
// machine has it in any letter case.
DWORD AddPortFromRecord(const PortConfig& config);
// An existing port of the monitor; "SnmpUpdated" is set when the address or the
// community differs from the stored one.
DWORD ConfigurePortFromRecord(const PortConfig& config);
// Each entry that names an existing port refuses, as ERROR_UNKNOWN_PORT, a name that
// cannot name a port or is not among the monitor's ports.
// Refused with ERROR_BUSY while a printer prints to the port.
DWORD RemovePort(const wchar_t* portName);
// The stored record of one of the monitor's ports.
DWORD ReadPortRecord(const wchar_t* portName, PortConfig& config);
