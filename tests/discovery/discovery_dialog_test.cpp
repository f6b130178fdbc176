// The printer discovery dialog against the lab's printers, through the robot.
#include <winsock2.h>

#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "DiscoveryScope.h"
#include "PrinterDiscoveryDlg.h"
#include "lab_printers.h"
#include "process_census.h"
#include "winsock_test.h"
#include "registry.h"
#include "resource.h"
#include "robot.h"
#include "window_reading.h"
#include "screenshots.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;
constexpr char kCaption[] = "Printer Discovery";

std::vector<LabPrinter> Reachable(bool remoteToo) {
  std::vector<LabPrinter> printers;
  for (const LabPrinter& printer : LabPrinters())
    if ((printer.OnLan() || (remoteToo && printer.OnRemoteSubnet())) && (printer.Answers("mirabo") || printer.Answers("public")))
      printers.push_back(printer);
  return printers;
}

bool Lists(const Rows& rows, const LabPrinter& printer) {
  for (const auto& row : rows)
    if (row[1] == printer.address) return row[0] == printer.sysName && row[2] == printer.ReportedModel();
  return false;
}

void WaitForPrinters(Robot& robot, Window& box, const std::vector<LabPrinter>& printers) {
  robot.WaitUntil(
      [&] {
        Rows rows = box.ListRows(IDC_DISCOVERY_LIST);
        for (const LabPrinter& printer : printers)
          if (!Lists(rows, printer)) return false;
        return true;
      },
      std::to_string(printers.size()) + " printers listed with name and model");
}

int RowOf(const Window& box, const std::string& address) { return RowShowing(box.ListRows(IDC_DISCOVERY_LIST), address); }

class DiscoveryDialog : public WinsockTest {
 protected:
  void SetUp() override {
    DeleteTree(HKEY_LOCAL_MACHINE, kDiscoveryKey);
    WinsockTest::SetUp();
  }
  void TearDown() override {
    DeleteTree(HKEY_LOCAL_MACHINE, kDiscoveryKey);
    WinsockTest::TearDown();
  }
  static void StoreRemoteScope() {
    SetTextValue(HKEY_LOCAL_MACHINE, kDiscoveryKey, "SubnetMask", "255.255.255.0");
    SetTextValue(HKEY_LOCAL_MACHINE, std::string(kDiscoveryKey) + "\\SubnetAddresses", "127.2.0.0", "");
  }

  INT_PTR Run(const std::function<void(Robot&, Window&)>& script) { return RunDialog(dialog, kCaption, script); }

  CPrinterDiscoveryDlg dialog;
};

TEST_F(DiscoveryDialog, ListsTheLanPrintersNewestFirstAndNothingRemote) {
  EXPECT_EQ(Run([](Robot& robot, Window& box) {
              EXPECT_EQ(box.ListHeaders(IDC_DISCOVERY_LIST),
                        (std::vector<std::string>{"Printer Name", "IP Address", "Model"}));
              EXPECT_EQ(box.ListColumnWidths(IDC_DISCOVERY_LIST), (std::vector<int>{110, 110, 110}));
              WaitForPrinters(robot, box, Reachable(false));
              robot.Pause(2000);  // the rest of the sweep
              Rows rows = box.ListRows(IDC_DISCOVERY_LIST);
              EXPECT_EQ(rows.size(), Reachable(false).size());
              for (const auto& row : rows) EXPECT_EQ(row[1].rfind("127.1.0.", 0), 0u) << row[1];
              box.Screenshot(ScreenshotPath("discovery.png"));
              box.Click(IDC_DISCOVERY_CANCEL);
            }),
            IDCANCEL);
}

TEST_F(DiscoveryDialog, TheNewestPrinterGoesToTheTop) {
  Run([&](Robot& robot, Window& box) {
    WaitForPrinters(robot, box, Reachable(false));
    robot.Pause(2000);  // the sweep over, only these two come now
    DiscoveredPrinter first{}, second{};
    first.address = 0x7F090901;
    std::strcpy(first.name, "first");
    std::strcpy(first.model, "Model One");
    second.address = 0x7F090902;
    std::strcpy(second.name, "second");
    std::strcpy(second.model, "Model Two");
    EXPECT_NE(DiscoveryCallback(&first, &dialog), 0);
    EXPECT_NE(DiscoveryCallback(&second, &dialog), 0);
    Rows rows = box.ListRows(IDC_DISCOVERY_LIST);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"second", "127.9.9.2", "Model Two"}));
    EXPECT_EQ(rows[1], (std::vector<std::string>{"first", "127.9.9.1", "Model One"}));
    box.Click(IDC_DISCOVERY_CANCEL);
  });
}

TEST_F(DiscoveryDialog, StoredSubnetsAreSearchedToo) {
  StoreRemoteScope();
  Run([](Robot& robot, Window& box) {
    WaitForPrinters(robot, box, Reachable(true));
    box.PressEscape();
  });
}

