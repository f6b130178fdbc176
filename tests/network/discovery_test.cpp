// Network discovery (PRLFIND.dll ordinals 2 to 5) against the lab's printers, and its
// stop guarantee under a callback that sends messages to the stopping thread.
#include <winsock2.h>

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <mutex>
#include <random>

#include "PrlFind.h"
#include "Unique.h"
#include "found_printers.h"
#include "lab_printers.h"
#include "process_census.h"
#include "winsock_test.h"

namespace {


// Waits until every expected printer is in, then for the sweep to end, and stops.
std::map<std::string, Found> Search(bool withRemoteSubnet) {
  std::vector<LabPrinter> expected;
  for (const LabPrinter& printer : LabPrinters())
    if ((printer.OnLan() || (withRemoteSubnet && printer.OnRemoteSubnet())) && (printer.Answers("mirabo") || printer.Answers("public")))
      expected.push_back(printer);
  Collector collector;
  DiscoveryContext context{};
  DWORD start = GetTickCount();
  EXPECT_EQ(StartDiscovery(&context, &Collector::Callback, &collector, 0), 0);
  if (withRemoteSubnet) {
    uint32_t remote = MakeDiscoverySubnet(HostOrder("127.2.0.0"), HostOrder("255.255.255.0"));
    EXPECT_EQ(AddDiscoverySubnet(&context, remote, 0, 0), 0);
  }
  for (DWORD waited = 0; waited < 5000; waited = GetTickCount() - start) {
    std::map<std::string, Found> found = collector.Snapshot();
    bool all = true;
    for (const LabPrinter& printer : expected) all = all && found.count(printer.address) != 0;
    if (all) break;
    Sleep(20);
  }
  testing::Test::RecordProperty("ms_all_reported", static_cast<int>(GetTickCount() - start));
  Sleep(2500);  // the rest of the sweep, with its retries: nothing more may come
  EXPECT_EQ(StopDiscovery(&context), 0);
  EXPECT_EQ(context.words[0], 0u);
  return collector.Snapshot();
}

using Discovery = WinsockTest;

TEST_F(Discovery, LocalSearchReportsEveryLanPrinterOnceWithNameAndModel) {
  std::map<std::string, Found> found = Search(false);
  for (const LabPrinter& printer : LabPrinters()) {
    bool reachable = printer.Answers("mirabo") || printer.Answers("public");
    if (!printer.OnLan() || !reachable) {
      EXPECT_EQ(found.count(printer.address), 0u) << printer.address << " must not be reported";
      continue;
    }
    ASSERT_EQ(found.count(printer.address), 1u) << printer.address << " was not reported";
    EXPECT_EQ(found[printer.address].times, 1) << printer.address;
    EXPECT_EQ(found[printer.address].name, printer.sysName);
    EXPECT_EQ(found[printer.address].model, printer.ReportedModel());
  }
  EXPECT_EQ(found.count("127.1.0.99"), 0u);
  for (const auto& [address, printer] : found) EXPECT_EQ(address.rfind("127.1.0.", 0), 0u) << address;
}

TEST_F(Discovery, AnAddedSubnetAddsItsPrinters) {
  std::map<std::string, Found> found = Search(true);
  for (const LabPrinter& printer : LabPrinters()) {
    if (!printer.OnRemoteSubnet() || !(printer.Answers("mirabo") || printer.Answers("public"))) continue;
    ASSERT_EQ(found.count(printer.address), 1u) << printer.address << " was not reported";
    EXPECT_EQ(found[printer.address].times, 1);
    EXPECT_EQ(found[printer.address].model, printer.ReportedModel());
  }
}

TEST_F(Discovery, TwoSearchesRunSideBySideEachWithItsOwnContext) {
  Collector first, second;
  DiscoveryContext one{}, two{};
  ASSERT_EQ(StartDiscovery(&one, &Collector::Callback, &first, 0), 0);
  ASSERT_EQ(StartDiscovery(&two, &Collector::Callback, &second, 0), 0);
  EXPECT_NE(one.words[0], two.words[0]);
  uint32_t remote = MakeDiscoverySubnet(HostOrder("127.2.0.0"), HostOrder("255.255.255.0"));
  EXPECT_EQ(AddDiscoverySubnet(&two, remote, 0, 0), 0);  // only the second search goes remote
  Sleep(2500);
  EXPECT_EQ(StopDiscovery(&one), 0);
  EXPECT_EQ(StopDiscovery(&two), 0);
  std::map<std::string, Found> lan = first.Snapshot(), both = second.Snapshot();
  for (const LabPrinter& printer : LabPrinters()) {
    if (!(printer.Answers("mirabo") || printer.Answers("public"))) continue;
    EXPECT_EQ(lan.count(printer.address), printer.OnLan() ? 1u : 0u) << printer.address;
    EXPECT_EQ(both.count(printer.address), printer.OnLan() || printer.OnRemoteSubnet() ? 1u : 0u) << printer.address;
  }
}

TEST_F(Discovery, SubnetHandlesStandForTheirPair) {
  uint32_t remote = MakeDiscoverySubnet(HostOrder("127.2.0.0"), HostOrder("255.255.255.0"));
  EXPECT_NE(remote, 0u);
  EXPECT_EQ(MakeDiscoverySubnet(HostOrder("127.2.0.0"), HostOrder("255.255.255.0")), remote);
  EXPECT_NE(MakeDiscoverySubnet(HostOrder("127.2.0.0"), HostOrder("255.255.0.0")), remote);
  DiscoveryContext idle{};
  EXPECT_NE(AddDiscoverySubnet(&idle, remote, 0, 0), 0);  // no search runs in this context
  EXPECT_NE(StopDiscovery(&idle), 0);
}

// Whatever a caller gives it, a search asks no address that is not unicast: "this
// network", multicast, reserved and broadcast subnets are refused.
TEST_F(Discovery, SubnetsThatAreNotUnicastAreRefused) {
  Collector collector;
  DiscoveryContext context{};
  ASSERT_EQ(StartDiscovery(&context, &Collector::Callback, &collector, 0), 0);
  const uint32_t mask = HostOrder("255.255.255.0");
  for (const char* address : {"255.255.255.0", "224.0.0.0", "239.1.2.0", "240.0.0.0", "0.1.2.0"})
    EXPECT_NE(AddDiscoverySubnet(&context, MakeDiscoverySubnet(HostOrder(address), mask), 0, 0), 0) << address;
  EXPECT_EQ(AddDiscoverySubnet(&context, MakeDiscoverySubnet(HostOrder("127.2.0.0"), mask), 0, 0), 0);
  EXPECT_EQ(StopDiscovery(&context), 0);
}

DWORD WINAPI Unload(LPVOID library) { return FreeLibrary(static_cast<HMODULE>(library)); }

// A program that unloads the library while its search runs: the unloading waits for
// nothing under the loader lock, and the library goes once the sweep is over.
TEST_F(Discovery, UnloadedDuringASearchItEndsTheSearchAndThenGoes) {
  char self[MAX_PATH] = {}, folder[MAX_PATH] = {};
  GetModuleFileNameA(GetModuleHandleA("PRLFIND.dll"), self, sizeof self);
  GetTempPathA(sizeof folder, folder);
  const std::string copy = std::string(folder) + "PrlFindUnload.dll";
  ASSERT_TRUE(CopyFileA(self, copy.c_str(), FALSE));
  HMODULE library = LoadLibraryA(copy.c_str());
  auto start = reinterpret_cast<decltype(&StartDiscovery)>(
      reinterpret_cast<void (*)()>(GetProcAddress(library, MAKEINTRESOURCEA(2))));
  static Collector collector;  // the search may report until its sweep is over
  static DiscoveryContext context{};
  ASSERT_EQ(start(&context, &Collector::Callback, &collector, 0), 0);
  UniqueHandle unloader(CreateThread(nullptr, 0, &Unload, library, 0, nullptr));
  EXPECT_EQ(WaitForSingleObject(unloader.get(), 5000), WAIT_OBJECT_0) << "the unloading is held up";
  for (DWORD begin = GetTickCount(); GetModuleHandleA("PrlFindUnload.dll") && GetTickCount() - begin < 60000;) Sleep(100);
  EXPECT_EQ(GetModuleHandleA("PrlFindUnload.dll"), nullptr) << "the library stays after its sweep";
  DeleteFileA(copy.c_str());
}

// ---- Stop guarantees --------------------------------------------------------------------


// A window of the test's thread that the callback sends a message to, as the discovery
// dialog's list is sent its rows.
struct SentTo {
  HWND window = nullptr;
  std::atomic<bool> stopped{false};
  std::atomic<int> late{0};
  std::atomic<int> delivered{0};
};

int CALLBACK SendingCallback(DiscoveredPrinter*, void* context) {
  auto* target = static_cast<SentTo*>(context);
  if (target->stopped) ++target->late;
  SendMessageA(target->window, WM_APP, 0, reinterpret_cast<LPARAM>(target));
  return 1;
}

LRESULT CALLBACK CountingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_APP) ++reinterpret_cast<SentTo*>(lParam)->delivered;
  return DefWindowProcA(window, message, wParam, lParam);
}

