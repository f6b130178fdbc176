#include "SubnetTable.h"

#include <mutex>
#include <utility>
#include <vector>

#include "AddressClass.h"

namespace {
std::mutex tableMutex;
std::vector<std::pair<uint32_t, uint32_t>> table;
}  // namespace

uint32_t SubnetHandle(uint32_t address, uint32_t mask) {
  std::lock_guard lock(tableMutex);
  for (size_t i = 0; i < table.size(); ++i)
    if (table[i] == std::make_pair(address, mask)) return static_cast<uint32_t>(i + 1);
  table.emplace_back(address, mask);
  return static_cast<uint32_t>(table.size());
}

std::optional<HostRange> SubnetHosts(uint32_t handle) {
  std::lock_guard lock(tableMutex);
  if (handle == 0 || handle > table.size()) return std::nullopt;
  // A range lies within one /16 block, so its first host tells the class of them all.
  HostRange hosts = HostsOf(table[handle - 1].first, table[handle - 1].second);
  if (!IsUnicastAddress(hosts.first)) return std::nullopt;
  return hosts;
}
