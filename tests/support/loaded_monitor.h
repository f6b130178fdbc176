#pragma once
// The installed monitor, loaded and unloaded as a spooler does (InitializePrintMonitor2;
// Shutdown, FreeLibrary), and its function table driven as Windows' spooler drives it.
// Wine's spooler keeps a monitor only around its own calls, so a test holds it as the
// spooler service of Windows does.
#include <windows.h>

#include <winspool.h>
#include <winsplp.h>

#include <functional>
#include <string>
#include <vector>

class LoadedMonitor {
 public:
  // The installed one, or another build's library (a benchmark sets two side by side).
  explicit LoadedMonitor(const std::string& library = "");
  ~LoadedMonitor();
  LoadedMonitor(const LoadedMonitor&) = delete;
  LoadedMonitor& operator=(const LoadedMonitor&) = delete;
  bool Loaded() const { return monitor_ != nullptr; }
  const MONITOR2& Table() const { return *monitor_; }
  HANDLE Handle() const { return handle_; }

  // The spooler's two steps, for a test that looks between them.
  void Shutdown();
  void Unload();

 private:
  HMODULE library_ = nullptr;
  LPMONITOR2 monitor_ = nullptr;
  HANDLE handle_ = nullptr;
};

// One port opened through the table, and its jobs, call by call. The port is closed
// when the object goes.
class MonitorPort {
 public:
  MonitorPort(const LoadedMonitor& monitor, const std::string& port);
  ~MonitorPort();
  MonitorPort(const MonitorPort&) = delete;
  MonitorPort& operator=(const MonitorPort&) = delete;
  bool Opened() const { return handle_ != nullptr; }

  // StartDocPort for the spooler's job on that printer (none: a job of no printer).
  DWORD Start(const std::string& printer = "", DWORD jobId = 1);
  // One WritePort: what it was offered, what the monitor reports taken, how long it took.
  struct WriteCall {
    DWORD offered = 0, written = 0, tookMs = 0;
  };
  // Writes the job as Windows' spooler does: after TRUE it offers what is left again,
  // however few bytes the last call took. Stops at a failure, or when `keepGoing` says
  // so after a call. Every call goes into `calls` when given.
  DWORD WriteAll(const std::string& bytes, std::vector<WriteCall>* calls = nullptr,
                 const std::function<bool(const WriteCall&)>& keepGoing = nullptr);
  DWORD End();
  void Close();

 private:
  const MONITOR2& table_;
  HANDLE handle_ = nullptr;
};
