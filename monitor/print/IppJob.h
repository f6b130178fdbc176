#pragma once
// A job to an IPP printer (RFC 8011) over the system's HTTP and TLS: Print-Job with the
// job's name and user and the spooler's bytes as the driver made them. The job's length
// is not known beforehand and Wine's WinHTTP sends no chunked body, so the client keeps
// the bytes aside and posts them whole when the job ends (IppClient.h). The job is sent
// once the printer accepts it; Get-Job-Attributes then follows it for a bound, so that
// the job's status text tells whether the printer completed, aborted or cancelled it,
// and a job deleted in the queue meanwhile is cancelled at the printer (Cancel-Job).
//
// A printer that does not answer a question within the write bound (hung, or out of
// memory for more), takes nothing of the body within the send bound, or answers that it
// is busy, has the job waiting: Finish says so (ERROR_RETRY) and, called again, asks
// again and posts the kept job anew from its start, so the printer ends with one whole
// copy. Between the pieces of a long send, a job deleted in the queue ends the send there.
//
// Print-Job rather than Create-Job and Send-Document: one request, which every IPP
// printer must take (Send-Document is optional, and the lab's printer refuses it).
//
// Over ipps:// a certificate that the system does not trust is trusted on first use:
// its fingerprint is kept with the port. A different one later fails every job, nothing
// of it sent, and is kept as the one offered, until an administrator trusts it.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "IppClient.h"
#include "PortValues.h"
#include "PrintJob.h"

// How long the monitor follows a sent job for the printer's word on its end.
inline constexpr DWORD kFollowBoundMs = 10'000;
// The error of a job whose printer showed another certificate than the one trusted.
inline constexpr DWORD kCertificateChangedError = ERROR_WINHTTP_SECURE_INVALID_CERT;

class IppJob : public PrintJob {
 public:
  // `deleted` says whether the spooler's job was deleted meanwhile.
  IppJob(const StoredPort& port, JobDetails details, std::function<bool()> deleted);
  DWORD Start() override;
  DWORD Write(std::span<const uint8_t> bytes, size_t& taken) override;
  DWORD Finish() override;

 private:
  ipp::Request RequestFor(uint16_t operation) const;
  // Posts a request whose body is whole; nothing when it failed.
  std::optional<ipp::Response> Ask(const ipp::Request& request);
  // The job's error for what the printer (or the connection to it) made of a request;
  // 0 when it was answered with success. Keeps a certificate met for the first time,
  // and one that changed as the one offered.
  DWORD Judged(const IppOutcome& outcome);
  void Follow();
  bool PrinterStalls() const;

  std::string portName_;
  std::string uri_;
  std::string documentFormat_;
  std::string pinned_;
  JobDetails details_;
  std::function<bool()> deleted_;
  DWORD error_ = 0;
  bool posted_ = false;       // the kept job went to the printer at least once
  int32_t printerJobId_ = 0;  // once the printer accepted the job
  std::unique_ptr<IppPost> post_;
};
