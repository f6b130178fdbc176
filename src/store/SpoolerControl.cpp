#include "SpoolerControl.h"

namespace {

constexpr int kAttempts = 10;
constexpr DWORD kWaitMs = 2000;
constexpr DWORD kRestartPauseMs = 200;

// Interrogates the service until it reports the wanted state, at most ten times. A
// failure that still reports a state (0, 1061, 1062) waits before the next attempt;
// any other failure ends the wait with its code.
bool WaitForState(ServiceControl& services, SC_HANDLE service, DWORD wanted, DWORD& error) {
  SERVICE_STATUS status{};
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    if (!services.Control(service, SERVICE_CONTROL_INTERROGATE, &status)) {
      DWORD code = services.LastError();
      if (code != 0 && code != ERROR_SERVICE_CANNOT_ACCEPT_CTRL && code != ERROR_SERVICE_NOT_ACTIVE) {
        error = code;
        return false;
      }
      services.Sleep(kWaitMs);
    }
    if (status.dwCurrentState == wanted) return true;
  }
  return false;
}

DWORD StopSpooler(ServiceControl& services, SC_HANDLE service, SpoolerReport& report) {
  SERVICE_STATUS status{};
  if (!services.Control(service, SERVICE_CONTROL_STOP, &status)) return services.LastError();
  if (status.dwCurrentState != SERVICE_STOPPED) {
    DWORD error = 0;
    bool stopped = WaitForState(services, service, SERVICE_STOPPED, error);
    if (error != 0) return error;
    if (!stopped) {
      report.NotReached(Stop);
      return 0;
    }
  }
  services.Sleep(kWaitMs);
  return 0;
}

DWORD StartSpooler(ServiceControl& services, SC_HANDLE service, SpoolerReport& report) {
  if (!services.Start(service)) {
    report.StartRefused(services.LastError());
    return 0;
  }
  DWORD error = 0;
  bool running = WaitForState(services, service, SERVICE_RUNNING, error);
  if (error != 0) return error;
  if (!running) report.NotReached(Start);
  return 0;
}

}  // namespace

DWORD ControlSpooler(SpoolerAction action, SpoolerReport& report, ServiceControl& services) {
  SC_HANDLE manager = services.OpenManager();
  if (manager == nullptr) return services.LastError();
  SC_HANDLE service = services.OpenService(manager, "Spooler");
  if (service == nullptr) {
    DWORD error = services.LastError();
    services.Close(manager);
    return error;
  }
  DWORD result = action == Stop ? StopSpooler(services, service, report) : StartSpooler(services, service, report);
  services.Close(service);
  services.Close(manager);
  return result;
}

SpoolerRestart RestartSpooler(SpoolerReport& report, ServiceControl& services) {
  SpoolerRestart restart{};
  restart.stopError = ControlSpooler(Stop, report, services);
  services.Sleep(kRestartPauseMs);
  restart.startError = ControlSpooler(Start, report, services);
  return restart;
}
