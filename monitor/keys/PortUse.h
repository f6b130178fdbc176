#pragma once
// Whether a printer of the spooler prints to a port.
#include <string>
#include <vector>

// True when any printer's "Port" list names the port, in any letter case.
bool PrinterUsesPort(const wchar_t* portName);
// The printers whose "Port" list names the port.
std::vector<std::wstring> PrintersUsingPort(const wchar_t* portName);
// The port names that a printer's "Port" list holds.
std::vector<std::wstring> PortsOfPrinter(const std::wstring& printer);
