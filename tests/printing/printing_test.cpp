// Jobs printed through Wine's real spooler, and through the monitor's function table, to
// ports of the monitor, received by the lab's raw printers and LPRng's lpd; and what the
// monitor tells the administrator of them.
#include <gtest/gtest.h>

#include <windows.h>

#include <winspool.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

#include "JobNews.h"
#include "MonitorEvents.h"
#include "MonitorRegistry.h"
#include "PortConfig.h"
#include "PortHandle.h"
#include "PraloLprMessages.h"
#include "TextField.h"
#include "Unique.h"
#include "child_process.h"
#include "loaded_monitor.h"
#include "lab_printers.h"
#include "recording_news.h"
#include "registry.h"
#include "spooler_lab.h"
#include "spooler_printer.h"

namespace {

const char kRawPrinter[] = "127.1.0.40";
const char kOtherRawPrinter[] = "127.1.0.41";
const char kPrinterThatLeaves[] = "127.1.0.42";
// Stops taking data after 64 KiB.
const char kStallingPrinter[] = "127.1.0.43";
// Takes the whole job, then keeps talking and never closes.
const char kChattyPrinter[] = "127.1.0.44";
// Stop taking data after 64 KiB for 35 s (three bounds of a write and a half), then take
// the rest: out of paper, and paper put in. One for jobs printed whole, one for jobs
// deleted while they wait.
const char kPausingPrinter[] = "127.1.0.46";
const char kPausingPrinterForDeletes[] = "127.1.0.47";
// Takes one byte every 5 s after 64 KiB: slow enough to hold a send without end.
const char kTricklingPrinter[] = "127.1.0.50";
const char kPausingPrinterForNews[] = "127.1.0.48";
// How long one WritePort may wait for a printer that takes nothing.
constexpr DWORD kWriteBoundMs = 10'000;
// At [::1]:515 an LPD whose queue "drip" refuses a job and sends its reason a byte every
// 0.9 s without end, and whose other queues ("mute") take a connection and never answer.
const char kOddLpd[] = "::1";
// How long the monitor waits for an LPD's acknowledgement.
constexpr DWORD kAcknowledgementBoundMs = 60'000;
const char kLprPrinter[] = "127.1.0.45";
const char kSilentAddress[] = "127.1.0.250";
// A name of two addresses: 127.1.0.49, which takes no connection, then the raw printer.
const char kNameOfTwoAddresses[] = "lab-two-addresses";
// The raw printer on loopback's IPv6 address, and the folder of its jobs.
const char kIpv6RawPrinter[] = "::1";
const char kIpv6RawFolder[] = "raw-ipv6";

std::string LabFolder(const std::string& name) {
  const char* lab = std::getenv("PRALO_LAB_DIR");
  return std::string("Z:") + (lab != nullptr ? lab : "") + "/print/" + name;
}

// Where the raw printer at that address keeps its jobs.
std::string RawFolderOf(std::string_view address) {
  if (address == kIpv6RawPrinter) return LabFolder(kIpv6RawFolder);
  return LabFolder(std::string("raw-") + std::string(address == kNameOfTwoAddresses ? kRawPrinter : address));
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// What a raw printer received in the first connection that is not in `before`: a whole
// job (*.bin), or one that the sender reset (*.reset).
std::string RawJobAfter(const std::string& folder, const std::set<std::string>& before, const char* pattern = "*.bin") {
  for (int tries = 0; tries < 600; ++tries, Sleep(100))
    for (const std::string& name : FilesIn(folder, pattern))
      if (!before.contains(name)) return ReadFile(folder + "/" + name);
  return "(no job arrived)";
}

// What lpd read from a job's control file, as the options it gave its filter (one a
// line: -H host, -n user, -J job name ...), and the job's data.
struct LpdJob {
  std::string control, data;
  // The option's value ("" when lpd gave none).
  std::string Option(char option) const {
    const std::string name = std::string("\n-") + option;
    const size_t at = control.find(name);
    if (at == std::string::npos) return "";
    const size_t from = at + name.size();
    return control.substr(from, control.find('\n', from) - from);
  }
  bool Says(char option, const std::string& value) const { return Option(option) == value; }
};
// The job that lpd printed to the queue for this document.
LpdJob LpdJobFor(const std::string& queue, const std::string& document) {
  const std::string folder = LabFolder("lpd/" + queue);
  for (int tries = 0; tries < 600; ++tries, Sleep(100)) {
    for (const std::string& name : FilesIn(folder, "*.cf")) {
      LpdJob job{"\n" + ReadFile(folder + "/" + name), ""};
      if (!job.Says('J', document)) continue;
      job.data = ReadFile(folder + "/" + name.substr(0, name.size() - 3) + ".bin");
      return job;
    }
  }
  return {"(no job arrived)", ""};
}

std::string EveryByteValue() {
  std::string bytes;
  for (int round = 0; round < 4; ++round)
    for (int value = 0; value < 256; ++value) bytes.push_back(static_cast<char>(value));
  return bytes;
}

std::string Megabytes(size_t count) {
  std::string bytes(count << 20, '\0');
  uint32_t x = 2463534242u;
  for (char& c : bytes) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    c = static_cast<char>(x);
  }
  return bytes;
}

PortConfig Port(const char* name, const char* address, uint32_t protocol, const char* queue = "", bool counted = false,
               uint32_t rawPort = 9100) {
  PortConfig config;
  ResetPortConfig(config, name);
  CopyText(config.deviceIP, address);
  CopyText(config.lprQueue, queue);
  config.protocol = protocol;
  config.rawPortNumber = rawPort;
  config.lprByteCounting = counted ? 1 : 0;
  return config;
}

std::string ComputerName() {
  char name[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD size = sizeof name;
  GetComputerNameA(name, &size);
  return name;
}

std::string UserName() {
  char name[257];
  DWORD size = sizeof name;
  GetUserNameA(name, &size);
  return name;
}

class PrintingTest : public testing::Test {
 protected:
  SpoolerLab spooler;
};

TEST_F(PrintingTest, WhatArrivesIsWhatWasPrinted) {
  struct Case {
    const char* name;
    uint32_t protocol;
    bool counted;
    std::string bytes;
    const char* rawAddress = kRawPrinter;
    const char* queue = "hoq";
    uint32_t rawPort = 9100;
  };
  const std::string every = EveryByteValue(), large = Megabytes(6);
  std::vector<int> jobNumbers;
  for (const Case& c : {
           Case{"RawEveryByte", kProtocolRaw, false, every},
           Case{"RawLarge", kProtocolRaw, false, large},
           Case{"RawIpv6", kProtocolRaw, false, every, kIpv6RawPrinter},
           // The first address swallows the connect; the second has time left.
           Case{"RawSecondAddress", kProtocolRaw, false, every, kNameOfTwoAddresses},
           // The wizard stores port number 0 for a printer that it could not identify.
           Case{"RawPortZero", kProtocolRaw, false, every, kRawPrinter, "hoq", 0},
           Case{"LprCountedEveryByte", kProtocolLpr, true, every},
           Case{"LprStreamedEveryByte", kProtocolLpr, false, every},
           Case{"LprCountedLarge", kProtocolLpr, true, large},
           Case{"LprStreamedLarge", kProtocolLpr, false, large},
           Case{"LprUnknownProtocolValue", 9101, true, every},
           Case{"LprWithoutQueue", kProtocolLpr, false, every, kRawPrinter, ""},
       }) {
    SCOPED_TRACE(c.name);
    const bool raw = c.protocol == kProtocolRaw;
    spooler.AddMonitorPort(Port(c.name, raw ? c.rawAddress : kLprPrinter, c.protocol, c.queue, c.counted, c.rawPort));
    SpoolerPrinter printer(std::string("Printer ") + c.name, c.name);
    ASSERT_TRUE(printer.Added()) << GetLastError();
    const std::string document = std::string("Report ") + c.name + ".txt";
    const std::string rawFolder = RawFolderOf(c.rawAddress);
    const std::set<std::string> before = FilesIn(rawFolder, "*.bin");

    ASSERT_EQ(printer.Print(document, c.bytes), 0u);

    if (raw) {
      EXPECT_TRUE(RawJobAfter(rawFolder, before) == c.bytes);
    } else {
      // A record without a queue prints to the one that the configuration dialog shows.
      LpdJob job = LpdJobFor(*c.queue != '\0' ? c.queue : "raw", document);
      EXPECT_TRUE(job.data == c.bytes) << job.control;
      EXPECT_TRUE(job.Says('H', ComputerName()) && job.Says('n', UserName())) << job.control;
      jobNumbers.push_back(std::atoi(job.Option('j').c_str()));
    }
  }
  // Each LPR job took the next number, whichever load of the monitor printed it.
  for (size_t i = 1; i < jobNumbers.size(); ++i) EXPECT_EQ(jobNumbers[i], (jobNumbers[i - 1] + 1) % 1000);
}

// The record is read when a job starts: a port changed with prlport, or by the record
// as the configuration dialog writes it, prints its next job to the new printer.
TEST_F(PrintingTest, NextJobGoesWhereThePortNowPoints) {
  spooler.AddMonitorPort(Port("Moving", kRawPrinter, kProtocolRaw));
  SpoolerPrinter printer("Moving Printer", "Moving");
  ASSERT_TRUE(printer.Added());
  const std::string first = LabFolder(std::string("raw-") + kRawPrinter);
  const std::string second = LabFolder(std::string("raw-") + kOtherRawPrinter);

  std::set<std::string> before = FilesIn(first, "*.bin");
  ASSERT_EQ(printer.Print("first", "first job"), 0u);
  EXPECT_EQ(RawJobAfter(first, before), "first job");

  ChildResult set = RunChild("\"" + DistFile("prlport.exe") + "\" set Moving --address " + kOtherRawPrinter);
  ASSERT_EQ(set.exitCode, 0u) << set.output;
  before = FilesIn(second, "*.bin");
  ASSERT_EQ(printer.Print("second", "second job"), 0u);
  EXPECT_EQ(RawJobAfter(second, before), "second job");

  WritePortConfig(Port("Moving", kLprPrinter, kProtocolLpr, "labels", true), true);
  ASSERT_EQ(printer.Print("third", "third job"), 0u);
  EXPECT_EQ(LpdJobFor("labels", "third").data, "third job");
}

// A printer that cannot take the job fails it within the monitor's bounds (the test's
// own time limit holds it to that), and the application that printed hears of it. Wine's
// spooler then drops the job (Windows' keeps it to retry): the test cannot ask Wine for it.
TEST_F(PrintingTest, APrinterThatCannotTakeTheJobFailsIt) {
  for (const PortConfig& port : {
           Port("Silent", kSilentAddress, kProtocolRaw),
           Port("Leaving", kPrinterThatLeaves, kProtocolRaw),
           Port("SilentLpr", kSilentAddress, kProtocolLpr, "hoq", true),
           Port("NoQueue", kLprPrinter, kProtocolLpr, "nosuchqueue", false),
           Port("RefusedAtTheEnd", kLprPrinter, kProtocolLpr, "small", false),
           Port("NothingListening", kLprPrinter, kProtocolRaw),
       }) {
    SCOPED_TRACE(port.portName);
    spooler.AddMonitorPort(port);
    SpoolerPrinter printer(std::string("Failing ") + port.portName, port.portName);
    ASSERT_TRUE(printer.Added());

    EXPECT_NE(printer.Print("not printed", Megabytes(4)), 0u);
  }
}

// Through Wine's spooler: a printer that stops taking data mid-job (the job is larger
// than what the sockets buffer) gets a WritePort that returns within its bound having
// taken less than it was offered; Wine's spooler gives the job up there (Windows' offers
// the rest again: see PrintingThroughTheTable), and the monitor resets the connection.
// An LPD that never acknowledges fails its job at the monitor's bound (60 s). A printer
// that never closes has its job sent. The printing application gets its thread back, and
// meanwhile every other printer's jobs print to their end. (Wine's spooler tells the
// application 6, whatever error the monitor gave.)
TEST_F(PrintingTest, AStillPrinterHoldsUpNoOther) {
  const std::string large = Megabytes(16), medium = Megabytes(3);
  // A job printed on a thread of its own; `result` is ERROR_IO_PENDING until it ends.
  struct Job {
    Job(const PortConfig& config, const std::string& content) : port(config), bytes(content) {}
    PortConfig port;
    const std::string& bytes;
    std::unique_ptr<SpoolerPrinter> printer;
    std::atomic<DWORD> result{ERROR_IO_PENDING};
    std::thread thread;
    void Start() {
      printer = std::make_unique<SpoolerPrinter>(std::string("Printer ") + port.portName, port.portName);
      ASSERT_TRUE(printer->Added());
      thread = std::thread([this] { result = printer->Print(port.portName, bytes); });
    }
    void Wait() {
      if (thread.joinable()) thread.join();
    }
  };
  Job still[] = {{Port("Stalling", kStallingPrinter, kProtocolRaw), large},
                 {Port("Mute", kOddLpd, kProtocolLpr, "mute"), large},
                 {Port("Chatty", kChattyPrinter, kProtocolRaw), medium}};
  Job busy[] = {{Port("Busy", kOtherRawPrinter, kProtocolRaw), medium},
                {Port("BusyLpr", kLprPrinter, kProtocolLpr, "labels"), medium}};
  const std::string stalled = LabFolder(std::string("raw-") + kStallingPrinter);
  const std::string busyFolder = LabFolder(std::string("raw-") + kOtherRawPrinter);
  const size_t stalledBefore = FilesIn(stalled, "*.part").size();
  const std::set<std::string> busyBefore = FilesIn(busyFolder, "*.bin");
  for (Job* job : {&still[0], &still[1], &still[2], &busy[0], &busy[1]}) spooler.AddMonitorPort(job->port);

  for (Job& job : still) job.Start();
  Sleep(500);
  for (Job& job : busy) job.Start();
  for (Job& job : busy) job.Wait();
  const bool stillWaiting =
      std::all_of(std::begin(still), std::end(still), [](const Job& job) { return job.result == ERROR_IO_PENDING; });
  for (Job& job : still) job.Wait();

  EXPECT_TRUE(stillWaiting);
  EXPECT_NE(still[0].result, 0u);
  EXPECT_NE(still[1].result, 0u);
  EXPECT_EQ(still[2].result, 0u);
  EXPECT_EQ(FilesIn(stalled, "*.part").size(), stalledBefore + 1);
  for (const Job& job : busy) EXPECT_EQ(job.result, 0u) << job.port.portName;
  EXPECT_TRUE(RawJobAfter(busyFolder, busyBefore) == medium);
  EXPECT_TRUE(LpdJobFor("labels", "BusyLpr").data == medium);
}

// Jobs driven through the monitor's function table as Windows' spooler drives them: it
// judges a write by its result, not its count, and after TRUE it offers what is left
// again, however few bytes the call took.
class PrintingThroughTheTable : public PrintingTest {
 protected:
  LoadedMonitor monitor;
};

// A printer out of paper for three bounds and more, then paper put in, and one that takes
// the whole job and keeps the connection open, talking: every WritePort returned within
// its bound (the test allows twice the bound, never less than the bound itself), those of
// the pause having taken less than offered, and the printer has one whole copy.
TEST_F(PrintingThroughTheTable, APrinterThatPausesOrKeepsTheConnectionOpenGetsTheWholeJobOnce) {
  struct Case {
    const char* port;
    const char* address;
    size_t megabytes;
    long shortWrites;  // at least
  };
  ASSERT_TRUE(monitor.Loaded());
  for (const Case& c : {Case{"Pausing", kPausingPrinter, 16, 3}, Case{"KeepsOpen", kChattyPrinter, 3, 0}}) {
    SCOPED_TRACE(c.port);
    spooler.AddMonitorPort(Port(c.port, c.address, kProtocolRaw));
    const std::string folder = RawFolderOf(c.address);
    const std::set<std::string> before = FilesIn(folder, "*.*");
    const std::string bytes = Megabytes(c.megabytes);
    MonitorPort port(monitor, c.port);
    std::vector<MonitorPort::WriteCall> calls;

    ASSERT_EQ(port.Start(), 0u);
    EXPECT_EQ(port.WriteAll(bytes, &calls), 0u);
    EXPECT_EQ(port.End(), 0u);

    EXPECT_TRUE(std::all_of(calls.begin(), calls.end(), [](const auto& call) { return call.tookMs < 2 * kWriteBoundMs; }));
    EXPECT_GE(std::count_if(calls.begin(), calls.end(), [](const auto& call) { return call.written < call.offered; }),
              c.shortWrites);
    EXPECT_TRUE(RawJobAfter(folder, before) == bytes);
    EXPECT_EQ(FilesIn(folder, "*.*").size(), before.size() + 1);
  }
}

// The user deletes the job while its printer pauses, or trickles a byte now and then:
// Windows' spooler stops writing once the WritePort under way has returned, and ends the
// job. The connection is reset at once (an LPD drops the job), nothing more is sent than
// the monitor had taken, and the job is not reported sent. (The trickling printer reads
// what the system had buffered for it before it meets the reset: days at its pace.)
TEST_F(PrintingThroughTheTable, AJobDeletedWhileItsPrinterStallsIsResetAndSendsNothingMore) {
  struct Case {
    const char* address;
    bool resetSeen;
  };
  ASSERT_TRUE(monitor.Loaded());
  for (const Case& c : {Case{kPausingPrinterForDeletes, true}, Case{kTricklingPrinter, false}}) {
    SCOPED_TRACE(c.address);
    const std::string name = std::string("Deleted ") + c.address;
    spooler.AddMonitorPort(Port(name.c_str(), c.address, kProtocolRaw));
    const std::string folder = LabFolder(std::string("raw-") + c.address);
    const std::set<std::string> before = FilesIn(folder, "*.reset");
    const std::string bytes = Megabytes(16);
    MonitorPort port(monitor, name);
    std::vector<MonitorPort::WriteCall> calls;

    ASSERT_EQ(port.Start(), 0u);
    EXPECT_EQ(port.WriteAll(bytes, &calls, [](const auto& call) { return call.written == call.offered; }), 0u);
    const DWORD start = GetTickCount();
    EXPECT_NE(port.End(), 0u);
    const DWORD endMs = GetTickCount() - start;

    EXPECT_LT(calls.back().tookMs, 2 * kWriteBoundMs);
    EXPECT_LT(endMs, kWriteBoundMs);
    if (!c.resetSeen) continue;
    size_t handedOver = 0;
    for (const auto& call : calls) handedOver += call.written;
    const std::string received = RawJobAfter(folder, before, "*.reset");
    EXPECT_TRUE(received.size() <= handedOver && bytes.starts_with(received)) << received.size() << " of " << handedOver;
  }
}

// What the monitor tells the administrator: its event source, which the setup program
// registers and removes, the texts of its messages as the Event Log reads them from the
// monitor's message table, and a job's news, told once per failed job and per stall.
// (Wine's ReportEvent keeps nothing that a test could read back.)
std::string ExpandedText(const RawValue& value) {
  std::string text(value.data.begin(), value.data.end());
  text.resize(std::strlen(text.c_str()));
  char expanded[MAX_PATH] = {};
  ExpandEnvironmentStringsA(text.c_str(), expanded, sizeof expanded);
  return expanded;
}

TEST(MonitorEvents, TheSetupProgramRegistersTheEventSourceAndRemovesIt) {
  const RawValue file = GetRawValue(HKEY_LOCAL_MACHINE, kEventSourceKey, "EventMessageFile");
  const RawValue types = GetRawValue(HKEY_LOCAL_MACHINE, kEventSourceKey, "TypesSupported");
  ASSERT_TRUE(file.exists);
  EXPECT_EQ(file.type, static_cast<DWORD>(REG_EXPAND_SZ));
  EXPECT_EQ(_stricmp(ExpandedText(file).c_str(), SystemFile("PraloLpr.dll").c_str()), 0) << ExpandedText(file);
  ASSERT_TRUE(types.exists);
  EXPECT_EQ(types.data, (std::vector<BYTE>{7, 0, 0, 0}));

  ASSERT_EQ(RunSetup("uninstall").exitCode, 0u);
  const bool removed = !KeyExists(HKEY_LOCAL_MACHINE, kEventSourceKey);
  ASSERT_EQ(RunSetup("install").exitCode, 0u);
  EXPECT_TRUE(removed);
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kEventSourceKey));
}

