// Throughput of a job through the monitor, against a plain sender of the same bytes:
//   print_bench RAW_PRINTER LPR_PRINTER MEGABYTES IPP_PRINTER
// IPP_PRINTER is HOST:PORT of an IPP printer that serves ipp:// and ipps:// at /ipp/print.
// Prints Markdown table rows. Runs in the lab, with the monitor installed and the print
// receivers and an IPP printer started (tests/printing/receivers.sh, lab-ipp-printer).
#include <winsock2.h>
#include <windows.h>

#include <winspool.h>
#include <winsplp.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "bench_clock.h"
#include "loaded_monitor.h"
#include "PortConfig.h"
#include "TextField.h"
#include "spooler_lab.h"
#include "spooler_printer.h"

namespace {

constexpr int kRuns = 5;
constexpr size_t kPiece = 64 * 1024;

// One measure: a job and the times it took.
struct Measure {
  const char* what;
  std::function<bool()> run;
  std::vector<double> times;
  double MedianMs() {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
  }
};

// Runs the measures in turn, round after round, so that they share the machine's ups and
// downs; the first round warms up both ends and is not counted. A failed run is reported
// and ends the bench.
void RunRounds(std::vector<Measure>& measures) {
  for (int round = 0; round <= kRuns; ++round) {
    for (Measure& measure : measures) {
      const double start = Now();
      if (!measure.run()) {
        std::fprintf(stderr, "print_bench: %s failed (%lu)\n", measure.what, GetLastError());
        std::exit(1);
      }
      if (round > 0) measure.times.push_back(Now() - start);
    }
  }
}

// The floor: the bytes over one TCP connection, as fast as Windows Sockets send them,
// ended as the monitor ends a raw job (closing the sending side, waiting for the close).
bool PlainSend(const char* address, const std::string& bytes) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(9100);
  to.sin_addr.s_addr = inet_addr(address);
  bool ok = connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
  for (size_t at = 0; ok && at < bytes.size(); at += kPiece) {
    int piece = static_cast<int>(std::min(kPiece, bytes.size() - at));
    ok = send(s, bytes.data() + at, piece, 0) == piece;
  }
  char rest[512];
  ok = ok && shutdown(s, SD_SEND) == 0;
  while (ok && recv(s, rest, sizeof rest, 0) > 0) {
  }
  closesocket(s);
  return ok;
}

// The monitor's own path: its function table driven as the spooler drives it.
bool PrintThroughTable(const LoadedMonitor& monitor, const char* portName, const std::string& bytes) {
  MonitorPort port(monitor, portName);
  bool ok = port.Opened() && port.Start() == 0;
  ok = ok && port.WriteAll(bytes) == 0;
  return port.End() == 0 && ok;
}

PortConfig BenchPort(const char* name, const char* address, uint32_t protocol, bool counted,
                     const std::string& ippUri = "") {
  PortConfig config;
  ResetPortConfig(config, name);
  CopyText(config.deviceIP, address);
  CopyText(config.lprQueue, "bench");
  config.protocol = protocol;
  config.rawPortNumber = 9100;
  config.lprByteCounting = counted ? 1 : 0;
  CopyText(config.ippUri, ippUri);
  return config;
}

// A row of the table; with rawMs, also as a ratio to the raw job through the monitor.
void Row(const char* what, double ms, size_t megabytes, double floorMs, double rawMs) {
  std::printf("| %s | %.0f ms | %.0f MB/s | %.2f x floor", what, ms, 1000.0 * static_cast<double>(megabytes) / ms,
              ms / floorMs);
  if (rawMs > 0) std::printf(", %.2f x raw", ms / rawMs);
  std::printf(" |\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) return 2;
  const size_t megabytes = static_cast<size_t>(std::atoi(argv[3]));
  WSADATA winsock;
  WSAStartup(MAKEWORD(2, 2), &winsock);
  // A driver's output, as an IPP printer that types what it gets by its first bytes takes it.
  std::string bytes(megabytes << 20, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + (i >> 12));
  bytes.replace(0, 5, "%!PS\n");

  SpoolerLab spooler;
  spooler.AddMonitorPort(BenchPort("BenchRaw", argv[1], kProtocolRaw, false));
  spooler.AddMonitorPort(BenchPort("BenchLprCounted", argv[2], kProtocolLpr, true));
  spooler.AddMonitorPort(BenchPort("BenchLprStreamed", argv[2], kProtocolLpr, false));
  const std::string ippPrinter = argv[4];
  spooler.AddMonitorPort(BenchPort("BenchIpp", argv[1], kProtocolRaw, false, "ipp://" + ippPrinter + "/ipp/print"));
  spooler.AddMonitorPort(BenchPort("BenchIpps", argv[1], kProtocolRaw, false, "ipps://" + ippPrinter + "/ipp/print"));
  LoadedMonitor monitor;
  SpoolerPrinter printer("Bench Printer", "BenchRaw");
  if (!monitor.Loaded() || !printer.Added()) return 1;

  std::vector<Measure> measures{
      {"plain loopback TCP sender to the raw printer (the floor)", [&] { return PlainSend(argv[1], bytes); }, {}},
      {"raw through the monitor's function table", [&] { return PrintThroughTable(monitor, "BenchRaw", bytes); }, {}},
      {"raw, the whole job through Wine's spooler (an application's StartDocPrinter to EndDocPrinter)",
       [&] { return printer.Print("bench", bytes) == 0; }, {}},
      {"LPR with byte counting through the monitor's function table",
       [&] { return PrintThroughTable(monitor, "BenchLprCounted", bytes); }, {}},
      {"LPR streamed through the monitor's function table", [&] { return PrintThroughTable(monitor, "BenchLprStreamed", bytes); }, {}},
      {"IPP (Print-Job, followed to its end) through the monitor's function table",
       [&] { return PrintThroughTable(monitor, "BenchIpp", bytes); }, {}},
      {"IPPS (TLS, the certificate pinned at its first use) through the monitor's function table",
       [&] { return PrintThroughTable(monitor, "BenchIpps", bytes); }, {}},
  };
  RunRounds(measures);
  const double floor = measures[0].MedianMs(), raw = measures[1].MedianMs();
  std::printf("| %zu MB job, median of %d | time | throughput | ratio |\n|---|---|---|---|\n", megabytes, kRuns);
  for (size_t i = 0; i < measures.size(); ++i) Row(measures[i].what, measures[i].MedianMs(), megabytes, floor, i >= 2 ? raw : 0);
  WSACleanup();
  return 0;
}
