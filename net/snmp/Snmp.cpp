#include "Snmp.h"

#include <charconv>

#include "Ber.h"

namespace snmp {
namespace {

using namespace ber;

constexpr uint8_t kGetRequest = 0xA0;
constexpr uint8_t kGetResponse = 0xA2;
constexpr int64_t kVersion1 = 0;

}  // namespace

std::optional<Oid> ParseOid(std::string_view text) {
  if (!text.empty() && text.front() == '.') text.remove_prefix(1);
  Oid oid;
  while (!text.empty()) {
    uint32_t component = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), component);
    if (error != std::errc() || end == text.data()) return std::nullopt;
    oid.push_back(component);
    text.remove_prefix(static_cast<size_t>(end - text.data()));
    if (text.empty()) break;
    if (text.front() != '.' || text.size() == 1) return std::nullopt;
    text.remove_prefix(1);
  }
  if (oid.size() < 2 || oid.size() > kMaxOidComponents || oid[0] > 2 || (oid[0] < 2 && oid[1] >= 40))
    return std::nullopt;
  return oid;
}

std::string OidText(const Oid& oid) {
  std::string text;
  for (size_t i = 0; i < oid.size(); ++i) {
    if (i != 0) text += '.';
    text += std::to_string(oid[i]);
  }
  return text;
}

std::vector<uint8_t> EncodeGetRequest(std::string_view community, int32_t requestId, const std::vector<Oid>& oids) {
  std::vector<uint8_t> message;
  PutTlv(message, kInteger, IntegerContent(kVersion1));
  PutTlv(message, kOctetString, std::vector<uint8_t>(community.begin(), community.end()));
  PutTlv(message, kGetRequest, RequestPduContent(requestId, oids));
  std::vector<uint8_t> datagram;
  PutTlv(datagram, kSequence, message);
  return datagram;
}

std::optional<Response> DecodeGetResponse(std::span<const uint8_t> datagram) {
  Reader outer(datagram);
  std::span<const uint8_t> message, version, community, pdu;
  if (!outer.Expect(kSequence, message) || !outer.AtEnd()) return std::nullopt;
  Reader fields(message);
  int64_t versionNumber = -1;
  if (!fields.Expect(0x02, version) || !DecodeInteger(version, versionNumber) || versionNumber != kVersion1)
    return std::nullopt;
  if (!fields.Expect(0x04, community) || community.size() > 255) return std::nullopt;
  if (!fields.Expect(kGetResponse, pdu) || !fields.AtEnd()) return std::nullopt;

  Response response;
  response.community.assign(community.begin(), community.end());
  if (!DecodePduContent(pdu, false, response)) return std::nullopt;
  return response;
}

}  // namespace snmp
