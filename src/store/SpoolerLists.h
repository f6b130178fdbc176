#pragma once
// The spooler's lists of ports and printers on the local machine.
#include <windows.h>

#include <string>
#include <map>
#include <vector>

#include "PortNameCompare.h"

struct SpoolerPort {
  std::string name;
  std::string monitor;
};

struct SpoolerPrinter {
  std::string name;
  std::string ports;  // one port name, or several separated by commas
};

// The names of every port of the machine, of any monitor, in the spooler's order.
std::vector<std::string> SpoolerPortNames();
// Every port with its monitor's name.
std::vector<SpoolerPort> SpoolerPorts();
// The local printers, asked at level 2 or 5.
std::vector<SpoolerPrinter> LocalPrinters(DWORD level);

// Which printers use which port, built once from the printers' port lists so that a
// long list of ports is matched in one pass. A port matches an entry of a printer's
// comma-separated list when the entry, blanks trimmed, is its name as the registry
// compares key names (PortNameCompare.h).
class PrinterUseIndex {
 public:
  void Add(const std::string& printerName, const std::string& printerPorts);
  // The names of the printers that use the port, in the order they were added,
  // separated by ", "; empty when none does.
  const std::string& PrintersOf(const std::string& portName) const;

 private:
  std::map<std::string, std::string, PortNameLess> m_printers;
  std::map<std::string, std::string, PortNameLess> m_lastAdded;  // against a port listed twice
};

// The first local printer whose port text is exactly the port's name (letter case
// counts; a printer on several ports does not match); empty when none is.
std::string PrinterAttachedTo(const char* portName);
