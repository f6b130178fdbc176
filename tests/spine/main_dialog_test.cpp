// The main window against the lab's real spooler, with PraloLpr.dll installed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>

#include "PortManagerDlg.h"
#include "resource.h"
#include "robot.h"
#include "window_reading.h"
#include "screenshots.h"
#include "spooler_lab.h"

namespace {

constexpr char kMonitor[] = "Pralo TCP/IP Port";
using Row = std::vector<std::string>;

class MainDialog : public testing::Test {
 protected:
  MainDialog() {
    spooler.KeepLocalPorts({"FILE:", "LPT1:"});
    spooler.AddMonitorPort("P1", "127.1.0.20");
    spooler.AddMonitorPort("P10", "127.1.0.21");
    spooler.AddLocalPrinter("Office", "P10");
    spooler.AddLocalPrinter("Pool", "LPT1:,P1");
    spooler.AddLocalPrinter("Second", "P10");
  }

  // The row that shows a port.
  static int RowOf(const Window& main, const std::string& port) {
    int row = RowShowing(main.ListRows(IDC_PORT_LIST), port);
    if (row == -1) ADD_FAILURE() << "no row for " << port;
    return row;
  }

  static bool ButtonsEnabled(const Window& main) {
    return main.Enabled(IDC_DELETE_PORT) && main.Enabled(IDC_CONFIGURE_PORT);
  }

  void Run(const std::function<void(Robot&, Window&)>& script) {
    Drive([&] { dialog.DoModal(); },
          [&](Robot& robot) {
            Window main = robot.Expect("Pralo Port Manager");
            script(robot, main);
            main.Click(IDCANCEL);
          });
  }

  SpoolerLab spooler;
  CPortManagerDlg dialog;
};

TEST_F(MainDialog, ListsEveryPortWithItsMonitorAndPrinters) {
  std::vector<std::string> order = SpoolerLab::SpoolerPrinterOrder();
  auto before = [&](const char* a, const char* b) {
    return std::find(order.begin(), order.end(), a) < std::find(order.begin(), order.end(), b);
  };
  const std::string p10Printers = before("Office", "Second") ? "Office, Second" : "Second, Office";
  Run([&](Robot&, Window& main) {
    EXPECT_EQ(main.ListHeaders(IDC_PORT_LIST), (Row{"", "Port", "Description", "Printer"}));
    std::vector<int> widths = main.ListColumnWidths(IDC_PORT_LIST);
    EXPECT_EQ(widths[0], 32);
    EXPECT_EQ(widths[1], 80);
    EXPECT_EQ(widths[2], 120);
    EXPECT_GT(widths[3], 100);

    std::vector<Row> rows = main.ListRows(IDC_PORT_LIST);
    std::vector<int> images = main.ListImages(IDC_PORT_LIST);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[RowOf(main, "P1")], (Row{"", "P1", kMonitor, "Pool"}));  // not the printers of P10
    EXPECT_EQ(rows[RowOf(main, "P10")], (Row{"", "P10", kMonitor, p10Printers}));
    EXPECT_EQ(rows[RowOf(main, "LPT1:")][3], "Pool");  // a pooled printer shows under both ports
    EXPECT_EQ(rows[RowOf(main, "FILE:")][3], "");
    EXPECT_EQ(images[RowOf(main, "P1")], 0);
    EXPECT_EQ(images[RowOf(main, "LPT1:")], 1);  // no image at index 1: no icon
    EXPECT_FALSE(ButtonsEnabled(main));
    EXPECT_EQ(dialog.m_nSel, -1);
    main.Screenshot(ScreenshotPath("main-window.png"));
  });
  EXPECT_STREQ(dialog.m_ModelCatalogue.entries[0].displayName, "Unknown");
}

TEST_F(MainDialog, ButtonsFollowClicksArrowKeysAndClicksOnNothing) {
  Run([&](Robot& robot, Window& main) {
    int p1 = RowOf(main, "P1");
    main.ClickListRow(IDC_PORT_LIST, p1);
    robot.WaitUntil([&] { return ButtonsEnabled(main); }, "Delete and Configure enabled for P1");
    EXPECT_EQ(dialog.m_nSel, p1);
    EXPECT_STREQ(dialog.m_szPortName, "P1");

    int local = RowOf(main, "LPT1:");
    UINT toward = local < p1 ? VK_UP : VK_DOWN;
    for (int step = 0; step < std::abs(p1 - local); ++step) main.PressKey(IDC_PORT_LIST, toward);
    robot.WaitUntil([&] { return dialog.m_nSel == local; }, "the selection moved to LPT1: by keys");
    EXPECT_FALSE(ButtonsEnabled(main));
    EXPECT_STREQ(dialog.m_szPortName, "LPT1:");

    main.ClickListRow(IDC_PORT_LIST, RowOf(main, "P10"));
    robot.WaitUntil([&] { return ButtonsEnabled(main); }, "the buttons enabled for P10");
    main.ClickListEmptyArea(IDC_PORT_LIST);
    robot.WaitUntil([&] { return dialog.m_nSel == -1; }, "no selection after a click on nothing");
    EXPECT_FALSE(ButtonsEnabled(main));
    EXPECT_STREQ(dialog.m_szPortName, "P10");  // kept from the last selected row
  });
}

TEST_F(MainDialog, OnlyTheExactMonitorNameCounts) {
  Run([&](Robot& robot, Window& main) {
    int row = dialog.m_PortList.InsertItem(dialog.m_PortList.GetItemCount(), "", 1);
    dialog.m_PortList.SetItemText(row, 1, "Q1");
    dialog.m_PortList.SetItemText(row, 2, "pralo tcp/ip port");
    main.ClickListRow(IDC_PORT_LIST, RowOf(main, "P1"));
    robot.WaitUntil([&] { return ButtonsEnabled(main); }, "the buttons enabled for P1");
    main.ClickListRow(IDC_PORT_LIST, row);
    robot.WaitUntil([&] { return dialog.m_nSel == row; }, "Q1 selected");
    EXPECT_FALSE(ButtonsEnabled(main));
  });
}

TEST_F(MainDialog, NoPortsAtAllIsReportedBeforeTheWindowShows) {
  spooler.KeepLocalPorts({});
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Pralo TCP/IP Port\\Port Names\\P1");
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Pralo TCP/IP Port\\Port Names\\P10");
  Drive([&] { dialog.DoModal(); },
        [&](Robot& robot) {
          Window box = robot.ExpectMessageBox();
          EXPECT_EQ(box.Caption(), "Pralo Port Manager");
          EXPECT_EQ(box.MessageText(),
                    "No ports are available for this PC. Please check to make sure the printing system is functional.");
          EXPECT_EQ(box.Icon(), MessageIcon::Information);
          box.Screenshot(ScreenshotPath("message-no-ports.png"));
          EXPECT_FALSE(IsWindowVisible(box.Owner()));
          EXPECT_EQ(box.Owner(), dialog.m_hWnd);
          box.Answer(IDOK);
          Window main = robot.Expect("Pralo Port Manager");
          EXPECT_TRUE(main.ListRows(IDC_PORT_LIST).empty());
          EXPECT_TRUE(main.Enabled(IDC_ADD_PORT));
          main.Click(IDCANCEL);
        });
}

}  // namespace