// Each message as the Event Log shows it, from the installed monitor's message table
// with an event's five insertions.
TEST(MonitorEvents, EveryMessageReadsWholeWithItsInsertions) {
  struct Case {
    DWORD message;
    const char* text;
  };
  HMODULE library = LoadLibraryExA(SystemFile("PraloLpr.dll").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(library, nullptr);
  const char* insertions[] = {"Office", "12", "printer.example", "No such host is known.", "11001"};
  for (const Case& c : {
           Case{MSG_RECORD_UNREADABLE,
                "Job 12 on port Office was not printed: the port's settings cannot be read (No such host is known., "
                "error 11001)."},
           Case{MSG_HOST_NOT_FOUND,
                "Job 12 on port Office was not printed: the printer's address printer.example cannot be found (No "
                "such host is known., error 11001)."},
           Case{MSG_PRINTER_REFUSED,
                "Job 12 on port Office was not printed: the printer at printer.example refused it, saying: No such "
                "host is known."},
           Case{MSG_JOB_FAILED,
                "Job 12 on port Office was not printed: the connection to the printer at printer.example failed (No "
                "such host is known., error 11001)."},
           Case{MSG_PRINTER_STALLED,
                "The printer at printer.example on port Office takes no data of job 12: it may be out of paper, jammed "
                "or offline. The job waits until the printer takes data again or is deleted."},
           Case{MSG_PRINTER_RESUMED, "The printer at printer.example on port Office takes data of job 12 again."},
           Case{MSG_JOB_ABANDONED,
                "Job 12 on port Office ended while the printer at printer.example had not taken all of it: the rest "
                "was not sent (No such host is known., error 11001)."},
           Case{MSG_CERTIFICATE_CHANGED,
                "Job 12 on port Office was not printed: the printer's certificate has changed (No such host is "
                "known.). No job prints to printer.example until an administrator who trusts the new certificate "
                "accepts it with \"prlport trust Office\"."},
           Case{MSG_PRINTER_ABORTED,
                "Job 12 on port Office was not printed: the printer at printer.example took it, then aborted it, "
                "saying: No such host is known."},
       }) {
    char text[1024] = {};
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, library, c.message, 0, text,
                       sizeof text, reinterpret_cast<va_list*>(const_cast<char**>(insertions)));
    EXPECT_EQ(std::string(text, length), std::string(c.text) + "\r\n") << std::hex << c.message;
  }
  FreeLibrary(library);
}

