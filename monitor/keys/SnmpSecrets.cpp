#include "SnmpSecrets.h"

#include <string>
#include <vector>

#include "AdminOnly.h"
#include "PortKey.h"
#include "ProtectedText.h"
#include "RegistryValue.h"
#include "Unique.h"

namespace {

LONG RemoveValue(HKEY key, const char* name) {
  const LONG rc = RegDeleteValueA(key, name);
  return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
}

// Sealed bytes as they are; nothing removes the value.
LONG PutBack(HKEY key, const char* name, const std::optional<std::vector<BYTE>>& sealed) {
  if (!sealed) return RemoveValue(key, name);
  return RegSetValueExA(key, name, 0, REG_BINARY, sealed->data(), static_cast<DWORD>(sealed->size()));
}

LONG StoreSealed(HKEY key, const char* name, const std::string& text) {
  if (text.empty()) return RemoveValue(key, name);
  const std::vector<BYTE> sealed = ProtectText(text);
  if (sealed.empty()) return static_cast<LONG>(GetLastError() != 0 ? GetLastError() : ERROR_ENCRYPTION_FAILED);
  return PutBack(key, name, sealed);
}

LONG StorePassphrases(HKEY key, const UsmUser& user) {
  if (LONG rc = StoreSealed(key, kSnmpV3AuthPassphraseValue, user.authPassphrase)) return rc;
  return StoreSealed(key, kSnmpV3PrivPassphraseValue, user.privPassphrase);
}

LONG StoreUser(HKEY key, const UsmUser& user) {
  if (LONG rc = WriteTextValue(key, kSnmpV3UserValue, user.name)) return rc;
  if (LONG rc = WriteNumberValue(key, kSnmpV3LevelValue, static_cast<uint32_t>(user.level))) return rc;
  if (LONG rc = WriteNumberValue(key, kSnmpV3AuthValue, static_cast<uint32_t>(user.auth))) return rc;
  if (LONG rc = WriteNumberValue(key, kSnmpV3PrivValue, static_cast<uint32_t>(user.priv))) return rc;
  return StorePassphrases(key, user);
}

}  // namespace

DWORD StoreSnmpProfile(const SnmpProfile& profile) {
  AdminOnlySecurity security(AdminOnlySecurity::Object::Key);
  if (security.Attributes() == nullptr) return ERROR_INVALID_SECURITY_DESCR;
  UniqueKey key;
  if (LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSnmpProfileKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                KEY_ALL_ACCESS, security.Attributes(), key.put(), nullptr))
    return static_cast<DWORD>(rc);
  if (DWORD rc = RestrictKeyTree(kSnmpProfileKey)) return rc;  // a key that was there before
  if (LONG rc = WriteNumberValue(key.get(), kSnmpV3UseValue, static_cast<uint32_t>(profile.use)))
    return static_cast<DWORD>(rc);
  return static_cast<DWORD>(StoreUser(key.get(), profile.user));
}

DWORD RemoveSnmpProfile() {
  const LONG rc = RegDeleteKeyA(HKEY_LOCAL_MACHINE, kSnmpProfileKey);
  return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : static_cast<DWORD>(rc);
}

DWORD StorePortPassphrases(std::string_view portName, const UsmUser& user) {
  const std::string path = PortKeyPath(portName);
  if (DWORD rc = RestrictKeyTree(path.c_str())) return rc;
  UniqueKey key;
  if (LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_SET_VALUE, key.put()))
    return static_cast<DWORD>(rc);
  return static_cast<DWORD>(StorePassphrases(key.get(), user));
}

DWORD RemovePortPassphrases(std::string_view portName) {
  UniqueKey key;
  const LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, PortKeyPath(portName).c_str(), 0, KEY_SET_VALUE, key.put());
  if (rc == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  if (rc != ERROR_SUCCESS) return static_cast<DWORD>(rc);
  if (LONG removed = RemoveValue(key.get(), kSnmpV3AuthPassphraseValue)) return static_cast<DWORD>(removed);
  return static_cast<DWORD>(RemoveValue(key.get(), kSnmpV3PrivPassphraseValue));
}

SealedPassphrases ReadSealedPortPassphrases(std::string_view portName) {
  UniqueKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, PortKeyPath(portName).c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
    return {};
  return {SealedValue(key.get(), kSnmpV3AuthPassphraseValue), SealedValue(key.get(), kSnmpV3PrivPassphraseValue)};
}

DWORD PutBackSealedPortPassphrases(std::string_view portName, const SealedPassphrases& sealed) {
  if (!sealed.auth && !sealed.priv) return RemovePortPassphrases(portName);
  const std::string path = PortKeyPath(portName);
  if (DWORD rc = RestrictKeyTree(path.c_str())) return rc;  // a key made again by the undo
  UniqueKey key;
  if (LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_SET_VALUE, key.put()))
    return static_cast<DWORD>(rc);
  if (LONG rc = PutBack(key.get(), kSnmpV3AuthPassphraseValue, sealed.auth)) return static_cast<DWORD>(rc);
  return static_cast<DWORD>(PutBack(key.get(), kSnmpV3PrivPassphraseValue, sealed.priv));
}
