// The port configuration dialog on the real registry and spooler, through the robot.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "MonitorRegistry.h"
#include "PortConfigDlg.h"
#include "PortRecordStore.h"
#include "TextField.h"
#include "Unique.h"
#include "registry.h"
#include "resource.h"
#include "robot.h"
#include "screenshots.h"
#include "spooler_lab.h"

namespace {

constexpr char kCaption[] = "Pralo TCP/IP Port - Configuration";
const std::string kKey = std::string(kPortNamesKey) + "\\CfgPort";
const std::string kPrinterData = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\CfgPrinter\\PrinterDriverData";
constexpr int kBiDiGroup[] = {1075, 1079, 1077, 1076, 1080, 1078, 1082, 1083};

HICON Icon(int id) { return LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id)); }

// Driver data of the printer "CfgPrinter": a second word, or no value at all.
void StoreControlWord(DWORD word) {
  DWORD data[2] = {0, word};
  SetRawValue(HKEY_LOCAL_MACHINE, kPrinterData, "PbdControl", REG_BINARY,
              std::string(reinterpret_cast<const char*>(data), sizeof data));
}

class ConfigDialog : public testing::Test {
 protected:
  ConfigDialog() {
    spooler.AddMonitorPort("CfgPort", "127.1.0.20");
    for (auto [name, value] : {std::pair{"Protocal", 515u}, {"RawPortNumber", 9100u}, {"LprByteCounting", 1u},
                               {"BiDiEnabled", 1u}, {"ConfigUpdateInt", 60u}, {"StatusUpdateInt", 20u}})
      SetNumberValue(HKEY_LOCAL_MACHINE, kKey, name, value);
    SetTextValue(HKEY_LOCAL_MACHINE, kKey, "LprQueue", "queue1");
    SetTextValue(HKEY_LOCAL_MACHINE, kKey, "CommunityName", "Public");
    SetTextValue(HKEY_LOCAL_MACHINE, kKey, "Foreign", "kept");
    ResetPortConfig(config, "CfgPort");
  }

  // Runs the dialog in port mode on the port read from the store, as the Configure Port
  // command opens it (or in wizard mode), while the script drives it.
  INT_PTR Run(const std::function<void(Robot&, Window&)>& script, bool wizardMode = false,
              const std::string& printers = "", PortRecordStore& store = RegistryPortRecordStore()) {
    if (!wizardMode) store.Read(config.portName, config);
    CPortConfigDlg portMode(nullptr, config, store, printers);
    CPortConfigDlg wizard(config, CPortConfigDlg::WizardOpening::First);
    return RunDialog(wizardMode ? wizard : portMode, kCaption, script);
  }

  SpoolerLab spooler;
  PortConfig config;
};

TEST_F(ConfigDialog, ShowsTheStoredPortWithItsGroupsEnabledToMatch) {
  struct Case {
    DWORD protocol;
    const char* queue;
    DWORD biDi;
    bool lprChecked;
    const char* queueShown;
  };
  for (const Case& c : {Case{515, "queue1", 1, true, "queue1"}, Case{9100, "", 0, false, "raw"},
                        Case{7777, "", 1, true, "raw"}}) {
    SCOPED_TRACE(c.protocol);
    SetNumberValue(HKEY_LOCAL_MACHINE, kKey, "Protocal", c.protocol);
    SetNumberValue(HKEY_LOCAL_MACHINE, kKey, "BiDiEnabled", c.biDi);
    SetTextValue(HKEY_LOCAL_MACHINE, kKey, "LprQueue", c.queue);
    ResetPortConfig(config, "CfgPort");
    Run([&](Robot& robot, Window& box) {
      EXPECT_EQ(box.Text(IDC_CFG_PORT_NAME), "CfgPort");
      EXPECT_EQ(box.Text(IDC_CFG_ADDRESS), "127.1.0.20");
      EXPECT_EQ(box.Checked(IDC_CFG_LPR), c.lprChecked);
      EXPECT_EQ(box.Checked(IDC_CFG_RAW), !c.lprChecked);
      EXPECT_EQ(box.Enabled(IDC_CFG_LPR_QUEUE), c.lprChecked);
      EXPECT_EQ(box.Enabled(IDC_CFG_BYTE_COUNTING), c.lprChecked);
      EXPECT_EQ(box.Enabled(IDC_CFG_RAW_PORT), !c.lprChecked);
      EXPECT_EQ(box.Text(IDC_CFG_LPR_QUEUE), c.queueShown);
      EXPECT_EQ(box.Text(IDC_CFG_RAW_PORT), "9100");
      EXPECT_TRUE(box.Checked(IDC_CFG_BYTE_COUNTING));  // the stored setting, not always on
      EXPECT_EQ(box.Checked(IDC_CFG_BIDI), c.biDi != 0);
      for (int id : kBiDiGroup) EXPECT_EQ(box.Enabled(id), c.biDi != 0) << id;
      EXPECT_EQ(box.Text(IDC_CFG_CONFIG_INTERVAL), "60");
      EXPECT_EQ(box.Text(IDC_CFG_COMMUNITY), "Public");
      if (c.protocol == 515) box.Screenshot(ScreenshotPath("config-port-mode.png"));
      if (c.biDi == 0) {
        box.Click(IDC_CFG_BIDI);
        robot.WaitUntil([&] { return box.Enabled(IDC_CFG_COMMUNITY); }, "the group enabled by the box");
        for (int id : kBiDiGroup) EXPECT_TRUE(box.Enabled(id)) << id;
      }
      box.Click(IDC_CFG_OK);
    });
    EXPECT_EQ(StoredNumber("CfgPort", "Protocal"), c.protocol == 9100 ? 9100u : 515u);
    EXPECT_EQ(StoredText("CfgPort", "LprQueue"), c.queueShown);
  }
}

