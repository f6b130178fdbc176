#include "ApplyPlan.h"

#include <map>
#include <set>

#include "CodePage.h"
#include "PortNameCompare.h"
#include "PortValues.h"
#include "TextField.h"

namespace {

using Json = nlohmann::ordered_json;

// A port's values under their registry names, as export writes them, with the SNMP
// choice's that an export leaves out at their defaults.
Json ValuesOf(const TransferredPort& port) {
  Json values = Json::parse(WritePortJson(port, AnsiToUtf8));
  for (const PortValue& value : kPortValues)
    if (!values.contains(value.name))
      values[value.name] =
          value.type == ValueType::Text ? Json(AnsiToUtf8(ValueText(port, value))) : Json(ValueNumber(port, value));
  return values;
}

bool InRecord(const std::string& field) {
  for (const PortValue& value : kPortValues)
    if (field == value.name) return value.kind != ValueKind::SnmpChoice;
  return true;
}

std::vector<FieldChange> ChangedValues(const TransferredPort& was, const TransferredPort& wanted) {
  const Json before = ValuesOf(was), after = ValuesOf(wanted);
  std::vector<FieldChange> changes;
  for (const auto& [field, value] : after.items())
    if (field != "name" && field != kSnmpUpdatedValue && before.at(field) != value)
      changes.push_back({field, before.at(field), value});
  return changes;
}

// The monitor notices a new address, community or SNMP choice by "SnmpUpdated", as after
// the configuration dialog's OK; a note that it has not taken yet stays.
bool SnmpNoteDue(const std::vector<FieldChange>& changes, const TransferredPort& was) {
  for (const FieldChange& change : changes)
    if (change.field == kDeviceIpValue || change.field == kCommunityNameValue || !InRecord(change.field)) return true;
  return was.snmpUpdated != 0;
}

// The same scope: the same mask text and the same subnet addresses, in any order (a
// key's values have none) and each once (a value is stored once).
bool SameScope(const StoredScope& a, const StoredScope& b) {
  return a.mask == b.mask && std::set<std::string>(a.addresses.begin(), a.addresses.end()) ==
                                 std::set<std::string>(b.addresses.begin(), b.addresses.end());
}

PortStep StepFor(const TransferredPort& wanted, const TransferredPort* was) {
  if (was == nullptr) return {PortStep::Kind::Add, {wanted.config, 0, {}, {}, wanted.snmp}, std::nullopt, {}};
  PortStep step{PortStep::Kind::Change, wanted, *was, ChangedValues(*was, wanted)};
  CopyText(step.port.config.portName, was->config.portName);  // the key keeps its letter case
  step.port.snmpUpdated = SnmpNoteDue(step.changes, *was) ? 1 : 0;
  return step;
}

}  // namespace

ApplyPlan PlanApply(const PortTransfer& file, const std::vector<TransferredPort>& monitorPorts,
                    const std::optional<StoredScope>& storedScope, bool prune) {
  std::map<std::string, const TransferredPort*, PortNameLess> machine;
  for (const TransferredPort& port : monitorPorts) machine.emplace(port.config.portName, &port);
  ApplyPlan plan;
  std::set<std::string, PortNameLess> named;
  for (const TransferredPort& wanted : file.ports) {
    named.insert(wanted.config.portName);
    auto found = machine.find(wanted.config.portName);
    PortStep step = StepFor(wanted, found == machine.end() ? nullptr : found->second);
    if (step.kind == PortStep::Kind::Change && step.changes.empty())
      ++plan.unchanged;
    else
      plan.ports.push_back(std::move(step));
  }
  if (prune)
    for (const TransferredPort& port : monitorPorts)
      if (named.count(port.config.portName) == 0) plan.ports.push_back({PortStep::Kind::Remove, port, port, {}});
  if (file.scope && !(storedScope && SameScope(*storedScope, *file.scope))) {
    plan.scopeChanges = true;
    plan.scopeWas = storedScope;
    plan.scope = file.scope;
  }
  return plan;
}
