// SNMPv3-only printers of the lab through the credentials that prlport stores: the
// profile identifies and finds them, a port's choice watches them and `prlport status`
// asks them, and a port on its community beside them goes on as before.
#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "DriverStatus.h"
#include "MonitorRegistry.h"
#include "PortKey.h"
#include "SnmpAsk.h"
#include "SnmpCredentials.h"
#include "StatusQuery.h"
#include "lab_printers.h"
#include "loaded_monitor.h"
#include "prlport_run.h"
#include "registry.h"
#include "spooler_lab.h"
#include "transfer_files.h"

namespace {

constexpr char kV3Only[] = "127.1.0.70";  // answers the lab's v3 users, no community
constexpr char kV3Identifier[] = "1.3.6.1.4.1.99901.1.70";
constexpr char kV1[] = "127.1.0.20";  // answers the community "mirabo" only
constexpr char kV1Identifier[] = "1.3.6.1.4.1.99901.1.10";
const std::string kSecrets =
    "admin auth admin-auth-pass\nadmin priv admin-priv-pass\nadmin256 auth admin256-auth-pass\n"
    "admin256 priv admin256-priv-pass\nwrong auth not-the-pass-phrase\nwrong priv not-the-pass-phrase\n";

// Waits for the watch's first rounds, as a printer's answer takes them.
bool Within(const std::function<bool()>& condition) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < 8000; Sleep(100))
    if (condition()) return true;
  return condition();
}

class SnmpV3Wiring : public testing::Test {
 protected:
  SnmpV3Wiring() { WriteText(secrets, kSecrets); }
  ~SnmpV3Wiring() override {
    monitor.reset();
    DeleteTree(HKEY_LOCAL_MACHINE, kSnmpProfileKey);
    DeleteFileA(secrets.c_str());
  }
  void SetProfile(const std::string& options) {
    ASSERT_EQ(PrlPort("snmpv3 profile admin --secrets-file " + secrets + options).exitCode, 0u);
  }
  void AddWatchedPort(const char* name, const char* address, const char* printer) {
    spooler.AddMonitorPort(name, address);
    spooler.AddLocalPrinter(printer, name);
    SetTextValue(HKEY_LOCAL_MACHINE, PortKeyPath(name), "CommunityName", "mirabo");
    for (auto [value, number] : {std::pair{"BiDiEnabled", 1ul}, {"StatusUpdateInt", 1ul}, {"ConfigUpdateInt", 999ul}})
      SetNumberValue(HKEY_LOCAL_MACHINE, PortKeyPath(name), value, number);
  }
  SpoolerLab spooler;
  std::optional<LoadedMonitor> monitor;
  const std::string secrets = TempFile("prlport-lab-secrets.txt");
};

TEST_F(SnmpV3Wiring, IdentificationAsksWithTheProfileAfterOrInsteadOfTheCommunity) {
  struct Case {
    const char* profile;  // nullptr: none stored
    const char* address;
    const char* identifier;  // nullptr: not identified
  };
  for (const Case& c : {Case{nullptr, kV3Only, nullptr}, Case{"", kV3Only, kV3Identifier}, Case{"", kV1, kV1Identifier},
                        Case{" --instead-of-community", kV3Only, kV3Identifier},
                        Case{" --instead-of-community", kV1, nullptr}}) {
    SCOPED_TRACE(std::string(c.profile ? c.profile : "no profile") + " " + c.address);
    DeleteTree(HKEY_LOCAL_MACHINE, kSnmpProfileKey);
    if (c.profile) SetProfile(c.profile);
    ChildResult result = PrlPort(std::string("identify ") + c.address);
    EXPECT_EQ(result.exitCode, c.identifier ? 0u : 1u) << result.output;
    if (c.identifier) {
      EXPECT_EQ(result.output.rfind(c.identifier, 0), 0u) << result.output;
    }
  }
}

