#pragma once
// The spooler's lists of ports and printers on the local machine.
#include <windows.h>

#include <string>
#include <vector>

// Calls a spooler enumeration twice, first for the size it needs; empty (and returned
// 0) when it has nothing or fails.
template <typename Enumerate>
std::vector<BYTE> SpoolerEnumeration(Enumerate enumerate, DWORD& returned) {
  DWORD needed = 0;
  returned = 0;
  enumerate(nullptr, 0, &needed, &returned);
  if (needed == 0) return {};
  std::vector<BYTE> buffer(needed + 1);
  if (!enumerate(buffer.data(), needed + 1, &needed, &returned)) {
    returned = 0;
    return {};
  }
  return buffer;
}

// The names of every port of the machine, of any monitor, in the spooler's order.
std::vector<std::string> SpoolerPortNames();

// The first local printer whose port text is exactly the port's name (letter case
// counts; a printer on several ports does not match); empty when none is.
std::string PrinterAttachedTo(const char* portName);