TEST_F(ConfigDialog, TheStatusIconShowsWhetherThePrintersLinkIsEstablished) {
  struct Case {
    const char* printerPorts;  // nullptr: no printer
    DWORD controlWord;         // 0xFFFFFFFF: no value
    int icon;
    DWORD biDi = 1;
  };
  for (const Case& c : {Case{"CfgPort", 3, IDI_BIDI_LINKED}, Case{"CfgPort", 0x1000000, IDI_BIDI_LINKED},
                        Case{"CfgPort", 1, IDI_BIDI_STATUS}, Case{"CfgPort", 2, IDI_BIDI_STATUS},
                        Case{"CfgPort", 0xFFFFFFFF, IDI_BIDI_STATUS}, Case{nullptr, 3, IDI_BIDI_STATUS},
                        Case{"LPT1:,CfgPort", 3, IDI_BIDI_STATUS}, Case{"CfgPort", 3, IDI_BIDI_STATUS, 0}}) {
    SCOPED_TRACE(std::to_string(c.controlWord) + (c.printerPorts ? c.printerPorts : " no printer"));
    SpoolerLab printers;
    if (c.printerPorts != nullptr) printers.AddLocalPrinter("CfgPrinter", c.printerPorts);
    if (c.controlWord != 0xFFFFFFFF) StoreControlWord(c.controlWord);
    SetNumberValue(HKEY_LOCAL_MACHINE, kKey, "BiDiEnabled", c.biDi);
    ResetPortConfig(config, "CfgPort");
    Run([&](Robot&, Window& box) {
      EXPECT_EQ(box.StaticIcon(IDC_CFG_BIDI_ICON), Icon(c.icon));
      box.PressEscape();
    });
    DeleteTree(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\CfgPrinter");
  }
}

TEST_F(ConfigDialog, OkStoresEveryValueAndFlagsOnlyRealSnmpChanges) {
  struct Case {
    int id;
    const char* typed;
    DWORD snmpUpdated;
  };
  for (const Case& c : {Case{IDC_CFG_CONFIG_INTERVAL, "45", 0}, Case{IDC_CFG_COMMUNITY, "public", 1},
                        Case{IDC_CFG_ADDRESS, "127.1.0.20", 0}, Case{IDC_CFG_ADDRESS, "127.1.0.21", 1},
                        Case{IDC_CFG_STATUS_INTERVAL, "", 0}}) {
    SCOPED_TRACE(c.typed);
    SetNumberValue(HKEY_LOCAL_MACHINE, kKey, "SnmpUpdated", 7);
    SetTextValue(HKEY_LOCAL_MACHINE, kKey, "CommunityName", "Public");
    ResetPortConfig(config, "CfgPort");
    EXPECT_EQ(Run([&](Robot&, Window& box) {
                box.Type(c.id, c.typed);
                box.Click(IDC_CFG_BYTE_COUNTING);
                box.PressEnter();
              }),
              IDOK);
    EXPECT_EQ(StoredNumber("CfgPort", "SnmpUpdated"), c.snmpUpdated);
    EXPECT_EQ(StoredNumber("CfgPort", "LprByteCounting"), 0u);  // unchecked by the click
    EXPECT_EQ(StoredNumber("CfgPort", "StatusUpdateInt"), c.id == IDC_CFG_STATUS_INTERVAL ? 0u : 20u);
    EXPECT_EQ(StoredText("CfgPort", "CommunityName"), c.id == IDC_CFG_COMMUNITY ? "public" : "Public");
    EXPECT_EQ(StoredNumber("CfgPort", "BiDiEnabled"), 1u);
    EXPECT_EQ(StoredText("CfgPort", "Foreign"), "kept");
    EXPECT_EQ(config.modelIndex, 0);
    SetNumberValue(HKEY_LOCAL_MACHINE, kKey, "LprByteCounting", 1);
  }
}

// The port's SNMP choice and sealed pass phrases lie beside the record that OK stores.
TEST_F(ConfigDialog, OkKeepsThePortsSnmpV3Choice) {
  struct Case {
    int id;
    const char* typed;
  };
  for (const Case& c : {Case{IDC_CFG_COMMUNITY, "public"}, Case{IDC_CFG_ADDRESS, "127.1.0.21"}}) {
    SCOPED_TRACE(c.typed);
    SetNumberValue(HKEY_LOCAL_MACHINE, kKey, "SnmpVersion", 3);
    SetTextValue(HKEY_LOCAL_MACHINE, kKey, "SnmpV3User", "own");
    SetNumberValue(HKEY_LOCAL_MACHINE, kKey, "SnmpV3Level", 1);
    SetRawValue(HKEY_LOCAL_MACHINE, kKey, "SnmpV3AuthPassphrase", REG_BINARY, "sealed");
    EXPECT_EQ(Run([&](Robot&, Window& box) {
                box.Type(c.id, c.typed);
                box.PressEnter();
              }),
              IDOK);
    EXPECT_EQ(StoredNumber("CfgPort", "SnmpVersion"), 3u);
    EXPECT_EQ(StoredText("CfgPort", "SnmpV3User"), "own");
    EXPECT_EQ(StoredNumber("CfgPort", "SnmpV3Level"), 1u);
    EXPECT_EQ(GetRawValue(HKEY_LOCAL_MACHINE, kKey, "SnmpV3AuthPassphrase").data.size(), 6u);
  }
}

// A store that reads but refuses to write, as a registry without rights does.
struct RefusingStore : PortRecordStore {
  bool Read(const char* portName, PortConfig& config) override {
    return RegistryPortRecordStore().Read(portName, config);
  }
  bool Add(const PortConfig& config) override { return Configure(config, false); }
  bool Configure(const PortConfig&, bool) override { return SetLastError(ERROR_ACCESS_DENIED), false; }
};

TEST_F(ConfigDialog, AFailedWriteIsReportedInABoxOfTheDialogThatStaysOpen) {
  RefusingStore refusing;
  Run([&](Robot& robot, Window& box) {
    box.Type(IDC_CFG_ADDRESS, "typed");
    box.Click(IDC_CFG_OK);
    Window error = robot.ExpectMessageBox();
    EXPECT_EQ(error.Caption(), "Pralo Port Manager");
    EXPECT_EQ(error.Icon(), MessageIcon::Exclamation);
    EXPECT_EQ(error.Owner(), box.Handle()) << "owned: the dialog cannot be used while it is up";
    error.Answer(IDOK);
    robot.Expect(kCaption);
    EXPECT_EQ(box.Text(IDC_CFG_ADDRESS), "typed");
    box.Click(IDC_CFG_CANCEL);
  }, false, "", refusing);
}

TEST_F(ConfigDialog, APortDeletedMeanwhileIsToldAndNotMadeAgain) {
  EXPECT_EQ(Run([&](Robot& robot, Window& box) {
              DeleteTree(HKEY_LOCAL_MACHINE, kKey);
              box.Click(IDC_CFG_OK);
              Window gone = robot.ExpectMessageBox();
              EXPECT_EQ(gone.Caption(), "Pralo Port Manager");
              EXPECT_EQ(gone.MessageText().rfind("This port no longer exists", 0), 0u) << gone.MessageText();
              EXPECT_EQ(gone.Owner(), box.Handle());
              gone.Answer(IDOK);
            }),
            IDABORT);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kKey));
}

