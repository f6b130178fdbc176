// The add-port wizard from the main window's Add Port button, with the real spooler,
// registry and service manager and the lab's SNMP printers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "MonitorRegistry.h"
#include "PortManagerDlg.h"
#include "child_process.h"
#include "recording_services.h"
#include "TextField.h"
#include "Unique.h"
#include "registry.h"
#include "resource.h"
#include "robot.h"
#include "screenshots.h"
#include "scripted_services.h"
#include "spooler_lab.h"

namespace {

const std::string kNewPort = std::string(kPortNamesKey) + "\\NewPort";
constexpr WizardButtons kNextOnly{false, true, false}, kBackOnly{true, false, false}, kBackNext{true, true, false},
    kBackFinish{true, false, true};

class AddPortWizard : public testing::Test {
 protected:
  AddPortWizard() {
    spooler.KeepLocalPorts({"LPT1:"});
    spooler.AddMonitorPort("P1", "127.1.0.20");
  }
  ~AddPortWizard() override { DeleteTree(HKEY_LOCAL_MACHINE, kNewPort); }

  // Opens the main window, runs the script on the wizard that Add Port opens, and
  // checks the main window once the wizard has closed.
  void Run(const std::function<void(Robot&, Window&)>& script) { RunOn(dialog, script); }
  void RunOn(CPortManagerDlg& portManager, const std::function<void(Robot&, Window&)>& script) {
    Drive([&] { portManager.DoModal(); },
          [&](Robot& robot) {
            Window main = robot.Expect("Pralo Port Manager");
            main.ClickListRow(IDC_PORT_LIST, 0);
            robot.WaitUntil([&] { return portManager.m_nSel == 0; }, "a row selected");
            main.Click(IDC_ADD_PORT);
            Window wizard = robot.Expect("Pralo TCP/IP Port");
            script(robot, wizard);
            robot.Expect("Pralo Port Manager");
            EXPECT_EQ(main.ListSelection(IDC_PORT_LIST), -1);
            EXPECT_FALSE(main.Enabled(IDC_DELETE_PORT));
            listed = false;
            for (const auto& row : main.ListRows(IDC_PORT_LIST)) listed = listed || row[1] == "NewPort";
            main.Click(IDCANCEL);
          });
  }

  static void ExpectPage(Robot& robot, const Window& wizard, int page, WizardButtons buttons) {
    robot.WaitUntil([&] { return wizard.SheetPage() == page && wizard.Wizard() == buttons; },
                    "page " + std::to_string(page) + " with its buttons");
  }

  // From the welcome page to Next on the name and address page.
  static void NameAndAddress(Robot& robot, Window& wizard, const std::string& name, const std::string& address) {
    ExpectPage(robot, wizard, 0, kNextOnly);
    wizard.Next();
    ExpectPage(robot, wizard, 1, kBackOnly);
    wizard.Type(IDC_PORT_NAME, name);
    wizard.Type(IDC_PRINTER_ADDRESS, address);
    ExpectPage(robot, wizard, 1, kBackNext);
    wizard.Next();
  }

  static std::vector<std::string> SummaryLines(const Window& wizard) {
    std::vector<std::string> lines;
    std::string text = wizard.Text(IDC_SUMMARY);
    for (size_t start = 0;;) {
      size_t end = text.find("\r\n", start);
      lines.push_back(text.substr(start, end - start));
      if (end == std::string::npos) return lines;
      start = end + 2;
    }
  }

  SpoolerLab spooler;
  RecordingServices services;
  CPortManagerDlg dialog{nullptr, services};
  bool listed = false;
};

TEST_F(AddPortWizard, ButtonsFollowThePagesAndTheFields) {
  Run([](Robot& robot, Window& wizard) {
    ExpectPage(robot, wizard, 0, kNextOnly);
    wizard.Screenshot(ScreenshotPath("wizard-welcome.png"));
    wizard.Next();
    ExpectPage(robot, wizard, 1, kBackOnly);
    wizard.Type(IDC_PORT_NAME, "NewPort");
    robot.Pause(100);
    EXPECT_EQ(wizard.Wizard(), kBackOnly);
    wizard.Type(IDC_PRINTER_ADDRESS, "127.1.0.20");
    ExpectPage(robot, wizard, 1, kBackNext);
    wizard.Screenshot(ScreenshotPath("wizard-name-address.png"));
    wizard.Type(IDC_PORT_NAME, "");
    ExpectPage(robot, wizard, 1, kBackOnly);
    wizard.Back();
    ExpectPage(robot, wizard, 0, kNextOnly);
    wizard.Next();
    ExpectPage(robot, wizard, 1, kBackOnly);
    wizard.Cancel();
  });
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kNewPort));
}

