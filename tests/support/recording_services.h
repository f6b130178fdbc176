#pragma once
// The system's service manager with every wait and control request recorded; the real
// waits also really happen.
#include <vector>

#include "ServiceControl.h"

class RecordingServices : public ServiceControl {
 public:
  std::vector<DWORD> waits;
  std::vector<DWORD> controlsSent;
  int starts = 0;
  SC_HANDLE OpenManager() override { return system.OpenManager(); }
  SC_HANDLE OpenService(SC_HANDLE manager, const char* name) override { return system.OpenService(manager, name); }
  BOOL Control(SC_HANDLE service, DWORD control, SERVICE_STATUS* status) override {
    controlsSent.push_back(control);
    return system.Control(service, control, status);
  }
  BOOL Start(SC_HANDLE service) override {
    ++starts;
    return system.Start(service);
  }
  BOOL Close(SC_HANDLE handle) override { return system.Close(handle); }
  DWORD LastError() override { return system.LastError(); }
  void Sleep(DWORD milliseconds) override {
    waits.push_back(milliseconds);
    system.Sleep(milliseconds);
  }

 private:
  ServiceControl& system = SystemServiceControl();
};
