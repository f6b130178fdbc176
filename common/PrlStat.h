#pragma once
// PrlStat.dll: identifies a printer by asking it for its SNMP identifier. Exported by
// ordinal only (1).
#include <windows.h>

#include <cstdint>

extern "C" {

// Asks the printer at `address` (IPv4, host order) for sysObjectID.0 with the given
// community and writes it as dotted text into `buffer`, cut to *size bytes and always
// terminated. 0 when the printer answered; non-zero otherwise (see PrlStatResult).
// Blocks for about 1.8 s at most when nothing answers. Windows Sockets is started by
// the caller.
int WINAPI QueryPrinterIdentifier(uint32_t address, char* buffer, uint32_t* size, const char* community);

}

enum PrlStatResult : int {
  kPrlStatOk = 0,
  kPrlStatNoAnswer = 1,   // nothing answered in time (or the community was refused)
  kPrlStatRefused = 2,    // the printer answered with an error (noSuchName, ...)
  kPrlStatMalformed = 3,  // the answer was not a usable identifier
  kPrlStatBadCall = 4,    // a null or empty buffer, or no community
  kPrlStatNoSocket = 5,   // the UDP socket could not be had
};
