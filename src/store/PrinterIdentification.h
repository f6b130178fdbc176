#pragma once
// Identifies a printer's model: its SNMP identifier, asked through PrlStat.dll (with the
// community, and the machine's SNMPv3 profile where one is stored), looked up in the
// catalogue.
#include <string>

#include "ModelCatalogue.h"

// What the caller shows while the printer is asked (the address already resolved).
class IdentificationWait {
 public:
  virtual ~IdentificationWait() = default;
  virtual void Begin() = 0;
  virtual void End() = 0;
};

// The catalogue entry of the printer at `address` (a host name or dotted IPv4 address),
// asked with the community; 0 when it is not identified: Windows Sockets cannot start,
// the address does not resolve, the printer does not answer, or no model matches.
int IdentifyPrinter(const char* address, const char* community, const ModelCatalogue& catalogue,
                    IdentificationWait* wait = nullptr);

// The printer's SNMP identifier, as PrlStat.dll answers it; false when the address does
// not resolve or the printer does not answer.
bool QueryPrinterIdentifierText(const char* address, const char* community, std::string& identifier,
                                IdentificationWait* wait = nullptr);
