// Printer identification over SNMPv1: a GET of sysObjectID.0, answered as dotted text.
//
// Timing: three attempts that wait 250, 500 and 1000 ms for the answer (1.75 s in all),
// each with a fresh request id. A printer on the lab's network answers the first one in
// a few milliseconds. Replies from another address or port, or with another request
// id, are ignored while the attempt's time runs.
#include "TextField.h"
#include "PrlStat.h"

#include <cstring>
#include <string>

#include "Snmp.h"
#include "UdpSocket.h"

namespace {

constexpr uint16_t kSnmpPort = 161;
constexpr DWORD kAttemptWaitsMs[] = {250, 500, 1000};
constexpr size_t kMaxCommunity = 255;
const snmp::Oid kSysObjectId = {1, 3, 6, 1, 2, 1, 1, 2, 0};

int32_t NextRequestId() {
  static volatile LONG counter = static_cast<LONG>(GetTickCount() & 0x3FFFFFFF);
  return static_cast<int32_t>(InterlockedIncrement(&counter) & 0x7FFFFFFF);
}

// What an answer to our request means; nullopt for datagrams that are not one.
std::optional<int> Evaluate(const snmp::Response& response, std::string& identifier) {
  if (response.errorStatus != 0) return kPrlStatRefused;
  if (response.varbinds.size() != 1 || response.varbinds[0].name != kSysObjectId ||
      response.varbinds[0].type != snmp::ValueType::ObjectIdentifier)
    return kPrlStatMalformed;
  identifier = snmp::OidText(response.varbinds[0].oid);
  return identifier.empty() ? kPrlStatMalformed : kPrlStatOk;
}

// Waits for the answer to one request until the deadline.
std::optional<int> AwaitAnswer(UdpSocket& socket, uint32_t address, int32_t requestId, DWORD waitMs,
                               std::string& identifier) {
  const DWORD start = GetTickCount();
  std::vector<uint8_t> datagram;
  for (DWORD elapsed = 0; elapsed < waitMs; elapsed = GetTickCount() - start) {
    uint32_t from = 0;
    uint16_t port = 0;
    if (!socket.Receive(datagram, from, port, waitMs - elapsed)) continue;
    if (from != address || port != kSnmpPort) continue;
    std::optional<snmp::Response> response = snmp::DecodeGetResponse(datagram);
    if (!response || response->requestId != requestId) continue;
    return Evaluate(*response, identifier);
  }
  return std::nullopt;
}

}  // namespace

extern "C" int WINAPI QueryPrinterIdentifier(uint32_t address, char* buffer, uint32_t* size, const char* community) {
  if (buffer == nullptr || size == nullptr || *size == 0 || community == nullptr) return kPrlStatBadCall;
  WinsockSession winsock;
  UdpSocket socket;
  if (!socket.IsOpen()) return kPrlStatNoSocket;
  const std::string_view communityText(community, strnlen(community, kMaxCommunity));

  for (DWORD waitMs : kAttemptWaitsMs) {
    const int32_t requestId = NextRequestId();
    std::vector<uint8_t> request = snmp::EncodeGetRequest(communityText, requestId, {kSysObjectId});
    if (socket.SendTo(address, kSnmpPort, request) != UdpSocket::Sent::Yes) continue;
    std::string identifier;
    std::optional<int> result = AwaitAnswer(socket, address, requestId, waitMs, identifier);
    if (!result) continue;
    if (*result == kPrlStatOk) CopyText(buffer, *size, identifier);
    return *result;
  }
  return kPrlStatNoAnswer;
}
