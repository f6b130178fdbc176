#pragma once
// PrlStat.dll: identifies a printer by asking it for its SNMP identifier. Ordinal 1 keeps
// the maker's contract (SNMPv1); QueryPrinterIdentifierUsm, exported by name, is ours: it
// also asks with an SNMPv3 user and says which version answered.
#include <windows.h>

#include <cstdint>

#include "PrlUsmUser.h"

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
  kPrlStatUsmRefused = 6, // the SNMPv3 agent refused the user: `usmError` says why
};

// QueryPrinterIdentifierUsm's flags.
enum PrlStatFlags : uint32_t {
  kPrlStatV3First = 1,  // ask with the user before the community
};

// What QueryPrinterIdentifierUsm found. The caller sets `size`.
struct PrlStatIdentification {
  uint32_t size;         // sizeof(PrlStatIdentification)
  uint32_t version;      // 1 or 3: the version that answered; 0 when none did
  int32_t usmError;      // a UsmError (net/UsmError.h) when the SNMPv3 agent refused; else 0
  char identifier[260];  // sysObjectID, dotted, terminated
};

extern "C" {

// Asks with the community (may be null: not asked) and with the SNMPv3 user (may be null:
// not asked), in that order unless kPrlStatV3First, until the printer answers one. The result is
// that of the last one asked when none answered. At most about 1.8 s per version asked
// when nothing answers; an SNMPv3 agent's discovery round trip goes within that time.
int WINAPI QueryPrinterIdentifierUsm(uint32_t address, const char* community, const PrlUsmUser* user, uint32_t flags,
                                     PrlStatIdentification* result);

}
