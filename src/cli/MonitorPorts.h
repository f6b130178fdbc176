#pragma once
// The machine's ports as export and import see them: the spooler's ports by name, and
// one port of the monitor read whole, "SnmpUpdated" included.
#include <map>
#include <string>

#include "PortNameCompare.h"
#include "PortTransfer.h"
#include "SpoolerLists.h"

// Every port of the machine, of any monitor, by name.
std::map<std::string, SpoolerPort, PortNameLess> PortsByName();
// The printers of the machine by the ports they use.
PrinterUseIndex PrinterUse();
// The monitor's port of that name as stored.
TransferredPort ReadTransferredPort(const std::string& name);