TEST_F(AddPortWizard, RefusedNamesAreSelectedAndTheRecordStaysAsItWas) {
  struct Case {
    const char* name;
    const char* message;
  };
  const char* inUse = "Another port already exists with this name. Please choose another name for the port.";
  const char* badCharacter =
      "A port name cannot contain a backslash (\\) or a comma (,). Please choose another name for the port.";
  Run([&](Robot& robot, Window& wizard) {
    NameAndAddress(robot, wizard, "P1", "127.1.0.99");
    for (const Case& c : {Case{"P1", inUse}, Case{"p1", inUse}, Case{"LPT1:", inUse}, Case{"a\\b", badCharacter},
                          Case{"a,b", badCharacter}}) {
      SCOPED_TRACE(c.name);
      if (std::string(c.name) != "P1") {
        wizard.Type(IDC_PORT_NAME, c.name);
        ExpectPage(robot, wizard, 1, kBackNext);
        wizard.Next();
      }
      Window box = robot.ExpectMessageBox();
      EXPECT_EQ(box.Caption(), "Add Pralo TCP/IP Port");
      EXPECT_EQ(box.MessageText(), c.message);
      EXPECT_EQ(box.Icon(), MessageIcon::Exclamation);
      box.Screenshot(ScreenshotPath(c.message == inUse ? "message-port-exists.png" : "message-bad-port-name.png"));
      box.Answer(IDOK);
      robot.ExpectClosed(box);
      EXPECT_EQ(wizard.SheetPage(), 1);
      EXPECT_EQ(wizard.EditSelection(IDC_PORT_NAME), (std::pair<int, int>{0, static_cast<int>(strlen(c.name))}));
      EXPECT_STREQ(dialog.m_PortConfig.portName, "");
    }
    wizard.Cancel();
  });
}

TEST_F(AddPortWizard, AnIdentifiedPrinterGoesStraightToTheSummaryAndFinishWritesIt) {
  Run([&](Robot& robot, Window& wizard) {
    NameAndAddress(robot, wizard, "NewPort", "127.1.0.20");
    ExpectPage(robot, wizard, 3, kBackFinish);
    EXPECT_EQ(SummaryLines(wizard),
              (std::vector<std::string>{"Port Name\tNewPort", "Printer Address\t127.1.0.20",
                                        "Printer Type\tKestrel LaserPro 4100", "Protocol     \tRAW",
                                        "Port Number\t9100", "Bi-Directional\tEnabled"}));
    wizard.Screenshot(ScreenshotPath("wizard-completion.png"));
    wizard.Back();
    ExpectPage(robot, wizard, 2, kBackNext);  // shown for the first time, with its first choices
    EXPECT_TRUE(wizard.Checked(IDC_STANDARD));
    EXPECT_EQ(wizard.ComboSelection(IDC_MODEL_LIST), 0);
    EXPECT_FALSE(wizard.Enabled(IDC_SETUP));
    wizard.Next();
    ExpectPage(robot, wizard, 3, kBackFinish);
    EXPECT_EQ(SummaryLines(wizard)[2], "Printer Type\tUnknown");
    wizard.Finish();
  });
  EXPECT_EQ(StoredText("NewPort", "DeviceIP"), "127.1.0.20");
  EXPECT_EQ(StoredText("NewPort", "LprQueue"), "PASSTHRU");
  EXPECT_EQ(StoredText("NewPort", "CommunityName"), "mirabo");
  EXPECT_TRUE(listed);
  EXPECT_TRUE(services.controlsSent.empty());  // Windows 2000 and later: no restart
  ChildResult shown = RunChild("\"" + DistFile("prlport.exe") + "\" show NewPort");  // the same port, from the command line
  for (const char* line : {"Printer address         127.1.0.20", "Protocol                RAW",
                           "Raw port number         9100", "LPR queue               PASSTHRU", "Bi-directional          on"})
    EXPECT_NE(shown.output.find(line), std::string::npos) << line << "\n" << shown.output;
}

