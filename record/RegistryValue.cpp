#include "RegistryValue.h"

#include <string>
#include <vector>

#include "LittleEndian.h"
#include "TextField.h"

namespace {

// The value's data, or nothing when the query fails (missing, or larger than querySize).
bool QueryData(HKEY key, const char* name, DWORD querySize, std::vector<BYTE>& data) {
  data.assign(querySize, 0);
  DWORD size = querySize;
  if (RegQueryValueExA(key, name, nullptr, nullptr, data.data(), &size) != ERROR_SUCCESS) return false;
  data.resize(size < querySize ? size : querySize);
  return true;
}

}  // namespace

bool ReadTextValue(HKEY key, const char* name, char* field, size_t capacity, DWORD querySize) {
  std::vector<BYTE> data;
  if (!QueryData(key, name, querySize, data)) return false;
  CopyText(field, capacity, TextOf(reinterpret_cast<const char*>(data.data()), data.size()));
  return true;
}

bool ReadNumberValue(HKEY key, const char* name, uint32_t& field, DWORD querySize) {
  std::vector<BYTE> data;
  if (!QueryData(key, name, querySize, data) || data.size() < 4) return false;
  field = LittleEndianWord(data.data());
  return true;
}

LONG WriteTextValue(HKEY key, const char* name, std::string_view text, ValueSetter set) {
  std::string data(text);
  return set(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                        static_cast<DWORD>(data.size() + 1));
}

LONG WriteNumberValue(HKEY key, const char* name, uint32_t value, ValueSetter set) {
  BYTE data[4] = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value >> 16),
                  static_cast<BYTE>(value >> 24)};
  return set(key, name, 0, REG_DWORD, data, sizeof data);
}
