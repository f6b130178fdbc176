#include "ServiceControl.h"

namespace {

class SystemServices : public ServiceControl {
 public:
  SC_HANDLE OpenManager() override { return OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS); }
  SC_HANDLE OpenService(SC_HANDLE manager, const char* name) override {
    return ::OpenServiceA(manager, name, SERVICE_ALL_ACCESS);
  }
  BOOL Control(SC_HANDLE service, DWORD control, SERVICE_STATUS* status) override {
    return ControlService(service, control, status);
  }
  BOOL Start(SC_HANDLE service) override { return StartServiceA(service, 0, nullptr); }
  BOOL Close(SC_HANDLE handle) override { return CloseServiceHandle(handle); }
  DWORD LastError() override { return GetLastError(); }
  void Sleep(DWORD milliseconds) override { ::Sleep(milliseconds); }
};

}  // namespace

ServiceControl& SystemServiceControl() {
  static SystemServices services;
  return services;
}
