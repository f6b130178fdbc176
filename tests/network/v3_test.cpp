// SNMPv3 against the lab's v3-only printers (net-snmp agents without communities, with
// a user of each security level): identification through PrlStat.dll's entry of our own,
// the search through PRLFIND.dll's (every user on every printer), the exchange that the
// status watch uses, and the errors that each refusal gives.
#include <winsock2.h>

#include <gtest/gtest.h>

#include <map>
#include <mutex>

#include "PrlFind.h"
#include "PrlStat.h"
#include "SnmpExchange.h"
#include "StatusQuery.h"
#include "found_printers.h"
#include "identify.h"
#include "lab_printers.h"
#include "winsock_test.h"

namespace {

using SnmpV3 = WinsockTest;

const snmp::Oid kSysObjectId = {1, 3, 6, 1, 2, 1, 1, 2, 0};
constexpr DWORD kExchangeWaitsMs[] = {500, 1000};
const char kRestartingPrinter[] = "127.1.0.72";

UsmUser User(const std::string& name) {
  UsmUser user;
  EXPECT_TRUE(ToUsmUser(LabUsmUser(name), user)) << name;
  return user;
}

TEST_F(SnmpV3, TheVersionThatAnsweredIsSaid) {
  const PrlUsmUser admin = LabUsmUser("admin");
  const struct {
    const char* what;
    const char* address;
    const char* community;
    uint32_t flags;
    uint32_t version;
    const char* identifier;
  } cases[] = {
      {"a v1 printer, community first", "127.1.0.20", "mirabo", 0, 1, "1.3.6.1.4.1.99901.1.10"},
      {"a v3-only printer after its community went unanswered", "127.1.0.70", "public", 0, 3, "1.3.6.1.4.1.99901.1.70"},
      {"a v3-only printer, v3 first", "127.1.0.70", "public", kPrlStatV3First, 3, "1.3.6.1.4.1.99901.1.70"},
  };
  for (const auto& c : cases) {
    const Identified identified = IdentifyWithUser(c.address, c.community, &admin, c.flags);
    EXPECT_EQ(identified.result, kPrlStatOk) << c.what;
    EXPECT_EQ(identified.version, c.version) << c.what;
    EXPECT_EQ(identified.identifier, c.identifier) << c.what;
  }
  const Identified silent = IdentifyWithUser("127.1.0.99", "public", &admin);
  EXPECT_EQ(silent.result, kPrlStatNoAnswer);
  EXPECT_EQ(silent.version, 0u);
}

TEST_F(SnmpV3, EachRefusalGivesItsOwnError) {
  auto with = [](const char* name, auto change) {
    PrlUsmUser user = LabUsmUser(name);
    change(user);
    return user;
  };
  const struct {
    const char* what;
    PrlUsmUser user;
    int result;
    UsmError error;
  } cases[] = {
      {"an unknown user", with("watcher", [](PrlUsmUser& u) { strcpy(u.name, "nobody"); }), kPrlStatUsmRefused,
       UsmError::UnknownUser},
      {"a wrong authentication pass phrase", with("admin", [](PrlUsmUser& u) { strcpy(u.authPassphrase, "not-the-key"); }),
       kPrlStatUsmRefused, UsmError::WrongDigest},
      {"the wrong authentication protocol", with("admin256", [](PrlUsmUser& u) { u.auth = 1; }), kPrlStatUsmRefused,
       UsmError::WrongDigest},
      // net-snmp drops a request that does not decrypt to a scoped PDU without a Report
      // (snmpget times out too); the agent did answer the discovery.
      {"a wrong privacy pass phrase", with("admin", [](PrlUsmUser& u) { strcpy(u.privPassphrase, "not-the-key"); }),
       kPrlStatUsmRefused, UsmError::EncryptedUnanswered},
      {"a level the user has no keys for", with("watcher", [](PrlUsmUser& u) {
         u.level = 1;
         u.auth = 1;
         strcpy(u.authPassphrase, "watcher-pass");
       }),
       kPrlStatUsmRefused, UsmError::UnsupportedSecurityLevel},
      {"an empty pass phrase", with("admin", [](PrlUsmUser& u) { u.authPassphrase[0] = '\0'; }), kPrlStatUsmRefused,
       UsmError::NoKey},
      {"a level below the user's access", with("admin", [](PrlUsmUser& u) { u.level = 0; }), kPrlStatRefused,
       UsmError::None},
  };
  for (const auto& c : cases) {
    // Alone, and first with a community the v3-only printer leaves unanswered: its
    // refusal is said either way.
    for (const char* community : {static_cast<const char*>(nullptr), "mirabo"}) {
      const Identified identified = IdentifyWithUser("127.1.0.70", community, &c.user, kPrlStatV3First);
      EXPECT_EQ(identified.result, c.result) << c.what << (community ? " and a community" : "");
      EXPECT_EQ(identified.usmError, static_cast<int>(c.error))
          << c.what << ": " << UsmErrorText(static_cast<UsmError>(identified.usmError));
    }
  }
}

// The agent reports no printer objects: noSuchInstance, as v1's noSuchName.
TEST_F(SnmpV3, TheStatusQueryAsksWithTheUser) {
  const PrinterState state = QueryPrinterState("127.1.0.71", User("admin256"), nullptr);
  EXPECT_EQ(state.reach, PrinterState::Reach::Answered);
  EXPECT_EQ(state.identity, "1.3.6.1.4.1.99902.7.71");
  EXPECT_FALSE(state.hasStatus);
}

std::map<uint64_t, SnmpExchange::Ended> RunUntilEnded(SnmpExchange& exchange, size_t count) {
  std::map<uint64_t, SnmpExchange::Ended> ended;
  const ULONGLONG giveUp = GetTickCount64() + 10000;
  while (ended.size() < count && GetTickCount64() < giveUp) {
    for (SnmpExchange::Ended& one : exchange.Advance(GetTickCount64())) ended.emplace(one.ticket, std::move(one));
    const std::vector<HANDLE> events = exchange.Events();
    WaitForMultipleObjects(static_cast<DWORD>(events.size()), events.data(), FALSE, 20);
  }
  return ended;
}

std::string IdentityIn(const SnmpExchange::Ended& ended) {
  if (!ended.answer || ended.answer->varbinds.empty()) return "";
  return snmp::OidText(ended.answer->varbinds[0].oid);
}

TEST_F(SnmpV3, QuestionsInFlightTogetherEachGetTheirOwnAnswerOrRefusal) {
  SnmpExchange exchange(kExchangeWaitsMs);
  const ULONGLONG now = GetTickCount64();
  exchange.Ask(1, Ipv4(HostOrder("127.1.0.20"), 161), "mirabo", {kSysObjectId}, now);
  exchange.Ask(2, Ipv4(HostOrder("127.1.0.70"), 161), User("admin"), {kSysObjectId}, now);
  exchange.Ask(3, Ipv4(HostOrder("127.1.0.71"), 161), User("admin256"), {kSysObjectId}, now);
  exchange.Ask(4, Ipv4(HostOrder("127.1.0.70"), 161), User("watcher"), {kSysObjectId}, now);
  UsmUser wrong = User("admin");
  wrong.authPassphrase = "not-the-key";
  exchange.Ask(5, Ipv4(HostOrder("127.1.0.70"), 161), wrong, {kSysObjectId}, now);
  std::map<uint64_t, SnmpExchange::Ended> ended = RunUntilEnded(exchange, 5);
  ASSERT_EQ(ended.size(), 5u);
  const std::pair<int, const char*> expected[] = {
      {1, "1.3.6.1.4.1.99901.1.10"}, {3, "1.3.6.1.4.1.99901.1.70"}, {3, "1.3.6.1.4.1.99902.7.71"}, {3, "1.3.6.1.4.1.99901.1.70"}};
  for (uint64_t ticket = 1; ticket <= 4; ++ticket) {
    EXPECT_EQ(ended[ticket].version, expected[ticket - 1].first) << ticket;
    EXPECT_EQ(IdentityIn(ended[ticket]), expected[ticket - 1].second) << ticket;
  }
  EXPECT_FALSE(ended[5].answer);
  EXPECT_EQ(ended[5].error, UsmError::WrongDigest) << "the refusal's reason reaches its own ticket";
}

// The agent keeps its engine ID and counts a new boot; the exchange still holds the old
// boots and time, is told so by an authenticated notInTimeWindow Report, and follows.
TEST_F(SnmpV3, AnAgentRestartedWithNewBootsIsFollowed) {
  SnmpExchange exchange(kExchangeWaitsMs);
  const SocketAddress printer = Ipv4(HostOrder(kRestartingPrinter), 161);
  for (const char* user : {"admin", "admin256"}) {
    exchange.Ask(1, printer, User(user), {kSysObjectId}, GetTickCount64());
    std::map<uint64_t, SnmpExchange::Ended> before = RunUntilEnded(exchange, 1);
    EXPECT_EQ(IdentityIn(before[1]), "1.3.6.1.4.1.99903.3.72") << user;

    ASSERT_TRUE(RunLabAgent(std::string("stop ") + kRestartingPrinter));
    ASSERT_TRUE(RunLabAgent(std::string("start ") + kRestartingPrinter));
    exchange.Ask(2, printer, User(user), {kSysObjectId}, GetTickCount64());
    std::map<uint64_t, SnmpExchange::Ended> after = RunUntilEnded(exchange, 1);
    EXPECT_EQ(IdentityIn(after[2]), "1.3.6.1.4.1.99903.3.72") << user << ": " << UsmErrorText(after[2].error);
  }
}

// One search per user, side by side, each in its own context.
TEST_F(SnmpV3, ASearchWithAUserFindsV3OnlyPrintersAtEachLevel) {
  const std::vector<std::string> names = LabUsmUserNames();
  std::vector<PrlUsmUser> users;
  for (const std::string& name : names) users.push_back(LabUsmUser(name));
  std::vector<Collector> collectors(names.size());
  std::vector<DiscoveryContext> contexts(names.size(), DiscoveryContext{});
  for (size_t i = 0; i < names.size(); ++i)
    ASSERT_EQ(StartDiscoveryUsm(&contexts[i], &Collector::VersionCallback, &collectors[i], &users[i]), 0) << names[i];
  // The whole sweep with its retries; under load the answers may come later still.
  Sleep(3000);
  const auto everyV3PrinterFound = [&] {
    for (Collector& collector : collectors)
      for (const LabPrinter& printer : LabV3Printers())
        if (collector.Snapshot().count(printer.address) == 0) return false;
    return true;
  };
  for (int waited = 0; waited < 30 && !everyV3PrinterFound(); ++waited) Sleep(1000);
  for (DiscoveryContext& context : contexts) EXPECT_EQ(StopDiscovery(&context), 0);
  for (size_t i = 0; i < names.size(); ++i) {
    std::map<std::string, Found> found = collectors[i].Snapshot();
    for (const LabPrinter& printer : LabV3Printers()) {
      ASSERT_EQ(found.count(printer.address), 1u) << printer.address << " was not found as " << names[i];
      EXPECT_EQ(found[printer.address].version, 3u) << printer.address;
      EXPECT_EQ(found[printer.address].times, 1) << printer.address;
      EXPECT_EQ(found[printer.address].name, printer.sysName) << printer.address;
      EXPECT_EQ(found[printer.address].model, printer.ReportedModel()) << printer.address;
    }
    for (const LabPrinter& printer : LabPrinters()) {
      if (!printer.OnLan() || !(printer.Answers("mirabo") || printer.Answers("public"))) continue;
      ASSERT_EQ(found.count(printer.address), 1u) << printer.address << " was not found as " << names[i];
      EXPECT_EQ(found[printer.address].version, 1u) << printer.address;
      EXPECT_EQ(found[printer.address].times, 1) << printer.address;
    }
  }
}

TEST_F(SnmpV3, ASearchWithAWrongUserReportsNoV3OnlyPrinter) {
  PrlUsmUser user = LabUsmUser("admin");
  strcpy(user.privPassphrase, "not-the-key");
  Collector collector;
  DiscoveryContext context{};
  ASSERT_EQ(StartDiscoveryUsm(&context, &Collector::VersionCallback, &collector, &user), 0);
  Sleep(3000);
  EXPECT_EQ(StopDiscovery(&context), 0);
  std::map<std::string, Found> found = collector.Snapshot();
  for (const LabPrinter& printer : LabV3Printers()) EXPECT_EQ(found.count(printer.address), 0u) << printer.address;
  PrlUsmUser bad = user;
  bad.level = 7;
  EXPECT_EQ(StartDiscoveryUsm(&context, &Collector::VersionCallback, &collector, &bad), -1);
  EXPECT_EQ(StartDiscoveryUsm(&context, &Collector::VersionCallback, &collector, nullptr), -1);
}

}  // namespace
