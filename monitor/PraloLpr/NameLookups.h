#pragma once
// Host-name lookups for the bi-directional watch, off its thread: the system's lookup
// cannot be cancelled and may wait on a name server for many seconds. At most two lookups
// run at once.
#include <string>
#include <vector>

#include "OffThreadAnswers.h"
#include "UdpSocket.h"

// A printer's addresses in the order to try; none: the name does not resolve.
std::vector<SocketAddress> LookUpPrinter(const std::string& name);

using NameLookups = OffThreadAnswers<std::string, std::vector<SocketAddress>, LookUpPrinter, 2>;
