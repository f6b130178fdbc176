#pragma once
// Where the dialogs read and store a port's record. The Port Manager keeps the port's
// key itself; the monitor's UI library, shown by the spooler's own port commands, goes
// through the monitor instead, so that the monitor's checks apply. The dialogs are
// handed the store they use.
#include "PortConfig.h"

class PortRecordStore {
 public:
  virtual ~PortRecordStore() = default;
  // Fills the record with the named port's stored settings. False, with the reason for
  // GetLastError, when they cannot be read: the record then holds the name and the
  // settings of a port that has none stored (SetNumberDefaults).
  virtual bool Read(const char* portName, PortConfig& config) = 0;
  // A new port (the wizard's Finish). False with the reason for GetLastError.
  virtual bool Add(const PortConfig& config) = 0;
  // An existing port (the configuration dialog's OK). False with the reason for
  // GetLastError: 2 (ERROR_FILE_NOT_FOUND) for a port that no longer exists.
  virtual bool Configure(const PortConfig& config, bool snmpUpdated) = 0;
};

// The port keys in the registry (ReadPortConfig, WritePortConfig).
PortRecordStore& RegistryPortRecordStore();
