// What the monitor tells the administrator: its event source, which the setup program
// registers and removes, the texts of its messages as the Event Log reads them from the
// monitor's message table, and a job's news, told once per failed job and per stall.
// (Wine's ReportEvent keeps nothing that a test could read back.)
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "JobNews.h"
#include "MonitorEvents.h"
#include "PortConfig.h"
#include "PortHandle.h"
#include "PraloLprMessages.h"
#include "TextField.h"
#include "child_process.h"
#include "registry.h"
#include "spooler_lab.h"

namespace {

std::string SystemFile(const char* name) {
  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, sizeof system);
  return std::string(system) + "\\" + name;
}

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

  ASSERT_EQ(RunChild("\"" + DistFile("monitor\\PrlSetup.exe") + "\" uninstall").exitCode, 0u);
  const bool removed = !KeyExists(HKEY_LOCAL_MACHINE, kEventSourceKey);
  ASSERT_EQ(RunChild("\"" + DistFile("monitor\\PrlSetup.exe") + "\" install").exitCode, 0u);
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
       }) {
    char text[1024] = {};
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, library, c.message, 0, text,
                       sizeof text, reinterpret_cast<va_list*>(const_cast<char**>(insertions)));
    EXPECT_EQ(std::string(text, length), std::string(c.text) + "\r\n") << std::hex << c.message;
  }
  FreeLibrary(library);
}

// What a port handle tells, in order: the message of each event, or "stalled",
// "resumed", "stall ended".
class RecordingNews : public JobNews {
 public:
  void JobFailed(DWORD message, const JobEvent& event) override {
    told.push_back(std::to_string(message & 0xFFFF) + " " + event.port + " " + event.printer);
  }
  void PrinterStalled(const JobEvent& event) override { told.push_back("stalled " + event.port); }
  void StallEnded(const JobEvent& event, bool resumed) override {
    told.push_back((resumed ? "resumed " : "stall ended ") + event.port);
  }
  std::vector<std::string> told;
};

std::string Megabytes(size_t count) { return std::string(count << 20, 'x'); }

PortConfig RawPort(const char* name, const char* address, uint32_t protocol = kProtocolRaw, const char* queue = "") {
  PortConfig config;
  ResetPortConfig(config, name);
  CopyText(config.deviceIP, address);
  CopyText(config.lprQueue, queue);
  config.protocol = protocol;
  config.rawPortNumber = 9100;
  return config;
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
// begins and once when it ends. (127.1.0.42 goes away after 64 KiB, 127.1.0.48 pauses
// for 35 s after 64 KiB; the LPD at 127.1.0.45 has no queue "nosuch".)
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
           Case{"Unreadable", RawPort("NewsUnreadable", "127.1.0.40"), false, false, {"1 NewsUnreadable "}},
           Case{"NameNotFound", RawPort("NewsNoName", "no-such-printer.invalid"), true, false,
                {"2 NewsNoName no-such-printer.invalid"}},
           Case{"Refused", RawPort("NewsRefused", "127.1.0.45", kProtocolLpr, "nosuch"), true, false,
                {"3 NewsRefused 127.1.0.45"}},
           Case{"Broken", RawPort("NewsBroken", "127.1.0.42"), true, false, {"4 NewsBroken 127.1.0.42"}},
           Case{"StalledAndResumed", RawPort("NewsPaused", "127.1.0.48"), true, false,
                {"stalled NewsPaused", "resumed NewsPaused"}},
           Case{"StalledAndGivenUp", RawPort("NewsGivenUp", "127.1.0.48"), true, true,
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

}  // namespace
