#pragma once
// Where a port's record lies, and the record read as stored.
#include <windows.h>

#include <string>
#include <string_view>

#include "PortValues.h"

// The port's key under HKEY_LOCAL_MACHINE: the monitor's "Port Names" and the port's name.
std::string PortKeyPath(std::string_view name);
std::wstring PortKeyPath(std::wstring_view name);

struct PortReading {
  StoredPort port;  // what is stored; each value the key lacks is its default
  LONG error;       // the registry's code when the key cannot be opened (the port is then all defaults)
};

// The named port's key as stored, every value of the table: the defaults of DefaultStoredPort
// for whatever is missing, and the error apart, so that a caller need not fail to get them.
PortReading ReadStoredPort(std::string_view name);

// Stores an IPPS printer's certificates in the existing key of the port: the one trusted
// and a different one that the printer offered (empty: none). The registry's code.
LONG WritePortCertificates(std::string_view name, std::string_view trusted, std::string_view offered);

// Stores every value of the table but the certificates, the SNMP choice included, as
// WritePortConfig stores the record's: false with the registry's error code for GetLastError.
bool WriteStoredPort(const StoredPort& port, PortKeyOpening opening);
