#pragma once
// The installed monitor, loaded and unloaded as a spooler does (InitializePrintMonitor2;
// Shutdown, FreeLibrary). Wine's spooler keeps a monitor only around its own calls, so
// the tests hold it as the spooler service of Windows does.
#include <windows.h>

#include <winspool.h>
#include <winsplp.h>

#include <string>

class LoadedMonitor {
 public:
  LoadedMonitor() {
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
  ~LoadedMonitor() {
    Shutdown();
    Unload();
  }
  LoadedMonitor(const LoadedMonitor&) = delete;
  LoadedMonitor& operator=(const LoadedMonitor&) = delete;
  bool Loaded() const { return monitor_ != nullptr; }

  // The spooler's two steps, for a test that looks between them.
  void Shutdown() {
    if (monitor_ != nullptr) monitor_->pfnShutdown(handle_);
    monitor_ = nullptr;
  }
  void Unload() {
    if (library_ != nullptr) FreeLibrary(library_);
    library_ = nullptr;
  }

 private:
  HMODULE library_ = nullptr;
  LPMONITOR2 monitor_ = nullptr;
  HANDLE handle_ = nullptr;
};
