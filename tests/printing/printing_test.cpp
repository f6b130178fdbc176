// Jobs printed through Wine's real spooler to ports of the monitor, received by the
// lab's raw printers and LPRng's lpd.
#include <gtest/gtest.h>

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

#include "MonitorRegistry.h"
#include "PortConfig.h"
#include "TextField.h"
#include "Unique.h"
#include "child_process.h"
#include "lab_printers.h"
#include "registry.h"
#include "spooler_lab.h"
#include "spooler_printer.h"

namespace {

const char kRawPrinter[] = "127.1.0.40";
const char kOtherRawPrinter[] = "127.1.0.41";
const char kPrinterThatLeaves[] = "127.1.0.42";
// Stops taking data after 64 KiB; at [::1]:515 an LPD that takes a connection and never answers.
const char kStallingPrinter[] = "127.1.0.43";
// Takes the whole job, then keeps talking and never closes.
const char kChattyPrinter[] = "127.1.0.44";
const char kMuteLpd[] = "::1";
const char kLprPrinter[] = "127.1.0.45";
const char kSilentAddress[] = "127.1.0.250";
// The raw printer on loopback's IPv6 address, and the folder of its jobs.
const char kIpv6RawPrinter[] = "::1";
const char kIpv6RawFolder[] = "raw-ipv6";

std::string LabFolder(const std::string& name) {
  const char* lab = std::getenv("PRALO_LAB_DIR");
  return std::string("Z:") + (lab != nullptr ? lab : "") + "/print/" + name;
}

std::set<std::string> FilesIn(const std::string& folder, const char* pattern) {
  std::set<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "/" + pattern).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do names.insert(found.cFileName);
  while (FindNextFileA(search, &found));
  FindClose(search);
  return names;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// What a raw printer received in the first connection that is not in `before`.
std::string RawJobAfter(const std::string& folder, const std::set<std::string>& before) {
  for (int tries = 0; tries < 600; ++tries, Sleep(100))
    for (const std::string& name : FilesIn(folder, "*.bin"))
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

PortConfig Port(const char* name, const char* address, uint32_t protocol, const char* queue = "", bool counted = false) {
  PortConfig config;
  ResetPortConfig(config, name);
  CopyText(config.deviceIP, address);
  CopyText(config.lprQueue, queue);
  config.protocol = protocol;
  config.rawPortNumber = 9100;
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
  };
  const std::string every = EveryByteValue(), large = Megabytes(6);
  std::vector<int> jobNumbers;
  for (const Case& c : {
           Case{"RawEveryByte", kProtocolRaw, false, every},
           Case{"RawLarge", kProtocolRaw, false, large},
           Case{"RawIpv6", kProtocolRaw, false, every, kIpv6RawPrinter},
           Case{"LprCountedEveryByte", kProtocolLpr, true, every},
           Case{"LprStreamedEveryByte", kProtocolLpr, false, every},
           Case{"LprCountedLarge", kProtocolLpr, true, large},
           Case{"LprStreamedLarge", kProtocolLpr, false, large},
           Case{"LprUnknownProtocolValue", 9101, true, every},
           Case{"LprWithoutQueue", kProtocolLpr, false, every, kRawPrinter, ""},
       }) {
    SCOPED_TRACE(c.name);
    const bool raw = c.protocol == kProtocolRaw;
    spooler.AddMonitorPort(Port(c.name, raw ? c.rawAddress : kLprPrinter, c.protocol, c.queue, c.counted));
    SpoolerPrinter printer(std::string("Printer ") + c.name, c.name);
    ASSERT_TRUE(printer.Added()) << GetLastError();
    const std::string document = std::string("Report ") + c.name + ".txt";
    const std::string rawFolder =
        LabFolder(std::string_view(c.rawAddress) == kIpv6RawPrinter ? kIpv6RawFolder : std::string("raw-") + c.rawAddress);
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

// A printer that stops taking data mid-job (the job is larger than what the sockets
// buffer), an LPD that never acknowledges and a printer that never closes fail their
// jobs at the monitor's bound (60 s), and the printing application gets its thread
// back; meanwhile every other printer's jobs print to their end. (Wine's spooler tells
// the application 6, whatever error the monitor gave.)
TEST_F(PrintingTest, AStillPrinterFailsItsJobAtTheBoundAndHoldsUpNoOther) {
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
                 {Port("Mute", kMuteLpd, kProtocolLpr, "hoq"), large},
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
  for (const Job& job : still) EXPECT_NE(job.result, 0u) << job.port.portName;
  EXPECT_EQ(FilesIn(stalled, "*.part").size(), stalledBefore + 1);
  for (const Job& job : busy) EXPECT_EQ(job.result, 0u) << job.port.portName;
  EXPECT_TRUE(RawJobAfter(busyFolder, busyBefore) == medium);
  EXPECT_TRUE(LpdJobFor("labels", "BusyLpr").data == medium);
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