// A job written as Windows' spooler writes it, in 64 KiB pieces, offering again what a
// call did not take, until `stopAtStall` and a call took less than offered, or a call
// failed; then ended.
void PrintJob(PortHandle& handle, const std::string& bytes, bool stopAtStall) {
  if (handle.StartDoc(nullptr, 12, L"news") != 0) return;
  for (size_t at = 0; at < bytes.size();) {
    const size_t offered = std::min<size_t>(65536, bytes.size() - at);
    size_t taken = 0;
    if (handle.Write(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data() + at), offered), taken) != 0)
      break;
    at += taken;
    if (stopAtStall && taken < offered) break;
  }
  handle.EndDoc();
}

// Failures are told once per job, whichever calls meet them; a stall once when it
// begins and once when it ends. (The LPD has no queue "nosuch".)
TEST(MonitorEvents, AJobIsToldOfOncePerFailureAndPerStall) {
  struct Case {
    const char* name;
    PortConfig port;
    bool stored;
    bool stopAtStall;
    std::vector<std::string> told;
  };
  SpoolerLab spooler;
  for (const Case& c : {
           Case{"Unreadable", Port("NewsUnreadable", kRawPrinter, kProtocolRaw), false, false, {"1 NewsUnreadable "}},
           Case{"NameNotFound", Port("NewsNoName", "no-such-printer.invalid", kProtocolRaw), true, false,
                {"2 NewsNoName no-such-printer.invalid"}},
           Case{"Refused", Port("NewsRefused", kLprPrinter, kProtocolLpr, "nosuch"), true, false,
                {"3 NewsRefused 127.1.0.45"}},
           Case{"Broken", Port("NewsBroken", kPrinterThatLeaves, kProtocolRaw), true, false, {"4 NewsBroken 127.1.0.42"}},
           Case{"StalledAndResumed", Port("NewsPaused", kPausingPrinterForNews, kProtocolRaw), true, false,
                {"stalled NewsPaused", "resumed NewsPaused"}},
           Case{"StalledAndGivenUp", Port("NewsGivenUp", kPausingPrinterForNews, kProtocolRaw), true, true,
                {"stalled NewsGivenUp", "7 NewsGivenUp 127.1.0.48", "stall ended NewsGivenUp"}},
       }) {
    SCOPED_TRACE(c.name);
    if (c.stored) spooler.AddMonitorPort(c.port);
    RecordingNews news;
    PortHandle handle(c.port.portName, news);

    PrintJob(handle, Megabytes(16), c.stopAtStall);

    EXPECT_EQ(news.told, c.told);
  }
}

