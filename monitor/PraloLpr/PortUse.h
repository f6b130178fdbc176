#pragma once
// Whether a printer of the spooler prints to a port.

// True when any printer's "Port" list names the port, in any letter case.
bool PrinterUsesPort(const wchar_t* portName);
