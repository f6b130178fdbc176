#pragma once
// One job on its way to the printer, by the port's protocol. Start, Write and Finish
// follow StartDocPort, WritePort and EndDocPort; each returns a Win32 error code (0 for
// success). Every network wait is bounded, so a silent printer fails the job instead of
// holding the spooler's thread.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "PortConfig.h"

// How long a printer may take to accept the connection, to take more data, and to
// confirm the end of a job.
inline constexpr DWORD kConnectTimeoutMs = 10'000;
inline constexpr DWORD kStallTimeoutMs = 60'000;

// What the control file of an LPR job says about it.
struct JobDetails {
  std::string host;
  std::string user;
  std::string document;
};

class PrintJob {
 public:
  virtual ~PrintJob() = default;
  virtual DWORD Start() = 0;
  virtual DWORD Write(std::span<const uint8_t> bytes) = 0;
  virtual DWORD Finish() = 0;
  // What the printer answered when it refused the job; empty when it did not.
  const std::string& Refusal() const { return refusal_; }

 protected:
  std::string refusal_;
};

// The job for the port's record: raw for protocol 9100, LPR for any other value (to the
// default queue when the record names none).
std::unique_ptr<PrintJob> MakePrintJob(const PortConfig& config, const JobDetails& details);
