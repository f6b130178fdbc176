#pragma once
// The checks that the Port Manager and prlport make before any work: the monitor and
// its network libraries installed, a Windows of the NT family, administrator rights.
// What they ask of the system goes through one interface, so that a test can refuse the
// registry write or the service manager, which Wine always grants.
#include <windows.h>

#include "ServiceControl.h"

class StartupSystem {
 public:
  virtual ~StartupSystem() = default;
  // Loads the monitor's library by file name; true when it could be loaded. The
  // library stays loaded.
  virtual bool LoadMonitorLibrary() = 0;
  // True when the monitor's network libraries are where the loader finds them and export
  // every ordinal the program calls; they are not run (loaded at their first call).
  virtual bool NetworkLibrariesLoad() = 0;
  virtual DWORD VersionWord() = 0;
  // Creates or opens the monitor's "Port Names" key with all access and closes it.
  virtual LONG OpenPortNamesKey() = 0;
  virtual ServiceControl& Services() = 0;
};

StartupSystem& SystemStartup();

// TRUE when the user may proceed: the "Port Names" key can be created or opened with
// all access, and the service manager and "Spooler" refuse nothing with access denied.
BOOL CheckAdminRights(StartupSystem& system = SystemStartup());

// The string-table id of the refusal, in the order the checks are made (monitor or its
// network libraries missing 347, Windows 95/98/Me 345, no administrator 346); 0 when
// every check passes.
unsigned StartupRefusal(StartupSystem& system = SystemStartup());
