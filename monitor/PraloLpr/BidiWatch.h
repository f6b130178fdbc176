#pragma once
// The monitor's bi-directional watch: one PortWatch for each port of the monitor, kept
// in line with the port list while the monitor is loaded.
#include <windows.h>

#include <map>
#include <memory>
#include <string>

#include "PortWatch.h"
#include "Unique.h"

class BidiWatch {
 public:
  BidiWatch();
  // Stops every port's watch; returns once no thread of the watch runs.
  ~BidiWatch();
  BidiWatch(const BidiWatch&) = delete;
  BidiWatch& operator=(const BidiWatch&) = delete;

 private:
  static DWORD WINAPI Run(void* self);
  void Watch();
  void FollowPortList();

  UniqueHandle stop_;
  UniqueHandle thread_;
  std::map<std::wstring, std::unique_ptr<PortWatch>> ports_;  // only the watch's thread touches it
};
