#include "PortRecordStore.h"

namespace {

class RegistryStore : public PortRecordStore {
 public:
  bool Read(const char* portName, PortConfig& config) override {
    ResetPortConfig(config, portName);
    return ReadPortConfig(config);
  }
  bool Add(const PortConfig& config) override { return WritePortConfig(config, false); }
  // A port deleted meanwhile is not made again: its key must exist.
  bool Configure(const PortConfig& config, bool snmpUpdated) override {
    return WritePortConfig(config, snmpUpdated, PortKeyOpening::ExistingOnly);
  }
};

}  // namespace

PortRecordStore& RegistryPortRecordStore() {
  static RegistryStore store;
  return store;
}
