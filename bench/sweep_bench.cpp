// A discovery sweep of the local subnet: time until every expected printer is reported,
// and until the last probe has left (the kernel's count of UDP datagrams sent stops
// moving, read from /proc through Wine's Z: drive).
//   sweep_bench EXPECTED_PRINTERS
#include <winsock2.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "PrlFind.h"

namespace {

std::atomic<int> reported{0};
LARGE_INTEGER frequency, start;

double Elapsed() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

int CALLBACK Count(DiscoveredPrinter*, void*) {
  ++reported;
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

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const int expected = std::atoi(argv[1]);
  WSADATA data;
  WSAStartup(MAKEWORD(1, 1), &data);
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  DiscoveryContext context{};
  StartDiscovery(&context, &Count, nullptr, 0);
  double allReported = -1, lastSend = 0;
  long long sent = UdpDatagramsSent();
  while (Elapsed() < 6000) {
    if (allReported < 0 && reported >= expected) allReported = Elapsed();
    long long now = UdpDatagramsSent();
    if (now != sent) {
      sent = now;
      lastSend = Elapsed();
    }
    Sleep(5);
  }
  StopDiscovery(&context);
  std::printf("| PRLFIND sweep of the LAN /24: every printer reported (%d of %d) | %.0f ms |\n", reported.load(), expected,
              allReported);
  std::printf("| PRLFIND sweep of the LAN /24: last probe sent | %.0f ms |\n", lastSend);
  WSACleanup();
  return 0;
}
