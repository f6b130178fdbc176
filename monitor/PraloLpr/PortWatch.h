#pragma once
// Watches one port's printer on a thread of its own, so that a printer that does not
// answer holds up no other port: asks it for its state every "StatusUpdateInt" seconds,
// re-reads the port's record every "ConfigUpdateInt" seconds, and at once when
// "SnmpUpdated" is set; keeps the words of every printer that prints to the port.
#include <windows.h>

#include <string>

#include "Unique.h"

class PortWatch {
 public:
  explicit PortWatch(std::wstring portName);
  // Stops the watch and waits for its thread, which leaves any question at once.
  ~PortWatch();
  PortWatch(const PortWatch&) = delete;
  PortWatch& operator=(const PortWatch&) = delete;

  // Asks the thread to end, without waiting: lets many watches stop together.
  void RequestStop() { SetEvent(stop_.get()); }
  bool Started() const { return static_cast<bool>(thread_); }

 private:
  static DWORD WINAPI Run(void* self);
  void Watch();

  std::wstring portName_;
  UniqueHandle stop_;
  UniqueHandle thread_;
};
