// The SNMPv1 codec on the host, under AddressSanitizer and UBSan: requests encode as
// net-snmp expects, responses decode, and malformed replies are refused without reading
// past the datagram.
#include <gtest/gtest.h>

#include <algorithm>

#include "Snmp.h"
#include "ber_builder.h"

namespace {

using ber::Bytes;
using ber::Cat;
using ber::Tlv;
Bytes Int(uint8_t value) { return ber::Int(value); }
Bytes Text(const std::string& text) { return ber::Text(text); }
const Bytes kSysObjectIdName = Tlv(0x06, {0x2B, 6, 1, 2, 1, 1, 2, 0});
const Bytes kEnterpriseValue = Tlv(0x06, {0x2B, 6, 1, 4, 1, 0x86, 0x8D, 0x1F, 1, 2, 3});  // 1.3.6.1.4.1.99999.1.2.3

Bytes Response(Bytes varbindList, uint8_t requestId = 7, uint8_t status = 0, uint8_t version = 0,
               uint8_t pdu = 0xA2) {
  return Tlv(0x30, Cat({Int(version), Text("mirabo"),
                        Tlv(pdu, Cat({Int(requestId), Int(status), Int(status ? 1 : 0), Tlv(0x30, varbindList)}))}));
}

TEST(SnmpOid, ParsesAndPrintsDottedText) {
  ASSERT_TRUE(snmp::ParseOid(".1.3.6.1.2.1.1.2.0"));
  EXPECT_EQ(snmp::OidText(*snmp::ParseOid(".1.3.6.1.2.1.1.2.0")), "1.3.6.1.2.1.1.2.0");
  EXPECT_EQ(snmp::OidText(*snmp::ParseOid("1.3.6.1.4.1.4294967295")), "1.3.6.1.4.1.4294967295");
  for (const char* bad : {"", "1", "1..3", "1.3.", "1.3.x", "3.1", "1.40", "1.3.4294967296"})
    EXPECT_FALSE(snmp::ParseOid(bad)) << bad;
}

TEST(SnmpRequest, EncodesAGetRequestAsOnTheWire) {
  Bytes request = snmp::EncodeGetRequest("public", 0x1234, {*snmp::ParseOid("1.3.6.1.2.1.1.2.0")});
  Bytes expected = Tlv(0x30, Cat({Int(0), Text("public"),
                                  Tlv(0xA0, Cat({Tlv(0x02, {0x12, 0x34}), Int(0), Int(0),
                                                 Tlv(0x30, Tlv(0x30, Cat({kSysObjectIdName, Tlv(0x05, {})})))}))}));
  EXPECT_EQ(request, expected);
  Bytes negative = snmp::EncodeGetRequest("c", -1, {});
  const Bytes minusOne{0x02, 0x01, 0xFF};  // request id -1 in a single byte
  EXPECT_NE(std::search(negative.begin(), negative.end(), minusOne.begin(), minusOne.end()), negative.end());
}

TEST(SnmpResponse, DecodesIdentifierTextAndErrors) {
  auto response = snmp::DecodeGetResponse(Response(Tlv(0x30, Cat({kSysObjectIdName, kEnterpriseValue}))));
  ASSERT_TRUE(response);
  EXPECT_EQ(response->requestId, 7);
  EXPECT_EQ(response->community, "mirabo");
  ASSERT_EQ(response->varbinds.size(), 1u);
  EXPECT_EQ(response->varbinds[0].type, snmp::ValueType::ObjectIdentifier);
  EXPECT_EQ(snmp::OidText(response->varbinds[0].oid), "1.3.6.1.4.1.99999.1.2.3");

  auto named = snmp::DecodeGetResponse(Response(Tlv(0x30, Cat({kSysObjectIdName, Text("Jetline")}))));
  ASSERT_TRUE(named);
  EXPECT_EQ(named->varbinds[0].text, "Jetline");

  auto missing = snmp::DecodeGetResponse(Response(Tlv(0x30, Cat({kSysObjectIdName, Tlv(0x05, {})})), 7, 2));
  ASSERT_TRUE(missing);
  EXPECT_EQ(missing->errorStatus, snmp::kNoSuchName);
  EXPECT_EQ(missing->errorIndex, 1);

  auto counter = snmp::DecodeGetResponse(Response(Tlv(0x30, Cat({kSysObjectIdName, Tlv(0x41, {1, 2})}))));
  ASSERT_TRUE(counter);
  EXPECT_EQ(counter->varbinds[0].type, snmp::ValueType::Other);
  EXPECT_EQ(counter->varbinds[0].integer, 0x0102);

  // A counter past 2^31 keeps its leading zero octet; a malformed one still decodes as 0.
  auto large = snmp::DecodeGetResponse(Response(Tlv(0x30, Cat({kSysObjectIdName, Tlv(0x41, {0, 0xFF, 0, 0, 1})}))));
  ASSERT_TRUE(large);
  EXPECT_EQ(large->varbinds[0].integer, 0xFF000001);
  auto empty = snmp::DecodeGetResponse(Response(Tlv(0x30, Cat({kSysObjectIdName, Tlv(0x42, {})}))));
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->varbinds[0].integer, 0);
}

