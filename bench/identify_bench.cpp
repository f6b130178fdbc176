// Identification timings: a printer that answers, and an address where nothing does.
//   identify_bench LIVE_ADDRESS SILENT_ADDRESS RUNS
#include <winsock2.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "PrlStat.h"

namespace {

struct Figures {
  double median, worst;
};

Figures Time(const char* address, int runs) {
  std::vector<double> times;
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  for (int i = 0; i < runs; ++i) {
    char identifier[260];
    uint32_t size = sizeof identifier;
    QueryPerformanceCounter(&start);
    QueryPrinterIdentifier(ntohl(inet_addr(address)), identifier, &size, "mirabo");
    QueryPerformanceCounter(&end);
    times.push_back(1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart));
  }
  std::sort(times.begin(), times.end());
  return {times[times.size() / 2], times.back()};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  WSADATA data;
  WSAStartup(MAKEWORD(1, 1), &data);
  int runs = std::atoi(argv[3]);
  Figures live = Time(argv[1], runs * 10);
  Figures silent = Time(argv[2], runs);
  std::printf("| identification of a live printer (%d runs) | %.1f ms | %.1f ms |\n", runs * 10, live.median, live.worst);
  std::printf("| identification of a silent address (%d runs) | %.0f ms | %.0f ms |\n", runs, silent.median, silent.worst);
  WSACleanup();
  return 0;
}