// Finish stores the record's values only: a key of that name that holds an SNMPv3
// choice (a port made meanwhile) keeps it.
TEST_F(AddPortWizard, FinishKeepsTheSnmpV3ChoiceOfAKeyOfTheSameName) {
  Run([&](Robot& robot, Window& wizard) {
    NameAndAddress(robot, wizard, "NewPort", "127.1.0.20");
    ExpectPage(robot, wizard, 3, kBackFinish);
    SetNumberValue(HKEY_LOCAL_MACHINE, kNewPort, "SnmpVersion", 3);
    SetTextValue(HKEY_LOCAL_MACHINE, kNewPort, "SnmpV3User", "own");
    wizard.Finish();
  });
  EXPECT_EQ(StoredText("NewPort", "DeviceIP"), "127.1.0.20");
  EXPECT_EQ(StoredNumber("NewPort", "SnmpVersion"), 3u);
  EXPECT_EQ(StoredText("NewPort", "SnmpV3User"), "own");
}

TEST_F(AddPortWizard, UnidentifiedAddressesLeadToTheTypeChoiceWithoutAMessage) {
  for (const char* address : {"127.1.0.99", "127.1.0.27", "no-such-printer.invalid", "localhost"}) {
    SCOPED_TRACE(address);
    Run([&](Robot& robot, Window& wizard) {
      NameAndAddress(robot, wizard, "NewPort", address);
      if (std::string(address) == "localhost") {  // the lab's printer on 127.0.0.1 is a known model
        ExpectPage(robot, wizard, 3, kBackFinish);
        EXPECT_EQ(SummaryLines(wizard)[2], "Printer Type\tVireo Label 3");
      } else {
        ExpectPage(robot, wizard, 2, kBackNext);
      }
      EXPECT_STREQ(dialog.m_PortConfig.deviceIP, address);
      wizard.Cancel();
    });
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kNewPort));
  }
}

TEST_F(AddPortWizard, TheChosenTypeMakesTheSummary) {
  Run([&](Robot& robot, Window& wizard) {
    NameAndAddress(robot, wizard, "NewPort", "127.1.0.99");
    ExpectPage(robot, wizard, 2, kBackNext);
    std::vector<std::string> models = wizard.ComboItems(IDC_MODEL_LIST);
    EXPECT_EQ(models.front(), "Unknown");
    EXPECT_EQ(models.back(), "Corvid Inkline 7");
    wizard.ChooseComboItem(IDC_MODEL_LIST, 6);  // Ostrand Jetline 30
    wizard.Next();
    ExpectPage(robot, wizard, 3, kBackFinish);
    EXPECT_EQ(SummaryLines(wizard)[2], "Printer Type\tOstrand Jetline 30");
    EXPECT_EQ(dialog.m_PortConfig.biDiEnabled, 1u);

    wizard.Back();
    ExpectPage(robot, wizard, 2, kBackNext);
    wizard.Click(IDC_CUSTOM);
    robot.WaitUntil([&] { return wizard.Enabled(IDC_SETUP); }, "Setup enabled by Custom");
    wizard.Screenshot(ScreenshotPath("wizard-additional-info.png"));
    wizard.Click(IDC_SETUP);
    Window setup = robot.Expect("Pralo TCP/IP Port - Configuration");
    setup.Click(IDC_CFG_LPR);
    robot.WaitUntil([&] { return setup.Enabled(IDC_CFG_LPR_QUEUE); }, "the queue enabled by Lpr");
    setup.Type(IDC_CFG_LPR_QUEUE, "lpq");
    setup.Click(IDC_CFG_OK);
    robot.Expect("Additional Information");
    wizard.Next();
    ExpectPage(robot, wizard, 3, kBackFinish);
    EXPECT_EQ(SummaryLines(wizard),
              (std::vector<std::string>{"Port Name\tNewPort", "Printer Address\t127.1.0.99", "Printer Type\tCustom",
                                        "Protocol     \tLPR", "LPR Queue\tlpq", "Byte Counting\tDisabled",
                                        "Bi-Directional\tDisabled"}));  // Setup read the defaults of a new port
    wizard.Finish();
  });
  EXPECT_EQ(StoredText("NewPort", "LprQueue"), "lpq");
  EXPECT_TRUE(listed);
}

