// What a user of PraloPM.exe waits for, each against an anchor measured in the same run:
//   program_bench MINIMAL_EXE LAN_PRINTERS LIVE_ADDRESS SILENT_ADDRESS
// Prints Markdown table rows. Runs in the lab, with the monitor installed.
#include <windows.h>

#include <commctrl.h>
#include <winspool.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "bench_clock.h"
#include "child_process.h"
#include "program_under_test.h"
#include "resource.h"
#include "spooler_lab.h"
#include "window_reading.h"

namespace {

constexpr int kWizardNext = 0x3024;
constexpr int kRuns = 5;

// Milliseconds until the condition holds (polled every millisecond), or -1.
double Until(const std::function<bool()>& condition, double since, double limitMs = 20000) {
  while (!condition()) {
    if (Now() - since > limitMs) return -1;
    Sleep(1);
  }
  return Now() - since;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

HWND TopWindowTitled(DWORD processId, const char* caption) {
  HWND found = nullptr;
  ForEachTopWindow([&](HWND window) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != processId || !IsWindowVisible(window) || WindowText(window) != caption) return true;
    found = window;
    return false;
  });
  return found;
}

// Starts a program and answers the milliseconds until its window with that caption is
// visible and `ready` holds for it; the program is closed afterwards.
double StartTime(const std::string& commandLine, const char* caption, const std::function<bool(HWND)>& ready) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  std::string command = commandLine;
  double start = Now();
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
    return -1;
  HWND window = nullptr;
  double elapsed = Until([&] { return (window = TopWindowTitled(info.dwProcessId, caption)) != nullptr && ready(window); }, start);
  if (window != nullptr) PostMessageA(GetDlgItem(window, IDCANCEL), BM_CLICK, 0, 0);
  if (WaitForSingleObject(info.hProcess, 5000) != WAIT_OBJECT_0) TerminateProcess(info.hProcess, 1);
  CloseHandle(info.hProcess);
  CloseHandle(info.hThread);
  return elapsed;
}

double ProgramStart(int rowsExpected) {
  std::vector<double> times;
  for (int run = 0; run < kRuns; ++run)
    times.push_back(StartTime("\"" + DistFile("PraloPM.exe") + "\"", "Pralo Port Manager", [&](HWND main) {
      return SendMessageA(GetDlgItem(main, IDC_PORT_LIST), LVM_GETITEMCOUNT, 0, 0) >= rowsExpected;
    }));
  return Median(times);
}

double FloorStart(const std::string& minimalExe) {
  std::vector<double> times;
  for (int run = 0; run < kRuns; ++run)
    times.push_back(StartTime("\"" + minimalExe + "\"", "Minimal dialog", [](HWND) { return true; }));
  return Median(times);
}

int SpoolerPortCount() {
  DWORD needed = 0, returned = 0;
  EnumPortsA(nullptr, 1, nullptr, 0, &needed, &returned);
  std::vector<BYTE> buffer(needed + 1);
  EnumPortsA(nullptr, 1, buffer.data(), needed + 1, &needed, &returned);
  return static_cast<int>(returned);
}

void MainListAtScale(double floor) {
  for (int ports : {0, 500, 1000, 2000}) {
    SpoolerLab lab;
    for (int i = 0; i < ports; ++i) lab.AddMonitorPort("Scale" + std::to_string(i), "127.1.0.99");
    for (int i = 0; i < ports / 4; ++i) {
      std::string own = "Scale" + std::to_string(i * 4);
      lab.AddLocalPrinter("Printer" + std::to_string(i), i % 5 == 0 ? own + ",Scale" + std::to_string(i * 4 + 1) : own);
    }
    double time = ProgramStart(SpoolerPortCount());
    std::printf("| start to a full main list: %d monitor ports, %d printers (every fifth pooled) | %.0f ms | %.2f x floor |\n",
                ports, ports / 4, time, time / floor);
  }
}

// The wizard on a running program: from Next on the name and address page to the page
// that follows it.
double Identification(const std::string& address, int run) {
  ProgramUnderTest program("PraloPM.exe");
  HWND wizard = program.OpenNameAndAddressPage(program.WaitForWindow("Pralo Port Manager"));
  ProgramUnderTest::SetText(SheetPageControl(wizard, IDC_PORT_NAME), "Bench" + std::to_string(run));
  ProgramUnderTest::SetText(SheetPageControl(wizard, IDC_PRINTER_ADDRESS), address);
  Sleep(100);
  double start = Now();
  ProgramUnderTest::Click(wizard, kWizardNext);
  double elapsed = Until([&] { return WindowText(wizard) != "Add Pralo TCP/IP Port"; }, start);
  ProgramUnderTest::Click(wizard, IDCANCEL);
  ProgramUnderTest::Click(program.WaitForWindow("Pralo Port Manager"), IDCANCEL);
  program.WaitForExit();
  return elapsed;
}

double DiscoveryDialog(int lanPrinters) {
  ProgramUnderTest program("PraloPM.exe");
  HWND wizard = program.OpenNameAndAddressPage(program.WaitForWindow("Pralo Port Manager"));
  double start = Now();
  PostMessageA(SheetPageControl(wizard, IDC_AUTO_DISCOVERY), BM_CLICK, 0, 0);
  HWND discovery = nullptr;
  double elapsed = Until(
      [&] {
        discovery = GetForegroundWindow();
        if (discovery == nullptr || WindowText(discovery) != "Printer Discovery") return false;
        return SendMessageA(GetDlgItem(discovery, IDC_DISCOVERY_LIST), LVM_GETITEMCOUNT, 0, 0) >= lanPrinters;
      },
      start);
  if (discovery != nullptr) ProgramUnderTest::Click(discovery, IDC_DISCOVERY_CANCEL);
  ProgramUnderTest::Click(program.WaitForWindow("Add Pralo TCP/IP Port"), IDCANCEL);
  ProgramUnderTest::Click(program.WaitForWindow("Pralo Port Manager"), IDCANCEL);
  program.WaitForExit();
  return elapsed;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) return 2;
  const std::string minimalExe = argv[1];
  const int lanPrinters = std::atoi(argv[2]);
  const double floor = FloorStart(minimalExe);
  std::printf("| measure | median | ratio |\n|---|---|---|\n");
  std::printf("| start of a minimal dialog program (the floor) | %.0f ms | 1.00 x floor |\n", floor);
  MainListAtScale(floor);
  for (const char* address : {argv[3], argv[4]}) {
    std::vector<double> times;
    for (int run = 0; run < 3; ++run) times.push_back(Identification(address, run));
    std::printf("| wizard: Next on the name page to the next page, %s printer | %.0f ms | %.2f x floor |\n",
                address == argv[3] ? "live" : "silent", Median(times), Median(times) / floor);
  }
  std::vector<double> times;
  for (int run = 0; run < 3; ++run) times.push_back(DiscoveryDialog(lanPrinters));
  std::printf("| discovery dialog: opened to the last LAN printer's row | %.0f ms | %.2f x floor |\n", Median(times),
              Median(times) / floor);
  return 0;
}
