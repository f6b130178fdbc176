#pragma once
// What the monitor tells about its ports' jobs beyond each call's result: the
// administrator's Event Log, and the port's status in the spooler while its printer
// stalls. A port handle tells it once per failed job and once per stall, never per write.
#include <windows.h>

#include <string>

// One event's insertions, in the order that the monitor's messages use them.
struct JobEvent {
  std::string port;
  DWORD jobId = 0;
  std::string printer;  // the printer's address as the record gives it
  std::string text;     // the system's text for the error, or the printer's words
  DWORD error = 0;
};

class JobNews {
 public:
  virtual ~JobNews() = default;
  // `message` is one of the monitor's message ids (PraloLprMessages.h).
  virtual void JobFailed(DWORD message, const JobEvent& event) = 0;
  virtual void PrinterStalled(const JobEvent& event) = 0;
  // The stall is over: the printer took data again (`resumed`), or the job ended.
  virtual void StallEnded(const JobEvent& event, bool resumed) = 0;
};

// The news as the system takes it: events under the monitor's event source, and the
// port's status through SetPort.
JobNews& SystemJobNews();
