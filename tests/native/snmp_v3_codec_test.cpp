// SNMPv3 messages on the host, under AddressSanitizer and UBSan: what we send is laid out
// as an agent reads it, with the digest's place where the digest is; Reports say their
// counter; malformed and oversized security parameters are refused without reading past
// the datagram.
#include <gtest/gtest.h>

#include "SnmpV3.h"
#include "ber_builder.h"

namespace {

using ber::Bytes;
using ber::Cat;
using ber::Tlv;

const std::string kEngine("\x80\x00\x1f\x88\x80\x12\x34\x56\x78", 9);
const Bytes kSysNameName = ber::Oid({6, 1, 2, 1, 1, 5, 0});

Bytes Report(uint32_t counter) {
  return ber::ScopedPdu(kEngine, 0xA8, 9, {ber::Varbind(ber::Oid({6, 1, 6, 3, 15, 1, 1, counter, 0}), Tlv(0x41, {3}))});
}

TEST(SnmpV3Request, EncodesHeaderSecurityParametersAndScopedPdu) {
  snmp::UsmParameters usm{kEngine, 4, 1200, "printer-admin", std::string(12, '\0'), "saltsalt"};
  const Bytes scoped = snmp::EncodeScopedGet(kEngine, 0x1234, {*snmp::ParseOid("1.3.6.1.2.1.1.5.0")});
  const snmp::EncodedV3 encoded = snmp::EncodeV3({0x55, 65507, snmp::kFlagAuth | snmp::kFlagReportable}, usm, scoped);

  const Bytes expected = ber::V3Message(
      0x55, 0x05, ber::UsmField({kEngine, "printer-admin", std::string(12, '\0'), "saltsalt", 4, 1200}),
      Tlv(0x30, Cat({ber::Text(kEngine), ber::Text(""),
                     Tlv(0xA0, Cat({Tlv(0x02, {0x12, 0x34}), ber::Int(0), ber::Int(0),
                                    Tlv(0x30, ber::Varbind(kSysNameName, Tlv(0x05, {})))}))})));
  EXPECT_EQ(encoded.bytes, expected);
  ASSERT_EQ(encoded.authLength, 12u);
  EXPECT_EQ(Bytes(encoded.bytes.begin() + static_cast<long>(encoded.authOffset),
                  encoded.bytes.begin() + static_cast<long>(encoded.authOffset + 12)),
            Bytes(12, 0));
  EXPECT_EQ(encoded.bytes[encoded.authOffset - 2], 0x04);  // the digest's OCTET STRING
  EXPECT_EQ(encoded.bytes[encoded.authOffset - 1], 12);
}

TEST(SnmpV3Report, EachUsmCounterIsItsOwnKind) {
  const std::pair<uint32_t, snmp::ReportKind> cases[] = {
      {1, snmp::ReportKind::UnsupportedSecurityLevel}, {2, snmp::ReportKind::NotInTimeWindow},
      {3, snmp::ReportKind::UnknownUserName},          {4, snmp::ReportKind::UnknownEngineId},
      {5, snmp::ReportKind::WrongDigest},              {6, snmp::ReportKind::DecryptionError},
      {7, snmp::ReportKind::Other}};
  for (const auto& [counter, kind] : cases) {
    const auto scoped = snmp::DecodeScopedPdu(Report(counter), false);
    ASSERT_TRUE(scoped) << counter;
    EXPECT_EQ(scoped->type, snmp::PduType::Report);
    EXPECT_EQ(scoped->pdu.requestId, 9);
    EXPECT_EQ(snmp::KindOfReport(scoped->pdu), kind) << counter;
  }
}

TEST(SnmpV3Response, TakesV2ExceptionsAndPaddingOnlyWhereAllowed) {
  const Bytes missing = ber::ScopedPdu(kEngine, 0xA2, 5, {ber::Varbind(kSysNameName, Tlv(0x81, {}))});
  const auto scoped = snmp::DecodeScopedPdu(missing, false);
  ASSERT_TRUE(scoped);
  EXPECT_EQ(scoped->pdu.varbinds[0].type, snmp::ValueType::Missing);
  EXPECT_FALSE(snmp::DecodeGetResponse(ber::GetResponse(5, {ber::Varbind(kSysNameName, Tlv(0x81, {}))})));

  Bytes padded = missing;
  padded.insert(padded.end(), {0, 0, 0});
  EXPECT_TRUE(snmp::DecodeScopedPdu(padded, true));
  EXPECT_FALSE(snmp::DecodeScopedPdu(padded, false));
  EXPECT_FALSE(snmp::DecodeScopedPdu(ber::ScopedPdu(kEngine, 0xA0, 5, {}), false));  // a request
}

TEST(SnmpV3Message, RefusesMalformedHeadersAndSecurityParameters) {
  const Bytes report = Report(4);
  const std::string longText(33, 'x');
  const std::pair<const char*, Bytes> cases[] = {
      {"version 1", Tlv(0x30, Cat({ber::Int(1), Tlv(0x30, {}), ber::UsmField({}), report}))},
      {"priv without auth", ber::V3Message(1, snmp::kFlagPriv, ber::UsmField({}), ber::Text("x"))},
      {"engine id over 32 bytes", ber::V3Message(1, 0, ber::UsmField({longText, "", "", "", 0, 0}), report)},
      {"user name over 32 bytes", ber::V3Message(1, 0, ber::UsmField({kEngine, longText, "", "", 0, 0}), report)},
      {"digest over 24 bytes", ber::V3Message(1, 0, ber::UsmField({kEngine, "u", std::string(25, 'd'), "", 0, 0}), report)},
      {"salt over 8 bytes", ber::V3Message(1, 0, ber::UsmField({kEngine, "u", "", "123456789", 0, 0}), report)},
      {"negative boots", ber::V3Message(1, 0, ber::UsmField({kEngine, "u", "", "", -1, 0}), report)},
      {"negative msgID", ber::V3Message(-5, 0, ber::UsmField({kEngine, "u", "", "", 0, 0}), report)},
      {"security parameters not a sequence", ber::V3Message(1, 0, ber::Text("usm"), report)},
      {"bytes after the USM sequence",
       ber::V3Message(1, 0, Tlv(0x04, Cat({Tlv(0x30, Cat({ber::Text(""), ber::Int(0), ber::Int(0), ber::Text(""),
                                                         ber::Text(""), ber::Text("")})),
                                          Bytes{0}})),
                      report)},
      {"encrypted data in clear", ber::V3Message(1, snmp::kFlagAuth | snmp::kFlagPriv, ber::UsmField({}), report)},
      {"clear data as octets", ber::V3Message(1, 0, ber::UsmField({}), ber::Text("x"))},
      {"another security model",
       Tlv(0x30, Cat({ber::Int(3), Tlv(0x30, Cat({ber::Int(1), ber::Int(65507), Tlv(0x04, Bytes{0}), ber::Int(2)})),
                      ber::UsmField({}), report}))},
      {"message size under 484",
       Tlv(0x30, Cat({ber::Int(3), Tlv(0x30, Cat({ber::Int(1), ber::Int(483), Tlv(0x04, Bytes{0}), ber::Int(3)})),
                      ber::UsmField({}), report}))},
  };
  for (const auto& [what, datagram] : cases) EXPECT_FALSE(snmp::DecodeV3(datagram)) << what;
}

TEST(SnmpV3Message, RefusesEveryTruncationWithoutReadingPastTheEnd) {
  const Bytes whole = ber::V3Message(77, 0, ber::UsmField({kEngine, "", "", "", 4, 1200}), Report(4)), scoped = Report(4);
  ASSERT_TRUE(snmp::DecodeV3(whole));
  for (size_t size = 0; size < whole.size(); ++size) {
    const auto cut = [size](const Bytes& bytes) { return Bytes(bytes.begin(), bytes.begin() + static_cast<long>(size)); };
    // Each cut exactly sized, so that ASan sees an overread.
    EXPECT_FALSE(snmp::DecodeV3(cut(whole))) << "accepted " << size << " of " << whole.size() << " bytes";
    if (size < scoped.size()) EXPECT_FALSE(snmp::DecodeScopedPdu(cut(scoped), true)) << "scoped PDU cut at " << size;
  }
}

}  // namespace
