#pragma once
// One job on its way to the printer, by the port's protocol. Start, Write and Finish
// follow StartDocPort, WritePort and EndDocPort; each returns a Win32 error code (0 for
// success). Every network wait is bounded, so that no printer holds the spooler's
// thread: one that takes no data is waited for a bound at a time, one that does not
// answer fails the job.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "PortValues.h"

// How long a printer may take to accept the connection, and to answer an LPR command.
inline constexpr DWORD kConnectTimeoutMs = 10'000;
inline constexpr DWORD kAnswerTimeoutMs = 60'000;
// How long one write waits for the printer to take data before it returns what the
// printer took: a printer out of paper takes nothing for minutes, and the spooler calls
// again. The same bound holds the wait for the printer's close at the end of a job.
inline constexpr DWORD kWriteBoundMs = 10'000;
// The raw port that a record without a port number prints to.
inline constexpr uint16_t kDefaultRawPort = 9100;

// What a job says of itself: an LPR control file's host, user and name; an IPP job's user and name.
struct JobDetails {
  std::string host;
  std::string user;
  std::string document;
};

class PrintJob {
 public:
  virtual ~PrintJob() = default;
  virtual DWORD Start() = 0;
  // Hands the printer what it takes within kWriteBoundMs; `taken` says how much (less
  // than all, 0 included, is a printer that stalls, not an error).
  virtual DWORD Write(std::span<const uint8_t> bytes, size_t& taken) = 0;
  // ERROR_RETRY: the printer stalled or was busy and has nothing of the job; Finish
  // offers it the whole job again when called again.
  virtual DWORD Finish() = 0;
  // What the printer answered when it refused the job; empty when it did not.
  const std::string& Refusal() const { return refusal_; }
  // A printer whose certificate is not the one trusted, in words with both fingerprints;
  // empty when it did not change.
  const std::string& CertificateChange() const { return certificateChange_; }
  // What the printer said became of a job that it was sent, for the job's status text;
  // empty when it did not say.
  const std::string& Outcome() const { return outcome_; }
  // What the printer said when it aborted a job that it was sent; empty when it did not.
  const std::string& Abort() const { return abort_; }

 protected:
  std::string refusal_;
  std::string certificateChange_;
  std::string outcome_;
  std::string abort_;
};

// Text for one line, a control file's or a job's status: no control characters (a
// newline would start a line of its own, an escape sequence would reach a console) and at
// most `maxLength` bytes.
std::string LineText(std::string_view text, size_t maxLength);

// The job for the port's record: IPP when it holds a printer URI, else raw for protocol
// 9100, LPR for any other value (to the default queue when the record names none).
// `deleted` says whether the spooler's job was deleted meanwhile.
std::unique_ptr<PrintJob> MakePrintJob(const StoredPort& port, const JobDetails& details,
                                       std::function<bool()> deleted);
