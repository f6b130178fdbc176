#include "SnmpExchange.h"

#include <algorithm>

#include "RequestId.h"

namespace {
// A send that the socket did not take is tried again this soon.
constexpr ULONGLONG kSendRetryMs = 20;
// Reads per socket in one pass, so that a flood cannot hold the caller.
constexpr int kMostReadsPerPass = 4096;
constexpr int kSendBufferBytes = 1 << 20;
}  // namespace

struct SnmpExchange::Lane {
  explicit Lane(int family) : socket(family) {}
  ~Lane() {
    if (event != WSA_INVALID_EVENT) WSACloseEvent(event);
  }
  UdpSocket socket;
  WSAEVENT event = WSA_INVALID_EVENT;
};

SnmpExchange::SnmpExchange(std::span<const DWORD> attemptWaitsMs) : waits_(attemptWaitsMs.begin(), attemptWaitsMs.end()) {
  for (int family : {AF_INET, AF_INET6}) {
    auto lane = std::make_unique<Lane>(family);
    if (!lane->socket.IsOpen()) continue;
    lane->event = WSACreateEvent();
    // The event select makes the socket non-blocking. A large send buffer holds the
    // datagrams to many silent LAN addresses while their neighbours are resolved.
    if (lane->event == WSA_INVALID_EVENT || WSAEventSelect(lane->socket.Handle(), lane->event, FD_READ | FD_WRITE) != 0)
      continue;
    const int sendBuffer = kSendBufferBytes;
    setsockopt(lane->socket.Handle(), SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&sendBuffer), sizeof sendBuffer);
    lanes_.push_back(std::move(lane));
  }
}

SnmpExchange::~SnmpExchange() = default;

SnmpExchange::Lane* SnmpExchange::LaneFor(int family) const {
  for (const auto& lane : lanes_)
    if (lane->socket.Family() == family) return lane.get();
  return nullptr;
}

bool SnmpExchange::CanAsk(int family) const { return LaneFor(family) != nullptr; }

std::vector<HANDLE> SnmpExchange::Events() const {
  std::vector<HANDLE> events;
  for (const auto& lane : lanes_) events.push_back(lane->event);
  return events;
}

void SnmpExchange::Ask(uint64_t ticket, const SocketAddress& printer, const std::string& community,
                       const std::vector<snmp::Oid>& oids, ULONGLONG now) {
  Cancel(ticket);
  Question& question = questions_[ticket];
  question.printer = printer;
  question.community = community;
  question.oids = oids;
  StartAttempt(ticket, question, now);
}

void SnmpExchange::Ask(uint64_t ticket, const SocketAddress& printer, const UsmUser& user,
                       const std::vector<snmp::Oid>& oids, ULONGLONG now) {
  Cancel(ticket);
  Question& question = questions_[ticket];
  question.printer = printer;
  UsmEngine& engine = engines_[std::string(reinterpret_cast<const char*>(&printer.storage), printer.length)];
  question.usm = std::make_unique<UsmConversation>(user, oids, engine);
  StartAttempt(ticket, question, now);
}

void SnmpExchange::Forget(uint64_t ticket, Question& question) {
  byRequestId_.erase(question.requestId);
  deadlines_.erase({question.deadline, ticket});
  question.deadline = 0;  // not sent yet
}

void SnmpExchange::Cancel(uint64_t ticket) {
  const auto found = questions_.find(ticket);
  if (found == questions_.end()) return;
  Forget(ticket, found->second);
  questions_.erase(found);
}

// A fresh id that no question in flight has, and the attempt's deadline.
void SnmpExchange::StartAttempt(uint64_t ticket, Question& question, ULONGLONG now) {
  Forget(ticket, question);
  if (question.usm) {
    // An SNMPv3 question is known by its msgID; one that cannot be sent (no key) ends now.
    do question.request = question.usm->Request(now);
    while (byRequestId_.count(question.usm->MsgId()) != 0);
    question.requestId = question.usm->MsgId();
  } else {
    do question.requestId = RandomRequestId();
    while (byRequestId_.count(question.requestId) != 0);
    question.request = snmp::EncodeGetRequest(question.community, question.requestId, question.oids);
  }
  byRequestId_[question.requestId] = ticket;
  if (question.request.empty()) {  // refused before it left: ends at the next Advance
    question.deadline = now;
    deadlines_.insert({now, ticket});
  } else if (Send(question)) {
    StartWait(ticket, question, now);
  } else {
    waiting_.push_back(ticket);
  }
}

