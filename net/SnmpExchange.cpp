#include "SnmpExchange.h"

#include <algorithm>
#include <initializer_list>
#include <string_view>

#include "RequestId.h"

namespace {
// A send that the socket did not take is tried again this soon.
constexpr ULONGLONG kSendRetryMs = 20;
// Reads per socket in one pass, so that a flood cannot hold the caller.
constexpr int kMostReadsPerPass = 4096;
constexpr int kSendBufferBytes = 1 << 20;

// A field with its length before it, so that no two lists of fields make the same text.
void AddField(std::string& key, std::string_view field) {
  const uint32_t size = static_cast<uint32_t>(field.size());
  key.append(reinterpret_cast<const char*>(&size), sizeof size).append(field);
}

// What askers of the same question have alike: the printer's address and port, the
// version and who asks (the pass phrases are compared apart, never kept in a key), the
// objects asked.
std::string KeyOf(const SocketAddress& printer, std::initializer_list<std::string_view> asker,
                  const std::vector<snmp::Oid>& oids) {
  std::string key;
  AddField(key, std::string_view(reinterpret_cast<const char*>(&printer.storage), printer.length));
  for (std::string_view field : asker) AddField(key, field);
  for (const snmp::Oid& oid : oids) AddField(key, snmp::OidText(oid));
  return key;
}

template <typename E>
std::string Enum(E value) {
  return std::to_string(static_cast<int>(value));
}

// Both community questions, or both with the same user's pass phrases.
bool SamePassphrases(const UsmUser* one, const UsmUser* other) {
  if (one == nullptr || other == nullptr) return one == other;
  return one->authPassphrase == other->authPassphrase && one->privPassphrase == other->privPassphrase;
}
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
                       const std::vector<snmp::Oid>& oids, ULONGLONG now, ULONGLONG keptMs) {
  Cancel(ticket);
  std::string key = KeyOf(printer, {"1", community}, oids);
  if (Share(ticket, key, nullptr, now, keptMs)) return;
  const uint64_t number = NewQuestion(ticket, std::move(key), printer);
  Question& question = questions_[number];
  question.community = community;
  question.oids = oids;
  StartAttempt(number, question, now);
}

void SnmpExchange::Ask(uint64_t ticket, const SocketAddress& printer, const UsmUser& user,
                       const std::vector<snmp::Oid>& oids, ULONGLONG now, ULONGLONG keptMs) {
  Cancel(ticket);
  std::string key = KeyOf(printer, {"3", user.name, Enum(user.level), Enum(user.auth), Enum(user.priv)}, oids);
  if (Share(ticket, key, &user, now, keptMs)) return;
  const uint64_t number = NewQuestion(ticket, std::move(key), printer);
  Question& question = questions_[number];
  UsmEngine& engine = engines_[std::string(reinterpret_cast<const char*>(&printer.storage), printer.length)];
  question.usm = std::make_unique<UsmConversation>(user, oids, engine);
  StartAttempt(number, question, now);
}

uint64_t SnmpExchange::SharedQuestion(const std::string& key, const UsmUser* user) const {
  const auto shared = byKey_.find(key);
  if (shared == byKey_.end()) return 0;
  const Question& question = questions_.at(shared->second);
  return SamePassphrases(user, question.usm ? &question.usm->User() : nullptr) ? shared->second : 0;
}

const SnmpExchange::Kept* SnmpExchange::KeptEnding(const std::string& key, const UsmUser* user, ULONGLONG now,
                                                   ULONGLONG keptMs) const {
  const auto kept = kept_.find(key);
  if (kept == kept_.end() || now - kept->second.at > keptMs) return nullptr;
  return SamePassphrases(user, kept->second.user ? &*kept->second.user : nullptr) ? &kept->second : nullptr;
}

bool SnmpExchange::Share(uint64_t ticket, const std::string& key, const UsmUser* user, ULONGLONG now,
                         ULONGLONG keptMs) {
  longestKeptMs_ = std::max(longestKeptMs_, keptMs);
  if (const uint64_t number = SharedQuestion(key, user)) {
    questions_.at(number).tickets.push_back(ticket);
    askedIn_[ticket] = number;
    return true;
  }
  const Kept* kept = KeptEnding(key, user, now, keptMs);
  if (kept == nullptr) return false;
  taken_.push_back(kept->ending);
  taken_.back().ticket = ticket;
  return true;
}

uint64_t SnmpExchange::NewQuestion(uint64_t ticket, std::string key, const SocketAddress& printer) {
  const uint64_t number = nextNumber_++;
  Question& question = questions_[number];
  question.tickets = {ticket};
  question.printer = printer;
  byKey_[key] = number;
  question.key = std::move(key);
  askedIn_[ticket] = number;
  return number;
}

void SnmpExchange::Forget(uint64_t number, Question& question) {
  byRequestId_.erase(question.requestId);
  deadlines_.erase({question.deadline, number});
  question.deadline = 0;  // not sent yet
}

void SnmpExchange::Drop(uint64_t number) {
  Question& question = questions_.at(number);
  Forget(number, question);
  if (const auto shared = byKey_.find(question.key); shared != byKey_.end() && shared->second == number)
    byKey_.erase(shared);
  questions_.erase(number);
}

void SnmpExchange::Cancel(uint64_t ticket) {
  std::erase_if(taken_, [ticket](const Ended& ended) { return ended.ticket == ticket; });
  const auto asked = askedIn_.find(ticket);
  if (asked == askedIn_.end()) return;
  const uint64_t number = asked->second;
  askedIn_.erase(asked);
  Question& question = questions_.at(number);
  std::erase(question.tickets, ticket);
  if (question.tickets.empty()) Drop(number);
}

