#include "LocalSubnets.h"

#include <winsock2.h>

#include <iphlpapi.h>

namespace {

bool AdapterIsUp(DWORD index) {
  MIB_IFROW row{};
  row.dwIndex = index;
  if (GetIfEntry(&row) != NO_ERROR) return true;  // no status to go by: take the adapter
  return row.dwOperStatus == MIB_IF_OPER_STATUS_OPERATIONAL || row.dwOperStatus == MIB_IF_OPER_STATUS_CONNECTED;
}

}  // namespace

std::vector<HostRange> LocalSubnets() {
  std::vector<HostRange> ranges;
  ULONG size = 0;
  if (GetAdaptersInfo(nullptr, &size) != ERROR_BUFFER_OVERFLOW || size == 0) return ranges;
  std::vector<BYTE> buffer(size);
  auto* adapters = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data());
  if (GetAdaptersInfo(adapters, &size) != NO_ERROR) return ranges;
  for (const IP_ADAPTER_INFO* adapter = adapters; adapter != nullptr; adapter = adapter->Next) {
    if (adapter->Type == MIB_IF_TYPE_LOOPBACK || !AdapterIsUp(adapter->Index)) continue;
    for (const IP_ADDR_STRING* ip = &adapter->IpAddressList; ip != nullptr; ip = ip->Next) {
      uint32_t address = ntohl(inet_addr(ip->IpAddress.String));
      uint32_t mask = ntohl(inet_addr(ip->IpMask.String));
      if (address == 0 || address == INADDR_NONE || mask == 0) continue;
      HostRange hosts = HostsOf(address, mask);
      bool known = false;
      for (const HostRange& range : ranges) known = known || (range.first == hosts.first && range.last == hosts.last);
      if (!known) ranges.push_back(hosts);
    }
  }
  return ranges;
}
