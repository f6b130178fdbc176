#include "Ber.h"

namespace snmp::ber {

void PutLength(std::vector<uint8_t>& out, size_t length) {
  if (length < 0x80) {
    out.push_back(static_cast<uint8_t>(length));
    return;
  }
  uint8_t bytes[sizeof(size_t)];
  int count = 0;
  for (size_t rest = length; rest != 0; rest >>= 8) bytes[count++] = static_cast<uint8_t>(rest);
  out.push_back(static_cast<uint8_t>(0x80 | count));
  while (count > 0) out.push_back(bytes[--count]);
}

void PutTlv(std::vector<uint8_t>& out, uint8_t tag, std::span<const uint8_t> content) {
  out.push_back(tag);
  PutLength(out, content.size());
  out.insert(out.end(), content.begin(), content.end());
}

size_t HeaderSize(size_t length) {
  std::vector<uint8_t> header;
  PutLength(header, length);
  return 1 + header.size();
}

std::vector<uint8_t> IntegerContent(int64_t value) {
  std::vector<uint8_t> bytes;
  do {
    bytes.insert(bytes.begin(), static_cast<uint8_t>(value & 0xFF));
    value >>= 8;
  } while (!((value == 0 && (bytes.front() & 0x80) == 0) || (value == -1 && (bytes.front() & 0x80) != 0)));
  return bytes;
}

std::vector<uint8_t> OidContent(const Oid& oid) {
  std::vector<uint8_t> bytes;
  auto putComponent = [&bytes](uint64_t value) {
    uint8_t groups[10];
    int count = 0;
    do {
      groups[count++] = static_cast<uint8_t>(value & 0x7F);
      value >>= 7;
    } while (value != 0);
    while (count > 1) bytes.push_back(static_cast<uint8_t>(0x80 | groups[--count]));
    bytes.push_back(groups[0]);
  };
  if (oid.size() >= 2) {
    putComponent(static_cast<uint64_t>(oid[0]) * 40 + oid[1]);
    for (size_t i = 2; i < oid.size(); ++i) putComponent(oid[i]);
  }
  return bytes;
}

std::vector<uint8_t> RequestPduContent(int32_t requestId, const std::vector<Oid>& oids) {
  std::vector<uint8_t> list;
  for (const Oid& oid : oids) {
    std::vector<uint8_t> varbind;
    PutTlv(varbind, kObjectId, OidContent(oid));
    PutTlv(varbind, kNull, {});
    PutTlv(list, kSequence, varbind);
  }
  std::vector<uint8_t> pdu;
  PutTlv(pdu, kInteger, IntegerContent(requestId));
  PutTlv(pdu, kInteger, IntegerContent(0));  // error-status
  PutTlv(pdu, kInteger, IntegerContent(0));  // error-index
  PutTlv(pdu, kSequence, list);
  return pdu;
}

bool Reader::Next(uint8_t& tag, std::span<const uint8_t>& content) {
  if (bytes_.size() < 2) return false;
  tag = bytes_[0];
  if ((tag & 0x1F) == 0x1F) return false;  // multi-byte tags are not SNMP
  size_t length = bytes_[1];
  size_t header = 2;
  if (length & 0x80) {
    size_t count = length & 0x7F;
    if (count == 0 || count > 4 || bytes_.size() < 2 + count) return false;  // indefinite or overflowing
    length = 0;
    for (size_t i = 0; i < count; ++i) length = (length << 8) | bytes_[2 + i];
    header += count;
  }
  if (length > bytes_.size() - header) return false;
  content = bytes_.subspan(header, length);
  bytes_ = bytes_.subspan(header + length);
  return true;
}

bool Reader::Expect(uint8_t wanted, std::span<const uint8_t>& content) {
  uint8_t tag = 0;
  return Next(tag, content) && tag == wanted;
}

bool DecodeInteger(std::span<const uint8_t> content, int64_t& value) {
  if (content.empty() || content.size() > 8) return false;
  uint64_t bits = (content[0] & 0x80) ? ~uint64_t{0} : 0;
  for (uint8_t byte : content) bits = (bits << 8) | byte;
  value = static_cast<int64_t>(bits);
  return true;
}

bool DecodeInt32(Reader& reader, int32_t& value) {
  std::span<const uint8_t> content;
  int64_t wide = 0;
  if (!reader.Expect(kInteger, content) || !DecodeInteger(content, wide)) return false;
  if (wide < INT32_MIN || wide > INT32_MAX) return false;
  value = static_cast<int32_t>(wide);
  return true;
}

bool DecodeUint31(Reader& reader, int32_t& value) { return DecodeInt32(reader, value) && value >= 0; }

bool DecodeOid(std::span<const uint8_t> content, Oid& oid) {
  oid.clear();
  uint64_t value = 0;
  size_t groups = 0;
  for (uint8_t byte : content) {
    if (groups == 0 && byte == 0x80) return false;  // a component with a leading zero group
    value = (value << 7) | (byte & 0x7F);
    if (++groups > 5 || value > UINT32_MAX + uint64_t{80}) return false;
    if (byte & 0x80) continue;
    if (oid.empty()) {
      uint32_t first = value < 80 ? static_cast<uint32_t>(value / 40) : 2;
      oid.push_back(first);
      oid.push_back(static_cast<uint32_t>(value - uint64_t{first} * 40));
    } else {
      if (value > UINT32_MAX) return false;
      oid.push_back(static_cast<uint32_t>(value));
    }
    if (oid.size() > kMaxOidComponents) return false;
    value = 0;
    groups = 0;
  }
  return groups == 0 && !oid.empty();
}

namespace {

bool DecodeVarbind(std::span<const uint8_t> content, bool exceptions, Varbind& varbind) {
  Reader reader(content);
  std::span<const uint8_t> name, value;
  uint8_t tag = 0;
  if (!reader.Expect(kObjectId, name) || !DecodeOid(name, varbind.name) || !reader.Next(tag, value) || !reader.AtEnd())
    return false;
  if (value.size() > kMaxValueBytes) return false;
  switch (tag) {
    case kInteger:
      varbind.type = ValueType::Integer;
      return DecodeInteger(value, varbind.integer);
    case kOctetString:
      varbind.type = ValueType::OctetString;
      varbind.text.assign(value.begin(), value.end());
      return true;
    case kNull:
      varbind.type = ValueType::Null;
      return value.empty();
    case kObjectId:
      varbind.type = ValueType::ObjectIdentifier;
      return DecodeOid(value, varbind.oid);
    case 0x41:  // Counter32, Gauge32, TimeTicks: their number too, when it is well formed
    case 0x42:
    case 0x43:
      varbind.type = ValueType::Other;
      if (!DecodeInteger(value, varbind.integer)) varbind.integer = 0;
      return true;
    case 0x80:  // noSuchObject, noSuchInstance, endOfMibView
    case 0x81:
    case 0x82:
      varbind.type = ValueType::Missing;
      return exceptions && value.empty();
    default:
      varbind.type = ValueType::Other;
      return (tag & 0xC0) == 0x40;  // application types only
  }
}

}  // namespace

bool DecodePduContent(std::span<const uint8_t> pdu, bool exceptions, Response& response) {
  Reader body(pdu);
  std::span<const uint8_t> list;
  if (!DecodeInt32(body, response.requestId) || !DecodeInt32(body, response.errorStatus) ||
      !DecodeInt32(body, response.errorIndex) || !body.Expect(kSequence, list) || !body.AtEnd())
    return false;
  Reader varbinds(list);
  while (!varbinds.AtEnd()) {
    std::span<const uint8_t> content;
    if (response.varbinds.size() == kMaxVarbinds || !varbinds.Expect(kSequence, content)) return false;
    if (!DecodeVarbind(content, exceptions, response.varbinds.emplace_back())) return false;
  }
  return true;
}

}  // namespace snmp::ber