// An LPD that refuses a job and sends its reason a byte at a time, without end, has the
// job fail with what it said so far, within the bound of an acknowledgement: it holds
// the job's thread no longer than an LPD that says nothing. A job streamed meets the
// refusal at its start, a counted one at its end.
TEST(MonitorEvents, AnLpdThatDripsItsRefusalFailsTheJobWithWhatItSaidSoFar) {
  constexpr char kReason[] = "queue drip is disabled: the printer is out of order, ask the administrator.";
  struct Case {
    const char* port;
    bool counted;
  };
  SpoolerLab spooler;
  for (const Case& c : {Case{"DripStreamed", false}, Case{"DripCounted", true}}) {
    SCOPED_TRACE(c.port);
    spooler.AddMonitorPort(Port(c.port, kOddLpd, kProtocolLpr, "drip", c.counted));
    RecordingNews news;
    PortHandle handle(c.port, news);

    const DWORD start = GetTickCount();
    PrintJob(handle, "a job the printer refuses\n", false);
    const DWORD tookMs = GetTickCount() - start;

    EXPECT_EQ(news.told, std::vector<std::string>{std::string("3 ") + c.port + " " + kOddLpd});
    EXPECT_FALSE(news.said.empty());
    EXPECT_TRUE(std::string_view(kReason).starts_with(news.said)) << news.said;
    EXPECT_LT(tookMs, kAcknowledgementBoundMs);
  }
}

