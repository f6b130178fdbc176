#pragma once
// A temporary file that holds a job until its length is known, in the monitor's own
// folder under a name no one can guess. The system deletes it when it is closed,
// whatever way the job ends.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <span>

#include "Unique.h"

class SpoolFile {
 public:
  DWORD Create();
  DWORD Append(std::span<const uint8_t> bytes);
  uint64_t Size() const { return size_; }
  // Reads the file from its start and hands it out piece by piece; stops at the first
  // error that the receiver returns.
  DWORD ReadBack(const std::function<DWORD(std::span<const uint8_t>)>& receiver);

 private:
  UniqueHandle file_;
  uint64_t size_ = 0;
};