// Digits only, as the fields take them: a sign pasted or set in is no number.
TEST_F(ConfigDialog, NumberFieldsTakeTheirLeadingDigitsOnly) {
  Run([&](Robot&, Window& box) {
    SetDlgItemTextA(box.Handle(), IDC_CFG_STATUS_INTERVAL, "-1");
    SetDlgItemTextA(box.Handle(), IDC_CFG_CONFIG_INTERVAL, "+5");
    SetDlgItemTextA(box.Handle(), IDC_CFG_RAW_PORT, "91x0");
    box.Click(IDC_CFG_OK);
  });
  EXPECT_EQ(StoredNumber("CfgPort", "StatusUpdateInt"), 0u);
  EXPECT_EQ(StoredNumber("CfgPort", "ConfigUpdateInt"), 0u);
  EXPECT_EQ(StoredNumber("CfgPort", "RawPortNumber"), 91u);
}

// The dialog only reads the printer's driver data, so that a user without write access
// opens it too: a printer without driver data keeps none.
TEST_F(ConfigDialog, ThePrintersDriverDataIsNotCreatedWhenMissing) {
  spooler.AddLocalPrinter("CfgPrinter", "CfgPort");
  Run([](Robot&, Window& box) { box.PressEscape(); });
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kPrinterData));
}

