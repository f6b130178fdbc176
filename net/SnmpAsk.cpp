#include "SnmpAsk.h"

#include <optional>

#include "RequestId.h"

namespace {

// Waits until the attempt's end for the answer that carries `requestId`.
Asked Await(UdpSocket& socket, int32_t requestId, DWORD waitMs, HANDLE stop, snmp::Response& answer) {
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
      if (read == UdpSocket::Read::Failed) break;  // wait again: what follows may still come
      std::optional<snmp::Response> response = snmp::DecodeGetResponse(datagram);
      if (!response || response->requestId != requestId) continue;
      answer = std::move(*response);
      return Asked::Answered;
    }
  }
  return Asked::NoAnswer;
}

// Waits until the attempt's end for the conversation's answer or its end, sending again
// within the attempt when the agent's Report asks for it.
Asked AwaitV3(UdpSocket& socket, UsmConversation& conversation, DWORD waitMs, HANDLE stop) {
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
      std::optional<snmp::DecodedV3> message = snmp::DecodeV3(datagram);
      if (!message || message->header.msgId != conversation.MsgId()) continue;
      switch (conversation.Take(datagram, *message, GetTickCount64())) {
        case UsmConversation::Step::Answered: return Asked::Answered;
        case UsmConversation::Step::Failed: return Asked::Refused;
        case UsmConversation::Step::SendAgain: {
          const std::vector<uint8_t> next = conversation.Request(GetTickCount64());
          if (next.empty()) return Asked::Refused;
          socket.Send(next);
          break;
        }
        case UsmConversation::Step::Drop: break;
      }
    }
  }
  return Asked::NoAnswer;
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
