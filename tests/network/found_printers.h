#pragma once
// Collects what a search reports, keyed by dotted address: through the ordinal entry's
// callback, or the SNMPv3 entry's, which also says the version that answered.
#include <winsock2.h>

#include <map>
#include <mutex>
#include <string>

#include "PrlFind.h"

struct Found {
  std::string name, model;
  uint32_t version = 0;
  int times = 0;
};

class Collector {
 public:
  static int CALLBACK Callback(DiscoveredPrinter* printer, void* context) {
    return VersionCallback(printer, 0, context);
  }
  static int CALLBACK VersionCallback(DiscoveredPrinter* printer, uint32_t version, void* context) {
    auto* self = static_cast<Collector*>(context);
    std::lock_guard lock(self->mutex_);
    in_addr address{};
    address.s_addr = htonl(printer->address);
    Found& found = self->found_[inet_ntoa(address)];
    found.name.assign(printer->name, strnlen(printer->name, sizeof printer->name));
    found.model.assign(printer->model, strnlen(printer->model, sizeof printer->model));
    found.version = version;
    ++found.times;
    return 1;
  }
  std::map<std::string, Found> Snapshot() {
    std::lock_guard lock(mutex_);
    return found_;
  }

 private:
  std::mutex mutex_;
  std::map<std::string, Found> found_;
};
