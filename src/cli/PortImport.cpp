// import: a file's ports and scope written with the rules of `add`, all or nothing.
#include <cstdio>
#include <vector>

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

// One port of the file and the port of the machine that it replaces, if any.
struct PlannedPort {
  TransferredPort port;
  std::optional<TransferredPort> replaced;
};

std::vector<PlannedPort> Plan(const PortTransfer& transfer, bool replace) {
  const auto existing = PortsByName();
  std::vector<PlannedPort> plan;
  std::string refusals;
  for (size_t i = 0; i < transfer.ports.size(); ++i) {
    PlannedPort planned{transfer.ports[i], std::nullopt};
    const std::string name = planned.port.config.portName;
    auto found = existing.find(name);
    if (found != existing.end()) {
      const std::string place = "ports[" + std::to_string(i) + "] (\"" + name + "\"): ";
      if (found->second.monitor != kMonitorName)
        refusals += place + "a port of \"" + found->second.monitor + "\" has this name\n";
      else if (!replace)
        refusals += place + "a port of this name exists (--replace replaces it)\n";
      else
        planned.replaced = ReadTransferredPort(found->second.name);
    }
    plan.push_back(planned);
  }
  if (!refusals.empty()) {
    refusals.pop_back();
    Refuse("nothing was imported:\n" + refusals);
  }
  return plan;
}

void Describe(const std::vector<PlannedPort>& plan, const std::optional<StoredScope>& scope, bool dryRun) {
  const char* replaces = dryRun ? "would replace" : "replaced";
  for (const PlannedPort& planned : plan)
    std::printf("%s %s (%s)\n", planned.replaced ? replaces : dryRun ? "would add" : "added",
                planned.port.config.portName, planned.port.config.deviceIP);
  if (scope)
    std::printf("%s the discovery scope: mask %s, %zu subnet addresses\n", replaces, scope->mask.c_str(),
                scope->addresses.size());
}

// A replaced port gets "SnmpUpdated" as `set` gives it: when its address or community changed.
bool SnmpChanged(const PlannedPort& planned) {
  return planned.replaced && (std::string(planned.replaced->config.deviceIP) != planned.port.config.deviceIP ||
                              std::string(planned.replaced->config.communityName) != planned.port.config.communityName);
}

// Writes the plan's ports, then the scope; a failure puts every port back as it was,
// the one that failed half way included (StoreScope keeps the old scope itself).
void Apply(const std::vector<PlannedPort>& plan, const std::optional<StoredScope>& scope,
           const PortPassphrases& passphrases) {
  PortUndo undo;
  for (const PlannedPort& planned : plan) {
    if (planned.replaced)
      undo.BeforeOverwrite(*planned.replaced);
    else
      undo.BeforeAdd(planned.port.config.portName);
    TransferredPort port = planned.port;
    port.snmpUpdated = SnmpChanged(planned) ? 1 : 0;
    if (!WriteStoredPort(port, PortKeyOpening::CreateIfMissing)) {
      const DWORD error = GetLastError();
      undo.Fail(std::string("writing the port ") + planned.port.config.portName, error, "nothing was imported");
    }
    if (const unsigned long error = passphrases.Store(port))
      undo.Fail(std::string("storing the pass phrases of the port ") + port.config.portName, error,
                "nothing was imported");
  }
  if (scope)
    if (const long error = StoreScope(*scope))
      undo.Fail("writing the discovery scope", static_cast<unsigned long>(error), "no port was imported");
}

}  // namespace

int ImportPorts(CommandLine& line) {
  const std::string path = line.Take("file");
  bool replace = false, dryRun = false;
  std::optional<std::string> secretsPath;
  while (std::optional<std::string> option = line.TakeOption()) {
    if (*option == "--replace") replace = true;
    else if (*option == "--dry-run") dryRun = true;
    else if (*option == "--secrets-file") secretsPath = line.TakeValue(*option);
    else UsageFailure("unknown option " + *option);
  }
  if (!line.Done()) UsageFailure("unexpected " + line.Take("word"));
  TransferReading reading = ReadTransferJson(ReadWholeFile(path, kLargestTransfer), Utf8ToAnsi, PortNameLess{});
  if (!reading.error.empty()) Refuse(path + ": " + reading.error + "; nothing was imported");
  const std::vector<PlannedPort> plan = Plan(reading.transfer, replace);
  const PortPassphrases passphrases(secretsPath);
  passphrases.Check(reading.transfer.ports);
  if (dryRun) {
    Describe(plan, reading.transfer.scope, true);
    return kExitOk;
  }
  Apply(plan, reading.transfer.scope, passphrases);
  Describe(plan, reading.transfer.scope, false);
  if (GetOsVersionType() != OSVER_NT5_UP && !plan.empty())
    std::printf("Windows NT 4 and older take new ports once the spooler restarts: restart it when no job is printing.\n");
  return kExitOk;
}
