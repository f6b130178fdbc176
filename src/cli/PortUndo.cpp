#include "PortUndo.h"

#include <windows.h>

#include "CommandLine.h"
#include "MonitorRegistry.h"
#include "PortKey.h"
#include "SnmpSecrets.h"

namespace {

// A key that is already gone counts as removed.
long RemoveKey(const std::string& path) {
  const LONG rc = RegDeleteKeyA(HKEY_LOCAL_MACHINE, path.c_str());
  return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
}

// The port's values and its sealed pass phrases, as they were.
long Rewrite(const TransferredPort& port, const SealedPassphrases& sealed) {
  if (!WriteStoredPort(port, PortKeyOpening::CreateIfMissing)) return static_cast<long>(GetLastError());
  return static_cast<long>(PutBackSealedPortPassphrases(port.config.portName, sealed));
}

// The Discovery key as StoreScope leaves it: the mask and one subkey of addresses.
long RemoveScope() {
  if (const long rc = RemoveKey(std::string(kDiscoveryKey) + "\\SubnetAddresses")) return rc;
  return RemoveKey(kDiscoveryKey);
}

}  // namespace

void PortUndo::BeforeAdd(const std::string& name) {
  const std::string path = PortKeyPath(name);
  steps_.push_back({"removing the new port " + name, [path] { return RemoveKey(path); }});
}

void PortUndo::BeforeOverwrite(const TransferredPort& previous) {
  steps_.push_back({std::string("writing back the port ") + previous.config.portName,
                    [previous, sealed = ReadSealedPortPassphrases(previous.config.portName)] {
                      return Rewrite(previous, sealed);
                    }});
}

void PortUndo::BeforeScope(const std::optional<StoredScope>& previous) {
  if (previous)
    steps_.push_back({"storing the old discovery scope", [scope = *previous] { return StoreScope(scope); }});
  else
    steps_.push_back({"removing the new discovery scope", [] { return RemoveScope(); }});
}

std::vector<std::string> PortUndo::Rollback() {
  std::vector<std::string> failures;
  for (auto step = steps_.rbegin(); step != steps_.rend(); ++step)
    if (const long rc = step->undo()) failures.push_back(step->what + ": " + SystemErrorLine(static_cast<unsigned long>(rc)));
  steps_.clear();
  return failures;
}

void PortUndo::Fail(const std::string& what, unsigned long error, const std::string& unchanged) {
  const std::vector<std::string> left = Rollback();
  const ExitCode code = error == ERROR_BUSY ? kExitRefused : kExitSystem;
  if (left.empty()) throw CommandFailure{code, what + ": " + SystemErrorLine(error) + "; " + unchanged};
  std::string message = what + ": " + SystemErrorLine(error) + "; these steps could not be undone:";
  for (const std::string& line : left) message += "\n" + line;
  throw HalfApplied{{kExitSystem, message}};
}
