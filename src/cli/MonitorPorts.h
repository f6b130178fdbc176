#pragma once
// The machine's ports as export and import see them: the spooler's ports by name, and
// one port of the monitor read whole, "SnmpUpdated" included.
#include <map>
#include <string>

#include "PortTransfer.h"
#include "SpoolerLists.h"

// lstrcmpi's order: port names that differ only in letter case are one name.
struct NoCase {
  bool operator()(const std::string& a, const std::string& b) const;
};

// Every port of the machine, of any monitor, by name.
std::map<std::string, SpoolerPort, NoCase> PortsByName();
// The printers of the machine by the ports they use.
PrinterUseIndex PrinterUse();
// The monitor's port of that name as stored.
TransferredPort ReadTransferredPort(const std::string& name);
