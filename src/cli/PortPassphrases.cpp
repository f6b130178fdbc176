#include "PortPassphrases.h"

#include "CommandLine.h"
#include "PortKey.h"
#include "SnmpCredentials.h"
#include "SnmpSecrets.h"

namespace {

bool HasOwnUser(const TransferredPort& port) {
  return port.snmp.version == kSnmpV3 && port.snmp.v3User[0] != '\0';
}

}  // namespace

PortPassphrases::PortPassphrases(const std::optional<std::string>& secretsPath) {
  if (secretsPath) secrets_ = SecretsFile::Read(*secretsPath);
}

std::optional<UsmUser> PortPassphrases::UserOf(const TransferredPort& port) const {
  if (!HasOwnUser(port)) return std::nullopt;
  UsmUser user = OwnUserOf(port.snmp);
  if (user.level == UsmLevel::NoAuthNoPriv) return user;
  if (!secrets_)
    Refuse(std::string("the port ") + port.config.portName + " asks as the SNMPv3 user " + user.name +
           ", whose pass phrases are never in a file of ports: give them with --secrets-file FILE");
  secrets_->FillIn(user);
  return user;
}

void PortPassphrases::Check(const std::vector<TransferredPort>& ports) const {
  for (const TransferredPort& port : ports) UserOf(port);
}

unsigned long PortPassphrases::Store(const TransferredPort& port) const {
  const std::optional<UsmUser> user = UserOf(port);
  return user ? StorePortPassphrases(port.config.portName, *user) : RemovePortPassphrases(port.config.portName);
}

bool PortPassphrases::Differ(const TransferredPort& port) const {
  const std::optional<UsmUser> wanted = UserOf(port);
  if (!wanted) return false;
  const std::optional<UsmUser> stored = PortUsmUser(ReadStoredPort(port.config.portName).port);
  return !stored || stored->authPassphrase != wanted->authPassphrase || stored->privPassphrase != wanted->privPassphrase;
}
