#include "NameLookups.h"

#include "PrinterAddress.h"

std::vector<SocketAddress> LookUpPrinter(const std::string& name) {
  WinsockSession winsock;
  return PrinterAddresses(name.c_str());
}
