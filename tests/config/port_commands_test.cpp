// Configure Port and Delete Port from the main window, through the real spooler and
// PraloLpr.dll.
#include <gtest/gtest.h>

#include <functional>

#include "MonitorRegistry.h"
#include "PortManagerDlg.h"
#include "registry.h"
#include "resource.h"
#include "robot.h"
#include "window_reading.h"
#include "screenshots.h"
#include "spooler_lab.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;
const std::string kP1 = std::string(kPortNamesKey) + "\\P1";

class PortCommands : public testing::Test {
 protected:
  PortCommands() {
    spooler.KeepLocalPorts({"LPT1:"});
    spooler.AddMonitorPort("P1", "127.1.0.20");
    spooler.AddMonitorPort("P10", "127.1.0.21");
    spooler.AddLocalPrinter("Office", "P10");
  }

  static int RowOf(const Window& main, const std::string& port) { return RowShowing(main.ListRows(IDC_PORT_LIST), port); }

  // Selects the port's row, then runs the script on the main window.
  void OnPort(const std::string& port, const std::function<void(Robot&, Window&)>& script) {
    Drive([&] { dialog.DoModal(); },
          [&](Robot& robot) {
            Window main = robot.Expect("Pralo Port Manager");
            main.ClickListRow(IDC_PORT_LIST, RowOf(main, port));
            robot.WaitUntil([&] { return main.Enabled(IDC_DELETE_PORT); }, "Delete Port enabled for " + port);
            script(robot, main);
            main.Click(IDCANCEL);
          });
  }

  // Answers Delete Port's box with the given text and button.
  static void ExpectBox(Robot& robot, const std::string& text, MessageIcon icon, int answer, const char* picture) {
    Window box = robot.ExpectMessageBox();
    EXPECT_EQ(box.Caption(), "Pralo Port Manager");
    EXPECT_EQ(box.MessageText(), text);
    EXPECT_EQ(box.Icon(), icon);
    box.Screenshot(ScreenshotPath(picture));
    box.Answer(answer);
  }

  SpoolerLab spooler;
  CPortManagerDlg dialog;
};

constexpr char kInUse[] = "    Selected port cannot be deleted. The requested resource is in use.";
constexpr char kConfirm[] = "    Are you sure you want to delete the selected Pralo Port?";

TEST_F(PortCommands, ConfigureThenCancelWritesNothing) {
  OnPort("P1", [&](Robot& robot, Window& main) {
    main.Click(IDC_CONFIGURE_PORT);
    Window config = robot.Expect("Pralo TCP/IP Port - Configuration");
    EXPECT_EQ(config.Text(IDC_CFG_PORT_NAME), "P1");
    EXPECT_EQ(config.Text(IDC_CFG_ADDRESS), "127.1.0.20");
    config.Click(IDC_CFG_CANCEL);
    robot.Expect("Pralo Port Manager");
    EXPECT_EQ(dialog.m_nSel, RowOf(main, "P1"));
  });
  EXPECT_FALSE(GetRawValue(HKEY_LOCAL_MACHINE, kP1, "SnmpUpdated").exists);
}

TEST_F(PortCommands, APortInUseOrACancelledDeleteChangesNothing) {
  OnPort("P10", [](Robot& robot, Window& main) {
    main.Click(IDC_DELETE_PORT);
    ExpectBox(robot, kInUse, MessageIcon::Stop, IDOK, "message-port-in-use.png");  // no confirmation asked
  });
  OnPort("P1", [](Robot& robot, Window& main) {  // the printer of P10 does not make P1 busy
    main.Click(IDC_DELETE_PORT);
    ExpectBox(robot, kConfirm, MessageIcon::Exclamation, IDCANCEL, "message-confirm-delete.png");
    EXPECT_NE(RowOf(main, "P1"), -1);
  });
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kP1));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, std::string(kPortNamesKey) + "\\P10"));
}

TEST_F(PortCommands, DeleteRemovesThePortThroughTheSpooler) {
  OnPort("P1", [](Robot& robot, Window& main) {
    main.PressKey(IDC_DELETE_PORT, VK_SPACE);
    ExpectBox(robot, kConfirm, MessageIcon::Exclamation, IDOK, "message-confirm-delete.png");
    robot.WaitUntil([&] { return RowOf(main, "P1") == -1; }, "the row of P1 gone");
    EXPECT_EQ(main.ListSelection(IDC_PORT_LIST), -1);
    EXPECT_FALSE(main.Enabled(IDC_DELETE_PORT));
    EXPECT_FALSE(main.Enabled(IDC_CONFIGURE_PORT));
  });
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kP1));
}

TEST_F(PortCommands, TheSpoolersRefusalIsShownAndTheRowStays) {
  struct Case {
    const char* what;
    std::function<void(SpoolerLab&)> meanwhile;
  };
  for (const Case& c : {Case{"removed by another program", [](SpoolerLab&) { DeleteTree(HKEY_LOCAL_MACHINE, kP1); }},
                        Case{"taken by a new printer", [](SpoolerLab& lab) { lab.AddLocalPrinter("Late", "p1"); }}}) {
    SCOPED_TRACE(c.what);
    OnPort("P1", [&](Robot& robot, Window& main) {
      c.meanwhile(spooler);
      main.Click(IDC_DELETE_PORT);
      ExpectBox(robot, kConfirm, MessageIcon::Exclamation, IDOK, "message-confirm-delete.png");
      Window error = robot.ExpectMessageBox();
      EXPECT_EQ(error.Caption(), "Pralo Port Manager");
      EXPECT_EQ(error.Icon(), MessageIcon::Exclamation);
      EXPECT_FALSE(error.MessageText().empty());
      error.Screenshot(ScreenshotPath("message-delete-refused.png"));
      error.Answer(IDOK);
      robot.Expect("Pralo Port Manager");
      EXPECT_NE(RowOf(main, "P1"), -1);
    });
    spooler.AddMonitorPort("P1", "127.1.0.20");
  }
}

TEST_F(PortCommands, ConfigureOnAPortDeletedMeanwhileTellsItAndRefreshesTheList) {
  OnPort("P1", [&](Robot& robot, Window& main) {
    main.Click(IDC_CONFIGURE_PORT);
    Window config = robot.Expect("Pralo TCP/IP Port - Configuration");
    DeleteTree(HKEY_LOCAL_MACHINE, kP1);  // another program deletes the port
    config.Click(IDC_CFG_OK);
    Window gone = robot.ExpectMessageBox();
    EXPECT_EQ(gone.MessageText().rfind("This port no longer exists", 0), 0u) << gone.MessageText();
    gone.Answer(IDOK);
    robot.Expect("Pralo Port Manager");
    robot.WaitUntil([&] { return RowOf(main, "P1") == -1; }, "the row of P1 gone");
    EXPECT_NE(RowOf(main, "P10"), -1);
  });
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kP1)) << "not made again";
}

}  // namespace
