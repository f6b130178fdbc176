#include "UsmKeys.h"

#include <windows.h>

#include <map>
#include <mutex>

namespace {

// Pass phrases are few (the profile's and the ports' users); beyond this the cache starts
// again.
constexpr size_t kMostCached = 256;

std::mutex cacheMutex;
std::map<std::string, Bytes> masterKeys;  // Ku by protocol and a fingerprint of the pass phrase

// The pass phrase's key (Ku, RFC 3414 A.2): a megabyte of hashing, made once per pass
// phrase and protocol. What an agent sends (its engine ID) never makes it again.
Bytes MasterKey(UsmAuth auth, const std::string& passphrase) {
  const Bytes print = PassphraseFingerprint(passphrase);
  std::string found(1, static_cast<char>(auth));
  found.append(print.begin(), print.end());
  {
    std::lock_guard lock(cacheMutex);
    if (const auto kept = masterKeys.find(found); kept != masterKeys.end()) return kept->second;
  }
  Bytes key = PassphraseKey(auth, passphrase);
  if (key.empty()) return key;
  std::lock_guard lock(cacheMutex);
  if (masterKeys.size() >= kMostCached) {
    for (auto& [name, kept] : masterKeys) SecureZeroMemory(kept.data(), kept.size());
    masterKeys.clear();
  }
  masterKeys.emplace(found, key);
  return key;
}

// Localizing (Kul) is one short hash: done for each question's agent.
Bytes Localized(UsmAuth auth, const std::string& passphrase, const std::string& engineId) {
  Bytes key = MasterKey(auth, passphrase);
  Bytes localized = key.empty() ? Bytes{} : LocalizeKey(auth, key, engineId);
  SecureZeroMemory(key.data(), key.size());
  return localized;
}

}  // namespace

UsmKeys::~UsmKeys() {
  SecureZeroMemory(auth.data(), auth.size());
  SecureZeroMemory(priv.data(), priv.size());
}

std::shared_ptr<const UsmKeys> LocalizedKeys(const UsmUser& user, const std::string& engineId) {
  auto keys = std::make_shared<UsmKeys>();
  keys->engineId = engineId;
  if (user.level == UsmLevel::NoAuthNoPriv) return keys;
  keys->auth = Localized(user.auth, user.authPassphrase, engineId);
  if (keys->auth.empty()) return nullptr;
  if (user.level == UsmLevel::AuthNoPriv) return keys;
  keys->priv = Localized(user.auth, user.privPassphrase, engineId);
  return keys->priv.size() < 16 ? nullptr : keys;
}
