// The Subnets dialog: its checks, and the scope it stores in the Discovery key. The
// addresses typed here are only stored as text; no test searches them, and every test
// removes the key again.
#include <gtest/gtest.h>

#include "DiscoveryScope.h"
#include "SubnetsDlg.h"
#include "SystemErrorText.h"
#include "Unique.h"
#include "registry.h"
#include "resource.h"
#include "robot.h"
#include "screenshots.h"

namespace {

const std::string kKey = kDiscoveryKey;
const std::string kAddresses = kKey + "\\SubnetAddresses";
constexpr int kMask[4] = {IDC_SUBNET_MASK1, IDC_SUBNET_MASK2, IDC_SUBNET_MASK3, IDC_SUBNET_MASK4};
constexpr int kAddress[4] = {IDC_SUBNET_ADDRESS1, IDC_SUBNET_ADDRESS2, IDC_SUBNET_ADDRESS3, IDC_SUBNET_ADDRESS4};

void TypeParts(Window& box, const int (&ids)[4], std::vector<std::string> parts) {
  for (int i = 0; i < 4; ++i) box.Type(ids[i], parts[static_cast<size_t>(i)]);
}

void AddAddress(Robot& robot, Window& box, std::vector<std::string> parts) {
  size_t rows = box.ListRows(IDC_SUBNET_LIST).size();
  TypeParts(box, kAddress, std::move(parts));
  box.Click(IDC_SUBNET_ADD);
  robot.WaitUntil([&] { return box.ListRows(IDC_SUBNET_LIST).size() == rows + 1; }, "the address added");
}

// Expects the refusal box with this text and answers it.
void ExpectRefusal(Robot& robot, const char* caption, const std::string& text) {
  Window refusal = robot.ExpectMessageBox();
  EXPECT_EQ(refusal.Caption(), caption);
  EXPECT_EQ(refusal.MessageText(), text);
  EXPECT_EQ(refusal.Icon(), MessageIcon::Stop);
  refusal.Screenshot(ScreenshotPath("message-invalid-subnet.png"));
  refusal.Answer(IDOK);
  robot.ExpectClosed(refusal);
}

std::vector<std::string> StoredAddresses() {
  std::vector<std::string> names;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kAddresses.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
  for (DWORD index = 0;; ++index) {
    char name[256];
    DWORD size = sizeof name;
    BYTE data[8];
    DWORD dataSize = sizeof data, type = 0;
    if (RegEnumValueA(key, index, name, &size, nullptr, &type, data, &dataSize) != ERROR_SUCCESS) break;
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(dataSize, 1u);  // the empty text
    names.emplace_back(name);
  }
  RegCloseKey(key);
  std::sort(names.begin(), names.end());
  return names;
}

class Subnets : public testing::Test {
 protected:
  void SetUp() override { DeleteTree(HKEY_LOCAL_MACHINE, kKey); }
  void TearDown() override { DeleteTree(HKEY_LOCAL_MACHINE, kKey); }

