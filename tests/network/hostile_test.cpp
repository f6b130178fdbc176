// Printer identification against a hostile responder: truncated, garbage, mismatched
// and over-long replies give failures, never a crash or an overrun of the caller's
// buffer. They run before the lab's agents hold port 161 (see HostileResponder).
#include <winsock2.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>

#include "PrlStat.h"
#include "SnmpExchange.h"
#include "StatusQuery.h"
#include "hostile_responder.h"
#include "identify.h"
#include "winsock_test.h"
#include "lab_printers.h"

namespace {

using Hostile = WinsockTest;

const ber::Bytes kSysObjectId = ber::Oid({6, 1, 2, 1, 1, 2, 0});

TEST_F(Hostile, GarbageTruncatedAndMismatchedRepliesAreIgnored) {
  HostileResponder responder([](int32_t id) {
    ber::Bytes good = ber::GetResponse(id, {ber::Varbind(kSysObjectId, ber::Oid({6, 1, 4, 1, 99999, 7}))});
    return std::vector<HostileResponder::Datagram>{
        {{0xDE, 0xAD, 0xBE, 0xEF}},
        {ber::Bytes(good.begin(), good.end() - 3)},
        {ber::GetResponse(id + 1, {ber::Varbind(kSysObjectId, ber::Oid({6, 1, 4, 1, 666}))})},
        {ber::GetResponse(id, {ber::Varbind(kSysObjectId, ber::Oid({6, 1, 4, 1, 667}))}), true},
        {good},
    };
  });
  Identified identified = Identify(HostileResponder::kAddress, "mirabo");
  EXPECT_EQ(identified.result, kPrlStatOk);
  EXPECT_EQ(identified.identifier, "1.3.6.1.4.1.99999.7");
}

TEST_F(Hostile, OnlyGarbageMeansNoAnswer) {
  HostileResponder responder([](int32_t) {
    return std::vector<HostileResponder::Datagram>{{{0x30, 0x84, 0x7F, 0xFF, 0xFF, 0xFF}}, {{0x30, 0x00}}};
  });
  EXPECT_EQ(Identify(HostileResponder::kAddress, "mirabo").result, kPrlStatNoAnswer);
}

TEST_F(Hostile, ErrorsWrongTypesAndEmptyIdentifiersFail) {
  int32_t round = 0;
  HostileResponder responder([&round](int32_t id) {
    switch (round++) {
      case 0:
        return std::vector<HostileResponder::Datagram>{
            {ber::GetResponse(id, {ber::Varbind(kSysObjectId, ber::Tlv(0x05, {}))}, 2)}};
      case 1:
        return std::vector<HostileResponder::Datagram>{
            {ber::GetResponse(id, {ber::Varbind(kSysObjectId, ber::Text("1.3.6.1.4.1.5"))})}};
      default:
        return std::vector<HostileResponder::Datagram>{
            {ber::GetResponse(id, {ber::Varbind(ber::Oid({6, 1, 2, 1, 1, 5, 0}), ber::Oid({6, 1}))})}};
    }
  });
  EXPECT_EQ(Identify(HostileResponder::kAddress, "mirabo").result, kPrlStatRefused);
  EXPECT_EQ(Identify(HostileResponder::kAddress, "mirabo").result, kPrlStatMalformed);
  EXPECT_EQ(Identify(HostileResponder::kAddress, "mirabo").result, kPrlStatMalformed);
}

TEST_F(Hostile, AnOverlongIdentifierIsCutToTheCallersBuffer) {
  HostileResponder responder([](int32_t id) {
    ber::Bytes oid{0x2B};
    for (int i = 0; i < 120; ++i) oid.insert(oid.end(), {0x86, 0x8D, 0x1F});  // 99999, 120 times
    return std::vector<HostileResponder::Datagram>{
        {ber::GetResponse(id, {ber::Varbind(kSysObjectId, ber::Tlv(0x06, oid))})}};
  });
  Identified identified = Identify(HostileResponder::kAddress, "mirabo");
  ASSERT_EQ(identified.result, kPrlStatOk);
  EXPECT_EQ(identified.identifier.size(), 259u);
  EXPECT_EQ(identified.identifier.substr(0, 10), "1.3.99999.");
}

// The watch's askers of the same question share it while it is in flight, and its answer
// for as long as the later asker allows; another community is asked apart.
TEST_F(Hostile, AskersOfTheSameQuestionShareItAndItsAnswerAnotherCommunityIsAskedApart) {
  std::atomic<int> requests{0};
  HostileResponder responder([&requests](int32_t id) {
    ++requests;
    return std::vector<HostileResponder::Datagram>{
        {ber::GetResponse(id, {ber::Varbind(kSysObjectId, ber::Oid({6, 1, 4, 1, 99999, 7}))})}};
  });
  struct Case {
    const char* secondCommunity;
    ULONGLONG keptMs;
    bool together;  // the second asks while the first's question is in flight
    int asked;      // requests that went for both
  };
  const SocketAddress printer = Ipv4(HostOrder(HostileResponder::kAddress), 161);
  const std::vector<snmp::Oid> oids = {{1, 3, 6, 1, 2, 1, 1, 2, 0}};
  for (const Case& c : {Case{"mirabo", 0, true, 1}, Case{"other", 0, true, 2}, Case{"mirabo", 60000, false, 1},
                        Case{"mirabo", 0, false, 2}, Case{"other", 60000, false, 2}}) {
    SCOPED_TRACE(std::string(c.secondCommunity) + (c.together ? " together" : " after") + ", kept " +
                 std::to_string(c.keptMs));
    SnmpExchange exchange(kStatusAttemptWaitsMs);
    const int before = requests;
    int answered = 0;
    const auto runUntil = [&](int count) {
      for (const ULONGLONG giveUp = GetTickCount64() + 5000; answered < count && GetTickCount64() < giveUp; Sleep(10))
        for (const SnmpExchange::Ended& ended : exchange.Advance(GetTickCount64())) answered += ended.answer ? 1 : 0;
    };
    exchange.Ask(1, printer, "mirabo", oids, GetTickCount64(), c.keptMs);
    if (!c.together) runUntil(1);
    exchange.Ask(2, printer, c.secondCommunity, oids, GetTickCount64(), c.keptMs);
    runUntil(2);
    EXPECT_EQ(answered, 2);
    EXPECT_EQ(requests - before, c.asked);
  }
}

}  // namespace
