#pragma once
#include <vector>

#include "HostRange.h"

// The hosts of the IPv4 subnets of the machine's adapters that are up; loopback
// adapters are left out.
std::vector<HostRange> LocalSubnets();
