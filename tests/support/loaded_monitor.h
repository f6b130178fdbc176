#pragma once
// The installed monitor, loaded and unloaded as a spooler does (InitializePrintMonitor2;
// Shutdown, FreeLibrary). Wine's spooler keeps a monitor only around its own calls, so
// a test holds it as the spooler service of Windows does, and drives its function table
// as that spooler drives it.
#include <windows.h>

#include <winspool.h>
#include <winsplp.h>

class LoadedMonitor {
 public:
  LoadedMonitor();
  ~LoadedMonitor();
  LoadedMonitor(const LoadedMonitor&) = delete;
  LoadedMonitor& operator=(const LoadedMonitor&) = delete;
  bool Loaded() const { return monitor_ != nullptr; }
  const MONITOR2& Table() const { return *monitor_; }
  HANDLE Handle() const { return handle_; }

 private:
  HMODULE library_ = nullptr;
  LPMONITOR2 monitor_ = nullptr;
  HANDLE handle_ = nullptr;
};
