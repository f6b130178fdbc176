#include "loaded_monitor.h"

#include <string>

LoadedMonitor::LoadedMonitor() {
  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, sizeof system);
  library_ = LoadLibraryA((std::string(system) + "\\PraloLpr.dll").c_str());
  auto initialize = reinterpret_cast<LPMONITOR2(WINAPI*)(PMONITORINIT, PHANDLE)>(
      reinterpret_cast<void*>(GetProcAddress(library_, "InitializePrintMonitor2")));
  MONITORINIT init{};
  init.cbSize = sizeof init;
  init.bLocal = TRUE;
  if (initialize != nullptr) monitor_ = initialize(&init, &handle_);
}

LoadedMonitor::~LoadedMonitor() {
  if (monitor_ != nullptr) monitor_->pfnShutdown(handle_);
  if (library_ != nullptr) FreeLibrary(library_);
}
