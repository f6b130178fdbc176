// The watch and prlport status on a port that prints over IPP: its printer is asked over
// IPP (its SNMP address is silent), and its state and reasons reach the words and
// prlport status as an SNMP printer's do.
#include <gtest/gtest.h>

#include <winsock2.h>

#include <functional>
#include <optional>
#include <string>

#include "DriverStatus.h"
#include "MonitorRegistry.h"
#include "StatusQuery.h"
#include "child_process.h"
#include "IppStatus.h"
#include "ipp_builder.h"
#include "ipp_lab.h"
#include "lab_printers.h"
#include "loaded_monitor.h"
#include "registry.h"
#include "spooler_lab.h"

namespace {

constexpr char kPort[] = "IppWatchPort";
constexpr char kPrinter[] = "IppWatchPrinter";
constexpr char kSilent[] = "127.1.0.99";  // the port's address for SNMP, where nothing answers
constexpr DWORD kStatusSeconds = 1;
const std::string kPortKey = std::string(kPortNamesKey) + "\\" + kPort;

bool Within(const std::function<bool()>& condition, DWORD boundMs = 2 * kStatusSeconds * 1000 + 8000) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < boundMs; Sleep(100))
    if (condition()) return true;
  return condition();
}

// The detected errors that the words carry (the first word of "PbdStatus"); -1 when none.
int64_t WordErrors() {
  const RawValue status = GetRawValue(HKEY_LOCAL_MACHINE, std::string(kPrintersKey) + "\\" + kPrinter + "\\PrinterDriverData",
                                      "PbdStatus");
  if (status.data.size() < 8) return -1;
  return status.data[0] | status.data[1] << 8 | status.data[2] << 16 | status.data[3] << 24;
}

std::string PrlportStatus() {
  return RunChild("\"" + DistFile("prlport.exe") + "\" status " + kPort).output;
}

bool SetPrinterState(const char* state) {
  return RunLabTool("lab-ipp-printer", "state " + std::to_string(kIppPrinterPort) + " " + state);
}

class IppWatch : public testing::Test {
 public:
  IppWatch() {
    spooler.AddMonitorPort(kPort, kSilent);
    spooler.AddLocalPrinter(kPrinter, kPort);
    SetTextValue(HKEY_LOCAL_MACHINE, kPortKey, "IppUri", IppPrinterUri("ipps"));
    for (auto [name, value] : {std::pair{"BiDiEnabled", 1ul}, {"StatusUpdateInt", kStatusSeconds},
                               {"ConfigUpdateInt", 999ul}, {"SnmpUpdated", 0ul}})
      SetNumberValue(HKEY_LOCAL_MACHINE, kPortKey, name, value);
  }
  ~IppWatch() override {
    monitor.reset();
    SetPrinterState("ready");
  }

  SpoolerLab spooler;
  std::optional<LoadedMonitor> monitor;
};

// What the lab's printer cannot say: stopped, out of paper.
ippwire::Bytes StoppedWithoutPaper() {
  using namespace ippwire;
  const Bytes printerGroup = {0x04};
  return Cat({Header(), kOperationGroup, printerGroup, Field(0x23, "printer-state", Long(5)),
              Field(0x44, "printer-state-reasons", Text("media-empty-error")), kEnd});
}

