#pragma once
// Stopping and starting the print spooler service, waiting for it to get there.
#include <windows.h>

#include "ServiceControl.h"

enum SpoolerAction { Stop = 1, Start = 2 };

// 0 when the action is complete, when a start was refused by the system, or after a
// "failed" message was shown; otherwise the Win32 error code of the failing call.
DWORD ControlSpooler(SpoolerAction action, ServiceControl& services = SystemServiceControl());
