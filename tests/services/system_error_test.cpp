// The printers' driver status word and system error messages.
#include <gtest/gtest.h>

#include "DriverStatus.h"
#include "SystemError.h"
#include "registry.h"
#include "robot.h"

namespace {

const std::string kDriverData = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\Status Test\\PrinterDriverData";

class PbdStatus : public testing::Test {
 protected:
  void TearDown() override {
    DeleteTree(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\Status Test");
  }
};

TEST_F(PbdStatus, IsTheSecondWordOfEightBytes) {
  EXPECT_EQ(ReadPbdStatus("Status Test"), 0u);  // no driver data
  SetRawValue(HKEY_LOCAL_MACHINE, kDriverData, "PbdStatus", REG_BINARY,
              std::string("\x01\x00\x00\x00\x04\x03\x02\x01", 8));
  EXPECT_EQ(ReadPbdStatus("Status Test"), 0x01020304u);
  SetRawValue(HKEY_LOCAL_MACHINE, kDriverData, "PbdStatus", REG_BINARY, std::string("\x01\x00\x00\x00\x04\x03", 6));
  EXPECT_EQ(ReadPbdStatus("Status Test"), 0u);  // the second word is not in the data
  SetRawValue(HKEY_LOCAL_MACHINE, kDriverData, "PbdStatus", REG_BINARY, std::string(12, '\x07'));
  EXPECT_EQ(ReadPbdStatus("Status Test"), 0u);  // larger than the 8 bytes asked for
}

// The word as the configuration dialog takes it; reading it writes nothing, so that a
// user without write access reads it too and a printer without driver data keeps none.
TEST_F(PbdStatus, TheLinkIsEstablishedByBit24OrByBits0And1AndReadingCreatesNothing) {
  EXPECT_FALSE(IsBiDiLinkEstablished("Status Test"));  // no driver data
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kDriverData));
  struct Case {
    std::string data;
    bool established;
  };
  for (const Case& c : {Case{std::string("\x0a\0\0\0\x03\0\0\0", 8), true},
                        Case{std::string("\x0a\0\0\0\x0f\0\0\0", 8), true},
                        Case{std::string("\x0a\0\0\0\0\0\0\x01", 8), true},
                        Case{std::string("\x0a\0\0\0\x01\0\0\0", 8), false},
                        Case{std::string("\x0a\0\0\0\x02\0\0\0", 8), false},
                        Case{std::string("\x0a\0\0\0\0\0\0\x02", 8), false},
                        Case{std::string("\x0a\0\0\0\x03\0", 6), false}}) {
    SCOPED_TRACE(testing::PrintToString(c.data));
    SetRawValue(HKEY_LOCAL_MACHINE, kDriverData, "PbdControl", REG_BINARY, c.data);
    EXPECT_EQ(IsBiDiLinkEstablished("Status Test"), c.established);
  }
}

struct Shown {
  std::string caption, text;
  MessageIcon icon = MessageIcon::None;
  HWND owner = nullptr;
};

Shown ShowError(DWORD code, bool withTitle) {
  Shown shown;
  Drive([&] { ShowSystemError(code, withTitle); },
        [&](Robot& robot) {
          Window box = robot.ExpectMessageBox();
          shown = {box.Caption(), box.MessageText(), box.Icon(), box.Owner()};
          box.Answer(IDOK);
        });
  return shown;
}

TEST(ShowSystemError, ShowsTheSystemTextWithOrWithoutTitle) {
  Shown denied = ShowError(ERROR_ACCESS_DENIED, true);
  EXPECT_EQ(denied.caption, "Pralo Port Manager");
  EXPECT_EQ(denied.icon, MessageIcon::Exclamation);
  EXPECT_EQ(denied.owner, nullptr);
  EXPECT_NE(denied.text.find("ccess denied"), std::string::npos) << denied.text;

  Shown missing = ShowError(ERROR_FILE_NOT_FOUND, false);
  EXPECT_EQ(missing.caption, "");
  EXPECT_NE(missing.text.find("not found"), std::string::npos) << missing.text;
}

TEST(ShowSystemError, ACodeWithoutSystemTextIsNamed) {
  EXPECT_EQ(ShowError(12345, true).text, "Unknown error 12345.");
}

}  // namespace
