// Throughput of a job through the monitor, against a plain sender of the same bytes:
//   print_bench RAW_PRINTER LPR_PRINTER MEGABYTES IPP_PRINTER [OLDER_MONITOR]
// IPP_PRINTER is HOST:PORT of an IPP printer that serves ipp:// and ipps:// at /ipp/print.
// OLDER_MONITOR, another build's PraloLpr.dll, prints the IPP jobs too, in the same rounds.
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
#include <memory>
#include <string>
#include <vector>

#include "Ipp.h"
#include "IppClient.h"
#include "bench_clock.h"
#include "loaded_monitor.h"
#include "PortConfig.h"
#include "TextField.h"
#include "spooler_lab.h"
#include "spooler_printer.h"

namespace {

constexpr int kRuns = 7;
constexpr size_t kPiece = 64 * 1024;

double Median(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// One measure: a job and the times it took. A job through the function table also tells
// when its EndDocPort began: the time before it went to the spooler's writes.
// A measure may settle, off the clock, what its job left behind.
struct Measure {
  Measure(std::string what, std::function<bool(double& endBegan)> run, bool parts = false,
          std::function<void()> settle = [] {})
      : what(std::move(what)), run(std::move(run)), parts(parts), settle(std::move(settle)) {}
  std::string what;
  std::function<bool(double& endBegan)> run;
  bool parts;
  std::function<void()> settle;
  std::vector<double> times, writes, ends;
  double MedianMs() const { return Median(times); }
};

// Runs the measures in turn, round after round, so that they share the machine's ups and
// downs; every other round runs them backwards, so that no measure always follows the same
// one (a printer still writing the last job out slows the next). The first round warms up
// both ends and is not counted. A failed run is reported and ends the bench.
void RunRounds(std::vector<Measure>& measures) {
  for (int round = 0; round <= kRuns; ++round) {
    for (size_t turn = 0; turn < measures.size(); ++turn) {
      Measure& measure = measures[round % 2 == 0 ? turn : measures.size() - 1 - turn];
      const double start = Now();
      double endBegan = start;
      if (!measure.run(endBegan)) {
        std::fprintf(stderr, "print_bench: %s failed (%lu)\n", measure.what.c_str(), GetLastError());
        std::exit(1);
      }
      const double end = Now();
      measure.settle();
      if (round == 0) continue;
      measure.times.push_back(end - start);
      measure.writes.push_back(endBegan - start);
      measure.ends.push_back(end - endBegan);
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
bool PrintThroughTable(const LoadedMonitor& monitor, const char* portName, const std::string& bytes, double& endBegan) {
  MonitorPort port(monitor, portName);
  bool ok = port.Opened() && port.Start() == 0;
  ok = ok && port.WriteAll(bytes) == 0;
  endBegan = Now();
  return port.End() == 0 && ok;
}

// A Print-Job of the job's bytes to a printer, as one body.
std::vector<uint8_t> PrintJobBody(const std::string& uri, const std::string& bytes) {
  ipp::Request print;
  print.operation = ipp::kPrintJob;
  print.printerUri = uri;
  print.userName = "bench";
  print.jobName = "bench";
  print.documentFormat = "application/octet-stream";
  std::vector<uint8_t> body = ipp::EncodeRequest(print);
  body.insert(body.end(), bytes.begin(), bytes.end());
  return body;
}

// The floor of an IPP job: that body, made before the clock starts, posted by the
// monitor's client with its length; nothing kept, the job not followed.
bool PostWhole(const std::string& uri, const std::vector<uint8_t>& body) {
  const IppOutcome outcome = PostIpp(uri, body, "");
  return outcome.Answered() && ipp::Succeeded(outcome.response->status);
}

// The printer takes one job at a time: the next measure's job waits until it is idle
// again, as a job followed to its end leaves it.
void UntilIdle(const std::string& uri) {
  constexpr int32_t kIdle = 3;
  ipp::Request question;
  question.printerUri = uri;
  question.userName = "bench";
  question.requestedAttributes = {"printer-state"};
  for (int asked = 0; asked < 500; ++asked, Sleep(20)) {
    const IppOutcome outcome = PostIpp(uri, ipp::EncodeRequest(question), "");
    const ipp::Attribute* state =
        outcome.Answered() ? outcome.response->Find(ipp::Tag::PrinterAttributes, "printer-state") : nullptr;
    if (state != nullptr && !state->Integers().empty() && state->Integers().front() == kIdle) return;
  }
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

// Where an IPP job's time went: the spooler's writes (the job kept) and EndDocPort.
void PartRows(const Measure& measure) {
  std::printf("| - of which StartDocPort and the WritePort calls | %.0f ms | | |\n", Median(measure.writes));
  std::printf("| - of which EndDocPort (sent, answered, followed) | %.0f ms | | |\n", Median(measure.ends));
}

// A job through a monitor's function table to one of the bench's IPP ports, with the older
// monitor's job right after it when there is one, so that both meet the same load.
void AddIppMeasures(std::vector<Measure>& measures, const char* what, const char* portName, const LoadedMonitor& monitor,
                    const LoadedMonitor* older, const std::string& bytes) {
  measures.push_back({std::string(what) + " through the function table",
                      [&, portName](double& endBegan) { return PrintThroughTable(monitor, portName, bytes, endBegan); },
                      true});
  if (older == nullptr) return;
  measures.push_back({std::string(what) + " through the function table, the older monitor",
                      [&, portName, older](double& endBegan) { return PrintThroughTable(*older, portName, bytes, endBegan); },
                      true});
}

// This monitor's time over the older one's, round by round (the pairs share the machine's
// load of the moment), and the median of those ratios.
void RatioRow(const Measure& mine, const Measure& older) {
  std::vector<double> ratios;
  for (size_t i = 0; i < mine.times.size(); ++i) ratios.push_back(mine.times[i] / older.times[i]);
  std::printf("| - this monitor over the older one, the median of each round's ratio | %.2f | | |\n", Median(ratios));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5 && argc != 6) return 2;
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
  const std::string ippUri = "ipp://" + ippPrinter + "/ipp/print", ippsUri = "ipps://" + ippPrinter + "/ipp/print";
  spooler.AddMonitorPort(BenchPort("BenchIpp", argv[1], kProtocolRaw, false, ippUri));
  spooler.AddMonitorPort(BenchPort("BenchIpps", argv[1], kProtocolRaw, false, ippsUri));
  LoadedMonitor monitor;
  SpoolerPrinter printer("Bench Printer", "BenchRaw");
  if (!monitor.Loaded() || !printer.Added()) return 1;
  const std::vector<uint8_t> ippBody = PrintJobBody(ippUri, bytes), ippsBody = PrintJobBody(ippsUri, bytes);
  const std::unique_ptr<LoadedMonitor> older = argc == 6 ? std::make_unique<LoadedMonitor>(argv[5]) : nullptr;
  if (older && !older->Loaded()) return 1;

  std::vector<Measure> measures{
      {"plain loopback TCP sender to the raw printer (the floor)", [&](double&) { return PlainSend(argv[1], bytes); }},
      {"raw through the monitor's function table",
       [&](double& endBegan) { return PrintThroughTable(monitor, "BenchRaw", bytes, endBegan); }},
      {"raw, the whole job through Wine's spooler (an application's StartDocPrinter to EndDocPrinter)",
       [&](double&) { return printer.Print("bench", bytes) == 0; }},
      {"LPR with byte counting through the monitor's function table",
       [&](double& endBegan) { return PrintThroughTable(monitor, "BenchLprCounted", bytes, endBegan); }},
      {"LPR streamed through the monitor's function table",
       [&](double& endBegan) { return PrintThroughTable(monitor, "BenchLprStreamed", bytes, endBegan); }},
      {"IPP floor: the same Print-Job from memory, its length known, posted by the monitor's client",
       [&](double&) { return PostWhole(ippUri, ippBody); }, false, [&] { UntilIdle(ippUri); }},
      {"IPPS floor: the same, over TLS", [&](double&) { return PostWhole(ippsUri, ippsBody); }, false,
       [&] { UntilIdle(ippUri); }},
  };
  AddIppMeasures(measures, "IPP (Print-Job, followed to its end)", "BenchIpp", monitor, older.get(), bytes);
  AddIppMeasures(measures, "IPPS (TLS, the certificate pinned at its first use)", "BenchIpps", monitor, older.get(), bytes);
  RunRounds(measures);
  const double floor = measures[0].MedianMs(), raw = measures[1].MedianMs();
  std::printf("| %zu MB job, median of %d | time | throughput | ratio |\n|---|---|---|---|\n", megabytes, kRuns);
  for (size_t i = 0; i < measures.size(); ++i) {
    Row(measures[i].what.c_str(), measures[i].MedianMs(), megabytes, floor, i >= 2 ? raw : 0);
    if (measures[i].parts) PartRows(measures[i]);
    // With an older monitor, its IPP measures follow this one's: the odd ones after the seventh.
    if (older && measures[i].parts && i % 2 == 0) RatioRow(measures[i - 1], measures[i]);
  }
  WSACleanup();
  return 0;
}