// Setup on a new port: the first opening shows a new port's numbers; a later one shows
// what the last OK stored; Cancel leaves the record as it was before the dialog opened.
TEST_F(AddPortWizard, SetupShowsWhatItsLastOkStoredAndCancelKeepsTheRecord) {
  struct Opening {
    const char* shownPort;
    bool shownBiDi;
    const char* shownStatus;
    const char* typedPort;
    const char* typedStatus;
    int button;
  };
  const Opening openings[] = {{"9100", false, "10", "1111", "11", IDC_CFG_CANCEL},
                              {"9100", false, "10", "9333", "77", IDC_CFG_OK},
                              {"9333", true, "77", "1234", "12", IDC_CFG_CANCEL}};
  Run([&](Robot& robot, Window& wizard) {
    NameAndAddress(robot, wizard, "NewPort", "no-such-printer.invalid");
    ExpectPage(robot, wizard, 2, kBackNext);
    wizard.Click(IDC_CUSTOM);
    robot.WaitUntil([&] { return wizard.Enabled(IDC_SETUP); }, "Setup enabled by Custom");
    for (const Opening& o : openings) {
      SCOPED_TRACE(std::string(o.typedPort) + (o.button == IDC_CFG_OK ? " OK" : " Cancel"));
      const PortConfig before = dialog.m_PortConfig;
      wizard.Click(IDC_SETUP);
      Window setup = robot.Expect("Pralo TCP/IP Port - Configuration");
      EXPECT_EQ(setup.Text(IDC_CFG_RAW_PORT), o.shownPort);
      EXPECT_EQ(setup.Checked(IDC_CFG_BIDI), o.shownBiDi);
      EXPECT_EQ(setup.Text(IDC_CFG_STATUS_INTERVAL), o.shownStatus);
      setup.Type(IDC_CFG_RAW_PORT, o.typedPort);
      if (!o.shownBiDi) setup.Click(IDC_CFG_BIDI);
      robot.WaitUntil([&] { return setup.Enabled(IDC_CFG_STATUS_INTERVAL); }, "the interval enabled");
      setup.Type(IDC_CFG_STATUS_INTERVAL, o.typedStatus);
      setup.Click(o.button);
      robot.Expect("Additional Information");
      if (o.button == IDC_CFG_CANCEL) {
        EXPECT_EQ(std::memcmp(&before, &dialog.m_PortConfig, sizeof before), 0) << "Cancel changed the record";
      }
    }
    wizard.Next();
    ExpectPage(robot, wizard, 3, kBackFinish);
    EXPECT_EQ(SummaryLines(wizard)[4], "Port Number\t9333");
    EXPECT_EQ(SummaryLines(wizard)[5], "Bi-Directional\tEnabled");
    wizard.Finish();
  });
  ChildResult shown = RunChild("\"" + DistFile("prlport.exe") + "\" show NewPort");
  for (const char* line : {"Raw port number         9333", "Bi-directional          on", "Status interval         77 s"})
    EXPECT_NE(shown.output.find(line), std::string::npos) << line << "\n" << shown.output;
}

TEST_F(AddPortWizard, CustomWithoutSetupIsARawPortZero) {
  Run([&](Robot& robot, Window& wizard) {
    NameAndAddress(robot, wizard, "NewPort", "127.1.0.99");
    ExpectPage(robot, wizard, 2, kBackNext);
    wizard.Click(IDC_CUSTOM);
    wizard.Click(IDC_STANDARD);
    robot.WaitUntil([&] { return !wizard.Enabled(IDC_SETUP); }, "Setup disabled by Standard");
    wizard.Click(IDC_CUSTOM);
    wizard.Next();
    ExpectPage(robot, wizard, 3, kBackFinish);
    EXPECT_EQ(SummaryLines(wizard)[2], "Printer Type\tCustom");
    EXPECT_EQ(SummaryLines(wizard)[4], "Port Number\t0");
    wizard.Cancel();
  });
  Run([&](Robot& robot, Window& wizard) {  // the second run starts from a reset record
    NameAndAddress(robot, wizard, "NewPort", "127.1.0.99");
    ExpectPage(robot, wizard, 2, kBackNext);
    EXPECT_EQ(dialog.m_PortConfig.modelIndex, 0);
    EXPECT_EQ(dialog.m_PortConfig.rawPortNumber, 0u);
    wizard.Cancel();
  });
}

