#pragma once
// Address and mask pairs behind the 32-bit handles of MakeDiscoverySubnet. A handle
// is the pair's place in the table plus one; the same pair always gets the same handle.
#include <cstdint>
#include <optional>

#include "HostRange.h"

uint32_t SubnetHandle(uint32_t address, uint32_t mask);
std::optional<HostRange> SubnetHosts(uint32_t handle);
