#include "PortRecordStore.h"

namespace {

class RegistryPortRecordStore : public PortRecordStore {
 public:
  bool Add(const PortConfig& config) override { return WritePortConfig(config, false); }
  // A port deleted meanwhile is not made again: its key must exist.
  bool Configure(const PortConfig& config, bool snmpUpdated) override {
    return WritePortConfig(config, snmpUpdated, PortKeyOpening::ExistingOnly);
  }
};

RegistryPortRecordStore registryStore;
PortRecordStore* current = &registryStore;

}  // namespace

PortRecordStore& CurrentPortRecordStore() { return *current; }

void UsePortRecordStore(PortRecordStore* store) { current = store != nullptr ? store : &registryStore; }
