#include "ApplyReport.h"

#include "CodePage.h"
#include "PortValues.h"

namespace {

using Json = nlohmann::ordered_json;

// The community and the pass phrases are the port's SNMP secrets: a report names their
// change, never their texts.
bool IsSecret(const std::string& field) { return field == kCommunityNameValue || field == kPassphrasesField; }

const char* VerbOf(PortStep::Kind kind) {
  switch (kind) {
    case PortStep::Kind::Add: return "add";
    case PortStep::Kind::Change: return "change";
    case PortStep::Kind::Remove: return "remove";
  }
  return "";
}

std::string Dumped(const Json& value) { return value.dump(-1, ' ', false, Json::error_handler_t::replace); }

// A value as JSON writes it (texts quoted, control characters escaped), in the code page.
std::string Shown(const Json& value) {
  const std::string utf8 = Dumped(value);
  return Utf8ToAnsi(utf8).value_or(utf8);
}

std::string ChangeText(const FieldChange& change) {
  if (IsSecret(change.field)) return change.field + " (not shown)";
  return change.field + " " + Shown(change.was) + " -> " + Shown(change.wanted);
}

std::string ScopeText(const std::optional<StoredScope>& scope) {
  if (!scope) return "none";
  std::string text = scope->mask + " [";
  for (size_t i = 0; i < scope->addresses.size(); ++i) text += (i == 0 ? "" : ", ") + scope->addresses[i];
  return text + "]";
}

std::string StepLine(const PortStep& step) {
  std::string line = std::string(VerbOf(step.kind)) + " " + step.port.config.portName;
  for (size_t i = 0; i < step.changes.size(); ++i) line += (i == 0 ? ": " : ", ") + ChangeText(step.changes[i]);
  return line + "\n";
}

Json FieldJson(const FieldChange& change) {
  if (IsSecret(change.field)) return Json{{"field", change.field}};
  return Json{{"field", change.field}, {"old", change.was}, {"new", change.wanted}};
}

Json StepJson(const PortStep& step) {
  Json action{{"action", VerbOf(step.kind)}, {"port", AnsiToUtf8(step.port.config.portName)}};
  if (step.kind == PortStep::Kind::Change) {
    Json fields = Json::array();
    for (const FieldChange& change : step.changes) fields.push_back(FieldJson(change));
    action["fields"] = fields;
  }
  return action;
}

Json ScopeJson(const std::optional<StoredScope>& scope) {
  if (!scope) return nullptr;
  Json addresses = Json::array();
  for (const std::string& address : scope->addresses) addresses.push_back(AnsiToUtf8(address));
  return Json{{"SubnetMask", AnsiToUtf8(scope->mask)}, {"SubnetAddresses", addresses}};
}

}  // namespace

std::string PlanLines(const ApplyPlan& plan) {
  std::string lines;
  for (const PortStep& step : plan.ports) lines += StepLine(step);
  if (plan.scopeChanges) lines += "scope " + ScopeText(plan.scopeWas) + " -> " + ScopeText(plan.scope) + "\n";
  return lines + "unchanged " + std::to_string(plan.unchanged) + "\n";
}

std::string PlanJson(const ApplyPlan& plan, bool changed, bool whatIf) {
  Json actions = Json::array();
  for (const PortStep& step : plan.ports) actions.push_back(StepJson(step));
  if (plan.scopeChanges)
    actions.push_back(Json{{"action", "scope"}, {"old", ScopeJson(plan.scopeWas)}, {"new", ScopeJson(plan.scope)}});
  Json document{{"changed", changed}, {"whatIf", whatIf}, {"actions", actions}, {"unchanged", plan.unchanged}};
  return Dumped(document) + "\n";
}

std::string FailureJson(const std::string& reason, bool changed) {
  Json document{{"changed", changed}, {"actions", Json::array()}, {"error", AnsiToUtf8(reason)}};
  return Dumped(document) + "\n";
}
