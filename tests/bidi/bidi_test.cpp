// The monitor's bi-directional watch against lab printers whose state the test sets:
// the words it keeps, what the configuration dialog makes of them, and prlport status.
#include <gtest/gtest.h>

#include <windows.h>

#include <winspool.h>
#include <winsplp.h>

#include <functional>
#include <optional>

#include "DriverStatus.h"
#include "MonitorRegistry.h"
#include "PortConfigDlg.h"
#include "Snmp.h"
#include "UdpSocket.h"
#include "child_process.h"
#include "lab_printers.h"
#include "loaded_monitor.h"
#include "registry.h"
#include "resource.h"
#include "robot.h"
#include "spooler_lab.h"

namespace {

constexpr char kPort[] = "BidiPort";
constexpr char kPrinter[] = "BidiPrinter";
constexpr char kLive[] = "127.1.0.40";    // lab printers of tests/bidi, state set by lab-agent
constexpr char kOther[] = "127.1.0.41";
constexpr char kSilent[] = "127.1.0.99";  // on the LAN, where nothing answers
constexpr DWORD kStatusSeconds = 1;
const std::string kPortKey = std::string(kPortNamesKey) + "\\" + kPort;
const std::string kDriverData = std::string(kPrintersKey) + "\\" + kPrinter + "\\PrinterDriverData";

// The agent's count of the SNMP messages it received (snmpInPkts.0), our own among them.
int64_t AgentPackets(const char* address) {
  WinsockSession winsock;
  UdpSocket socket;
  const snmp::Oid inPackets = {1, 3, 6, 1, 2, 1, 11, 1, 0};
  socket.SendTo(HostOrder(address), 161, snmp::EncodeGetRequest("mirabo", 77, {inPackets}));
  std::vector<uint8_t> datagram;
  uint32_t from = 0;
  uint16_t port = 0;
  if (!socket.Receive(datagram, from, port, 2000)) return -1;
  std::optional<snmp::Response> answer = snmp::DecodeGetResponse(datagram);
  return answer && answer->varbinds.size() == 1 ? answer->varbinds[0].integer : -1;
}

// Waits for what the watch must come to: two status intervals and a question's own
// time, for a printer that has stopped answering, and the watch's start.
bool Within(const std::function<bool()>& condition) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < 2 * kStatusSeconds * 1000 + 4000; Sleep(100))
    if (condition()) return true;
  return condition();
}

bool Established() { return IsBiDiLinkEstablished(kPrinter); }
bool Stopped() { return ReadPbdStatus(kPrinter) != 0; }

class Bidi : public testing::Test {
 public:
  Bidi() {
    spooler.AddMonitorPort(kPort, kLive);
    spooler.AddLocalPrinter(kPrinter, kPort);
    SetTextValue(HKEY_LOCAL_MACHINE, kPortKey, "CommunityName", "mirabo");
    for (auto [name, value] : {std::pair{"BiDiEnabled", 1ul}, {"StatusUpdateInt", kStatusSeconds},
                               {"ConfigUpdateInt", 999ul}, {"SnmpUpdated", 0ul}})
      SetNumberValue(HKEY_LOCAL_MACHINE, kPortKey, name, value);
  }
  ~Bidi() override {
    monitor.reset();
    RunLabAgent(std::string("state ") + kLive + " ready");
  }

  // The configuration dialog on the port: the warning when it opens, and the icon.
  void ExpectDialog(bool established, bool warning) {
    PortConfig config;
    RegistryPortRecordStore().Read(kPort, config);
    CPortConfigDlg dialog(nullptr, config, RegistryPortRecordStore(), kPrinter);
    Drive([&] { dialog.DoModal(); },
          [&](Robot& robot) {
            if (warning) {
              Window box = robot.ExpectMessageBox();
              EXPECT_NE(box.MessageText().find("Bi-directional communications has stopped"), std::string::npos);
              box.Answer(IDOK);
            }
            Window box = robot.Expect("Pralo TCP/IP Port - Configuration");
            const int icon = established ? IDI_BIDI_LINKED : IDI_BIDI_STATUS;
            EXPECT_EQ(box.StaticIcon(IDC_CFG_BIDI_ICON), LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(icon)));
            box.PressEscape();
          });
  }

  SpoolerLab spooler;
  std::optional<LoadedMonitor> monitor;
};

