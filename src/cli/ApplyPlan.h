#pragma once
// What `prlport apply` does to bring the machine to a file: the ports to add, change
// and remove and the scope to replace, each with what the machine holds now.
#include <cstddef>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "PortTransfer.h"

// The change of a port's sealed SNMPv3 pass phrases, which only the secrets file given
// beside the file holds: named in a report, never shown.
inline constexpr char kPassphrasesField[] = "SnmpV3Passphrases";

// One value of a port that the file sets otherwise, under its registry name.
struct FieldChange {
  std::string field;
  nlohmann::ordered_json was, wanted;  // as export writes them: texts in UTF-8
};

struct PortStep {
  enum class Kind { Add, Change, Remove };
  Kind kind;
  TransferredPort port;                // as it is to be; for Remove, as it is
  std::optional<TransferredPort> was;  // Change and Remove: the machine's port
  std::vector<FieldChange> changes;    // Change: the values that differ
};

struct ApplyPlan {
  std::vector<PortStep> ports;  // the file's order, the removals last
  bool scopeChanges = false;
  std::optional<StoredScope> scopeWas, scope;
  size_t unchanged = 0;  // ports of the file that the machine already has as written

  bool Empty() const { return ports.empty() && !scopeChanges; }
};

// Compares the file with the monitor's ports and the stored scope; names compare as
// the registry compares key names. A port whose values are the same is left alone;
// "SnmpUpdated" is the monitor's note of a change, not a setting, and is not compared.
// With `prune`, the monitor's ports that the file does not name are removed.
ApplyPlan PlanApply(const PortTransfer& file, const std::vector<TransferredPort>& monitorPorts,
                    const std::optional<StoredScope>& storedScope, bool prune);