TEST_F(AddPortWizard, AFailedWriteIsReportedAndNothingIsRestarted) {
  UniqueKey volatileKey;
  const std::string parent = std::string(kPortNamesKey) + "\\Volatile";
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, parent.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                            nullptr, volatileKey.put(), nullptr),
            ERROR_SUCCESS);
  Run([&](Robot& robot, Window& wizard) {
    NameAndAddress(robot, wizard, "NewPort", "127.1.0.20");
    ExpectPage(robot, wizard, 3, kBackFinish);
    CopyText(dialog.m_PortConfig.portName, "Volatile\\NewPort");  // a key the registry refuses
    wizard.Finish();
    Window error = robot.ExpectMessageBox();
    EXPECT_EQ(error.Caption(), "Pralo Port Manager");
    EXPECT_EQ(error.Owner(), wizard.Handle()) << "owned: Finish cannot be pressed twice";
    error.Answer(IDOK);
  });
  volatileKey.reset();
  DeleteTree(HKEY_LOCAL_MACHINE, parent);
  EXPECT_FALSE(listed);
}

// Before Windows 2000 Finish warns, writes, and restarts the real spooler.
TEST_F(AddPortWizard, OnWindowsNt4FinishAsksThenRestartsTheSpooler) {
  if (RerunThisTestUnder("nt40")) return;
  for (int answer : {IDCANCEL, IDOK}) {
    Run([&](Robot& robot, Window& wizard) {
      NameAndAddress(robot, wizard, "NewPort", "127.1.0.20");
      ExpectPage(robot, wizard, 3, kBackFinish);
      wizard.Finish();
      Window warning = robot.ExpectMessageBox();
      EXPECT_EQ(warning.Caption(), "Add Pralo TCP/IP Port");
      EXPECT_EQ(warning.MessageText().rfind("To add the port, the Pralo Port Manager needs to stop", 0), 0u);
      EXPECT_EQ(warning.Icon(), MessageIcon::Exclamation);
      warning.Screenshot(ScreenshotPath("wizard-restart-warning.png"));
      warning.Answer(answer);
    });
    EXPECT_EQ(KeyExists(HKEY_LOCAL_MACHINE, kNewPort), answer == IDOK);
  }
  EXPECT_EQ(services.controlsSent.front(), static_cast<DWORD>(SERVICE_CONTROL_STOP));
  EXPECT_EQ(services.starts, 1);
  EXPECT_NE(std::find(services.waits.begin(), services.waits.end(), 200u), services.waits.end());
}

// A spooler that never gets there: its own messages, in the order the restart meets them.
TEST_F(AddPortWizard, OnWindowsNt4ASpoolerThatDoesNotStopOrStartIsSaidSo) {
  if (RerunThisTestUnder("nt40")) return;
  ScriptedServices stuck;
  stuck.controlReplies.push_back({0, SERVICE_STOP_PENDING});
  for (int i = 0; i < 10; ++i) stuck.controlReplies.push_back({ERROR_SERVICE_CANNOT_ACCEPT_CTRL, SERVICE_STOP_PENDING});
  CPortManagerDlg portManager(nullptr, stuck);
  RunOn(portManager, [&](Robot& robot, Window& wizard) {
    NameAndAddress(robot, wizard, "NewPort", "127.1.0.20");
    ExpectPage(robot, wizard, 3, kBackFinish);
    wizard.Finish();
    robot.ExpectMessageBox().Answer(IDOK);  // the restart warning
    for (const char* text : {"Stop spooler failed!", "Start spooler failed!"}) {
      Window box = robot.ExpectMessageBox();
      EXPECT_EQ(box.MessageText(), text);
      EXPECT_EQ(box.Icon(), MessageIcon::Exclamation);
      EXPECT_EQ(box.Caption(), "wizard_test");
      box.Answer(IDOK);
    }
  });
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kNewPort));
  EXPECT_EQ(stuck.opened, stuck.closed);
}

}  // namespace
