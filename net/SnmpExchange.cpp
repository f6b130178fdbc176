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
  do question.requestId = RandomRequestId();
  while (byRequestId_.count(question.requestId) != 0);
  byRequestId_[question.requestId] = ticket;
  question.request = snmp::EncodeGetRequest(question.community, question.requestId, question.oids);
  if (Send(question))
    StartWait(ticket, question, now);
  else
    waiting_.push_back(ticket);
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

void SnmpExchange::Receive(Lane& lane, std::vector<Ended>& ended) {
  std::vector<uint8_t> datagram;
  SocketAddress from;
  for (int reads = 0; reads < kMostReadsPerPass; ++reads) {
    const UdpSocket::Read read = lane.socket.ReadDatagram(datagram, from);
    if (read == UdpSocket::Read::Nothing) return;
    if (read == UdpSocket::Read::Failed) continue;
    std::optional<snmp::Response> response = snmp::DecodeGetResponse(datagram);
    if (!response) continue;
    const auto id = byRequestId_.find(response->requestId);
    if (id == byRequestId_.end()) continue;
    const uint64_t ticket = id->second;
    const auto question = questions_.find(ticket);
    if (!(question->second.printer == from)) continue;
    Forget(ticket, question->second);
    questions_.erase(question);
    ended.push_back({ticket, std::move(*response)});
  }
}

std::vector<SnmpExchange::Ended> SnmpExchange::Advance(ULONGLONG now) {
  std::vector<Ended> ended;
  for (const auto& lane : lanes_) {
    WSANETWORKEVENTS happened;
    WSAEnumNetworkEvents(lane->socket.Handle(), lane->event, &happened);
    Receive(*lane, ended);
  }
  SendWaiting(now);
  while (!deadlines_.empty() && deadlines_.begin()->first <= now) {
    const uint64_t ticket = deadlines_.begin()->second;
    Question& question = questions_[ticket];
    if (++question.attempt < waits_.size()) {
      StartAttempt(ticket, question, now);
      continue;
    }
    Forget(ticket, question);
    questions_.erase(ticket);
    ended.push_back({ticket, std::nullopt});
  }
  return ended;
}

ULONGLONG SnmpExchange::NextDue() const {
  ULONGLONG due = deadlines_.empty() ? ~0ull : deadlines_.begin()->first;
  if (!waiting_.empty()) due = std::min(due, GetTickCount64() + kSendRetryMs);
  return due;
}
