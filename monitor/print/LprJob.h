#pragma once
// An LPR job (RFC 1179) to a queue of the printer's LPD, port 515, sent from a reserved
// source port (721-731) where one is free. With byte counting the job is spooled to a
// temporary file first and the data file announced with its exact length; without, the
// data file is announced with length 0 and streams until the connection's end.
#include <string>

#include "PrintJob.h"
#include "SpoolFile.h"
#include "TcpConnection.h"

class LprJob : public PrintJob {
 public:
  LprJob(std::string host, std::string queue, JobDetails details, bool byteCounting);
  DWORD Start() override;
  DWORD Write(std::span<const uint8_t> bytes, size_t& taken) override;
  DWORD Finish() override;

 private:
  // Connects, asks the queue to receive a job and sends the control file.
  DWORD Open();
  // Sends a command line (or a file's contents) and checks the acknowledgement.
  DWORD SendAcknowledged(std::string_view bytes);
  DWORD Acknowledgement();
  DWORD Refused(const std::string& said);
  DWORD AnnounceDataFile(uint64_t length);
  std::string ControlFile() const;

  std::string host_;
  std::string queue_;
  JobDetails details_;
  bool byteCounting_;
  std::string jobName_;  // "A" with the job number and the host: the files' common part
  TcpConnection connection_;
  SpoolFile spool_;
};
