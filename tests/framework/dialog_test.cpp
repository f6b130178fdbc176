// CDialog through real windows: data exchange, modal results, ownership, default
// processing, message boxes and the application object's command map.
#include <gtest/gtest.h>

#include "AfxMessageBox.h"
#include "StringTable.h"
#include "robot.h"
#include "screenshots.h"
#include "test_dialogs.h"

namespace {

TEST(DataExchange, ShowsMembersAndReadsBackWhatTheUserTyped) {
  ExchangeDlg dialog;
  INT_PTR result = 0;
  Drive([&] { result = dialog.DoModal(); },
        [](Robot& robot) {
          Window box = robot.Expect("Data exchange");
          EXPECT_EQ(box.ClassName(), "#32770");
          EXPECT_EQ(box.Text(IDC_NAME), "alpha");
          EXPECT_EQ(box.Text(IDC_CODE), "1234567");  // the buffer at its capacity
          box.Screenshot(ScreenshotPath("framework-dialog.png"));
          box.Type(IDC_NAME, "beta");
          box.Type(IDC_CODE, "ABCDEFGHIJKL");
          box.Click(IDOK);
        });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(dialog.m_strName, "beta");
  EXPECT_STREQ(dialog.m_szCode, "ABCDEFG");  // cut to 7 characters and terminated
}

TEST(DataExchange, CancelLeavesMembersAlone) {
  ExchangeDlg dialog;
  INT_PTR result = 0;
  Drive([&] { result = dialog.DoModal(); },
        [](Robot& robot) {
          Window box = robot.Expect("Data exchange");
          box.Type(IDC_NAME, "");
          box.Click(IDCANCEL);
        });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(dialog.m_strName, "alpha");
}

TEST(DoModal, EnterIsOkAndEscapeIsCancel) {
  ExchangeDlg dialog;
  INT_PTR result = 0;
  Drive([&] { result = dialog.DoModal(); }, [](Robot& robot) { robot.Expect("Data exchange").PressEnter(); });
  EXPECT_EQ(result, IDOK);
  Drive([&] { result = dialog.DoModal(); }, [](Robot& robot) { robot.Expect("Data exchange").PressEscape(); });
  EXPECT_EQ(result, IDCANCEL);
}

TEST(DoModal, DialogWithoutParentIsOwnedByTheActiveWindow) {
  RoutingDlg dialog;
  Drive([&] { dialog.DoModal(); },
        [](Robot& robot) {
          Window main = robot.Expect("Data exchange");
          main.Click(IDC_OPEN_OWNED);
          Window owned = robot.Expect("Owned");
          EXPECT_EQ(owned.Owner(), main.Handle());
          owned.Click(IDOK);
          robot.Expect("Data exchange").Click(IDCANCEL);
        });
  EXPECT_EQ(dialog.ownedResult, IDOK);
}

TEST(DefaultProcessing, SystemCommandsNotHandledStillWork) {
  RoutingDlg dialog;
  INT_PTR result = 0;
  Drive([&] { result = dialog.DoModal(); },
        [](Robot& robot) {
          Window box = robot.Expect("Data exchange");
          PostMessageA(box.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
          robot.ExpectClosed(box);
        });
  EXPECT_EQ(result, IDCANCEL);
}

TEST(AfxMessageBox, OwnedByTheActiveWindowWithTheProgramNameAsCaption) {
  AskingDlg dialog;
  Drive([&] { dialog.DoModal(); },
        [](Robot& robot) {
          Window main = robot.Expect("Data exchange");
          main.Click(IDC_PING);
          Window box = robot.ExpectMessageBox();
          EXPECT_EQ(box.Caption(), "framework_test");
          EXPECT_EQ(box.Owner(), main.Handle());
          EXPECT_EQ(box.MessageText(), "Disk full.");
          EXPECT_EQ(box.Icon(), MessageIcon::Exclamation);
          EXPECT_EQ(box.Buttons(), (std::vector<int>{IDOK, IDCANCEL}));
          box.Answer(IDCANCEL);
          robot.Expect("Data exchange").Click(IDCANCEL);
        });
  EXPECT_EQ(dialog.answer, IDCANCEL);
}

TEST(CommandRouting, HelpCommandReachesTheApplication) {
  TestApp app;
  RoutingDlg dialog;
  Drive([&] { dialog.DoModal(); },
        [&](Robot& robot) {
          Window box = robot.Expect("Data exchange");
          PostMessageA(box.Handle(), WM_COMMAND, ID_HELP, 0);
          robot.WaitUntil([&] { return app.helps == 1; }, "the application's OnHelp");
          box.Click(IDCANCEL);
        });
  EXPECT_EQ(app.helps, 1);
}

TEST(StringTable, LoadsTextsByIdAndNothingForAMissingId) {
  EXPECT_EQ(AfxLoadString(IDS_GREETING), "    Hello, \"framework\".");
  EXPECT_EQ(AfxLoadString(IDS_GREETING + 1), "");
}

}  // namespace

TEST(DataExchange, AFailedExchangeKeepsTheDialogOpen) {
  ExchangeDlg dialog;
  dialog.refuseEmptyName = true;
  INT_PTR result = 0;
  Drive([&] { result = dialog.DoModal(); },
        [&](Robot& robot) {
          Window box = robot.Expect("Data exchange");
          box.Type(IDC_NAME, "");
          box.Click(IDOK);
          robot.Pause(100);
          EXPECT_EQ(Robot::TopWindow(), box.Handle());
          EXPECT_FALSE(dialog.UpdateData(TRUE));
          box.Type(IDC_NAME, "beta");
          box.Click(IDOK);
        });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(dialog.m_strName, "beta");
}

TEST(DoModal, ADialogThatCannotBeCreatedAnswersMinusOne) {
  CDialog missing(4242);
  EXPECT_EQ(missing.DoModal(), -1);
}
