// Printer identification against a hostile responder: truncated, garbage, mismatched
// and over-long replies give failures, never a crash or an overrun of the caller's
// buffer. They run before the lab's agents hold port 161 (see HostileResponder).
#include <winsock2.h>

#include <gtest/gtest.h>

#include <cstring>

#include "PrlStat.h"
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

}  // namespace