TEST_F(IppWatch, ThePrintersStateAndReasonsReachTheWordsAndPrlportStatus) {
  struct Case {
    const char* state;  // lab-ipp-printer's
    uint32_t errors;    // the words' detected errors
    std::vector<const char*> shown;
    ippwire::Bytes answer = {};  // else the port's printer: one that answers this, always
  };
  const Case cases[] = {
      {"ready", 0, {"Printer state           idle", "State reasons           none", "Device status           running",
                    "Printer status          idle", "Errors                  none", "Supply                  Black Toner 75%"}},
      {"processing", 0, {"Printer state           processing", "Device status           running",
                         "Printer status          printing"}},
      {"media-empty", kNoPaper, {"State reasons           media-empty-report", "Device status           warning",
                                 "Errors                  paper out"}},
      {"toner-empty", kNoToner, {"State reasons           toner-empty-report", "Errors                  toner out",
                                 "Supply                  Black Toner 0%"}},
      {"ready", kNoPaper, {"Printer state           stopped", "State reasons           media-empty-error",
                           "Device status           down", "Errors                  paper out"},
       StoppedWithoutPaper()},
  };
  monitor.emplace();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.state);
    ASSERT_TRUE(SetPrinterState(c.state));
    std::optional<AnsweringPrinter> stopped;
    if (!c.answer.empty()) {
      stopped.emplace(8642, c.answer);
      ASSERT_TRUE(stopped->Listening());
      SetTextValue(HKEY_LOCAL_MACHINE, kPortKey, "IppUri", stopped->Uri());
      SetNumberValue(HKEY_LOCAL_MACHINE, kPortKey, "SnmpUpdated", 1);
    }
    EXPECT_TRUE(Within([&] { return IsBiDiLinkEstablished(kPrinter) && WordErrors() == c.errors; })) << WordErrors();
    const std::string shown = PrlportStatus();
    EXPECT_NE(shown.find("Reachable               yes"), std::string::npos) << shown;
    for (const char* line : c.shown) EXPECT_NE(shown.find(line), std::string::npos) << line << "\n" << shown;
  }
}

// A printer that takes no connection, or shows another certificate than the one its port
// trusts, is not taken for an answer: the words say the printer is not reached.
TEST_F(IppWatch, APrinterNotReachedOrWithAnotherCertificateIsNotAnswered) {
  struct Case {
    const char* what;
    std::string uri, pinned;
    const char* shown;
  };
  const Case cases[] = {
      {"nothing listens", "ipp://127.1.0.60:8639/ipp/print", "", "Reachable               no (no answer from the printer"},
      {"another certificate", IppPrinterUri("ipps", kIppOtherCertificatePort), std::string(64, 'A'),
       "Reachable               no (the printer's certificate has changed: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetTextValue(HKEY_LOCAL_MACHINE, kPortKey, "IppUri", IppPrinterUri("ipps"));
    SetTextValue(HKEY_LOCAL_MACHINE, kPortKey, "IppCertificate", "");
    monitor.emplace();
    ASSERT_TRUE(Within([] { return IsBiDiLinkEstablished(kPrinter) && ReadPbdStatus(kPrinter) == 0; }));
    SetTextValue(HKEY_LOCAL_MACHINE, kPortKey, "IppUri", c.uri);
    SetTextValue(HKEY_LOCAL_MACHINE, kPortKey, "IppCertificate", c.pinned);
    SetNumberValue(HKEY_LOCAL_MACHINE, kPortKey, "SnmpUpdated", 1);
    EXPECT_TRUE(Within([] { return !IsBiDiLinkEstablished(kPrinter) && ReadPbdStatus(kPrinter) != 0; }));
    const std::string shown = PrlportStatus();
    EXPECT_NE(shown.find(c.shown), std::string::npos) << shown;
    monitor.reset();
  }
}

// The watch's IPP questions hold the library while they wait within their bounded times:
// the spooler's unload returns at once, and the library goes when the last question ends.
TEST_F(IppWatch, AnUnloadWhileAnIppQuestionWaitsNeitherCrashesNorHangs) {
  MutePrinter mute(8640);
  ASSERT_TRUE(mute.Listening());
  SetTextValue(HKEY_LOCAL_MACHINE, kPortKey, "IppUri", mute.Uri());
  monitor.emplace();
  Sleep(1500);  // the watch has started and waits for an answer that will not come
  monitor.reset();
  EXPECT_TRUE(Within([] { return GetModuleHandleA("PraloLpr.dll") == nullptr; }, kIppStatusTimeouts.receiveMs + 10000));
}

}  // namespace
