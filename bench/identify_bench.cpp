// Identification timings: a printer that answers, and an address where nothing does; with
// an SNMPv3 user, an SNMPv3-only printer at authPriv in the same run, each time with its
// engine discovery (a fresh question knows no engine), and the first time apart (the
// user's keys are made then, and kept for the process).
//   identify_bench LIVE_ADDRESS SILENT_ADDRESS RUNS [V3_ADDRESS USER AUTH_PASS PRIV_PASS]
//   (the SNMPv3 user authenticates with HMAC-SHA-96 and encrypts with AES-128-CFB)
#include <winsock2.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

#include "PrlStat.h"

namespace {

struct Figures {
  double median, worst;
};

double Milliseconds(const std::function<void()>& call) {
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  call();
  QueryPerformanceCounter(&end);
  return 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

Figures Time(const std::function<void()>& call, int runs) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) times.push_back(Milliseconds(call));
  std::sort(times.begin(), times.end());
  return {times[times.size() / 2], times.back()};
}

std::function<void()> IdentifyV1(const char* address) {
  return [address] {
    char identifier[260];
    uint32_t size = sizeof identifier;
    QueryPrinterIdentifier(ntohl(inet_addr(address)), identifier, &size, "mirabo");
  };
}

std::function<void()> IdentifyV3(const char* address, const PrlUsmUser& user) {
  return [address, &user] {
    PrlStatIdentification result{};
    result.size = sizeof result;
    if (QueryPrinterIdentifierUsm(ntohl(inet_addr(address)), nullptr, &user, 0, &result) != kPrlStatOk)
      std::fprintf(stderr, "identify_bench: %s did not answer SNMPv3\n", address);
  };
}

PrlUsmUser AuthPrivUser(const char* name, const char* authPass, const char* privPass) {
  PrlUsmUser user{};
  std::strncpy(user.name, name, sizeof user.name - 1);
  user.level = 2;
  user.auth = 1;
  user.priv = 1;
  std::strncpy(user.authPassphrase, authPass, sizeof user.authPassphrase - 1);
  std::strncpy(user.privPassphrase, privPass, sizeof user.privPassphrase - 1);
  return user;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 && argc != 8) return 2;
  WSADATA data;
  WSAStartup(MAKEWORD(1, 1), &data);
  int runs = std::atoi(argv[3]);
  Figures live = Time(IdentifyV1(argv[1]), runs * 10);
  Figures silent = Time(IdentifyV1(argv[2]), runs);
  std::printf("| identification of a live printer (%d runs) | %.1f ms | %.1f ms |\n", runs * 10, live.median, live.worst);
  std::printf("| identification of a silent address (%d runs) | %.0f ms | %.0f ms |\n", runs, silent.median, silent.worst);
  if (argc == 8) {
    const PrlUsmUser user = AuthPrivUser(argv[5], argv[6], argv[7]);
    const double first = Milliseconds(IdentifyV3(argv[4], user));
    Figures v3 = Time(IdentifyV3(argv[4], user), runs * 10);
    std::printf("| SNMPv3 authPriv identification, first (keys made) | %.1f ms | |\n", first);
    std::printf("| SNMPv3 authPriv identification, discovery included (%d runs) | %.1f ms | %.1f ms |\n", runs * 10,
                v3.median, v3.worst);
  }
  WSACleanup();
  return 0;
}
