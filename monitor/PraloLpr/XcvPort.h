#pragma once
// The monitor's XcvData commands (common/XcvCommands.h): what the spooler reaches
// through OpenPrinter on ",XcvMonitor Pralo TCP/IP Port" and XcvData.
#include <windows.h>

// The MONITOR2 entries pfnXcvOpenPort, pfnXcvDataPort and pfnXcvClosePort.
namespace xcv {
BOOL WINAPI OpenPort(HANDLE monitor, LPCWSTR object, ACCESS_MASK grantedAccess, PHANDLE session);
DWORD WINAPI DataPort(HANDLE session, LPCWSTR command, PBYTE input, DWORD inputSize, PBYTE output, DWORD outputSize,
                      PDWORD outputNeeded);
BOOL WINAPI ClosePort(HANDLE session);
}  // namespace xcv
