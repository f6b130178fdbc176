#pragma once
// The printers that print to each port, read in one walk of the spooler's printers when
// the printers change, never per port and pass. The walk lists each printer with the
// time its key was last written: only a printer that is new, or whose key was written
// since the last walk ("Port" is one of its values), has its port list read again, so
// that the words written under a printer's driver data (a key below) cost no reading.
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "PortNameCompare.h"

class PrinterIndex {
 public:
  // Brings the index up to date with the printers.
  void Refresh();
  // The printers of the port (names compare as the registry's), none when no printer has it.
  const std::vector<std::wstring>& PrintersOf(const std::wstring& port) const;

 private:
  struct Printer {
    ULONGLONG written = 0;  // its key's last write time; 0: read its list again at the next walk
    std::vector<std::wstring> ports;
  };

  std::map<std::wstring, Printer> printers_;  // by key name
  std::map<std::wstring, std::vector<std::wstring>, PortNameLess> byPort_;
};
