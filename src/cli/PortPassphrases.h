#pragma once
// The pass phrases of a file's ports that have an SNMPv3 user of their own: an export
// never holds them, so import and apply take them from one secrets file given beside
// it (--secrets-file), for a whole fleet.
#include <optional>
#include <string>
#include <vector>

#include "PortTransfer.h"
#include "SecretsFile.h"

class PortPassphrases {
 public:
  explicit PortPassphrases(const std::optional<std::string>& secretsPath);
  // Refuses, before anything is written, when a port's user needs pass phrases that the
  // secrets file (or a missing one) does not give.
  void Check(const std::vector<TransferredPort>& ports) const;
  // Seals the pass phrases of a port just written, or removes those of a port that no
  // longer has a user of its own; the system's error code, 0 when stored.
  unsigned long Store(const TransferredPort& port) const;
  // Whether the machine's port of that name has other pass phrases than the port's own
  // user gets from the secrets file.
  bool Differ(const TransferredPort& port) const;

 private:
  std::optional<UsmUser> UserOf(const TransferredPort& port) const;
  std::optional<SecretsFile> secrets_;
};
