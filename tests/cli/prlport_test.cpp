// prlport.exe in the lab, against the real spooler, registry and lab printers, and
// cross-checked with the dialogs.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "MonitorRegistry.h"
#include "PortConfigDlg.h"
#include "PortManagerDlg.h"
#include "lab_printers.h"
#include "prlport_run.h"
#include "registry.h"
#include "resource.h"
#include "robot.h"
#include "spooler_lab.h"

namespace {

bool PortKeyExists(const std::string& name) {
  return KeyExists(HKEY_LOCAL_MACHINE, std::string(kPortNamesKey) + "\\" + name);
}

class PrlPortTest : public testing::Test {
 protected:
  PrlPortTest() {
    spooler.AddMonitorPort("Used", "127.1.0.20");
    spooler.AddLocalPrinter("Office", "Used");
  }
  ~PrlPortTest() override {
    for (const char* name : {"CliRaw", "CliLpr", "CliIpp", "X", "CliRestart", "strasse"}) DeleteTree(HKEY_LOCAL_MACHINE, std::string(kPortNamesKey) + "\\" + name);
  }
  SpoolerLab spooler;
};

TEST_F(PrlPortTest, RefusalsAndUsageErrorsChangeNothing) {
  struct Case {
    const char* arguments;
    DWORD exitCode;
    const char* says;
  };
  for (const Case& c : {
           Case{"", 2, "missing command"},
           Case{"frobnicate", 2, "unknown command"},
           Case{"add X", 2, "missing printer address"},
           Case{"add X 127.1.0.99 --bogus", 2, "unknown option --bogus"},
           Case{"add X 127.1.0.99 --raw", 2, "missing value after --raw"},
           Case{"add X 127.1.0.99 --raw 65536", 1, "from 0 to 65535"},
           Case{"add X 127.1.0.99 --config-interval soon", 1, "must be a number"},
           Case{"add used 127.1.0.99", 1, "Another port already exists with this name"},
           Case{"add a\\b 127.1.0.99", 1, "cannot contain a backslash"},
           Case{"add X 127.1.0.99 --identify", 1, "was not identified"},
           Case{"show Nowhere", 1, "no port \"Nowhere\""},
           Case{"set Nowhere --raw 9100", 1, "no port \"Nowhere\""},
           Case{"set Used --restart-spooler", 2, "unknown option --restart-spooler"},
           Case{"delete Used", 1, "in use by Office"},
           Case{"add X 127.1.0.99 --custom --lpr \"q\x1b[2J\"", 1, "\"LprQueue\" holds a control character"},
           Case{"add X 127.1.0.99 --custom --community \"a\x07" "b\"", 1, "\"CommunityName\" holds a control character"},
           Case{"add \"X\x1b[2J\" 127.1.0.99 --custom", 1, "cannot contain a backslash"},
           Case{"set Used --lpr \"q\x1b[2J\"", 1, "\"LprQueue\" holds a control character"},
           Case{"add X --raw 9100", 2, "missing printer address"},
           Case{"add X --ipp http://127.1.0.99/ipp/print", 1, "--ipp takes ipp://HOST[:PORT]/PATH"},
           Case{"add X --ipp ipps://127.1.0.99/ipp/print --lpr q", 2, "--raw, --lpr and --ipp exclude each other"},
           Case{"add X --ipp ipp://127.1.0.99/ipp/print --document-format pdf", 1,
                "the document format must be a media type"},
           Case{"trust Used", 1, "the port Used has no other certificate to trust"},
           Case{"trust Nowhere", 1, "no port \"Nowhere\""},
       }) {
    SCOPED_TRACE(c.arguments);
    ChildResult result = PrlPort(c.arguments);
    EXPECT_EQ(result.exitCode, c.exitCode);
    EXPECT_NE(result.output.find(c.says), std::string::npos) << result.output;
    EXPECT_EQ(result.output.find("prlport list") != std::string::npos, c.exitCode == 2)
        << "the help comes with usage errors only";
    EXPECT_FALSE(PortKeyExists("X"));
    EXPECT_FALSE(PortKeyExists("X\x1b[2J"));
    EXPECT_TRUE(PortKeyExists("Used"));
    EXPECT_EQ(StoredText("Used", "LprQueue"), "<missing>");
  }
}

TEST_F(PrlPortTest, APortAddedHereOpensInTheConfigurationDialogWithTheSameValues) {
  ChildResult added = PrlPort("add CliLpr 127.1.0.99 --lpr queue7 --byte-counting --bidi on --community Sec "
                              "--config-interval 45 --status-interval 15");
  ASSERT_EQ(added.exitCode, 0u) << added.output;
  PortConfig config;
  RegistryPortRecordStore().Read("CliLpr", config);
  CPortConfigDlg dialog(nullptr, config, RegistryPortRecordStore(), "");
  Drive([&] { dialog.DoModal(); },
        [](Robot& robot) {
          Window box = robot.Expect("Pralo TCP/IP Port - Configuration");
          EXPECT_EQ(box.Text(IDC_CFG_ADDRESS), "127.1.0.99");
          EXPECT_TRUE(box.Checked(IDC_CFG_LPR));
          EXPECT_EQ(box.Text(IDC_CFG_LPR_QUEUE), "queue7");
          EXPECT_TRUE(box.Checked(IDC_CFG_BYTE_COUNTING));
          EXPECT_TRUE(box.Checked(IDC_CFG_BIDI));
          EXPECT_EQ(box.Text(IDC_CFG_COMMUNITY), "Sec");
          EXPECT_EQ(box.Text(IDC_CFG_CONFIG_INTERVAL), "45");
          EXPECT_EQ(box.Text(IDC_CFG_STATUS_INTERVAL), "15");
          box.PressEscape();
        });

  ChildResult set = PrlPort("set clilpr --address 127.1.0.98 --raw 9101");  // any letter case
  ASSERT_EQ(set.exitCode, 0u) << set.output;
  RawValue snmpUpdated = GetRawValue(HKEY_LOCAL_MACHINE, std::string(kPortNamesKey) + "\\CliLpr", "SnmpUpdated");
  ASSERT_EQ(snmpUpdated.data.size(), 4u);
  EXPECT_EQ(snmpUpdated.data[0], 1);  // the address changed
  ChildResult shown = PrlPort("show CliLpr");
  for (const char* line : {"Printer address         127.1.0.98", "Protocol                RAW",
                           "Raw port number         9101", "LPR queue               queue7"})
    EXPECT_NE(shown.output.find(line), std::string::npos) << line << "\n" << shown.output;
}

// An IPP port: its URI and document format through add, show, list, set, and back to raw.
TEST_F(PrlPortTest, AnIppPortCarriesItsUriUntilItIsMadeRawAgain) {
  ChildResult added = PrlPort("add CliIpp --ipp ipps://127.1.0.99:8631/ipp/print --document-format application/pdf");
  ASSERT_EQ(added.exitCode, 0u) << added.output;
  EXPECT_EQ(StoredText("CliIpp", "DeviceIP"), "127.1.0.99") << "the URI's host, for the list and the status";
  EXPECT_EQ(StoredText("CliIpp", "IppUri"), "ipps://127.1.0.99:8631/ipp/print");
  EXPECT_EQ(StoredText("CliIpp", "IppDocumentFormat"), "application/pdf");
  ChildResult shown = PrlPort("show CliIpp");
  for (const char* line : {"Protocol                IPP", "IPP URI                 ipps://127.1.0.99:8631/ipp/print",
                           "IPP document format     application/pdf"})
    EXPECT_NE(shown.output.find(line), std::string::npos) << line << "\n" << shown.output;
  const nlohmann::json one = nlohmann::json::parse(PrlPort("show CliIpp --json").output);
  EXPECT_EQ(one["IppUri"], "ipps://127.1.0.99:8631/ipp/print");
  EXPECT_EQ(one["IppDocumentFormat"], "application/pdf");
  bool listed = false;
  for (const nlohmann::json& port : nlohmann::json::parse(PrlPort("list --json").output))
    if (port["name"] == "CliIpp") listed = port.value("IppUri", "") == "ipps://127.1.0.99:8631/ipp/print";
  EXPECT_TRUE(listed);

  ASSERT_EQ(PrlPort("set CliIpp --status-interval 20").exitCode, 0u);
  EXPECT_EQ(StoredText("CliIpp", "IppUri"), "ipps://127.1.0.99:8631/ipp/print") << "a change of another setting keeps it";
  ASSERT_EQ(PrlPort("set CliIpp --ipp ipp://127.1.0.98/printers/q").exitCode, 0u);
  EXPECT_EQ(StoredText("CliIpp", "IppUri"), "ipp://127.1.0.98/printers/q");
  ASSERT_EQ(PrlPort("set CliIpp --raw 9100").exitCode, 0u);
  EXPECT_EQ(StoredText("CliIpp", "IppUri"), "");
  EXPECT_NE(PrlPort("show CliIpp").output.find("Protocol                RAW"), std::string::npos);
  EXPECT_EQ(nlohmann::json::parse(PrlPort("show CliIpp --json").output).count("IppUri"), 0u)
      << "a port that is not IPP is written as earlier versions read it";
}

// The monitor keeps the certificate it first met and the different one a printer offered
// later; status shows both, and trust moves the offered one to the trusted.
TEST_F(PrlPortTest, TrustAcceptsTheCertificateThatThePrinterOffered) {
  const std::string trusted(64, 'a'), offered(64, 'b');
  ASSERT_EQ(PrlPort("add CliIpp --ipp ipps://127.1.0.99:8631/ipp/print").exitCode, 0u);
  SetTextValue(HKEY_LOCAL_MACHINE, std::string(kPortNamesKey) + "\\CliIpp", "IppCertificate", trusted);
  SetTextValue(HKEY_LOCAL_MACHINE, std::string(kPortNamesKey) + "\\CliIpp", "IppCertificateOffered", offered);
  ChildResult status = PrlPort("status CliIpp");
  for (const std::string& line : {"Certificate trusted     " + trusted, "Certificate offered     " + offered,
                                  std::string("prlport trust CliIpp")})
    EXPECT_NE(status.output.find(line), std::string::npos) << line << "\n" << status.output;

  ChildResult trust = PrlPort("trust cliipp");
  EXPECT_EQ(trust.exitCode, 0u) << trust.output;
  EXPECT_EQ(StoredText("CliIpp", "IppCertificate"), offered);
  EXPECT_EQ(StoredText("CliIpp", "IppCertificateOffered"), "");
  EXPECT_EQ(PrlPort("status CliIpp").output.find("Certificate offered"), std::string::npos);
}

TEST_F(PrlPortTest, AnIdentifiedPrinterTakesItsModelAndTheMainWindowListsThePort) {
  ChildResult added = PrlPort("add CliRaw 127.1.0.22");
  ASSERT_EQ(added.exitCode, 0u) << added.output;
  EXPECT_NE(added.output.find("Kestrel ColorPro 520"), std::string::npos) << added.output;
  CPortManagerDlg main;
  Drive([&] { main.DoModal(); },
        [](Robot& robot) {
          Window window = robot.Expect("Pralo Port Manager");
          bool listed = false;
          for (const auto& row : window.ListRows(IDC_PORT_LIST)) listed = listed || row[1] == "CliRaw";
          EXPECT_TRUE(listed);
          window.Click(IDCANCEL);
        });
  ChildResult csv = PrlPort("list --csv");
  EXPECT_NE(csv.output.find("\nCliRaw,Pralo TCP/IP Port,\r\n"), std::string::npos) << csv.output;
  EXPECT_NE(csv.output.find("\nUsed,Pralo TCP/IP Port,Office\r\n"), std::string::npos) << csv.output;
  EXPECT_NE(PrlPort("show CliRaw").output.find("LPR queue               lp"), std::string::npos);
}

TEST_F(PrlPortTest, AScriptAddsListsAndDeletesTenPorts) {
  for (int i = 0; i < 10; ++i) {
    ChildResult added = PrlPort("add Batch" + std::to_string(i) + " 127.1.0.99 --custom --raw " + std::to_string(9100 + i));
    ASSERT_EQ(added.exitCode, 0u) << added.output;
  }
  std::string list = PrlPort("list").output;
  for (int i = 0; i < 10; ++i) EXPECT_NE(list.find("Batch" + std::to_string(i) + " "), std::string::npos) << list;
  for (int i = 0; i < 10; ++i) EXPECT_EQ(PrlPort("delete Batch" + std::to_string(i)).exitCode, 0u);
  for (int i = 0; i < 10; ++i) EXPECT_FALSE(PortKeyExists("Batch" + std::to_string(i)));
}

// Port names compare as registry key names do: "strasse" is not "Straße" (a linguistic
// comparison says it is), while letter case never counts.
TEST_F(PrlPortTest, NamesInUseAreFoundAsTheRegistryComparesThem) {
  spooler.AddMonitorPort("Stra\xDF" "e", "127.1.0.20");
  EXPECT_EQ(PrlPort("add STRA\xDF" "E 127.1.0.99 --custom").exitCode, 1u);
  EXPECT_EQ(PrlPort("add strasse 127.1.0.99 --custom").exitCode, 0u);
}

// Windows NT 4 for prlport.exe, and the spooler's start type, while it lives.
class OnNt4WithSpoolerStart {
 public:
  explicit OnNt4WithSpoolerStart(DWORD startType) {
    SetTextValue(HKEY_CURRENT_USER, kAppDefaults, "Version", "nt40");
    ChangeStart(startType);
  }
  ~OnNt4WithSpoolerStart() {
    ChangeStart(SERVICE_DEMAND_START);
    DeleteTree(HKEY_CURRENT_USER, kAppDefaults);
  }

