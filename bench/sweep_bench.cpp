// A discovery sweep: time until every expected printer is reported, and until the last
// probe has left (the kernel's count of UDP datagrams sent stops moving, read from /proc
// through Wine's Z: drive).
//   sweep_bench LABEL SECONDS [--subnet ADDRESS/MASK]... EXPECTED_ADDRESS...
#include <winsock2.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>
#include <string>

#include "PrlFind.h"

namespace {

std::mutex mutex;
std::set<uint32_t> reported;
LARGE_INTEGER frequency, start;

double Elapsed() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

int CALLBACK Collect(DiscoveredPrinter* printer, void*) {
  std::lock_guard lock(mutex);
  reported.insert(printer->address);
  return 1;
}

long long UdpDatagramsSent() {
  std::ifstream snmp("Z:\\proc\\net\\snmp");
  std::string header, values;
  while (std::getline(snmp, header) && std::getline(snmp, values)) {
    if (header.rfind("Udp:", 0) != 0) continue;
    std::istringstream names(header), numbers(values);
    std::string name, number;
    while (names >> name && numbers >> number)
      if (name == "OutDatagrams") return std::atoll(number.c_str());
  }
  return -1;
}

uint32_t HostOrder(const std::string& dotted) { return ntohl(inet_addr(dotted.c_str())); }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) return 2;
  const char* label = argv[1];
  const double limitMs = 1000.0 * std::atof(argv[2]);
  WSADATA data;
  WSAStartup(MAKEWORD(1, 1), &data);
  std::set<uint32_t> expected;
  DiscoveryContext context{};
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  StartDiscovery(&context, &Collect, nullptr, 0);
  for (int i = 3; i < argc; ++i) {
    if (std::strcmp(argv[i], "--subnet") == 0 && i + 1 < argc) {
      std::string subnet = argv[++i];
      size_t slash = subnet.find('/');
      AddDiscoverySubnet(&context,
                         MakeDiscoverySubnet(HostOrder(subnet.substr(0, slash)), HostOrder(subnet.substr(slash + 1))),
                         0, 0);
    } else {
      expected.insert(HostOrder(argv[i]));
    }
  }
  double allReported = -1, lastSend = 0;
  long long sent = UdpDatagramsSent();
  size_t found = 0;
  for (double quietSince = 0; Elapsed() < limitMs;) {
    {
      std::lock_guard lock(mutex);
      found = 0;
      for (uint32_t address : expected) found += reported.count(address);
    }
    if (allReported < 0 && found == expected.size()) allReported = Elapsed();
    long long now = UdpDatagramsSent();
    if (now != sent) {
      sent = now;
      lastSend = quietSince = Elapsed();
    }
    // Over once nothing has left for longer than a neighbour resolution takes to fail.
    if (allReported >= 0 && Elapsed() - quietSince > 5000) break;
    Sleep(5);
  }
  StopDiscovery(&context);
  std::printf("| PRLFIND sweep, %s: every printer reported (%zu of %zu) | %.0f ms |\n", label, found, expected.size(),
              allReported);
  std::printf("| PRLFIND sweep, %s: last probe sent | %.0f ms |\n", label, lastSend);
  WSACleanup();
  return 0;
}