// What the monitor's key counts the LPR jobs with; 0 when it has not counted yet.
DWORD CountedJobs() {
  const RawValue value = GetRawValue(HKEY_LOCAL_MACHINE, kMonitorKey, "LprJobNumber");
  DWORD count = 0;
  if (value.exists && value.data.size() == sizeof count) std::memcpy(&count, value.data.data(), sizeof count);
  return count;
}

// A local user who makes the name of a lock of the monitor's counters first and holds
// it: each LPR job still takes the next number counted in the monitor's key.
TEST_F(PrintingTest, AUserHoldingTheCountersLockNameChangesNoJobNumber) {
  constexpr wchar_t kName[] = L"Global\\PraloLprMonitorCounters";
  struct Squatter {
    const char* name;
    std::function<HANDLE()> make;
  };
  for (const Squatter& squatter : {
           Squatter{"MutexHeldByAnotherThread", [&] { return CreateMutexW(nullptr, TRUE, kName); }},
           Squatter{"EventOfThatName", [&] { return CreateEventW(nullptr, TRUE, FALSE, kName); }},
       }) {
    SCOPED_TRACE(squatter.name);
    UniqueHandle release(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    UniqueHandle ready(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::thread holder([&] {
      UniqueHandle held(squatter.make());
      SetEvent(ready.get());
      WaitForSingleObject(release.get(), INFINITE);
    });
    WaitForSingleObject(ready.get(), INFINITE);
    const std::string port = std::string("Squatted") + squatter.name;
    spooler.AddMonitorPort(Port(port.c_str(), kLprPrinter, kProtocolLpr, "hoq"));
    SpoolerPrinter printer("Printer " + port, port);
    ASSERT_TRUE(printer.Added());
    const DWORD before = CountedJobs();
    const DWORD printed = printer.Print(port, "squatted lock\n");
    SetEvent(release.get());
    holder.join();
    ASSERT_EQ(printed, 0u);
    EXPECT_EQ(std::atoi(LpdJobFor("hoq", port).Option('j').c_str()), static_cast<int>(before % 1000));
    EXPECT_EQ(CountedJobs(), before + 1);
  }
}

// A local user who makes every name that the shared temporary folder would give first,
// or a temporary folder that is gone: byte-counted LPR jobs print all the same.
TEST_F(PrintingTest, CountedJobsPrintWhateverTheTemporaryFolderHolds) {
  struct Folder {
    const char* name;
    bool filled;
  };
  for (const Folder& c : {Folder{"Filled", true}, Folder{"Gone", false}}) {
    SCOPED_TRACE(c.name);
    const std::string folder = LabFolder(std::string("temp-") + c.name);
    if (c.filled) {
      ASSERT_TRUE(RunLabTool("lab-folder", "fill " + folder.substr(2) + " prl"));
    }
    char tmp[MAX_PATH] = {}, temp[MAX_PATH] = {};
    GetEnvironmentVariableA("TMP", tmp, sizeof tmp);
    GetEnvironmentVariableA("TEMP", temp, sizeof temp);
    SetEnvironmentVariableA("TMP", folder.c_str());
    SetEnvironmentVariableA("TEMP", folder.c_str());
    const std::string port = std::string("Temp") + c.name;
    spooler.AddMonitorPort(Port(port.c_str(), kLprPrinter, kProtocolLpr, "hoq", true));
    SpoolerPrinter printer("Printer " + port, port);
    ASSERT_TRUE(printer.Added());
    const DWORD printed = printer.Print(port, "counted through the monitor's folder\n");
    SetEnvironmentVariableA("TMP", tmp);
    SetEnvironmentVariableA("TEMP", temp);
    ASSERT_EQ(printed, 0u);
    EXPECT_EQ(LpdJobFor("hoq", port).data, "counted through the monitor's folder\n");
  }
}

}  // namespace
