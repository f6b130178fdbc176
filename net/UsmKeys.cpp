#include "UsmKeys.h"

#include <windows.h>

#include <map>
#include <mutex>

namespace {

// Enough for every printer of a large watch; beyond it the cache starts again.
constexpr size_t kMostCached = 4096;

std::mutex cacheMutex;
std::map<std::string, std::shared_ptr<const UsmKeys>> cache;

std::string Fingerprint(const UsmUser& user, const std::string& engineId) {
  const Bytes auth = PassphraseFingerprint(user.authPassphrase);
  const Bytes priv = PassphraseFingerprint(user.privPassphrase);
  std::string key = engineId + '\n' + user.name + '\n' + static_cast<char>(user.level) + static_cast<char>(user.auth) +
                    static_cast<char>(user.priv);
  key.append(auth.begin(), auth.end());
  key.append(priv.begin(), priv.end());
  return key;
}

Bytes Localized(UsmAuth auth, const std::string& passphrase, const std::string& engineId) {
  Bytes key = PassphraseKey(auth, passphrase);
  Bytes localized = key.empty() ? Bytes{} : LocalizeKey(auth, key, engineId);
  SecureZeroMemory(key.data(), key.size());
  return localized;
}

std::shared_ptr<const UsmKeys> Make(const UsmUser& user, const std::string& engineId) {
  auto keys = std::make_shared<UsmKeys>();
  keys->engineId = engineId;
  if (user.level == UsmLevel::NoAuthNoPriv) return keys;
  keys->auth = Localized(user.auth, user.authPassphrase, engineId);
  if (keys->auth.empty()) return nullptr;
  if (user.level == UsmLevel::AuthNoPriv) return keys;
  keys->priv = Localized(user.auth, user.privPassphrase, engineId);
  return keys->priv.size() < 16 ? nullptr : keys;
}

}  // namespace

UsmKeys::~UsmKeys() {
  SecureZeroMemory(auth.data(), auth.size());
  SecureZeroMemory(priv.data(), priv.size());
}

std::shared_ptr<const UsmKeys> LocalizedKeys(const UsmUser& user, const std::string& engineId) {
  const std::string fingerprint = Fingerprint(user, engineId);
  {
    std::lock_guard lock(cacheMutex);
    if (const auto found = cache.find(fingerprint); found != cache.end()) return found->second;
  }
  std::shared_ptr<const UsmKeys> keys = Make(user, engineId);
  if (keys == nullptr) return nullptr;
  std::lock_guard lock(cacheMutex);
  if (cache.size() >= kMostCached) cache.clear();
  cache.emplace(fingerprint, keys);
  return keys;
}