TEST_F(Bidi, TheDialogsIconAndWarningFollowThePrintersRealState) {
  struct Step {
    const char* what;
    std::function<void(Bidi&)> act;
    std::function<bool()> until;  // what the words must come to
    bool established, warning;    // what the dialog then shows
  };
  const auto readdress = [](const char* address) {
    return [address](Bidi&) {
      SetTextValue(HKEY_LOCAL_MACHINE, kPortKey, "DeviceIP", address);
      SetNumberValue(HKEY_LOCAL_MACHINE, kPortKey, "SnmpUpdated", 1);
    };
  };
  const Step steps[] = {
      {"a live printer", [](Bidi& t) { t.monitor.emplace(); }, [] { return Established() && !Stopped(); }, true,
       false},
      {"its agent stopped", [](Bidi&) { ASSERT_TRUE(RunLabAgent(std::string("stop ") + kLive)); }, Stopped, false,
       true},
      {"the agent back and the spooler restarted",
       [](Bidi& t) {
         ASSERT_TRUE(RunLabAgent(std::string("start ") + kLive));
         t.monitor.reset();
         t.monitor.emplace();
       },
       [] { return Established() && !Stopped(); }, true, false},
      // The record is read every 999 s: only "SnmpUpdated" makes the watch ask elsewhere.
      {"a new address where nothing answers, SnmpUpdated", readdress(kSilent),
       [] { return Stopped() && StoredNumber(kPort, "SnmpUpdated") == 0; }, false, true},
      {"a new address of a live printer, SnmpUpdated", readdress(kOther),
       [] { return Established() && !Stopped() && StoredNumber(kPort, "SnmpUpdated") == 0; }, true, false},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    step.act(*this);
    ASSERT_TRUE(monitor && monitor->Loaded());
    EXPECT_TRUE(Within(step.until));
    ExpectDialog(step.established, step.warning);
  }
}

TEST_F(Bidi, APortWithoutBidirectionalCommunicationKeepsNoWordsAndAsksNothing) {
  SetNumberValue(HKEY_LOCAL_MACHINE, kPortKey, "BiDiEnabled", 0);
  const int64_t before = AgentPackets(kLive);
  monitor.emplace();
  Sleep(3 * kStatusSeconds * 1000 + 1000);
  EXPECT_EQ(AgentPackets(kLive), before + 1);  // our own question only
  EXPECT_FALSE(GetRawValue(HKEY_LOCAL_MACHINE, kDriverData, "PbdControl").exists);
  EXPECT_FALSE(GetRawValue(HKEY_LOCAL_MACHINE, kDriverData, "PbdStatus").exists);
}

// A record changed without "SnmpUpdated" is taken at the next "ConfigUpdateInt", however
// long the watch has left it unread.
TEST_F(Bidi, ARecordChangedWithoutSnmpUpdatedCountsAtTheNextConfigInterval) {
  struct Case {
    const char* what;
    std::function<void()> change;
    std::function<bool()> until;
  };
  const Case cases[] = {
      {"a new address where nothing answers",
       [] { SetTextValue(HKEY_LOCAL_MACHINE, kPortKey, "DeviceIP", kSilent); }, Stopped},
      {"bi-directional communication off", [] { SetNumberValue(HKEY_LOCAL_MACHINE, kPortKey, "BiDiEnabled", 0); },
       [] { return !GetRawValue(HKEY_LOCAL_MACHINE, kDriverData, "PbdControl").exists; }},
  };
  SetNumberValue(HKEY_LOCAL_MACHINE, kPortKey, "ConfigUpdateInt", 2);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetTextValue(HKEY_LOCAL_MACHINE, kPortKey, "DeviceIP", kLive);
    SetNumberValue(HKEY_LOCAL_MACHINE, kPortKey, "BiDiEnabled", 1);
    monitor.emplace();
    ASSERT_TRUE(Within([] { return Established() && !Stopped(); }));
    Sleep(3000);  // the record has been due, unchanged, since it was read
    c.change();
    EXPECT_TRUE(Within(c.until));
    monitor.reset();
  }
}