 private:
  static void ChangeStart(DWORD startType) {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    SC_HANDLE service = OpenServiceA(manager, "Spooler", SERVICE_ALL_ACCESS);
    EXPECT_TRUE(ChangeServiceConfigA(service, SERVICE_NO_CHANGE, startType, SERVICE_NO_CHANGE, nullptr, nullptr,
                                     nullptr, nullptr, nullptr, nullptr, nullptr));
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
  }
  static constexpr char kAppDefaults[] = "Software\\Wine\\AppDefaults\\prlport.exe";
};

TEST_F(PrlPortTest, ARestartIsReportedAsItWent) {
  struct Case {
    DWORD startType;
    DWORD exitCode;
    const char* says;
  };
  for (const Case& c : {Case{SERVICE_DEMAND_START, 0, "the spooler was"},
                        Case{SERVICE_DISABLED, 3, "starting the spooler: "}}) {
    SCOPED_TRACE(c.startType);
    OnNt4WithSpoolerStart nt4(c.startType);
    ChildResult added = PrlPort("add CliRestart 127.1.0.99 --custom --restart-spooler");
    EXPECT_EQ(added.exitCode, c.exitCode) << added.output;
    EXPECT_NE(added.output.find(c.says), std::string::npos) << added.output;
    DeleteTree(HKEY_LOCAL_MACHINE, std::string(kPortNamesKey) + "\\CliRestart");
  }
}

TEST_F(PrlPortTest, FindSaysWhichStoredSubnetsItLeavesOut) {
  const std::string addresses = std::string(kDiscoveryKey) + "\\SubnetAddresses";
  for (const char* address : {"224.1.0.0", "127.2.0.0"}) SetTextValue(HKEY_LOCAL_MACHINE, addresses, address, "");
  ChildResult found = PrlPort("find --seconds 0");
  DeleteTree(HKEY_LOCAL_MACHINE, kDiscoveryKey);
  EXPECT_EQ(found.exitCode, 0u) << found.output;
  EXPECT_NE(found.output.find("the stored subnet 224.1.0.0 is not searched"), std::string::npos) << found.output;
  EXPECT_EQ(found.output.find("127.2.0.0 is not"), std::string::npos) << found.output;
}

// What printers say reaches the console without its control characters: a printer in a
// subnet of its own whose name and model hold escape sequences, a bell, a line break and
// DEL is one line of what find shows, each of those bytes a blank.
TEST_F(PrlPortTest, FindShowsWhatAPrinterSaysWithoutControlCharacters) {
  ASSERT_TRUE(RunLabTool("lab-printer", "--state control-words 127.3.0.10 1.3.6.1.4.1.99901.1.10 words 'Words' mirabo"));
  ChildResult found = PrlPort("find --subnet 127.3.0.0/255.255.255.0 --seconds 3");
  EXPECT_EQ(found.exitCode, 0u) << found.output;
  const std::string lines = "\n" + found.output;
  EXPECT_NE(lines.find("\n127.3.0.10\tfront-desk [2J ]0;owned \tKestrel LaserPro  4100 [5m\tSNMPv1\r\n"), std::string::npos)
      << found.output;
  EXPECT_EQ(found.output.find_first_of("\x1b\x07\x7f"), std::string::npos) << found.output;
}

// A community never needs the command line, where every process listing shows it: it
// comes from the first line of a file, or from standard input.
TEST_F(PrlPortTest, ACommunityComesFromAFileOrStandardInput) {
  struct Case {
    const char* community;
    const char* file;
    bool piped;
  };
  for (const Case& c : {Case{"Backroom", "community-file.txt", false}, Case{"Cellar", "community-piped.txt", true}}) {
    SCOPED_TRACE(c.community);
    const std::string file = TempFile(c.file);
    std::ofstream(file, std::ios::binary) << c.community << "\r\nnot this line\r\n";
    const std::string prlport = "\"" + DistFile("prlport.exe") + "\" set Used --community-file ";
    ChildResult result =
        c.piped ? RunChild("cmd /c type \"" + file + "\" | " + prlport + "-") : RunChild(prlport + "\"" + file + "\"");
    DeleteFileA(file.c_str());
    EXPECT_EQ(result.exitCode, 0u) << result.output;
    const std::string shown = PrlPort("show Used").output;
    EXPECT_NE(shown.find(std::string("SNMP community          ") + c.community), std::string::npos) << shown;
    EXPECT_EQ(shown.find("not this line"), std::string::npos) << shown;
  }
}

}  // namespace
