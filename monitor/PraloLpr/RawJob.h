#pragma once
// A raw job: the spooler's bytes go to the printer's TCP port as they come; the job
// has printed once the printer has taken all of them and closed its side.
#include <string>

#include "PrintJob.h"
#include "TcpConnection.h"

class RawJob : public PrintJob {
 public:
  RawJob(std::string host, uint16_t port) : host_(std::move(host)), port_(port) {}
  DWORD Start() override { return connection_.Connect(host_.c_str(), port_, kConnectTimeoutMs); }
  DWORD Write(std::span<const uint8_t> bytes) override { return connection_.Send(bytes, kStallTimeoutMs); }
  DWORD Finish() override { return connection_.FinishSending(kStallTimeoutMs); }

 private:
  std::string host_;
  uint16_t port_;
  TcpConnection connection_;
};
