#include "SpoolerPortStatus.h"

#include <winspool.h>

namespace {

// Wine marks itself by an export of its ntdll; its SetPortW is an unimplemented stub.
bool SpoolerTakesPortStatus() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll == nullptr || GetProcAddress(ntdll, "wine_get_version") == nullptr;
}

}  // namespace

PortStatus PortStatusOf(const PrinterState& state) {
  if (state.reach == PrinterState::Reach::Stopped) return {};
  if (!state.Answered()) return {PORT_STATUS_OFFLINE, PORT_STATUS_TYPE_ERROR};
  // The most pressing condition first: the port carries one status at a time.
  static const struct {
    uint16_t error;
    PortStatus status;
  } kConditions[] = {
      {kOffline, {PORT_STATUS_OFFLINE, PORT_STATUS_TYPE_ERROR}},
      {kJammed, {PORT_STATUS_PAPER_JAM, PORT_STATUS_TYPE_ERROR}},
      {kDoorOpen, {PORT_STATUS_DOOR_OPEN, PORT_STATUS_TYPE_ERROR}},
      {kNoPaper, {PORT_STATUS_PAPER_OUT, PORT_STATUS_TYPE_ERROR}},
      {kNoToner, {PORT_STATUS_NO_TONER, PORT_STATUS_TYPE_ERROR}},
      {kOutputFull, {PORT_STATUS_OUTPUT_BIN_FULL, PORT_STATUS_TYPE_ERROR}},
      {kServiceRequested, {PORT_STATUS_USER_INTERVENTION, PORT_STATUS_TYPE_ERROR}},
      {kLowPaper, {PORT_STATUS_PAPER_PROBLEM, PORT_STATUS_TYPE_WARNING}},
      {kLowToner, {PORT_STATUS_TONER_LOW, PORT_STATUS_TYPE_WARNING}},
  };
  for (const auto& condition : kConditions)
    if (state.errors & condition.error) return condition.status;
  return {};
}

void ReportPortStatus(const std::wstring& port, const PortStatus& status) {
  static const bool takesPortStatus = SpoolerTakesPortStatus();
  if (!takesPortStatus) return;
  PORT_INFO_3W info{status.status, nullptr, status.severity};
  std::wstring name = port;
  SetPortW(nullptr, name.data(), 3, reinterpret_cast<LPBYTE>(&info));
}
