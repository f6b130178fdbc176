#pragma once
// Tells the spooler the state of a port's printer (SetPort, level 3), where it takes it.
#include <windows.h>

#include <string>

#include "StatusQuery.h"

// The port status (PORT_STATUS_...) and its severity for a printer's state; 0 when all is
// well.
struct PortStatus {
  DWORD status = 0;
  DWORD severity = 0;
  bool operator==(const PortStatus&) const = default;
};
PortStatus PortStatusOf(const PrinterState& state);

// Reports the status of the port to the spooler. Wine's spooler takes no port status:
// its winspool.drv has no SetPortW (a call ends the calling process), so under Wine this
// reports nothing.
void ReportPortStatus(const std::wstring& port, const PortStatus& status);
