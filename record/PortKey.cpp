#include "PortKey.h"

#include "MonitorRegistry.h"
#include "PortStorage.h"
#include "Unique.h"

std::string PortKeyPath(std::string_view name) { return std::string(kPortNamesKey) + "\\" + std::string(name); }

std::wstring PortKeyPath(std::wstring_view name) { return std::wstring(kPortNamesKeyW) + L"\\" + std::wstring(name); }

PortReading ReadStoredPort(std::string_view name) {
  PortReading reading{DefaultStoredPort(name), ERROR_SUCCESS};
  UniqueKey key;
  reading.error = RegOpenKeyExA(HKEY_LOCAL_MACHINE, PortKeyPath(name).c_str(), 0, KEY_READ, key.put());
  if (reading.error == ERROR_SUCCESS) ReadPortValues(key.get(), reading.port);
  return reading;
}

LONG WritePortCertificates(std::string_view name, std::string_view trusted, std::string_view offered) {
  UniqueKey key;
  LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, PortKeyPath(name).c_str(), 0, KEY_SET_VALUE, key.put());
  if (rc == ERROR_SUCCESS) rc = WriteTextValue(key.get(), kIppCertificateValue, trusted);
  if (rc == ERROR_SUCCESS) rc = WriteTextValue(key.get(), kIppCertificateOfferedValue, offered);
  return rc;
}
