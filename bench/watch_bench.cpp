// The bi-directional watch at print-server scale: PORTS ports with status on at a 10 s
// interval, one printer each, 90% on the answering agents given, 10% on silent LAN
// addresses; the monitor loaded as the spooler service holds it. Prints one Markdown
// row: watch threads, committed memory, CPU seconds over the minute after every
// answering printer's words were written (the process's, and under Wine the
// wineserver's), the time from load until they were, and Shutdown's time.
//   watch_bench PORTS SECONDS AGENT... -- SILENT...
#include <windows.h>

#include <winspool.h>
#include <winsplp.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "DriverStatus.h"
#include "MonitorRegistry.h"
#include "bench_clock.h"
#include "process_census.h"
#include "registry.h"

namespace {

constexpr DWORD kStatusSeconds = 10;

std::string PortOf(int port) { return "Bench" + std::to_string(port); }
std::string PrinterOf(int port) { return "BenchPrinter" + std::to_string(port); }

void AddPorts(int ports, const std::vector<std::string>& agents, const std::vector<std::string>& silent) {
  for (int port = 0; port < ports; ++port) {
    const std::string key = std::string(kPortNamesKey) + "\\" + PortOf(port);
    const std::string& address = port % 10 == 9 ? silent[(port / 10) % silent.size()] : agents[port % agents.size()];
    SetTextValue(HKEY_LOCAL_MACHINE, key, "DeviceIP", address);
    SetTextValue(HKEY_LOCAL_MACHINE, key, "CommunityName", "mirabo");
    for (auto [name, value] : {std::pair{"Protocal", 9100ul}, {"RawPortNumber", 9100ul}, {"BiDiEnabled", 1ul},
                               {"StatusUpdateInt", kStatusSeconds}, {"ConfigUpdateInt", 300ul}, {"SnmpUpdated", 0ul}})
      SetNumberValue(HKEY_LOCAL_MACHINE, key, name, value);
    const std::string printer = std::string(kPrintersKey) + "\\" + PrinterOf(port);
    SetTextValue(HKEY_LOCAL_MACHINE, printer, "Name", PrinterOf(port));
    SetTextValue(HKEY_LOCAL_MACHINE, printer, "Port", PortOf(port));
  }
}

void RemovePorts(int ports) {
  for (int port = 0; port < ports; ++port) {
    DeleteTree(HKEY_LOCAL_MACHINE, std::string(kPortNamesKey) + "\\" + PortOf(port));
    DeleteTree(HKEY_LOCAL_MACHINE, std::string(kPrintersKey) + "\\" + PrinterOf(port));
  }
}

// The answering printers whose words are not written yet.
int Unwritten(int ports) {
  int unwritten = 0;
  for (int port = 0; port < ports; ++port)
    if (port % 10 != 9 && !IsBiDiLinkEstablished(PrinterOf(port).c_str())) ++unwritten;
  return unwritten;
}

bool EveryAnsweringPrinterWritten(int ports) {
  for (int port = 0; port < ports; ++port)
    if (port % 10 != 9 && !IsBiDiLinkEstablished(PrinterOf(port).c_str())) return false;
  return true;
}

double CpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto seconds = [](FILETIME t) { return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7; };
  return seconds(kernel) + seconds(user);
}

// Under Wine, the CPU seconds so far of the wineserver, which does the system's work for
// every process (registry, waits, each socket call): the /proc stat file that
// WINESERVER_STAT names, as Wine's Z: drive shows it; negative when there is none.
double WineserverSeconds() {
  const char* path = std::getenv("WINESERVER_STAT");
  FILE* file = path != nullptr ? std::fopen(path, "r") : nullptr;
  if (file == nullptr) return -1;
  char line[1024] = {};
  const size_t length = std::fread(line, 1, sizeof line - 1, file);
  std::fclose(file);
  // The fields after the command's name, which closes with ')': utime and stime are the
  // 12th and 13th of them, in ticks of 1/100 s.
  const char* field = std::strrchr(line, ')');
  if (length == 0 || field == nullptr) return -1;
  unsigned long long ticks[2] = {};
  if (std::sscanf(field + 2, "%*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %llu %llu", &ticks[0], &ticks[1]) != 2)
    return -1;
  return static_cast<double>(ticks[0] + ticks[1]) / 100.0;
}

// The process's committed private memory, summed over its address space (Wine's
// process counters leave it out).
double CommittedMb() {
  uint64_t committed = 0;
  MEMORY_BASIC_INFORMATION region{};
  for (const char* at = nullptr; VirtualQuery(at, &region, sizeof region) == sizeof region;
       at = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) committed += region.RegionSize;
    if (region.RegionSize == 0) break;
  }
  return static_cast<double>(committed) / (1024.0 * 1024.0);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) return 2;
  const int ports = std::atoi(argv[1]);
  const int seconds = std::atoi(argv[2]);
  std::vector<std::string> agents, silent;
  bool afterDashes = false;
  for (int i = 3; i < argc; ++i) {
    if (std::string(argv[i]) == "--") afterDashes = true;
    else (afterDashes ? silent : agents).push_back(argv[i]);
  }
  if (agents.empty() || silent.empty()) return 2;
  AddPorts(ports, agents, silent);

  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, sizeof system);
  HMODULE library = LoadLibraryA((std::string(system) + "\\PraloLpr.dll").c_str());
  auto initialize = reinterpret_cast<LPMONITOR2(WINAPI*)(PMONITORINIT, PHANDLE)>(
      reinterpret_cast<void*>(GetProcAddress(library, "InitializePrintMonitor2")));
  if (initialize == nullptr) return 3;
  const int threadsBefore = ThreadCount();
  const double memoryBefore = CommittedMb();
  MONITORINIT init{};
  init.cbSize = sizeof init;
  init.bLocal = TRUE;
  HANDLE handle = nullptr;
  const double loaded = Now();
  LPMONITOR2 monitor = initialize(&init, &handle);

  double written = -1;
  while (written < 0 && Now() - loaded < 120000) {
    Sleep(200);
    if (EveryAnsweringPrinterWritten(ports)) written = Now() - loaded;
  }
  const int watchThreads = ThreadCount() - threadsBefore;
  const int unwritten = Unwritten(ports);
  const double cpuStart = CpuSeconds(), serverStart = WineserverSeconds(), wallStart = Now();
  Sleep(static_cast<DWORD>(seconds) * 1000);
  const double perMinute = 60000.0 / (Now() - wallStart);
  const double cpuPerMinute = (CpuSeconds() - cpuStart) * perMinute;
  const double serverPerMinute = (WineserverSeconds() - serverStart) * perMinute;
  const double memory = CommittedMb() - memoryBefore;
  const int threadsAfter = ThreadCount() - threadsBefore;

  const double shutdownStart = Now();
  monitor->pfnShutdown(handle);
  const double shutdown = Now() - shutdownStart;
  FreeLibrary(library);
  RemovePorts(ports);

  char server[32] = "n/a";
  if (serverStart >= 0) std::snprintf(server, sizeof server, "%.2f s", serverPerMinute);
  std::printf("| %d | %d (%d a minute later) | %.1f MB | %.2f s | %s | %s | %.0f ms |\n", ports, watchThreads,
              threadsAfter, memory, cpuPerMinute, server, written < 0 ? ("not within 120 s: " + std::to_string(unwritten) + " not written").c_str()
                          : (std::to_string(static_cast<int>(written)) + " ms").c_str(),
              shutdown);
  return 0;
}
