#pragma once
// The application object: start-up checks, then the main dialog, modally.
#include "StartupSystem.h"
#include "WinApp.h"

class CPortManagerApp : public CWinApp {
 public:
  explicit CPortManagerApp(StartupSystem& system = SystemStartup()) : m_system(system) {}
  // Always FALSE: the program ends when the checks fail or the main dialog closes.
  BOOL InitInstance() override;

 private:
  StartupSystem& m_system;
};

// TRUE when the user may proceed: the "Port Names" key can be created or opened with
// all access, and the service manager and "Spooler" refuse nothing with access denied.
BOOL CheckAdminRights(StartupSystem& system = SystemStartup());