TEST_F(SnmpV3Wiring, TheSearchFindsAnSnmpV3OnlyPrinterWithTheProfileAndSaysTheVersion) {
  for (const bool profile : {false, true}) {
    SCOPED_TRACE(profile ? "with the profile" : "without");
    if (profile) SetProfile("");
    ChildResult found = PrlPort("find --seconds 4 --subnet 127.1.0.16/255.255.255.240 --subnet 127.1.0.64/255.255.255.248");
    EXPECT_EQ(found.exitCode, 0u) << found.output;
    EXPECT_NE(found.output.find(std::string(kV1) + "\tkestrel-4100\tKestrel LaserPro 4100\tSNMPv1"), std::string::npos)
        << found.output;
    EXPECT_EQ(found.output.find(std::string(kV3Only) + "\tsecure-4500\tKestrel LaserPro 4500\tSNMPv3") !=
                  std::string::npos,
              profile)
        << found.output;
  }
}

TEST_F(SnmpV3Wiring, StatusAsksWithThePortsChoiceAndSaysTheVersion) {
  struct Case {
    std::string choice;
    const char* address;
    DWORD exitCode;
    std::vector<std::string> shown;
  };
  spooler.AddMonitorPort("V3Status", kV3Only);
  SetTextValue(HKEY_LOCAL_MACHINE, PortKeyPath("V3Status"), "CommunityName", "mirabo");
  SetProfile("");
  for (const Case& c : {
           Case{"community", kV3Only, 1, {"Reachable               no (no answer)", "SNMP                    SNMPv1"}},
           Case{"profile", kV3Only, 0, {"Reachable               yes", "SNMP                    SNMPv3", kV3Identifier}},
           Case{"user admin256 --auth sha256 --secrets-file " + secrets, kV3Only, 0,
                {"SNMP                    SNMPv3", kV3Identifier}},
           Case{"user wrong --secrets-file " + secrets, kV3Only, 1, {"no (the printer does not know this SNMPv3 user)"}},
           Case{"community", kV1, 0, {"Reachable               yes", "SNMP                    SNMPv1"}},
       }) {
    SCOPED_TRACE(c.choice);
    SetTextValue(HKEY_LOCAL_MACHINE, PortKeyPath("V3Status"), "DeviceIP", c.address);
    ASSERT_EQ(PrlPort("snmpv3 port V3Status " + c.choice).exitCode, 0u);
    ChildResult result = PrlPort("status V3Status");
    EXPECT_EQ(result.exitCode, c.exitCode) << result.output;
    for (const std::string& shown : c.shown) EXPECT_NE(result.output.find(shown), std::string::npos) << result.output;
  }
}

// The watch asks each port as its choice says: the SNMPv3 port's words say the link is up,
// and so do those of the community port beside it.
TEST_F(SnmpV3Wiring, TheWatchAsksAnSnmpV3PortWithItsUserAndACommunityPortBesideIt) {
  AddWatchedPort("V3Watched", kV3Only, "V3Printer");
  AddWatchedPort("V1Watched", kV1, "V1Printer");
  ASSERT_EQ(PrlPort("snmpv3 port V3Watched user admin --secrets-file " + secrets).exitCode, 0u);
  monitor.emplace();
  EXPECT_TRUE(Within([] { return IsBiDiLinkEstablished("V3Printer"); }));
  EXPECT_TRUE(Within([] { return IsBiDiLinkEstablished("V1Printer"); }));
}

// What the v3-only printer counted: communities it does not have (snmpInBadCommunityNames),
// unknown users and unknown engine IDs (discovery probes). Read over the caller's engine,
// so that reading again adds nothing; empty when it did not answer.
std::vector<int64_t> V3OnlyCounts(UsmEngine& engine) {
  UsmUser user;
  ToUsmUser(LabUsmUser("admin"), user);
  WinsockSession winsock;
  UdpSocket socket;
  snmp::Response answer;
  UsmError error = UsmError::None;
  const std::vector<snmp::Oid> counters = {{1, 3, 6, 1, 2, 1, 11, 4, 0}, {1, 3, 6, 1, 6, 3, 15, 1, 1, 3, 0},
                                           {1, 3, 6, 1, 6, 3, 15, 1, 1, 4, 0}};
  if (ConnectToPrinter(socket, Ipv4(HostOrder(kV3Only), 161)))
    AskPrinter(socket, user, engine, counters, kStatusAttemptWaitsMs, nullptr, answer, error);
  std::vector<int64_t> counts;
  for (const snmp::Varbind& counter : answer.varbinds) counts.push_back(counter.integer);
  return counts;
}