  INT_PTR Run(const std::function<void(Robot&, Window&)>& script) {
    CSubnetsDlg dialog;
    INT_PTR result = 0;
    Drive([&] { result = dialog.DoModal(); },
          [&](Robot& robot) {
            Window box = robot.Expect("Subnets");
            script(robot, box);
          });
    return result;
  }
};

TEST_F(Subnets, OkStoresTheMaskAndTheRowsAsTyped) {
  EXPECT_EQ(Run([](Robot& robot, Window& box) {
              box.Screenshot(ScreenshotPath("subnets.png"));
              EXPECT_EQ(box.ListHeaders(IDC_SUBNET_LIST), std::vector<std::string>{"Subnet Addresses"});
              TypeParts(box, kMask, {"255", "255", "255", "0"});
              AddAddress(robot, box, {"192", "168", "1", "0"});
              AddAddress(robot, box, {"10", "1", "0", "0"});
              AddAddress(robot, box, {"10", "010", "0", "0"});
              AddAddress(robot, box, {"10", "1", "0", "0"});  // the same again: two rows, one value
              EXPECT_EQ(box.ListRows(IDC_SUBNET_LIST).size(), 4u);
              box.Click(IDC_SUBNETS_OK);
            }),
            IDOK);
  RawValue mask = GetRawValue(HKEY_LOCAL_MACHINE, kKey, "SubnetMask");
  EXPECT_EQ(mask.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(std::string(mask.data.begin(), mask.data.end()), std::string("255.255.255.0", 14));
  EXPECT_EQ(StoredAddresses(), (std::vector<std::string>{"10.010.0.0", "10.1.0.0", "192.168.1.0"}));
}

// A registry that refuses the scope: a Discovery key that takes values but no lasting
// subkey. The failure is shown with the system's text, the dialog stays open with what
// was typed, and the stored scope stays as it was.
TEST_F(Subnets, AScopeThatCannotBeStoredIsReportedAndTheOldOneStays) {
  UniqueKey refusing;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                            refusing.put(), nullptr),
            ERROR_SUCCESS);
  SetTextValue(HKEY_LOCAL_MACHINE, kKey, "SubnetMask", "255.255.0.0");
  EXPECT_EQ(Run([](Robot& robot, Window& box) {
              TypeParts(box, kMask, {"255", "255", "255", "0"});
              AddAddress(robot, box, {"127", "2", "0", "0"});
              box.Click(IDC_SUBNETS_OK);
              Window error = robot.ExpectMessageBox();
              EXPECT_EQ(error.MessageText(), SystemErrorText(ERROR_CHILD_MUST_BE_VOLATILE));
              error.Answer(IDOK);
              robot.ExpectClosed(error);
              EXPECT_EQ(box.ListRows(IDC_SUBNET_LIST).size(), 1u);
              box.Click(IDC_SUBNETS_CANCEL);
            }),
            IDCANCEL);
  std::optional<StoredScope> scope = ReadStoredScope();
  ASSERT_TRUE(scope);
  EXPECT_EQ(scope->mask, "255.255.0.0");
  EXPECT_TRUE(scope->addresses.empty());
}

TEST_F(Subnets, ContiguousMasksOfTheForm255Dot255DotXDotYAloneAreAccepted) {
  EXPECT_EQ(Run([](Robot& robot, Window& box) {
              for (const std::vector<std::string>& parts : std::vector<std::vector<std::string>>{
                       {"255", "0", "0", "0"}, {"255", "255", "255", ""}, {"255", "255", "1", "255"},
                       {"255", "255", "0", "255"}, {"255", "255", "255", "1"}}) {
                TypeParts(box, kMask, parts);
                box.Click(IDC_SUBNETS_OK);
                ExpectRefusal(robot, "Subnet Mask",
                              "'" + parts[0] + "." + parts[1] + "." + parts[2] + "." + parts[3] +
                                  "' is an invalid subnet mask.");
              }
              EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kKey));
              TypeParts(box, kMask, {"255", "255", "254", "0"});
              box.Click(IDC_SUBNETS_OK);
            }),
            IDOK);
  EXPECT_EQ(GetRawValue(HKEY_LOCAL_MACHINE, kKey, "SubnetMask").data.size(), 14u);
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kAddresses));  // with no rows: an empty subkey
  EXPECT_TRUE(StoredAddresses().empty());
}

TEST_F(Subnets, AddressPartsAboveTwoFiftyFiveEmptyOrNotUnicastAreRefused) {
  Run([](Robot& robot, Window& box) {
    TypeParts(box, kAddress, {"127", "300", "0", "0"});
    box.Click(IDC_SUBNET_ADD);
    ExpectRefusal(robot, "Subnet Address", "'127.300.0.0' is an invalid subnet address.");
    TypeParts(box, kAddress, {"127", "2", "0", ""});
    box.Click(IDC_SUBNET_ADD);
    ExpectRefusal(robot, "Subnet Address", "'127.2.0.' is an invalid subnet address.");
    // Not a unicast network: "this network", multicast, reserved and broadcast.
    for (const std::vector<std::string>& parts : std::vector<std::vector<std::string>>{
             {"0", "1", "2", "0"}, {"224", "0", "0", "0"}, {"239", "1", "1", "0"}, {"240", "0", "0", "0"},
             {"255", "255", "255", "0"}}) {
      TypeParts(box, kAddress, parts);
      box.Click(IDC_SUBNET_ADD);
      ExpectRefusal(robot, "Subnet Address",
                    "'" + parts[0] + "." + parts[1] + "." + parts[2] + "." + parts[3] + "' is an invalid subnet address.");
    }
    EXPECT_TRUE(box.ListRows(IDC_SUBNET_LIST).empty());
    AddAddress(robot, box, {"127", "0", "0", "0"});  // loopback, where the lab lives, stays allowed
    TypeParts(box, kAddress, {"127", "2", "0", ""});
    EXPECT_EQ(box.Text(IDC_SUBNET_ADDRESS3), "0");  // the edits keep what was typed
    box.Click(IDC_SUBNETS_CANCEL);
  });
}

