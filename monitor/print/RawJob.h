#pragma once
// A raw job: the spooler's bytes go to the printer's TCP port as they come; the job
// is sent once the printer has taken all of them and the sending side is closed.
#include <string>

#include "PrintJob.h"
#include "TcpConnection.h"

class RawJob : public PrintJob {
 public:
  RawJob(std::string host, uint16_t port) : host_(std::move(host)), port_(port) {}
  DWORD Start() override { return connection_.Connect(host_.c_str(), port_, kConnectTimeoutMs); }
  DWORD Write(std::span<const uint8_t> bytes, size_t& taken) override {
    return connection_.SendWithin(bytes, kWriteBoundMs, taken);
  }
  DWORD Finish() override { return connection_.FinishSending(kWriteBoundMs); }

 private:
  std::string host_;
  uint16_t port_;
  TcpConnection connection_;
};