// The spooler writes a printer's new port list into its key; the watch knew the printer
// on another port.
TEST_F(Bidi, APrinterMovedOntoTheWatchedPortGetsItsWords) {
  struct Case {
    const char* printer;
    const char* ports;
  };
  monitor.emplace();
  ASSERT_TRUE(Within(Established));
  for (const Case& c : {Case{"BidiMoved", kPort}, Case{"BidiPooled", "LPT1:,BidiPort"}}) {
    SCOPED_TRACE(c.printer);
    spooler.AddLocalPrinter(c.printer, "LPT1:");
    Sleep(2500);  // the watch has seen the printer on its first port
    SetTextValue(HKEY_LOCAL_MACHINE, std::string(kPrintersKey) + "\\" + c.printer, "Port", c.ports);
    EXPECT_TRUE(Within([&] { return IsBiDiLinkEstablished(c.printer); }));
  }
}

TEST_F(Bidi, AnUnloadWhileAQuestionIsOnTheWireNeitherCrashesNorHangs) {
  SetTextValue(HKEY_LOCAL_MACHINE, kPortKey, "DeviceIP", kSilent);
  monitor.emplace();
  Sleep(1500);  // the watch has started and waits for an answer that will not come
  monitor.reset();
  // Wine's spooler loads and unloads its own instance around every call meanwhile.
  monitor.emplace();
  for (int i = 0; i < 5; ++i) SpoolerLab::SpoolerPrinterOrder(), EnumPortsA(nullptr, 1, nullptr, 0, nullptr, nullptr);
  Sleep(1500);
  monitor.reset();
  // Nothing of the monitor stays behind: its threads leave and the library goes with them.
  EXPECT_TRUE(Within([] { return GetModuleHandleA("PraloLpr.dll") == nullptr; }));
}

TEST_F(Bidi, PrlportStatusShowsThePrintersStateAndSupplies) {
  struct Case {
    const char* state;  // lab-agent's; nullptr: the agent stopped
    const char* options;
    DWORD exitCode;
    const char* shown;
  };
  for (const Case& c : {Case{"ready", "", 0, "Errors                  none"},
                        Case{"paper-out", "", 0, "Errors                  paper out"},
                        Case{"paper-out", " --csv", 0, ",down,other,paper out,Black toner 80%"},
                        Case{"toner-low", "", 0, "Supply                  Black toner 5%"},
                        Case{"toner-low", " --csv", 0, ",warning,idle,toner low,Black toner 5%"},
                        Case{nullptr, "", 1, "Reachable               no (no answer)"}}) {
    SCOPED_TRACE(std::string(c.state ? c.state : "stopped") + c.options);
    ASSERT_TRUE(RunLabAgent(c.state ? std::string("state ") + kLive + " " + c.state : std::string("stop ") + kLive));
    ChildResult result = RunChild("\"" + DistFile("prlport.exe") + "\" status " + kPort + c.options);
    EXPECT_EQ(result.exitCode, c.exitCode);
    EXPECT_NE(result.output.find(c.shown), std::string::npos) << result.output;
  }
}

// A printer's words go to a spreadsheet as text, and to a console without their control
// characters: a supply named "=SUM(1+2)" followed by an escape sequence.
TEST_F(Bidi, PrlportStatusShowsAPrintersWordsAsTextOnly) {
  struct Case {
    const char* options;
    const char* shown;
  };
  ASSERT_TRUE(RunLabAgent(std::string("state ") + kLive + " formula-supply"));
  for (const Case& c : {Case{" --csv", ",\"'=SUM(1+2) [2J 80%\""},
                        Case{"", "Supply                  =SUM(1+2) [2J 80%"}}) {
    SCOPED_TRACE(std::string("status") + c.options);
    ChildResult result = RunChild("\"" + DistFile("prlport.exe") + "\" status " + kPort + c.options);
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_NE(result.output.find(c.shown), std::string::npos) << result.output;
    EXPECT_EQ(result.output.find('\x1b'), std::string::npos) << result.output;
  }
}

}  // namespace