// With the profile used instead of the community, the search sends no community at all:
// the v3-only printer is found over SNMPv3, the v1 printer beside it is not.
TEST_F(SnmpV3Wiring, InsteadOfTheCommunityTheSearchSendsNoCommunity) {
  SetProfile(" --instead-of-community");
  ChildResult found =
      PrlPort("find --seconds 4 --subnet 127.1.0.16/255.255.255.240 --subnet 127.1.0.64/255.255.255.248");
  EXPECT_NE(found.output.find(std::string(kV3Only) + "\tsecure-4500\tKestrel LaserPro 4500\tSNMPv3"),
            std::string::npos)
      << found.output;
  EXPECT_EQ(found.output.find(std::string(kV1) + "\t"), std::string::npos) << found.output;
}

// A port on the profile while none is stored is accepted with a warning; neither
// `status` nor the watch sends its printer anything, and `status` says why.
TEST_F(SnmpV3Wiring, APortOnTheProfileWithNoneStoredSendsNothingAndSaysSo) {
  AddWatchedPort("V3Watched", kV3Only, "V3Printer");
  AddWatchedPort("V1Watched", kV1, "V1Printer");
  UsmEngine engine;
  const std::vector<int64_t> before = V3OnlyCounts(engine);
  ASSERT_EQ(before.size(), 3u);
  const std::string chosen = PrlPort("snmpv3 port V3Watched profile").output;
  EXPECT_NE(chosen.find("no SNMPv3 profile is set on this machine: the port's"), std::string::npos) << chosen;
  ChildResult status = PrlPort("status V3Watched");
  EXPECT_NE(status.output.find("Reachable               no (no SNMPv3 profile is set on this machine)"),
            std::string::npos)
      << status.output;
  monitor.emplace();
  EXPECT_TRUE(Within([] { return IsBiDiLinkEstablished("V1Printer"); }));
  Sleep(1500);  // the V3 port's next round, a status interval later
  EXPECT_FALSE(IsBiDiLinkEstablished("V3Printer"));
  EXPECT_EQ(V3OnlyCounts(engine), before) << "the v3-only printer was sent something";
}

// identify, and add or set where they identify, say the version that answered in the
// words of find and status; a port not identified says none.
TEST_F(SnmpV3Wiring, IdentifyAndAddSayTheVersionThatAnswered) {
  SetProfile("");
  const std::pair<std::string, const char*> cases[] = {
      {std::string("identify ") + kV3Only, "1.3.6.1.4.1.99901.1.70\t(not in the catalogue)\tSNMPv3\r\n"},
      {std::string("add V3Added ") + kV3Only, "\nSNMP                    SNMPv3\r\n"},
      {std::string("set V3Added --address ") + kV1 + " --identify", "\nSNMP                    SNMPv1\r\n"},
      {std::string("add V3Custom ") + kV3Only + " --custom", nullptr},
  };
  for (const auto& [command, says] : cases) {
    const ChildResult result = PrlPort(command);
    EXPECT_EQ(result.exitCode, 0u) << command << ": " << result.output;
    EXPECT_EQ(result.output.find(says != nullptr ? says : "SNMPv") != std::string::npos, says != nullptr)
        << command << ": " << result.output;
  }
  for (const char* name : {"V3Added", "V3Custom"}) DeleteTree(HKEY_LOCAL_MACHINE, PortKeyPath(name));
}

}  // namespace
