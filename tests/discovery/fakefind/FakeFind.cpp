// A PRLFIND.dll that the discovery dialog's ending tests control: a search reports two
// printers as it starts, and one more from inside StopDiscovery, as a callback that was
// already running when the stop came would.
#include <windows.h>

#include <cstdio>

#include "PrlFind.h"

namespace {

PFN_DISCOVERY_CALLBACK activeCallback = nullptr;
void* activeContext = nullptr;

void Report(uint32_t address, const char* name) {
  DiscoveredPrinter printer{};
  printer.address = address;
  std::snprintf(printer.name, sizeof printer.name, "%s", name);
  std::snprintf(printer.model, sizeof printer.model, "Fake %s", name);
  activeCallback(&printer, activeContext);
}

}  // namespace

extern "C" {

int WINAPI StartDiscovery(DiscoveryContext*, PFN_DISCOVERY_CALLBACK callback, void* context, uint32_t) {
  activeCallback = callback;
  activeContext = context;
  Report(0x7F090901, "first");
  Report(0x7F090902, "second");
  return 0;
}

int WINAPI StopDiscovery(DiscoveryContext*) {
  if (activeCallback != nullptr) Report(0x7F090903, "late");
  activeCallback = nullptr;
  return 0;
}

int WINAPI AddDiscoverySubnet(DiscoveryContext*, uint32_t, uint32_t, uint32_t) { return 0; }
uint32_t WINAPI MakeDiscoverySubnet(uint32_t, uint32_t) { return 1; }

// True while a search has been started and not stopped.
BOOL FakeSearchRunning() { return activeCallback != nullptr; }
}
