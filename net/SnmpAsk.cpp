#include "SnmpAsk.h"

#include <optional>

#include "RequestId.h"

namespace {

// Hands each datagram that comes in until the attempt's end to `take`, until it gives an
// outcome; a failed receive waits again, as what follows may still come.
template <typename Take>
Asked AwaitDatagrams(UdpSocket& socket, DWORD waitMs, HANDLE stop, Take take) {
  const ULONGLONG end = GetTickCount64() + waitMs;
  std::vector<uint8_t> datagram;
  SocketAddress from;
  for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
    switch (socket.WaitReadable(static_cast<DWORD>(end - now), stop)) {
      case UdpSocket::Wait::Stopped: return Asked::Stopped;
      case UdpSocket::Wait::Readable: break;
      default: return Asked::NoAnswer;
    }
    for (UdpSocket::Read read; (read = socket.ReadDatagram(datagram, from)) != UdpSocket::Read::Nothing;) {
      if (read == UdpSocket::Read::Failed) break;
      if (const std::optional<Asked> outcome = take(datagram)) return *outcome;
    }
  }
  return Asked::NoAnswer;
}

// Waits until the attempt's end for the answer that carries `requestId`.
Asked Await(UdpSocket& socket, int32_t requestId, DWORD waitMs, HANDLE stop, snmp::Response& answer) {
  return AwaitDatagrams(socket, waitMs, stop, [&](const std::vector<uint8_t>& datagram) -> std::optional<Asked> {
    std::optional<snmp::Response> response = snmp::DecodeGetResponse(datagram);
    if (!response || response->requestId != requestId) return std::nullopt;
    answer = std::move(*response);
    return Asked::Answered;
  });
}

// Waits until the attempt's end for the conversation's answer or its end, sending again
// within the attempt when the agent's Report asks for it.
Asked AwaitV3(UdpSocket& socket, UsmConversation& conversation, DWORD waitMs, HANDLE stop) {
  return AwaitDatagrams(socket, waitMs, stop, [&](const std::vector<uint8_t>& datagram) -> std::optional<Asked> {
    std::optional<snmp::DecodedV3> message = snmp::DecodeV3(datagram);
    if (!message || message->header.msgId != conversation.MsgId()) return std::nullopt;
    switch (conversation.Take(datagram, *message, GetTickCount64())) {
      case UsmConversation::Step::Answered: return Asked::Answered;
      case UsmConversation::Step::Failed: return Asked::Refused;
      case UsmConversation::Step::SendAgain: {
        const std::vector<uint8_t> next = conversation.Request(GetTickCount64());
        if (next.empty()) return Asked::Refused;
        socket.Send(next);
        return std::nullopt;
      }
      case UsmConversation::Step::Drop: return std::nullopt;
    }
    return std::nullopt;
  });
}

}  // namespace

Asked AskPrinter(UdpSocket& socket, const UsmUser& user, UsmEngine& engine, const std::vector<snmp::Oid>& oids,
                 std::span<const DWORD> attemptWaitsMs, HANDLE stop, snmp::Response& answer, UsmError& error) {
  UsmConversation conversation(user, oids, engine);
  for (DWORD waitMs : attemptWaitsMs) {
    const std::vector<uint8_t> request = conversation.Request(GetTickCount64());
    if (request.empty()) break;
    if (socket.Send(request) != UdpSocket::Sent::Yes) continue;
    const Asked asked = AwaitV3(socket, conversation, waitMs, stop);
    if (asked == Asked::NoAnswer) continue;
    if (asked == Asked::Answered) answer = conversation.Answer();
    error = conversation.Error();
    return asked;
  }
  conversation.RanOut();
  error = conversation.Error();
  return error == UsmError::None ? Asked::NoAnswer : Asked::Refused;
}

Asked AskPrinter(UdpSocket& socket, std::string_view community, const std::vector<snmp::Oid>& oids,
                 std::span<const DWORD> attemptWaitsMs, HANDLE stop, snmp::Response& answer) {
  for (DWORD waitMs : attemptWaitsMs) {
    const int32_t requestId = RandomRequestId();
    if (socket.Send(snmp::EncodeGetRequest(community, requestId, oids)) != UdpSocket::Sent::Yes) continue;
    if (Asked asked = Await(socket, requestId, waitMs, stop, answer); asked != Asked::NoAnswer) return asked;
  }
  return Asked::NoAnswer;
}

bool ConnectToPrinter(UdpSocket& socket, const SocketAddress& printer) {
  return socket.IsOpen() && socket.MakeNonBlocking() && socket.Connect(printer);
}