// The attempt's time runs from when its request left: a request that waited for the
// socket (behind datagrams held by neighbour resolution) still gets the printer's time.
void SnmpExchange::StartWait(uint64_t ticket, Question& question, ULONGLONG now) {
  question.deadline = now + waits_[question.attempt];
  deadlines_.insert({question.deadline, ticket});
}

// False only when the socket cannot take it now; a question that cannot be sent at all
// (no socket of its family, an address that may not be asked) runs out as unanswered.
bool SnmpExchange::Send(const Question& question) {
  Lane* lane = LaneFor(question.printer.Family());
  return lane == nullptr || lane->socket.SendTo(question.printer, question.request) != UdpSocket::Sent::WouldBlock;
}

void SnmpExchange::SendWaiting(ULONGLONG now) {
  while (!waiting_.empty()) {
    const uint64_t ticket = waiting_.front();
    const auto found = questions_.find(ticket);
    if (found != questions_.end() && found->second.deadline == 0) {
      if (!Send(found->second)) return;
      StartWait(ticket, found->second, now);
    }
    waiting_.pop_front();
  }
}

void SnmpExchange::End(uint64_t ticket, std::optional<snmp::Response> answer, std::vector<Ended>& ended) {
  Question& question = questions_[ticket];
  Forget(ticket, question);
  ended.push_back({ticket, std::move(answer), question.usm ? 3 : 1,
                   question.usm ? question.usm->Error() : UsmError::None});
  questions_.erase(ticket);
}

void SnmpExchange::Receive(Lane& lane, std::vector<Ended>& ended, ULONGLONG now) {
  std::vector<uint8_t> datagram;
  SocketAddress from;
  for (int reads = 0; reads < kMostReadsPerPass; ++reads) {
    const UdpSocket::Read read = lane.socket.ReadDatagram(datagram, from);
    if (read == UdpSocket::Read::Nothing) return;
    if (read == UdpSocket::Read::Failed) continue;
    std::optional<snmp::Response> response = snmp::DecodeGetResponse(datagram);
    if (!response) {
      ReceiveV3(datagram, from, ended, now);
      continue;
    }
    const auto id = byRequestId_.find(response->requestId);
    if (id == byRequestId_.end()) continue;
    const uint64_t ticket = id->second;
    const auto question = questions_.find(ticket);
    if (!(question->second.printer == from) || question->second.usm) continue;
    End(ticket, std::move(*response), ended);
  }
}

void SnmpExchange::ReceiveV3(std::span<const uint8_t> datagram, const SocketAddress& from, std::vector<Ended>& ended,
                             ULONGLONG now) {
  std::optional<snmp::DecodedV3> message = snmp::DecodeV3(datagram);
  if (!message) return;
  const auto id = byRequestId_.find(message->header.msgId);
  if (id == byRequestId_.end()) return;
  const uint64_t ticket = id->second;
  Question& question = questions_.find(ticket)->second;
  if (!(question.printer == from) || !question.usm || question.deadline == 0) return;
  switch (question.usm->Take(datagram, *message, now)) {
    case UsmConversation::Step::Answered: End(ticket, question.usm->Answer(), ended); return;
    case UsmConversation::Step::Failed: End(ticket, std::nullopt, ended); return;
    case UsmConversation::Step::SendAgain: StartAttempt(ticket, question, now); return;
    case UsmConversation::Step::Drop: return;
  }
}

std::vector<SnmpExchange::Ended> SnmpExchange::Advance(ULONGLONG now) {
  std::vector<Ended> ended;
  for (const auto& lane : lanes_) {
    WSANETWORKEVENTS happened;
    WSAEnumNetworkEvents(lane->socket.Handle(), lane->event, &happened);
    Receive(*lane, ended, now);
  }
  SendWaiting(now);
  while (!deadlines_.empty() && deadlines_.begin()->first <= now) {
    const uint64_t ticket = deadlines_.begin()->second;
    Question& question = questions_[ticket];
    const bool refused = question.usm && question.usm->Error() != UsmError::None;
    if (!refused && ++question.attempt < waits_.size()) {
      StartAttempt(ticket, question, now);
      continue;
    }
    if (question.usm) question.usm->RanOut();
    End(ticket, std::nullopt, ended);
  }
  return ended;
}

ULONGLONG SnmpExchange::NextDue() const {
  ULONGLONG due = deadlines_.empty() ? ~0ull : deadlines_.begin()->first;
  if (!waiting_.empty()) due = std::min(due, GetTickCount64() + kSendRetryMs);
  return due;
}
