#pragma once
// Identifies a printer's model: its SNMP identifier, asked through PrlStat.dll (with the
// community, and the machine's SNMPv3 profile where one is stored), looked up in the
// catalogue.
#include <cstdint>
#include <optional>
#include <string>

#include "ModelCatalogue.h"

// What the caller shows while the printer is asked (the address already resolved).
class IdentificationWait {
 public:
  virtual ~IdentificationWait() = default;
  virtual void Begin() = 0;
  virtual void End() = 0;
};

// What the printer answered: its SNMP identifier, and the SNMP version it answered.
struct PrinterIdentity {
  std::string identifier;  // sysObjectID, dotted
  uint32_t version = 0;    // 1 or 3
};

// The catalogue entry of the printer at `address` (a host name or dotted IPv4 address),
// asked with the community; 0 when it is not identified: Windows Sockets cannot start,
// the address does not resolve, the printer does not answer, or no model matches.
// `version`, when given, gets the SNMP version that answered; 0 when none did.
int IdentifyPrinter(const char* address, const char* community, const ModelCatalogue& catalogue,
                    IdentificationWait* wait = nullptr, uint32_t* version = nullptr);

// What the printer answers PrlStat.dll; nothing when the address does not resolve or
// the printer does not answer.
std::optional<PrinterIdentity> QueryPrinterIdentity(const char* address, const char* community,
                                                    IdentificationWait* wait = nullptr);
