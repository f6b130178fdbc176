#pragma once
// The values of a port's open key, through the table of PortValues.h.
#include <windows.h>

#include "PortValues.h"
#include "RegistryValue.h"

// Sets every value the key holds into the port; a missing one leaves its field alone.
void ReadPortValues(HKEY key, StoredPort& port);
// Which values a write stores: the record's, or the SNMP choice too. The certificates are
// never among them (only the monitor and an administrator's trust write them:
// WritePortCertificates).
enum class PortValueSet { Record, All };
// Sets the values in the table's order; the first failure ends it with its code.
LONG WritePortValues(HKEY key, const StoredPort& port, ValueSetter set, PortValueSet which = PortValueSet::Record);
