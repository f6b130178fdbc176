// Message maps through real windows: chained entries, command and notification codes,
// results of WM_NOTIFY and window messages, and an OnCommand override.
#include <gtest/gtest.h>

#include "robot.h"
#include "test_dialogs.h"

namespace {

TEST(MessageMap, RoutesCommandsThroughTheChainAndTheOnCommandOverride) {
  RoutingDlg dialog;
  Drive([&] { dialog.DoModal(); },
        [&](Robot& robot) {
          Window box = robot.Expect("Data exchange");
          box.Click(IDC_BASE_BUTTON);
          robot.WaitUntil([&] { return dialog.baseClicks == 1; }, "the base class's handler");
          box.Click(IDC_PING);
          robot.WaitUntil([&] { return dialog.pings == 1; }, "the derived class's handler");
          box.Type(IDC_NAME, "xy");
          robot.WaitUntil([&] { return dialog.nameChanges == 2; }, "EN_CHANGE for each typed character");
          box.Click(IDCANCEL);
        });
  EXPECT_EQ(dialog.baseClicks, 1);
  EXPECT_EQ(dialog.pings, 1);
  EXPECT_GE(dialog.commandsSeen, 5);  // every command passed the override, IDCANCEL included
}

TEST(MessageMap, RoutesNotificationsByControlAndCode) {
  RoutingDlg dialog;
  Drive([&] { dialog.DoModal(); },
        [&](Robot& robot) {
          Window box = robot.Expect("Data exchange");
          box.ClickListRow(IDC_LIST, 1);
          robot.WaitUntil([&] { return dialog.listClicks == 1; }, "NM_CLICK");
          EXPECT_EQ(box.ListSelection(IDC_LIST), 1);
          box.PressKey(IDC_LIST, VK_DOWN);
          robot.WaitUntil([&] { return dialog.listKeys == 1 && box.ListSelection(IDC_LIST) == 2; }, "LVN_KEYDOWN");
          box.DoubleClickListRow(IDC_LIST, 0);
          robot.WaitUntil([&] { return dialog.listDoubleClicks == 1; }, "NM_DBLCLK");

          NMHDR custom{GetDlgItem(box.Handle(), IDC_LIST), IDC_LIST, kCustomNotify};
          EXPECT_EQ(SendMessageA(box.Handle(), WM_NOTIFY, IDC_LIST, reinterpret_cast<LPARAM>(&custom)), 42);
          box.Click(IDCANCEL);
        });
}

TEST(MessageMap, RoutesWindowMessagesWithTheirArgumentsAndResults) {
  RoutingDlg dialog;
  Drive([&] { dialog.DoModal(); },
        [&](Robot& robot) {
          Window box = robot.Expect("Data exchange");
          EXPECT_EQ(SendMessageA(box.Handle(), WM_QUERYDRAGICON, 0, 0), reinterpret_cast<LRESULT>(dialog.dragIcon));
          SendMessageA(box.Handle(), WM_SYSCOMMAND, kSysAbout + 3, 77);
          EXPECT_EQ(dialog.sysCommandId, kSysAbout + 3);
          EXPECT_EQ(dialog.sysCommandParam, 77);
          box.Click(IDCANCEL);
        });
}

}  // namespace
