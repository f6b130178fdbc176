#pragma once
// A printer's SNMP addresses from the port's address text: IPv4 or IPv6 text, or a host
// name through the system's lookup (getaddrinfo, both families), in the system's order
// of preference. Addresses that may not be asked (UdpSocket.h) are left out.
#include <vector>

#include "UdpSocket.h"

inline constexpr uint16_t kSnmpPort = 161;

// Empty for an empty text (the system would take it for this computer), a name that
// does not resolve, or, with `numericOnly`, any name: a caller that must not wait on the
// resolver asks that first.
std::vector<SocketAddress> PrinterAddresses(const char* text, bool numericOnly = false);
// True when the text is an IPv4 or IPv6 address rather than a name.
bool IsNumericAddress(const char* text);
