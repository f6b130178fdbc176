#pragma once
// What start-up asks of the system, behind one interface so that a test can refuse the
// registry write or the service manager, which Wine always grants.
#include <windows.h>

#include "ServiceControl.h"

class StartupSystem {
 public:
  virtual ~StartupSystem() = default;
  // Loads the monitor's library by file name; true when it could be loaded. The
  // library stays loaded.
  virtual bool LoadMonitorLibrary() = 0;
  // True when the monitor's network libraries load with every ordinal the program calls.
  virtual bool NetworkLibrariesLoad() = 0;
  virtual DWORD VersionWord() = 0;
  // Creates or opens the monitor's "Port Names" key with all access and closes it.
  virtual LONG OpenPortNamesKey() = 0;
  virtual ServiceControl& Services() = 0;
};

StartupSystem& SystemStartup();
