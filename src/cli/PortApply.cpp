// apply: brings the monitor's ports and the discovery scope to a file that export wrote,
// changing only what differs, all or nothing.
#include <windows.h>

#include <winspool.h>

#include <algorithm>
#include <cstdio>

#include "ApplyReport.h"
#include "CodePage.h"
#include "MonitorPorts.h"
#include "MonitorRegistry.h"
#include "OsVersion.h"
#include "PortExchange.h"
#include "PortKey.h"
#include "PortPassphrases.h"
#include "PortUndo.h"
#include "WholeFile.h"

namespace {

struct ApplyOptions {
  std::string path;
  bool prune = false, whatIf = false, json = false;
  std::optional<std::string> secretsPath;
};

ApplyOptions ReadOptions(CommandLine& line) {
  ApplyOptions options;
  options.path = line.Take("file");
  while (std::optional<std::string> option = line.TakeOption()) {
    if (*option == "--prune") options.prune = true;
    else if (*option == "--what-if") options.whatIf = true;
    else if (*option == "--json") options.json = true;
    else if (*option == "--secrets-file") options.secretsPath = line.TakeValue(*option);
    else UsageFailure("unknown option " + *option);
  }
  if (!line.Done()) UsageFailure("unexpected " + line.Take("word"));
  return options;
}

void Print(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }

// A name of the file that a port of another monitor has: that port is never touched.
std::string OtherMonitorsRefusals(const PortTransfer& file, const std::map<std::string, SpoolerPort, PortNameLess>& ports) {
  std::string refusals;
  for (size_t i = 0; i < file.ports.size(); ++i) {
    auto found = ports.find(file.ports[i].config.portName);
    if (found != ports.end() && found->second.monitor != kMonitorName)
      refusals += "ports[" + std::to_string(i) + "] (\"" + file.ports[i].config.portName + "\"): a port of \"" +
                  found->second.monitor + "\" has this name\n";
  }
  return refusals;
}

std::string InUseRefusals(const ApplyPlan& plan) {
  const PrinterUseIndex users = PrinterUse();
  std::string refusals;
  for (const PortStep& step : plan.ports)
    if (step.kind == PortStep::Kind::Remove)
      if (const std::string& printers = users.PrintersOf(step.port.config.portName); !printers.empty())
        refusals += std::string("the port ") + step.port.config.portName + " cannot be removed: it is in use by " +
                    printers + "\n";
  return refusals;
}

// The plan for the machine as it is now; refused, naming every reason, when a step
// would touch another monitor's port or remove a port that a printer uses.
ApplyPlan PlanForMachine(const PortTransfer& file, bool prune) {
  const auto ports = PortsByName();
  std::vector<TransferredPort> monitorPorts;
  for (const auto& [name, port] : ports)
    if (port.monitor == kMonitorName) monitorPorts.push_back(ReadTransferredPort(port.name));
  ApplyPlan plan = PlanApply(file, monitorPorts, ReadStoredScope(), prune);
  std::string refusals = OtherMonitorsRefusals(file, ports) + InUseRefusals(plan);
  if (!refusals.empty()) {
    refusals.pop_back();
    Refuse("nothing was changed:\n" + refusals);
  }
  return plan;
}

// A port whose values are as the file says, but whose stored pass phrases are not those of
// the secrets file, is changed to take them.
void AddPassphraseSteps(ApplyPlan& plan, const PortTransfer& file, const PortPassphrases& passphrases) {
  for (const TransferredPort& port : file.ports) {
    const bool planned = std::any_of(plan.ports.begin(), plan.ports.end(), [&](const PortStep& step) {
      return SamePortName(step.port.config.portName, port.config.portName);
    });
    if (planned || !passphrases.Differ(port)) continue;
    const TransferredPort was = ReadTransferredPort(port.config.portName);
    TransferredPort wanted = port;
    wanted.snmpUpdated = 1;
    plan.ports.push_back({PortStep::Kind::Change, wanted, was, {{kPassphrasesField, nullptr, nullptr}}});
    --plan.unchanged;
  }
}

unsigned long TakeStep(const PortStep& step, PortUndo& undo, const PortPassphrases& passphrases) {
  const PortConfig& config = step.port.config;
  switch (step.kind) {
    case PortStep::Kind::Add:
      undo.BeforeAdd(config.portName);
      if (!WriteStoredPort(step.port, PortKeyOpening::CreateIfMissing)) return GetLastError();
      return passphrases.Store(step.port);
    case PortStep::Kind::Change:
      undo.BeforeOverwrite(*step.was);
      if (!WriteStoredPort(step.port, PortKeyOpening::ExistingOnly)) return GetLastError();
      return passphrases.Store(step.port);
    case PortStep::Kind::Remove:
      // Through the spooler, as `delete`: the monitor refuses a port that a printer took meanwhile.
      undo.BeforeOverwrite(*step.was);
      return DeletePortA(nullptr, nullptr, const_cast<char*>(config.portName)) ? ERROR_SUCCESS : GetLastError();
  }
  return ERROR_INVALID_PARAMETER;
}

const char* StepWhat(PortStep::Kind kind) {
  return kind == PortStep::Kind::Add ? "adding the port " : kind == PortStep::Kind::Change ? "changing the port "
                                                                                            : "removing the port ";
}

void CarryOut(const ApplyPlan& plan, const PortPassphrases& passphrases) {
  PortUndo undo;
  if (plan.scopeChanges) {
    undo.BeforeScope(plan.scopeWas);
    if (const long error = StoreScope(*plan.scope))
      undo.Fail("writing the discovery scope", static_cast<unsigned long>(error), "nothing was changed");
  }
  for (const PortStep& step : plan.ports)
    if (const unsigned long error = TakeStep(step, undo, passphrases))
      undo.Fail(StepWhat(step.kind) + std::string(step.port.config.portName), error, "nothing was changed");
}

bool AddsPorts(const ApplyPlan& plan) {
  for (const PortStep& step : plan.ports)
    if (step.kind == PortStep::Kind::Add) return true;
  return false;
}

int Apply(const ApplyOptions& options) {
  TransferReading reading = ReadTransferJson(ReadWholeFile(options.path, kLargestTransfer), Utf8ToAnsi, PortNameLess{});
  if (!reading.error.empty()) Refuse(options.path + ": " + reading.error + "; nothing was changed");
  ApplyPlan plan = PlanForMachine(reading.transfer, options.prune);
  const PortPassphrases passphrases(options.secretsPath);
  passphrases.Check(reading.transfer.ports);
  AddPassphraseSteps(plan, reading.transfer, passphrases);
  if (!options.whatIf) CarryOut(plan, passphrases);
  const bool changed = !options.whatIf && !plan.Empty();
  Print(options.json ? PlanJson(plan, changed, options.whatIf) : PlanLines(plan));
  if (options.whatIf) std::fprintf(stderr, "prlport: --what-if: nothing was changed\n");
  if (changed && AddsPorts(plan) && GetOsVersionType() != OSVER_NT5_UP)
    std::fprintf(stderr, "prlport: Windows NT 4 and older take new ports once the spooler restarts: restart it when "
                         "no job is printing.\n");
  return kExitOk;
}

}  // namespace

int ApplyPorts(CommandLine& line) {
  const ApplyOptions options = ReadOptions(line);
  if (!options.json) return Apply(options);
  try {
    return Apply(options);
  } catch (const HalfApplied& failure) {
    Print(FailureJson(failure.message, true));
    throw;
  } catch (const CommandFailure& failure) {
    Print(FailureJson(failure.message, false));
    throw;
  }
}
