// How the discovery dialog ends, against a PRLFIND.dll whose callbacks the test decides.
#include <gtest/gtest.h>

#include "PrinterDiscoveryDlg.h"
#include "resource.h"
#include "robot.h"

namespace {

bool SearchRunning() {
  using Running = BOOL (*)();
  auto running = reinterpret_cast<Running>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("PRLFIND.dll"), "FakeSearchRunning")));
  return running != nullptr && running();
}

TEST(DiscoveryEndings, OkReturnsTheSelectedPrinterEvenWhenARowCameDuringTheStop) {
  CPrinterDiscoveryDlg dialog;
  Drive([&] { dialog.DoModal(); },
        [](Robot& robot) {
          Window box = robot.Expect("Printer Discovery");
          box.ClickListRow(IDC_DISCOVERY_LIST, 1);  // "first", below "second"
          robot.WaitUntil([&] { return box.ListSelection(IDC_DISCOVERY_LIST) == 1; }, "first selected");
          box.Click(IDC_DISCOVERY_OK);
        });
  EXPECT_STREQ(dialog.m_szSelectedAddress, "127.9.9.1");
  EXPECT_FALSE(SearchRunning());
}

TEST(DiscoveryEndings, EveryEndingStopsTheSearch) {
  {
    CPrinterDiscoveryDlg dialog;
    Drive([&] { dialog.DoModal(); },
          [&](Robot& robot) {
            robot.Expect("Printer Discovery");
            dialog.EndDialog(IDABORT);  // neither OK nor Cancel
          });
  }
  EXPECT_FALSE(SearchRunning());
}

}  // namespace
