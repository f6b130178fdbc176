#pragma once
// The steps of a run that writes ports and the discovery scope, noted before each is
// taken, so that a failure at any step puts the machine back as it was: the step that
// failed half way included. The registry has no transaction; this is ours.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "PortTransfer.h"

// A run that failed and whose undo failed too: the machine is neither as it was nor as
// the file says.
struct HalfApplied : CommandFailure {};

class PortUndo {
 public:
  // Before a port that does not exist is written: undone, its key goes, with any pass
  // phrases sealed into it.
  void BeforeAdd(const std::string& name);
  // Before a port is written over or removed: undone, it is written back as it was,
  // "SnmpUpdated" and its sealed pass phrases (copied as stored, never unsealed) included.
  void BeforeOverwrite(const TransferredPort& previous);
  // Before the scope is replaced: undone, the old scope is stored again, or the
  // Discovery key goes when there was none.
  void BeforeScope(const std::optional<StoredScope>& previous);

  // Undoes every step noted, the last first; what could not be put back, one line each
  // with the system's reason, empty when the machine is as it was.
  std::vector<std::string> Rollback();
  // Undoes every step, then ends the command with the failure of `what`:
  // "<what>: <reason>; <unchanged>" when the machine is as it was (a port that a printer
  // took meanwhile, ERROR_BUSY, is a refusal), else a HalfApplied that lists the steps
  // that could not be undone.
  [[noreturn]] void Fail(const std::string& what, unsigned long error, const std::string& unchanged);

 private:
  struct Step {
    std::string what;
    std::function<long()> undo;  // the registry's error code, 0 when put back
  };
  std::vector<Step> steps_;
};
