#include "PrinterAddress.h"

#include <cstring>
#include <string>

namespace {

std::vector<SocketAddress> Lookup(const char* text, int flags) {
  std::vector<SocketAddress> addresses;
  if (text == nullptr || *text == '\0') return addresses;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_DGRAM;
  hints.ai_protocol = IPPROTO_UDP;
  hints.ai_flags = flags;
  addrinfo* found = nullptr;
  if (getaddrinfo(text, std::to_string(kSnmpPort).c_str(), &hints, &found) != 0) return addresses;
  for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
    if (entry->ai_addrlen > sizeof(sockaddr_storage)) continue;
    SocketAddress address;
    memcpy(&address.storage, entry->ai_addr, entry->ai_addrlen);
    address.length = static_cast<int>(entry->ai_addrlen);
    if (MayBeAsked(address)) addresses.push_back(address);
  }
  freeaddrinfo(found);
  return addresses;
}

}  // namespace

std::vector<SocketAddress> PrinterAddresses(const char* text, bool numericOnly) {
  return Lookup(text, numericOnly ? AI_NUMERICHOST : 0);
}

bool IsNumericAddress(const char* text) { return !Lookup(text, AI_NUMERICHOST).empty(); }
