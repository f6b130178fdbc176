#pragma once
// Stopping and starting the print spooler service, waiting for it to get there. What
// happens on the way goes to the caller's report; nothing is shown here.
#include <windows.h>

#include "ServiceControl.h"

enum SpoolerAction { Stop = 1, Start = 2 };

// Told, as it happens, what the result code alone does not say.
class SpoolerReport {
 public:
  virtual ~SpoolerReport() = default;
  // The service did not reach the wanted state within the ten attempts.
  virtual void NotReached(SpoolerAction action) = 0;
  // The system refused the start request (for instance, the service already runs).
  virtual void StartRefused(DWORD error) = 0;
};

// 0 when the action is complete, when a start was refused by the system, or when the
// wanted state was not reached (both told to the report first); otherwise the Win32
// error code of the failing call.
DWORD ControlSpooler(SpoolerAction action, SpoolerReport& report, ServiceControl& services = SystemServiceControl());

struct SpoolerRestart {
  DWORD stopError;
  DWORD startError;
};

// Stops the spooler, pauses 200 ms and starts it, whatever the stop gave: a monitor
// sees a new port only once the spooler loads it again.
SpoolerRestart RestartSpooler(SpoolerReport& report, ServiceControl& services = SystemServiceControl());
