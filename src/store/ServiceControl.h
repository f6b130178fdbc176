#pragma once
// The service control manager, as the program uses it. The system's implementation is
// the one the program runs with; tests put a scripted one in its place where Wine
// cannot produce a case (access denied, a service stuck in a pending state). Waits go
// through it too, so that a test can record them instead of spending them.
#include <windows.h>

class ServiceControl {
 public:
  virtual ~ServiceControl() = default;
  // Local machine, active database, all access.
  virtual SC_HANDLE OpenManager() = 0;
  // All access.
  virtual SC_HANDLE OpenService(SC_HANDLE manager, const char* name) = 0;
  virtual BOOL Control(SC_HANDLE service, DWORD control, SERVICE_STATUS* status) = 0;
  virtual BOOL Start(SC_HANDLE service) = 0;
  virtual BOOL Close(SC_HANDLE handle) = 0;
  virtual DWORD LastError() = 0;
  virtual void Sleep(DWORD milliseconds) = 0;
};

ServiceControl& SystemServiceControl();