TEST_F(Discovery, StopReturnsWithNoCallbackAfterItEvenWhenCallbacksSendToTheStoppingThread) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = CountingWindowProc;
  windowClass.lpszClassName = "DiscoveryStopTest";
  RegisterClassA(&windowClass);
  SentTo target;
  target.window = CreateWindowA("DiscoveryStopTest", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_NE(target.window, nullptr);

  std::mt19937 random(20261207);
  uint32_t remote = MakeDiscoverySubnet(HostOrder("127.2.0.0"), HostOrder("255.255.255.0"));
  const int threadsBefore = ThreadCount();
  const DWORD handlesBefore = HandleCount();
  for (int cycle = 0; cycle < 200; ++cycle) {
    DiscoveryContext context{};
    target.stopped = false;
    ASSERT_EQ(StartDiscovery(&context, &SendingCallback, &target, 0), 0);
    AddDiscoverySubnet(&context, remote, 0, 0);
    Sleep(std::uniform_int_distribution<DWORD>(0, 50)(random));  // callbacks block in SendMessage meanwhile
    ASSERT_EQ(StopDiscovery(&context), 0);
    target.stopped = true;
  }
  Sleep(200);
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  EXPECT_EQ(target.late, 0);
  EXPECT_GT(target.delivered, 0);  // the callbacks did reach the window
  EXPECT_EQ(ThreadCount(), threadsBefore);
  EXPECT_LE(HandleCount(), handlesBefore + 2);  // nothing that grows with the cycles
  RecordProperty("callbacks_delivered", target.delivered.load());
  DestroyWindow(target.window);
}

}  // namespace