// A fresh id that no question in flight has, and the attempt's deadline.
void SnmpExchange::StartAttempt(uint64_t number, Question& question, ULONGLONG now) {
  Forget(number, question);
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
  byRequestId_[question.requestId] = number;
  if (question.request.empty()) {  // refused before it left: ends at the next Advance
    question.deadline = now;
    deadlines_.insert({now, number});
  } else if (Send(question)) {
    StartWait(number, question, now);
  } else {
    waiting_.push_back(number);
  }
}

// The attempt's time runs from when its request left: a request that waited for the
// socket (behind datagrams held by neighbour resolution) still gets the printer's time.
void SnmpExchange::StartWait(uint64_t number, Question& question, ULONGLONG now) {
  question.deadline = now + waits_[question.attempt];
  deadlines_.insert({question.deadline, number});
}

// False only when the socket cannot take it now; a question that cannot be sent at all
// (no socket of its family, an address that may not be asked) runs out as unanswered.
bool SnmpExchange::Send(const Question& question) {
  Lane* lane = LaneFor(question.printer.Family());
  return lane == nullptr || lane->socket.SendTo(question.printer, question.request) != UdpSocket::Sent::WouldBlock;
}

void SnmpExchange::SendWaiting(ULONGLONG now) {
  while (!waiting_.empty()) {
    const uint64_t number = waiting_.front();
    const auto found = questions_.find(number);
    if (found != questions_.end() && found->second.deadline == 0) {
      if (!Send(found->second)) return;
      StartWait(number, found->second, now);
    }
    waiting_.pop_front();
  }
}

// Every asker gets the ending; it is kept for those who come soon after.
void SnmpExchange::End(uint64_t number, std::optional<snmp::Response> answer, std::vector<Ended>& ended,
                       ULONGLONG now) {
  const Question& question = questions_.at(number);
  Ended ending{0, std::move(answer), question.usm ? 3 : 1, question.usm ? question.usm->Error() : UsmError::None};
  Keep(question, ending, now);
  for (uint64_t ticket : question.tickets) {
    askedIn_.erase(ticket);
    ending.ticket = ticket;
    ended.push_back(ending);
  }
  Drop(number);
}

void SnmpExchange::Keep(const Question& question, const Ended& ending, ULONGLONG now) {
  if (longestKeptMs_ == 0) return;
  Kept& kept = kept_[question.key];
  kept.at = now;
  kept.user.reset();
  if (question.usm) kept.user = question.usm->User();
  kept.ending = ending;
  keptOrder_.emplace_back(now, question.key);
}

// An ending older than any asker would take is forgotten.
void SnmpExchange::ForgetOldEndings(ULONGLONG now) {
  for (; !keptOrder_.empty() && now - keptOrder_.front().first > longestKeptMs_; keptOrder_.pop_front()) {
    const auto kept = kept_.find(keptOrder_.front().second);
    if (kept != kept_.end() && kept->second.at == keptOrder_.front().first) kept_.erase(kept);
  }
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
    const uint64_t number = id->second;
    const Question& question = questions_.at(number);
    if (!(question.printer == from) || question.usm) continue;
    End(number, std::move(*response), ended, now);
  }
}

void SnmpExchange::ReceiveV3(std::span<const uint8_t> datagram, const SocketAddress& from, std::vector<Ended>& ended,
                             ULONGLONG now) {
  std::optional<snmp::DecodedV3> message = snmp::DecodeV3(datagram);
  if (!message) return;
  const auto id = byRequestId_.find(message->header.msgId);
  if (id == byRequestId_.end()) return;
  const uint64_t number = id->second;
  Question& question = questions_.at(number);
  if (!(question.printer == from) || !question.usm || question.deadline == 0) return;
  switch (question.usm->Take(datagram, *message, now)) {
    case UsmConversation::Step::Answered: End(number, question.usm->Answer(), ended, now); return;
    case UsmConversation::Step::Failed: End(number, std::nullopt, ended, now); return;
    case UsmConversation::Step::SendAgain: StartAttempt(number, question, now); return;
    case UsmConversation::Step::Drop: return;
  }
}

std::vector<SnmpExchange::Ended> SnmpExchange::Advance(ULONGLONG now) {
  std::vector<Ended> ended = std::move(taken_);
  taken_.clear();
  ForgetOldEndings(now);
  for (const auto& lane : lanes_) {
    WSANETWORKEVENTS happened;
    WSAEnumNetworkEvents(lane->socket.Handle(), lane->event, &happened);
    Receive(*lane, ended, now);
  }
  SendWaiting(now);
  while (!deadlines_.empty() && deadlines_.begin()->first <= now) {
    const uint64_t number = deadlines_.begin()->second;
    Question& question = questions_.at(number);
    const bool refused = question.usm && question.usm->Error() != UsmError::None;
    if (!refused && ++question.attempt < waits_.size()) {
      StartAttempt(number, question, now);
      continue;
    }
    if (question.usm) question.usm->RanOut();
    End(number, std::nullopt, ended, now);
  }
  return ended;
}

ULONGLONG SnmpExchange::NextDue() const {
  if (!taken_.empty()) return 0;
  ULONGLONG due = deadlines_.empty() ? ~0ull : deadlines_.begin()->first;
  if (!waiting_.empty()) due = std::min(due, GetTickCount64() + kSendRetryMs);
  return due;
}
