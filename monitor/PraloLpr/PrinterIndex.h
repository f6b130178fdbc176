#pragma once
// The printers that print to each port, read in one walk of the spooler's printers and
// read again only when the printers change, never per port and pass.
#include <map>
#include <string>
#include <vector>

#include "PortNameCompare.h"

class PrinterIndex {
 public:
  void Rebuild();
  // The printers of the port (names compare as the registry's), none when no printer has it.
  const std::vector<std::wstring>& PrintersOf(const std::wstring& port) const;

 private:
  std::map<std::wstring, std::vector<std::wstring>, PortNameLess> printers_;
};
