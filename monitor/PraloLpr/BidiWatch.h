#pragma once
// The monitor's bi-directional watch: one for each loaded instance of the monitor,
// however many ports it has. One thread keeps a timetable of when each port's record is
// read and its printer asked, and has the questions to every printer in flight at once
// through one UDP socket per address family (SnmpExchange.h); host names are looked up
// off that thread (NameLookups.h), and so are the ports that print over IPP
// (IppQuestions.h). One change notification on the "Port Names" tree
// brings ports that come and go and "SnmpUpdated"; one on the printers brings the
// printers-per-port index up to date.
#include <windows.h>

#include <memory>

#include "Unique.h"

struct StopSignal;

class BidiWatch {
 public:
  BidiWatch();
  // Tells the watch to stop and waits for it a bounded time only: the watch's threads
  // hold the library (LibraryThread.h) and end on their own.
  ~BidiWatch();
  BidiWatch(const BidiWatch&) = delete;
  BidiWatch& operator=(const BidiWatch&) = delete;

 private:
  std::shared_ptr<StopSignal> stop_;
  UniqueHandle thread_;
};
