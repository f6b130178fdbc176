#pragma once
// The UI library's line to the monitor: the spooler's XcvData on the monitor, opened
// with administer access where the caller has it, else with read access, so that every
// change passes the monitor's own checks.
#include <windows.h>

#include <winspool.h>

#include <string>

#include "PortRecordStore.h"
#include "Unique.h"

class MonitorConnection {
 public:
  MonitorConnection();
  // 0 when the spooler opened the monitor, else the reason.
  DWORD OpenError() const { return openError_; }
  // Whether the caller may change ports: the spooler granted administer access.
  bool Administers() const { return administers_; }
  // The monitor's status for the command (a Win32 error code), or the spooler's reason
  // when the command did not reach it.
  DWORD Send(const wchar_t* command, const void* input, DWORD inputSize, void* output = nullptr,
             DWORD outputSize = 0);
  DWORD DeletePort(const wchar_t* portName);
  DWORD GetConfig(const wchar_t* portName, PortConfig& config);

 private:
  DWORD Open(ACCESS_MASK access);

  Unique<HANDLE, ClosePrinter> printer_;
  DWORD openError_ = ERROR_SUCCESS;
  bool administers_ = false;
};

// The dialogs' records, read and stored through the monitor ("GetConfig", "AddPort",
// "ConfigPort").
class MonitorPortRecordStore : public PortRecordStore {
 public:
  explicit MonitorPortRecordStore(MonitorConnection& connection) : connection_(connection) {}
  bool Read(const char* portName, PortConfig& config) override;
  bool Add(const PortConfig& config) override;
  bool Configure(const PortConfig& config, bool snmpUpdated) override;
  // The name of the port that Add made; empty while none.
  const std::string& AddedName() const { return added_; }

 private:
  bool Stored(const wchar_t* command, const PortConfig& config);

  MonitorConnection& connection_;
  std::string added_;
};