TEST(SnmpResponse, RefusesOtherVersionsPdusAndTrailingBytes) {
  Bytes list = Tlv(0x30, Cat({kSysObjectIdName, kEnterpriseValue}));
  EXPECT_FALSE(snmp::DecodeGetResponse(Response(list, 7, 0, 1)));        // SNMPv2c
  EXPECT_FALSE(snmp::DecodeGetResponse(Response(list, 7, 0, 0, 0xA0)));  // a request, not a response
  Bytes trailing = Response(list);
  trailing.push_back(0);
  EXPECT_FALSE(snmp::DecodeGetResponse(trailing));
}

TEST(SnmpResponse, RefusesEveryTruncationWithoutReadingPastTheEnd) {
  Bytes whole = Response(Tlv(0x30, Cat({kSysObjectIdName, kEnterpriseValue})));
  for (size_t size = 0; size < whole.size(); ++size) {
    Bytes cut(whole.begin(), whole.begin() + static_cast<long>(size));  // exactly sized, so ASan sees overreads
    EXPECT_FALSE(snmp::DecodeGetResponse(cut)) << "accepted " << size << " of " << whole.size() << " bytes";
  }
}

TEST(SnmpResponse, RefusesBadLengthsAndOversizedOids) {
  EXPECT_FALSE(snmp::DecodeGetResponse(Bytes{0x30, 0x84, 0xFF, 0xFF, 0xFF, 0xFF}));  // longer than the datagram
  EXPECT_FALSE(snmp::DecodeGetResponse(Bytes{0x30, 0x85, 1, 0, 0, 0, 0}));           // a length that overflows
  EXPECT_FALSE(snmp::DecodeGetResponse(Bytes{0x30, 0x80, 0, 0}));                    // indefinite length

  Bytes longOid{0x2B};
  for (int i = 0; i < 200; ++i) longOid.push_back(1);
  EXPECT_FALSE(snmp::DecodeGetResponse(Response(Tlv(0x30, Cat({kSysObjectIdName, Tlv(0x06, longOid)})))));
  Bytes hugeComponent{0x2B, 0x9F, 0xFF, 0xFF, 0xFF, 0x7F};  // above 32 bits
  EXPECT_FALSE(snmp::DecodeGetResponse(Response(Tlv(0x30, Cat({kSysObjectIdName, Tlv(0x06, hugeComponent)})))));
  Bytes unfinished{0x2B, 0x86};  // a component whose last byte never comes
  EXPECT_FALSE(snmp::DecodeGetResponse(Response(Tlv(0x30, Cat({kSysObjectIdName, Tlv(0x06, unfinished)})))));
}

}  // namespace
