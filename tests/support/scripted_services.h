#pragma once
// A service control manager that follows a script, for cases Wine cannot produce. It
// counts the handles it gives out and takes back, and records the waits asked of it.
#include <deque>
#include <vector>

#include "ServiceControl.h"

class ScriptedServices : public ServiceControl {
 public:
  // Error codes for the opens; 0 lets them succeed.
  DWORD managerError = 0;
  DWORD serviceError = 0;
  // What each ControlService call answers, in turn: success or the error code, and
  // the state reported either way. Once the script runs out, calls fail with 1062.
  struct Reply {
    DWORD error;
    DWORD state;
  };
  std::deque<Reply> controlReplies;
  std::vector<DWORD> controlsSent;
  DWORD startError = 0;  // 0: the start request is accepted

  int opened = 0;
  int closed = 0;
  std::vector<DWORD> waits;

  SC_HANDLE OpenManager() override { return Open(managerError); }
  SC_HANDLE OpenService(SC_HANDLE, const char*) override { return Open(serviceError); }
  BOOL Control(SC_HANDLE, DWORD control, SERVICE_STATUS* status) override {
    controlsSent.push_back(control);
    Reply reply = controlReplies.empty() ? Reply{ERROR_SERVICE_NOT_ACTIVE, SERVICE_STOPPED} : controlReplies.front();
    if (!controlReplies.empty()) controlReplies.pop_front();
    status->dwCurrentState = reply.state;
    return reply.error == 0 ? TRUE : Fail(reply.error);
  }
  BOOL Start(SC_HANDLE) override { return startError == 0 ? TRUE : Fail(startError); }
  // A successful close may reset the last error, as the system's may.
  BOOL Close(SC_HANDLE) override {
    ++closed;
    lastError_ = ERROR_SUCCESS;
    return TRUE;
  }
  DWORD LastError() override { return lastError_; }
  void Sleep(DWORD milliseconds) override { waits.push_back(milliseconds); }

 protected:
  BOOL Fail(DWORD error) {
    lastError_ = error;
    return FALSE;
  }

 private:
  SC_HANDLE Open(DWORD error) {
    if (error != 0) {
      lastError_ = error;
      return nullptr;
    }
    ++opened;
    return reinterpret_cast<SC_HANDLE>(static_cast<ULONG_PTR>(0x1000 + opened));
  }
  DWORD lastError_ = 0;
};
