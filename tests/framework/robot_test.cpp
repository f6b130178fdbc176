// The robot's own failures: each names what was expected and what is up instead, and
// leaves no window behind.
#include <gtest/gtest.h>
#include <gtest/gtest-spi.h>

#include "robot.h"
#include "test_dialogs.h"

namespace {

void RunDialog(const std::function<void(Robot&)>& script) {
  AskingDlg dialog;
  Drive([&] { dialog.DoModal(); }, script);
}

TEST(RobotFailures, AWindowThatDoesNotComeNamesWhatIsUp) {
  EXPECT_NONFATAL_FAILURE(RunDialog([](Robot& robot) { robot.Expect("Nothing like this", 300); }),
                          "waited 300 ms for the window 'Nothing like this'\n  on top: the window 'Data exchange'");
}

TEST(RobotFailures, AnUnexpectedMessageBoxFailsWithItsText) {
  EXPECT_NONFATAL_FAILURE(RunDialog([](Robot& robot) {
                            robot.Expect("Data exchange").Click(IDC_PING);
                            robot.Expect("Owned");
                          }),
                          "expected the window 'Owned', but a message box came\n"
                          "  on top: a message box 'framework_test': \"Disk full.\"");
}

TEST(RobotFailures, ClickingADisabledButtonFails) {
  EXPECT_NONFATAL_FAILURE(RunDialog([](Robot& robot) { robot.Expect("Data exchange").Click(IDC_BASE_BUTTON + 100); }),
                          "cannot click 'Disabled' (1104): it is disabled");
}

TEST(RobotFailures, AWindowLeftOpenAfterTheScriptFails) {
  EXPECT_NONFATAL_FAILURE(RunDialog([](Robot& robot) { robot.Expect("Data exchange"); }),
                          "still open after the robot's script ended: the window 'Data exchange'");
}

}  // namespace
