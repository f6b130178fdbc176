#include "registry.h"

#include <gtest/gtest.h>
#include <shlwapi.h>

#include <cstring>

#include "PortKey.h"
#include "Unique.h"

namespace {

UniqueKey CreateKey(HKEY root, const std::string& path) {
  UniqueKey key;
  LONG rc = RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr);
  EXPECT_EQ(rc, ERROR_SUCCESS) << "cannot create " << path;
  return key;
}

}  // namespace

void SetRawValue(HKEY root, const std::string& path, const char* name, DWORD type, const std::string& data) {
  UniqueKey key = CreateKey(root, path);
  EXPECT_EQ(RegSetValueExA(key.get(), name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                           static_cast<DWORD>(data.size())),
            ERROR_SUCCESS);
}

void SetTextValue(HKEY root, const std::string& path, const char* name, const std::string& text) {
  SetRawValue(root, path, name, REG_SZ, std::string(text.c_str(), text.size() + 1));
}

void SetNumberValue(HKEY root, const std::string& path, const char* name, DWORD value) {
  SetRawValue(root, path, name, REG_DWORD, std::string(reinterpret_cast<const char*>(&value), sizeof value));
}

RawValue GetRawValue(HKEY root, const std::string& path, const char* name) {
  RawValue value;
  UniqueKey key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return value;
  DWORD size = 0;
  if (RegQueryValueExA(key.get(), name, nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS) return value;
  value.data.resize(size);
  value.exists = RegQueryValueExA(key.get(), name, nullptr, &value.type, value.data.data(), &size) == ERROR_SUCCESS;
  return value;
}

void DeleteTree(HKEY root, const std::string& path) { SHDeleteKeyA(root, path.c_str()); }

bool KeyExists(HKEY root, const std::string& path) {
  UniqueKey key;
  return RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

std::string StoredText(const std::string& port, const char* name) {
  RawValue value = GetRawValue(HKEY_LOCAL_MACHINE, PortKeyPath(port), name);
  return value.exists ? std::string(reinterpret_cast<const char*>(value.data.data()), value.data.size()).c_str()
                      : "<missing>";
}

DWORD StoredNumber(const std::string& port, const char* name) {
  RawValue value = GetRawValue(HKEY_LOCAL_MACHINE, PortKeyPath(port), name);
  DWORD number = 0xFFFFFFFF;
  if (value.exists && value.data.size() == 4) std::memcpy(&number, value.data.data(), 4);
  return number;
}

FILETIME KeyLastWrite(HKEY root, const std::string& path) {
  FILETIME written{};
  UniqueKey key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS)
    RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr, &written);
  return written;
}
