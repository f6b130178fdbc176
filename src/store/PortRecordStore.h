#pragma once
// Where the dialogs store a port's record. The Port Manager writes the port's key
// itself; the monitor's UI library, shown by the spooler's own port commands, hands the
// record to the monitor instead, so that the monitor's checks apply.
#include "PortConfig.h"

class PortRecordStore {
 public:
  virtual ~PortRecordStore() = default;
  // A new port (the wizard's Finish). False with the reason for GetLastError.
  virtual bool Add(const PortConfig& config) = 0;
  // An existing port (the configuration dialog's OK). False with the reason for
  // GetLastError: 2 (ERROR_FILE_NOT_FOUND) for a port that no longer exists.
  virtual bool Configure(const PortConfig& config, bool snmpUpdated) = 0;
};

// The store in use: the registry (WritePortConfig) unless a host put another in place.
PortRecordStore& CurrentPortRecordStore();
// nullptr puts the registry back.
void UsePortRecordStore(PortRecordStore* store);
