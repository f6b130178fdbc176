#pragma once
// The values of a port's open key, through the table of PortValues.h.
#include <windows.h>

#include "PortValues.h"
#include "RegistryValue.h"

// Sets every value the key holds into the port; a missing one leaves its field alone.
void ReadPortValues(HKEY key, StoredPort& port);
// Sets the record's values in the table's order, the certificates aside (only the
// monitor and an administrator's trust write them: WritePortCertificates); the first
// failure ends it with its code.
LONG WritePortValues(HKEY key, const StoredPort& port, ValueSetter set);
