#pragma once
// The application object: start-up checks, then the main dialog, modally.
#include "StartupChecks.h"
#include "WinApp.h"

class CPortManagerApp : public CWinApp {
 public:
  explicit CPortManagerApp(StartupSystem& system = SystemStartup()) : m_system(system) {}
  // Always FALSE: the program ends when the checks fail or the main dialog closes.
  BOOL InitInstance() override;

 private:
  StartupSystem& m_system;
};