TEST_F(DiscoveryDialog, OkReturnsTheSelectedAddressOrNothing) {
  EXPECT_EQ(Run([](Robot& robot, Window& box) {
              WaitForPrinters(robot, box, Reachable(false));
              box.ClickListRow(IDC_DISCOVERY_LIST, RowOf(box, "127.1.0.23"));
              box.Click(IDC_DISCOVERY_OK);
            }),
            IDOK);
  EXPECT_STREQ(dialog.m_szSelectedAddress, "127.1.0.23");

  CPrinterDiscoveryDlg second;
  INT_PTR result = 0;
  Drive([&] { result = second.DoModal(); }, [](Robot& robot) { robot.Expect(kCaption).Click(IDC_DISCOVERY_OK); });
  EXPECT_EQ(result, IDOK);
  EXPECT_STREQ(second.m_szSelectedAddress, "");
}

TEST_F(DiscoveryDialog, DoubleClickChoosesARowAndDoesNothingElsewhere) {
  EXPECT_EQ(Run([](Robot& robot, Window& box) {
              WaitForPrinters(robot, box, Reachable(false));
              robot.Pause(2000);  // no rows may come in between the two looks at the list
              box.ClickListEmptyArea(IDC_DISCOVERY_LIST, true);
              robot.Pause(100);  // the double click handled
              EXPECT_EQ(Robot::TopWindow(), box.Handle());  // still open
              box.DoubleClickListRow(IDC_DISCOVERY_LIST, RowOf(box, "127.1.0.25"));
            }),
            IDOK);
  EXPECT_STREQ(dialog.m_szSelectedAddress, "127.1.0.25");
}

TEST_F(DiscoveryDialog, EnterEndsLikeOkWithTheSearchStopped) {
  EXPECT_EQ(Run([](Robot& robot, Window& box) {
              WaitForPrinters(robot, box, Reachable(false));
              box.ClickListRow(IDC_DISCOVERY_LIST, RowOf(box, "127.1.0.20"));
              box.PressEnter();
            }),
            IDOK);
  EXPECT_STREQ(dialog.m_szSelectedAddress, "127.1.0.20");
}

TEST_F(DiscoveryDialog, ANewScopeWaitsForRefreshWhichRestartsTheSearch) {
  Run([](Robot& robot, Window& box) {
    WaitForPrinters(robot, box, Reachable(false));
    box.Click(IDC_DISCOVERY_SUBNETS);
    Window subnets = robot.Expect("Subnets");
    for (auto [id, text] : {std::pair{IDC_SUBNET_MASK1, "255"}, {IDC_SUBNET_MASK2, "255"}, {IDC_SUBNET_MASK3, "255"},
                            {IDC_SUBNET_MASK4, "0"}, {IDC_SUBNET_ADDRESS1, "127"}, {IDC_SUBNET_ADDRESS2, "2"},
                            {IDC_SUBNET_ADDRESS3, "0"}, {IDC_SUBNET_ADDRESS4, "0"}})
      subnets.Type(id, text);
    subnets.Click(IDC_SUBNET_ADD);
    robot.WaitUntil([&] { return subnets.ListRows(IDC_SUBNET_LIST).size() == 1; }, "the subnet added");
    subnets.Click(IDC_SUBNETS_OK);
    robot.ExpectClosed(subnets);

    robot.Pause(2000);  // the running search keeps its old scope
    for (const auto& row : box.ListRows(IDC_DISCOVERY_LIST)) EXPECT_EQ(row[1].rfind("127.1.0.", 0), 0u) << row[1];

    box.Click(IDC_DISCOVERY_REFRESH);
    WaitForPrinters(robot, box, Reachable(true));
    std::set<std::string> addresses;
    for (const auto& row : box.ListRows(IDC_DISCOVERY_LIST)) addresses.insert(row[1]);
    EXPECT_EQ(addresses.size(), box.ListRows(IDC_DISCOVERY_LIST).size());  // the list started afresh
    box.Click(IDC_DISCOVERY_CANCEL);
  });
}


TEST_F(DiscoveryDialog, OpeningAndEndingItFiftyTimesLeavesNothingBehind) {
  const int threads = ThreadCount();
  const DWORD handlesBefore = HandleCount();
  for (int round = 0; round < 50; ++round) {
    CPrinterDiscoveryDlg each;
    Drive([&] { each.DoModal(); },
          [round](Robot& robot) {
            Window box = robot.Expect(kCaption);
            robot.WaitUntil([&] { return box.ListRows(IDC_DISCOVERY_LIST).size() >= static_cast<size_t>(round % 4); },
                            "a few printers");
            if (round % 2 == 0)
              box.Click(IDC_DISCOVERY_OK);
            else
              box.PressEscape();
          });
  }
  Sleep(200);
  EXPECT_EQ(ThreadCount(), threads);
  EXPECT_LE(HandleCount(), handlesBefore + 4);
}

}  // namespace
