#pragma once
// What a port handle tells, in order: the message of each event (its number, the port and
// the printer), or "stalled", "resumed", "stall ended"; and the text of the last failure.
#include <string>
#include <vector>

#include "JobNews.h"

class RecordingNews : public JobNews {
 public:
  void JobFailed(DWORD message, const JobEvent& event) override {
    told.push_back(std::to_string(message & 0xFFFF) + " " + event.port + " " + event.printer);
    said = event.text;
  }
  void PrinterStalled(const JobEvent& event) override { told.push_back("stalled " + event.port); }
  void StallEnded(const JobEvent& event, bool resumed) override {
    told.push_back((resumed ? "resumed " : "stall ended ") + event.port);
  }
  std::vector<std::string> told;
  std::string said;
};
