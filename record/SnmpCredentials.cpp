#include "SnmpCredentials.h"

#include <vector>

#include "PortKey.h"
#include "ProtectedText.h"
#include "RegistryValue.h"
#include "TextField.h"
#include "Unique.h"

namespace {

// A sealed pass phrase of 256 bytes takes about 400; larger data is no value of ours.
constexpr DWORD kLargestSealed = 4096;
constexpr DWORD kValueQuerySize = 261;

std::optional<std::string> SealedText(HKEY key, const char* name) {
  const std::optional<std::vector<BYTE>> sealed = SealedValue(key, name);
  return sealed ? UnprotectText(*sealed) : std::nullopt;
}

void ReadPassphrases(HKEY key, UsmUser& user) {
  if (std::optional<std::string> auth = SealedText(key, kSnmpV3AuthPassphraseValue)) user.authPassphrase = *auth;
  if (std::optional<std::string> priv = SealedText(key, kSnmpV3PrivPassphraseValue)) user.privPassphrase = *priv;
}

uint32_t NumberOr(HKEY key, const char* name, uint32_t otherwise) {
  uint32_t number = otherwise;
  ReadNumberValue(key, name, number, kValueQuerySize);
  return number;
}

UsmUser WithoutPassphrases(std::string_view name, uint32_t level, uint32_t auth, uint32_t priv) {
  UsmUser user;
  user.name = std::string(name);
  user.level = level <= 2 ? static_cast<UsmLevel>(level) : UsmLevel::AuthPriv;
  user.auth = auth <= 2 ? static_cast<UsmAuth>(auth) : UsmAuth::HmacSha96;
  user.priv = priv <= 1 ? static_cast<UsmPriv>(priv) : UsmPriv::Aes128Cfb;
  return user;
}

}  // namespace

std::optional<std::vector<BYTE>> SealedValue(HKEY key, const char* name) {
  std::vector<BYTE> sealed(kLargestSealed);
  DWORD size = kLargestSealed, type = 0;
  if (RegQueryValueExA(key, name, nullptr, &type, sealed.data(), &size) != ERROR_SUCCESS || type != REG_BINARY)
    return std::nullopt;
  sealed.resize(size);
  return sealed;
}

std::optional<SnmpProfile> ReadSnmpProfile() {
  UniqueKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSnmpProfileKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return std::nullopt;
  char name[sizeof PortSnmpChoice::v3User] = {};
  if (!ReadTextValue(key.get(), kSnmpV3UserValue, name, sizeof name, kValueQuerySize) || name[0] == '\0')
    return std::nullopt;
  const PortSnmpChoice defaults;
  SnmpProfile profile;
  profile.user = WithoutPassphrases(name, NumberOr(key.get(), kSnmpV3LevelValue, defaults.v3Level),
                                    NumberOr(key.get(), kSnmpV3AuthValue, defaults.v3Auth),
                                    NumberOr(key.get(), kSnmpV3PrivValue, defaults.v3Priv));
  profile.use = NumberOr(key.get(), kSnmpV3UseValue, 0) == 1 ? ProfileUse::InsteadOfCommunity
                                                              : ProfileUse::AfterCommunity;
  ReadPassphrases(key.get(), profile.user);
  return profile;
}

UsmUser OwnUserOf(const PortSnmpChoice& choice) {
  return WithoutPassphrases(TextOf(choice.v3User, sizeof choice.v3User), choice.v3Level, choice.v3Auth,
                            choice.v3Priv);
}

std::optional<UsmUser> PortUsmUser(const StoredPort& port) {
  if (port.snmp.version != kSnmpV3) return std::nullopt;
  if (port.snmp.v3User[0] == '\0') {
    std::optional<SnmpProfile> profile = ReadSnmpProfile();
    return profile ? profile->user : UsmUser{};
  }
  UsmUser user = OwnUserOf(port.snmp);
  UniqueKey key;
  const std::string path = PortKeyPath(TextOf(port.config.portName, sizeof port.config.portName));
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS)
    ReadPassphrases(key.get(), user);
  return user;
}

std::string SnmpChoiceText(const PortSnmpChoice& choice) {
  if (choice.version != kSnmpV3) return "community";
  if (choice.v3User[0] == '\0') return "SNMPv3 (profile)";
  return "SNMPv3 (user " + std::string(TextOf(choice.v3User, sizeof choice.v3User)) + ")";
}
