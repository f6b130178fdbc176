#pragma once
// Whether a printer of the spooler prints to a port.
#include <string>
#include <utility>
#include <vector>

// True when any printer's "Port" list names the port, in any letter case.
bool PrinterUsesPort(const wchar_t* portName);
// The printers whose "Port" list names the port.
std::vector<std::wstring> PrintersUsingPort(const wchar_t* portName);
// Every printer with the port names its "Port" list holds, in one walk of the printers.
std::vector<std::pair<std::wstring, std::vector<std::wstring>>> PrintersAndTheirPorts();
