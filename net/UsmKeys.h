#pragma once
// A user's keys localized to one agent's engine, made once and kept for the process: the
// pass phrase's megabyte of hashing is paid once per user and engine, not per question.
// The cache is found by a fingerprint of the pass phrases, never by the pass phrases.
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
