#include "PortStorage.h"

#include <string>

namespace {
// Each value is queried into a buffer of this size; larger data counts as missing.
constexpr DWORD kValueQuerySize = 261;
}  // namespace

void ReadPortValues(HKEY key, StoredPort& port) {
  for (const PortValue& value : kPortValues) {
    if (value.type == ValueType::Text) {
      char text[kValueQuerySize + 1] = {};
      if (ReadTextValue(key, value.name, text, sizeof text, kValueQuerySize)) SetValueText(port, value, text);
    } else if (uint32_t number = 0; ReadNumberValue(key, value.name, number, kValueQuerySize)) {
      SetValueNumber(port, value, number);
    }
  }
}

LONG WritePortValues(HKEY key, const StoredPort& port, ValueSetter set, PortValueSet which) {
  for (const PortValue& value : kPortValues) {
    if (value.kind == ValueKind::Certificate) continue;
    if (value.kind == ValueKind::SnmpChoice && which == PortValueSet::Record) continue;
    const LONG rc = value.type == ValueType::Text ? WriteTextValue(key, value.name, ValueText(port, value), set)
                                                  : WriteNumberValue(key, value.name, ValueNumber(port, value), set);
    if (rc != ERROR_SUCCESS) return rc;
  }
  return ERROR_SUCCESS;
}
