#include <windows.h>

#include <winspool.h>

#include <array>

#include "AnsiText.h"
#include "JobNews.h"
#include "MonitorEvents.h"
#include "PraloLprMessages.h"
#include "SpoolerPortStatus.h"

namespace {

WORD EventType(DWORD message) {
  switch (message >> 30) {
    case STATUS_SEVERITY_ERROR: return EVENTLOG_ERROR_TYPE;
    case STATUS_SEVERITY_WARNING: return EVENTLOG_WARNING_TYPE;
    default: return EVENTLOG_INFORMATION_TYPE;
  }
}

// Registered by the setup program; where it is not, the Event Log still keeps the
// event, without its text.
void LogEvent(DWORD message, const JobEvent& event) {
  HANDLE source = RegisterEventSourceA(nullptr, kEventSource);
  if (source == nullptr) return;
  const std::string jobId = std::to_string(event.jobId), error = std::to_string(event.error);
  std::array<const char*, 5> strings{event.port.c_str(), jobId.c_str(), event.printer.c_str(), event.text.c_str(),
                                     error.c_str()};
  ReportEventA(source, EventType(message), 0, message, nullptr, static_cast<WORD>(strings.size()), 0, strings.data(),
               nullptr);
  DeregisterEventSource(source);
}

class SystemNews : public JobNews {
 public:
  void JobFailed(DWORD message, const JobEvent& event) override { LogEvent(message, event); }
  // The printer takes no data: whether it is out of paper, jammed or switched off, the
  // spooler shows the port offline until data moves again.
  void PrinterStalled(const JobEvent& event) override {
    LogEvent(MSG_PRINTER_STALLED, event);
    ReportPortStatus(WideText(event.port), {PORT_STATUS_OFFLINE, PORT_STATUS_TYPE_ERROR});
  }
  void StallEnded(const JobEvent& event, bool resumed) override {
    if (resumed) LogEvent(MSG_PRINTER_RESUMED, event);
    ReportPortStatus(WideText(event.port), {});
  }
};

}  // namespace

JobNews& SystemJobNews() {
  static SystemNews news;
  return news;
}
