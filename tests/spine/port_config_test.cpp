// The port record against the real registry of the lab's Wine prefix.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "MonitorRegistry.h"
#include "PortConfig.h"
#include "registry.h"

namespace {

class PortConfigStore : public testing::Test {
 protected:
  static constexpr char kPort[] = "TestPort 1";
  const std::string path = std::string(kPortNamesKey) + "\\" + kPort;

  void SetUp() override { DeleteTree(HKEY_LOCAL_MACHINE, path); }
  void TearDown() override { DeleteTree(HKEY_LOCAL_MACHINE, path); }

  // A record as another command might have left it.
  static PortConfig UsedRecord(const char* name) {
    PortConfig config;
    ResetPortConfig(config, name);
    config.protocol = 515;
    std::strcpy(config.lprQueue, "queue");
    std::strcpy(config.communityName, "public");
    config.rawPortNumber = 1;
    config.configUpdateInt = 99;
    return config;
  }
};

TEST_F(PortConfigStore, ResetGivesTheInitialState) {
  PortConfig config = UsedRecord("Old");
  ResetPortConfig(config, "LPR1");
  EXPECT_EQ(config.modelIndex, -1);
  EXPECT_STREQ(config.portName, "LPR1");
  EXPECT_STREQ(config.deviceIP, "");
  EXPECT_STREQ(config.lprQueue, "");
  EXPECT_STREQ(config.communityName, "");
  EXPECT_EQ(config.rawPortNumber, 0u);
  EXPECT_EQ(config.protocol, 9100u);
  EXPECT_EQ(config.lprByteCounting, 0u);
  EXPECT_EQ(config.biDiEnabled, 0u);
  EXPECT_EQ(config.configUpdateInt, 30u);
  EXPECT_EQ(config.statusUpdateInt, 10u);
  ResetPortConfig(config);
  EXPECT_STREQ(config.portName, "");
}

TEST_F(PortConfigStore, ReadWithoutKeyFailsButSetsTheNumericDefaults) {
  PortConfig config = UsedRecord(kPort);
  EXPECT_FALSE(ReadPortConfig(config));
  EXPECT_EQ(config.rawPortNumber, 9100u);
  EXPECT_EQ(config.configUpdateInt, 30u);
  EXPECT_EQ(config.statusUpdateInt, 10u);
  EXPECT_EQ(config.protocol, 515u);  // untouched
  EXPECT_STREQ(config.lprQueue, "queue");
}

TEST_F(PortConfigStore, ReadWithOnlyDeviceIpKeepsTheRest) {
  SetTextValue(HKEY_LOCAL_MACHINE, path, "DeviceIP", "127.1.0.20");
  PortConfig config = UsedRecord(kPort);
  EXPECT_TRUE(ReadPortConfig(config));
  EXPECT_STREQ(config.deviceIP, "127.1.0.20");
  EXPECT_EQ(config.rawPortNumber, 9100u);
  EXPECT_EQ(config.configUpdateInt, 30u);
  EXPECT_EQ(config.statusUpdateInt, 10u);
  EXPECT_EQ(config.biDiEnabled, 0u);
  EXPECT_EQ(config.lprByteCounting, 0u);
  EXPECT_EQ(config.protocol, 515u);
  EXPECT_STREQ(config.lprQueue, "queue");
  EXPECT_STREQ(config.communityName, "public");
}

TEST_F(PortConfigStore, WriteStoresTheTenValuesAndReadBringsThemBack) {
  SetTextValue(HKEY_LOCAL_MACHINE, path, "Foreign", "kept");
  SetNumberValue(HKEY_LOCAL_MACHINE, path, "SnmpUpdated", 1);
  PortConfig written;
  ResetPortConfig(written, kPort);
  std::strcpy(written.deviceIP, "printer.lab");
  std::strcpy(written.communityName, "mirabo");
  written.protocol = 515;
  written.rawPortNumber = 9101;
  written.lprByteCounting = 1;
  written.biDiEnabled = 1;
  written.configUpdateInt = 60;
  written.statusUpdateInt = 20;
  ASSERT_TRUE(WritePortConfig(written, false));

  RawValue queue = GetRawValue(HKEY_LOCAL_MACHINE, path, "LprQueue");
  EXPECT_EQ(queue.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(queue.data, std::vector<BYTE>{0});  // the empty text: one NUL byte
  RawValue protocol = GetRawValue(HKEY_LOCAL_MACHINE, path, "Protocal");
  EXPECT_EQ(protocol.type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(protocol.data, (std::vector<BYTE>{0x03, 0x02, 0, 0}));
  EXPECT_EQ(GetRawValue(HKEY_LOCAL_MACHINE, path, "SnmpUpdated").data, (std::vector<BYTE>{0, 0, 0, 0}));
  EXPECT_TRUE(GetRawValue(HKEY_LOCAL_MACHINE, path, "Foreign").exists);

  PortConfig read;
  ResetPortConfig(read, kPort);
  ASSERT_TRUE(ReadPortConfig(read));
  EXPECT_STREQ(read.deviceIP, "printer.lab");
  EXPECT_STREQ(read.communityName, "mirabo");
  EXPECT_STREQ(read.lprQueue, "");
  EXPECT_EQ(read.protocol, 515u);
  EXPECT_EQ(read.rawPortNumber, 9101u);
  EXPECT_EQ(read.lprByteCounting, 1u);
  EXPECT_EQ(read.biDiEnabled, 1u);
  EXPECT_EQ(read.configUpdateInt, 60u);
  EXPECT_EQ(read.statusUpdateInt, 20u);

  ASSERT_TRUE(WritePortConfig(read, true));
  EXPECT_EQ(GetRawValue(HKEY_LOCAL_MACHINE, path, "SnmpUpdated").data, (std::vector<BYTE>{1, 0, 0, 0}));
}

TEST_F(PortConfigStore, OverlongUnterminatedAndShortValuesNeverOverrun) {
  SetTextValue(HKEY_LOCAL_MACHINE, path, "DeviceIP", std::string(300, 'a'));        // larger than a query
  SetTextValue(HKEY_LOCAL_MACHINE, path, "LprQueue", std::string(200, 'q'));        // longer than the field
  SetRawValue(HKEY_LOCAL_MACHINE, path, "CommunityName", REG_SZ, "public-xyz");     // no terminator
  SetRawValue(HKEY_LOCAL_MACHINE, path, "RawPortNumber", REG_BINARY, "\x10\x27");  // 2 bytes
  SetRawValue(HKEY_LOCAL_MACHINE, path, "StatusUpdateInt", REG_BINARY, std::string("\x05\0\0\0\x07", 5));

  struct Guarded {
    PortConfig config;
    char after[16];
  } guarded;
  std::memset(guarded.after, 0x5A, sizeof guarded.after);
  ResetPortConfig(guarded.config, kPort);
  std::strcpy(guarded.config.deviceIP, "kept");
  ASSERT_TRUE(ReadPortConfig(guarded.config));
  EXPECT_STREQ(guarded.config.deviceIP, "kept");
  EXPECT_EQ(std::string(guarded.config.lprQueue), std::string(99, 'q'));
  EXPECT_STREQ(guarded.config.communityName, "public-xyz");
  EXPECT_EQ(guarded.config.rawPortNumber, 9100u);  // the default of the read stays
  EXPECT_EQ(guarded.config.statusUpdateInt, 5u);
  for (char c : guarded.after) EXPECT_EQ(c, 0x5A);
}

// A registry that takes the values up to "BiDiEnabled" and refuses that one.
LONG WINAPI RefuseBiDiEnabled(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size) {
  if (std::strcmp(name, "BiDiEnabled") == 0) return ERROR_ACCESS_DENIED;
  return RegSetValueExA(key, name, reserved, type, data, size);
}

TEST_F(PortConfigStore, AValueThatCannotBeSetFailsTheWriteAndLeavesNoNewPortBehind) {
  PortConfig config = UsedRecord(kPort);
  std::strcpy(config.deviceIP, "new.lab");
  SetLastError(0);
  EXPECT_FALSE(WritePortConfig(config, false, PortKeyOpening::CreateIfMissing, &RefuseBiDiEnabled));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, path)) << "the half-written new key is removed";

  SetTextValue(HKEY_LOCAL_MACHINE, path, "DeviceIP", "old.lab");
  SetNumberValue(HKEY_LOCAL_MACHINE, path, "StatusUpdateInt", 77);
  EXPECT_FALSE(WritePortConfig(config, false, PortKeyOpening::ExistingOnly, &RefuseBiDiEnabled));
  PortConfig read;
  ResetPortConfig(read, kPort);
  ASSERT_TRUE(ReadPortConfig(read));
  EXPECT_STREQ(read.deviceIP, "new.lab");     // set before the refused value
  EXPECT_EQ(read.statusUpdateInt, 77u);       // after it: the old value stays
}

TEST_F(PortConfigStore, AChangedPortThatIsGoneIsNotMadeAgain) {
  PortConfig config = UsedRecord(kPort);
  EXPECT_FALSE(WritePortConfig(config, true, PortKeyOpening::ExistingOnly));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, path));
}

TEST_F(PortConfigStore, ResetCutsAnOverlongName) {
  PortConfig config;
  ResetPortConfig(config, std::string(300, 'n').c_str());
  EXPECT_EQ(std::strlen(config.portName), 99u);
}

}  // namespace