TEST_F(Subnets, RemoveDeletesOnlyTheFirstSelectedRowAndCancelStoresNothing) {
  EXPECT_EQ(Run([](Robot& robot, Window& box) {
              for (const char* third : {"1", "2", "3"}) AddAddress(robot, box, {"127", "9", third, "0"});
              box.ClickListRow(IDC_SUBNET_LIST, 0);
              box.ClickListRow(IDC_SUBNET_LIST, 2, true);
              box.Click(IDC_SUBNET_REMOVE);
              robot.WaitUntil([&] { return box.ListRows(IDC_SUBNET_LIST).size() == 2; }, "one row removed");
              EXPECT_EQ(box.ListRows(IDC_SUBNET_LIST),
                        (std::vector<std::vector<std::string>>{{"127.9.2.0"}, {"127.9.3.0"}}));
              TypeParts(box, kMask, {"255", "255", "255", "0"});
              box.PressEscape();
            }),
            IDCANCEL);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kKey));
}

TEST_F(Subnets, OkReplacesTheWholeStoredScope) {
  SetTextValue(HKEY_LOCAL_MACHINE, kAddresses, "127.8.0.0", "");
  Run([](Robot& robot, Window& box) {
    TypeParts(box, kMask, {"255", "255", "255", "0"});
    AddAddress(robot, box, {"127", "2", "0", "0"});
    box.Click(IDC_SUBNETS_OK);
  });
  EXPECT_EQ(StoredAddresses(), std::vector<std::string>{"127.2.0.0"});
}

TEST(DiscoveryScopeReading, FollowsInetAddrAndFillsAMissingMask) {
  DeleteTree(HKEY_LOCAL_MACHINE, kKey);
  EXPECT_TRUE(ReadDiscoveryScope().subnets.empty());
  SetTextValue(HKEY_LOCAL_MACHINE, kAddresses, "127.010.0.0", "");
  SetTextValue(HKEY_LOCAL_MACHINE, kAddresses, "127.0x2.0.0", "");
  SetTextValue(HKEY_LOCAL_MACHINE, kAddresses, "printer-net", "");
  auto scope = ReadDiscoveryScope();  // no mask stored
  ASSERT_EQ(scope.subnets.size(), 2u);
  std::sort(scope.subnets.begin(), scope.subnets.end());
  EXPECT_EQ(scope.subnets[0], std::make_pair(0x7F020000u, 0xFFFFFF00u));  // 0x2 is hexadecimal
  EXPECT_EQ(scope.subnets[1], std::make_pair(0x7F080000u, 0xFFFFFF00u));  // 010 is octal
  EXPECT_EQ(scope.skipped, std::vector<std::string>{"printer-net"});      // all ones: not searched
  SetTextValue(HKEY_LOCAL_MACHINE, kKey, "SubnetMask", "255.255.0.0");
  EXPECT_EQ(ReadDiscoveryScope().subnets[0].second, 0xFFFF0000u);
  DeleteTree(HKEY_LOCAL_MACHINE, kKey);
}

// A scope stored by hand or by an older version is searched only where it is safe.
TEST(DiscoveryScopeReading, SkipsAddressesThatAreNotUnicastAndEverythingUnderABrokenMask) {
  DeleteTree(HKEY_LOCAL_MACHINE, kKey);
  for (const char* address : {"255.255.255.0", "224.1.0.0", "0.1.0.0", "127.5.0.0"})
    SetTextValue(HKEY_LOCAL_MACHINE, kAddresses, address, "");
  DiscoveryScope scope = ReadDiscoveryScope();
  EXPECT_EQ(scope.subnets, (std::vector<std::pair<uint32_t, uint32_t>>{{0x7F050000u, 0xFFFFFF00u}}));
  std::sort(scope.skipped.begin(), scope.skipped.end());
  EXPECT_EQ(scope.skipped, (std::vector<std::string>{"0.1.0.0", "224.1.0.0", "255.255.255.0"}));

  SetTextValue(HKEY_LOCAL_MACHINE, kKey, "SubnetMask", "255.255.0.255");
  scope = ReadDiscoveryScope();
  EXPECT_TRUE(scope.subnets.empty());
  EXPECT_EQ(scope.skipped.size(), 4u);
  DeleteTree(HKEY_LOCAL_MACHINE, kKey);
}

}  // namespace
