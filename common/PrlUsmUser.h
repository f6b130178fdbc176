#pragma once
// An SNMPv3 user as the entries of our own in PrlStat.dll and PRLFIND.dll take it: a
// plain C structure, the same in every build, with fixed, terminated texts.
#include <cstdint>

#include "UsmUser.h"

struct PrlUsmUser {
  char name[33];             // at most 32 characters (RFC 3414 usmUserName)
  uint32_t level;            // 0 noAuthNoPriv, 1 authNoPriv, 2 authPriv
  uint32_t auth;             // 0 none, 1 HMAC-SHA-96, 2 HMAC-SHA-256-192
  uint32_t priv;             // 0 none, 1 AES-128-CFB
  char authPassphrase[256];  // terminated
  char privPassphrase[256];  // terminated
};

// The user as our code holds it; false when a level or protocol is out of range.
inline bool ToUsmUser(const PrlUsmUser& given, UsmUser& user) {
  if (given.level > 2 || given.auth > 2 || given.priv > 1) return false;
  auto text = [](const char* field, size_t size) {
    size_t length = 0;
    while (length < size && field[length] != '\0') ++length;
    return std::string(field, length);
  };
  user.name = text(given.name, sizeof given.name);
  user.level = static_cast<UsmLevel>(given.level);
  user.auth = static_cast<UsmAuth>(given.auth);
  user.priv = static_cast<UsmPriv>(given.priv);
  user.authPassphrase = text(given.authPassphrase, sizeof given.authPassphrase);
  user.privPassphrase = text(given.privPassphrase, sizeof given.privPassphrase);
  if (user.level != UsmLevel::NoAuthNoPriv && user.auth == UsmAuth::None) return false;
  return user.level != UsmLevel::AuthPriv || user.priv != UsmPriv::None;
}
