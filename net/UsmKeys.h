#pragma once
// A user's keys localized to one agent's engine. The pass phrase's megabyte of hashing is
// paid once per pass phrase and kept for the process (found by a fingerprint of the pass
// phrase, never by the pass phrase); localizing to an engine is one short hash, so an
// agent, or a forged Report, naming ever new engines costs next to nothing.
#include <memory>
#include <string>

#include "UsmCrypto.h"

struct UsmKeys {
  std::string engineId;
  Bytes auth;  // Kul of the authentication protocol
  Bytes priv;  // Kul for privacy, made with the authentication protocol's hash (RFC 3826)
  ~UsmKeys();
};

// Null when a key the user's level needs could not be made.
std::shared_ptr<const UsmKeys> LocalizedKeys(const UsmUser& user, const std::string& engineId);