TEST_F(ConfigDialog, AStoppedLinkIsReportedWhenTheDialogOpens) {
  spooler.AddLocalPrinter("CfgPrinter", "CfgPort");
  DWORD status[2] = {0, 5};
  SetRawValue(HKEY_LOCAL_MACHINE, kPrinterData, "PbdStatus", REG_BINARY,
              std::string(reinterpret_cast<const char*>(status), sizeof status));
  CPortConfigDlg dialog(nullptr, config, RegistryPortRecordStore(), "CfgPrinter, Other");
  Drive([&] { dialog.DoModal(); },
        [](Robot& robot) {
          Window warning = robot.ExpectMessageBox();
          EXPECT_EQ(warning.Caption(), "Pralo Port Manager");
          EXPECT_EQ(warning.Icon(), MessageIcon::Exclamation);
          EXPECT_EQ(warning.MessageText(),
                    "\r\nPralo TCP/IP Port Monitor Error: Bi-directional communications has stopped. Please restart "
                    "the spooler to attempt to clear this condition.");
          warning.Screenshot(ScreenshotPath("message-bidi-stopped.png"));
          warning.Answer(IDOK);
          robot.Expect(kCaption).PressEscape();
        });
}

TEST_F(ConfigDialog, DiscoveryEndedWithOkAndNoSelectionEmptiesTheAddress) {
  Run([](Robot& robot, Window& box) {
    box.Click(IDC_AUTO_DISCOVERY);
    robot.Expect("Printer Discovery").Click(IDC_DISCOVERY_OK);
    robot.Expect(kCaption);
    EXPECT_EQ(box.Text(IDC_CFG_ADDRESS), "");
    box.Click(IDC_CFG_CANCEL);
  });
  EXPECT_EQ(StoredText("CfgPort", "DeviceIP"), "127.1.0.20");
}

TEST_F(ConfigDialog, WizardModeEditsOnlyTheRecord) {
  ResetPortConfig(config, "NewPort");
  CopyText(config.deviceIP, "127.1.0.30");
  config.protocol = 515;
  Run(
      [](Robot&, Window& box) {
        EXPECT_FALSE(box.Enabled(IDC_CFG_ADDRESS));
        EXPECT_FALSE(box.Enabled(IDC_AUTO_DISCOVERY));
        EXPECT_EQ(box.Text(IDC_CFG_RAW_PORT), "9100");  // the defaults of a port with no key
        box.Screenshot(ScreenshotPath("config-wizard-mode.png"));
        box.Type(IDC_CFG_LPR_QUEUE, "lpq");
        box.Click(IDC_CFG_BIDI);
        box.Click(IDC_CFG_OK);
      },
      true);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, std::string(kPortNamesKey) + "\\NewPort"));
  EXPECT_STREQ(config.lprQueue, "lpq");
  EXPECT_STREQ(config.deviceIP, "127.1.0.30");
  EXPECT_EQ(config.protocol, 515u);
  EXPECT_EQ(config.biDiEnabled, 1u);
  EXPECT_EQ(config.rawPortNumber, 9100u);
}

}  // namespace
