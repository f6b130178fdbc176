#pragma once
// The spooler's lists of ports and printers on the local machine.
#include <windows.h>

#include <string>
#include <vector>

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

// True when the printer's port text names the port: one of its comma-separated
// entries, blanks trimmed, equals the port's name regardless of letter case, as the
// spooler compares port names.
bool PrinterUsesPort(const char* printerPorts, const char* portName);

// The first local printer whose port text is exactly the port's name (letter case
// counts; a printer on several ports does not match); empty when none is.
std::string PrinterAttachedTo(const char* portName);
