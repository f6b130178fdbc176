#include "SnmpV3.h"

#include <algorithm>

#include "Ber.h"

namespace snmp {
namespace {

using namespace ber;

constexpr int64_t kVersion3 = 3;
constexpr int64_t kUsmSecurityModel = 3;
constexpr int32_t kLeastMessageSize = 484;  // RFC 3412: msgMaxSize (484..2147483647)
constexpr size_t kMaxContextNameBytes = 32;

std::vector<uint8_t> OctetString(std::string_view text) {
  std::vector<uint8_t> out;
  PutTlv(out, kOctetString, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
  return out;
}

std::vector<uint8_t> Integer(int64_t value) {
  std::vector<uint8_t> out;
  PutTlv(out, kInteger, IntegerContent(value));
  return out;
}

void Append(std::vector<uint8_t>& out, const std::vector<uint8_t>& more) { out.insert(out.end(), more.begin(), more.end()); }

bool ReadText(Reader& reader, size_t most, std::string& text) {
  std::span<const uint8_t> content;
  if (!reader.Expect(kOctetString, content) || content.size() > most) return false;
  text.assign(content.begin(), content.end());
  return true;
}

bool DecodeGlobalData(std::span<const uint8_t> content, V3Header& header) {
  Reader reader(content);
  std::span<const uint8_t> flags;
  int32_t model = 0;
  if (!DecodeUint31(reader, header.msgId) || !DecodeUint31(reader, header.maxSize) ||
      header.maxSize < kLeastMessageSize || !reader.Expect(kOctetString, flags) || flags.size() != 1 ||
      !DecodeInt32(reader, model) || model != kUsmSecurityModel || !reader.AtEnd())
    return false;
  header.flags = flags[0];
  // Privacy without authentication is no valid level (RFC 3412 section 7.2, step 5).
  return (header.flags & (kFlagAuth | kFlagPriv)) != kFlagPriv;
}

bool DecodeUsm(std::span<const uint8_t> octets, std::span<const uint8_t> datagram, DecodedV3& message) {
  Reader outer(octets);
  std::span<const uint8_t> content, auth;
  if (!outer.Expect(kSequence, content) || !outer.AtEnd()) return false;
  Reader reader(content);
  UsmParameters& usm = message.usm;
  if (!ReadText(reader, kMaxEngineIdBytes, usm.engineId) || !DecodeUint31(reader, usm.engineBoots) ||
      !DecodeUint31(reader, usm.engineTime) || !ReadText(reader, kMaxUserNameBytes, usm.userName) ||
      !reader.Expect(kOctetString, auth) || auth.size() > kMaxAuthParamBytes ||
      !ReadText(reader, kPrivParamBytes, usm.privParams) || !reader.AtEnd())
    return false;
  usm.authParams.assign(auth.begin(), auth.end());
  message.authOffset = static_cast<size_t>(auth.data() - datagram.data());
  return true;
}

}  // namespace

std::vector<uint8_t> EncodeScopedGet(std::string_view contextEngineId, int32_t requestId, const std::vector<Oid>& oids) {
  std::vector<uint8_t> content = OctetString(contextEngineId);
  Append(content, OctetString(""));  // the default context
  PutTlv(content, static_cast<uint8_t>(PduType::Get), RequestPduContent(requestId, oids));
  std::vector<uint8_t> scoped;
  PutTlv(scoped, kSequence, content);
  return scoped;
}

EncodedV3 EncodeV3(const V3Header& header, const UsmParameters& usm, std::span<const uint8_t> data) {
  std::vector<uint8_t> usmFields = OctetString(usm.engineId);
  Append(usmFields, Integer(usm.engineBoots));
  Append(usmFields, Integer(usm.engineTime));
  Append(usmFields, OctetString(usm.userName));
  const size_t authAt = usmFields.size() + HeaderSize(usm.authParams.size());
  Append(usmFields, OctetString(usm.authParams));
  Append(usmFields, OctetString(usm.privParams));
  std::vector<uint8_t> usmSequence;
  PutTlv(usmSequence, kSequence, usmFields);

  std::vector<uint8_t> global = Integer(header.msgId);
  Append(global, Integer(header.maxSize));
  PutTlv(global, kOctetString, std::span(&header.flags, 1));
  Append(global, Integer(kUsmSecurityModel));

  std::vector<uint8_t> message = Integer(kVersion3);
  PutTlv(message, kSequence, global);
  const size_t usmAt = message.size() + HeaderSize(usmSequence.size()) + HeaderSize(usmFields.size());
  PutTlv(message, kOctetString, usmSequence);
  if (header.flags & kFlagPriv)
    PutTlv(message, kOctetString, data);
  else
    message.insert(message.end(), data.begin(), data.end());

  EncodedV3 encoded;
  PutTlv(encoded.bytes, kSequence, message);
  encoded.authOffset = HeaderSize(message.size()) + usmAt + authAt;
  encoded.authLength = usm.authParams.size();
  return encoded;
}

std::optional<DecodedV3> DecodeV3(std::span<const uint8_t> datagram) {
  Reader outer(datagram);
  std::span<const uint8_t> message, global, security;
  if (!outer.Expect(kSequence, message) || !outer.AtEnd()) return std::nullopt;
  Reader fields(message);
  int64_t version = -1;
  std::span<const uint8_t> versionContent;
  if (!fields.Expect(kInteger, versionContent) || !DecodeInteger(versionContent, version) || version != kVersion3)
    return std::nullopt;
  DecodedV3 decoded;
  if (!fields.Expect(kSequence, global) || !DecodeGlobalData(global, decoded.header)) return std::nullopt;
  if (!fields.Expect(kOctetString, security) || !DecodeUsm(security, datagram, decoded)) return std::nullopt;
  const std::span<const uint8_t> data = fields.Rest();
  std::span<const uint8_t> content;
  if (decoded.Encrypted()) {
    if (!fields.Expect(kOctetString, content) || !fields.AtEnd()) return std::nullopt;
    decoded.data.assign(content.begin(), content.end());
  } else {
    if (!fields.Expect(kSequence, content) || !fields.AtEnd()) return std::nullopt;
    decoded.data.assign(data.begin(), data.end());
  }
  return decoded;
}

std::optional<ScopedPdu> DecodeScopedPdu(std::span<const uint8_t> bytes, bool padded) {
  Reader outer(bytes);
  std::span<const uint8_t> content, pdu;
  if (!outer.Expect(kSequence, content) || (!padded && !outer.AtEnd())) return std::nullopt;
  Reader reader(content);
  ScopedPdu scoped;
  uint8_t tag = 0;
  if (!ReadText(reader, kMaxEngineIdBytes, scoped.contextEngineId) ||
      !ReadText(reader, kMaxContextNameBytes, scoped.contextName) || !reader.Next(tag, pdu) || !reader.AtEnd())
    return std::nullopt;
  if (tag != static_cast<uint8_t>(PduType::Response) && tag != static_cast<uint8_t>(PduType::Report))
    return std::nullopt;
  scoped.type = static_cast<PduType>(tag);
  if (!DecodePduContent(pdu, true, scoped.pdu)) return std::nullopt;
  return scoped;
}

ReportKind KindOfReport(const Response& report) {
  static const Oid kUsmStats = {1, 3, 6, 1, 6, 3, 15, 1, 1};
  static const ReportKind kKinds[] = {ReportKind::UnsupportedSecurityLevel, ReportKind::NotInTimeWindow,
                                      ReportKind::UnknownUserName,          ReportKind::UnknownEngineId,
                                      ReportKind::WrongDigest,              ReportKind::DecryptionError};
  if (report.varbinds.empty()) return ReportKind::Other;
  const Oid& name = report.varbinds[0].name;
  if (name.size() != kUsmStats.size() + 2 || !std::equal(kUsmStats.begin(), kUsmStats.end(), name.begin()) ||
      name.back() != 0)
    return ReportKind::Other;
  const uint32_t counter = name[kUsmStats.size()];
  return counter >= 1 && counter <= std::size(kKinds) ? kKinds[counter - 1] : ReportKind::Other;
}

}  // namespace snmp
