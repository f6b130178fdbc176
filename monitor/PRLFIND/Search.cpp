#include "Search.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "RequestId.h"
#include "TextField.h"

namespace {

constexpr uint16_t kSnmpPort = 161;
constexpr const char* kCommunities[] = {"mirabo", "public"};
constexpr int kCommunityCount = 2;
constexpr int kRounds = 3;
constexpr DWORD kRoundGapMs = 500;
constexpr DWORD kPacketsPerMs = 4;
constexpr DWORD kBurst = 16;
constexpr DWORD kIdleWaitMs = 50;

const snmp::Oid kSysName = {1, 3, 6, 1, 2, 1, 1, 5, 0};
const snmp::Oid kSysObjectId = {1, 3, 6, 1, 2, 1, 1, 2, 0};
const snmp::Oid kDeviceDescr = {1, 3, 6, 1, 2, 1, 25, 3, 2, 1, 3, 1};
const snmp::Oid kSysDescr = {1, 3, 6, 1, 2, 1, 1, 1, 0};

bool Later(DWORD a, DWORD b) { return static_cast<LONG>(a - b) > 0; }

std::atomic<bool> unloading{false};

// The library that holds this code; flags 0 takes a reference on it, for a worker to
// drop as it ends.
HMODULE ThisLibrary(DWORD flags) {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | flags, reinterpret_cast<LPCWSTR>(&ThisLibrary), &module);
  return module;
}

}  // namespace

Search::Search(PFN_DISCOVERY_CALLBACK callback, void* callbackContext)
    : callback_(callback),
      callbackContext_(callbackContext),
      stop_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

Search::Search(PFN_DISCOVERY_CALLBACK_USM callback, void* callbackContext, const UsmUser& user, Asks asks)
    : callbackUsm_(callback),
      user_(user),
      communities_(asks == Asks::CommunitiesAndUser),
      callbackContext_(callbackContext),
      stop_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

Search::~Search() { Stop(); }

void Search::Unloading() { unloading = true; }

bool Search::Start(const std::vector<HostRange>& ranges) {
  if (!stop_) return false;
  std::lock_guard lock(incomingMutex_);
  incoming_ = ranges;
  return StartWorker();
}

void Search::Add(const HostRange& range) {
  std::lock_guard lock(incomingMutex_);
  incoming_.push_back(range);
  if (!running_ && !Stopping()) StartWorker();
}

bool Search::StartWorker() {
  HMODULE library = ThisLibrary(0);
  thread_.reset(CreateThread(nullptr, 0, &Search::WorkerMain, this, 0, nullptr));
  running_ = static_cast<bool>(thread_);
  if (!running_ && library != nullptr) FreeLibrary(library);
  return running_;
}

void Search::Stop() {
  HANDLE thread = nullptr;
  {
    std::lock_guard lock(incomingMutex_);
    SetEvent(stop_.get());
    thread = thread_.get();
  }
  // A callback may be waiting in SendMessage for this very thread: let sent messages
  // through until the worker has ended. While the library unloads, every worker has
  // ended its work already, and the last one may be the thread that unloads it.
  while (thread != nullptr && !unloading &&
         MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE) != WAIT_OBJECT_0) {
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
  thread_.reset();
}

// The worker drops the reference StartWorker took for it only as it leaves this code.
DWORD WINAPI Search::WorkerMain(LPVOID self) {
  static_cast<Search*>(self)->Run();
  FreeLibraryAndExitThread(ThisLibrary(GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT), 0);
  return 0;
}

bool Search::EndWhenIdle() {
  std::lock_guard lock(incomingMutex_);
  if (!incoming_.empty()) return false;
  running_ = false;
  return true;
}

// Each kind of probe of a host gets its own random id when it is first sent, kept for its
// later rounds, so that a late answer to an earlier round still counts.
int32_t Search::Target::RequestId(int community, bool fallback) {
  int32_t& id = ids[community][fallback ? 1 : 0];
  if (id == 0) id = RandomRequestId();
  return id;
}

bool Search::Target::Sent(int32_t requestId, int& community, bool& fallback) const {
  for (community = 0; community < kCommunityCount; ++community)
    for (int kind = 0; kind < 2; ++kind)
      if (requestId != 0 && ids[community][kind] == requestId) {
        fallback = kind == 1;
        return true;
      }
  return false;
}

bool Search::Stopping() const { return WaitForSingleObject(stop_.get(), 0) == WAIT_OBJECT_0; }

void Search::Run() {
  while (!Stopping()) {
    DWORD now = GetTickCount();
    TakeNewRanges();
    SendAllowed(now);
    if (Idle(now)) {
      if (EndWhenIdle()) return;  // the sweep is over; a subnet added later starts it again
      continue;
    }
    ReceiveFor(NextWait(now));
  }
}

void Search::TakeNewRanges() {
  std::vector<HostRange> ranges;
  {
    std::lock_guard lock(incomingMutex_);
    ranges.swap(incoming_);
  }
  for (const HostRange& range : ranges) {
    auto lane = std::make_unique<Lane>(lanes_.size(), range);
    if (lane->socket.IsOpen() && lane->socket.MakeNonBlocking()) lanes_.push_back(std::move(lane));
  }
}

// The subnets take turns, one probe each, until the pass's budget is spent or none has
// anything to send now.
void Search::SendAllowed(DWORD now) {
  DWORD budget = std::min<DWORD>((now - sendBudgetAt_) * kPacketsPerMs, kBurst);
  if (budget == 0) return;
  sendBudgetAt_ = now;
  for (auto& lane : lanes_) lane->full = false;
  for (bool sent = true; budget > 0 && sent;) {
    sent = false;
    for (size_t i = 0; i < lanes_.size() && budget > 0; ++i) {
      if (!SendNext(*lanes_[i], now)) continue;
      sent = true;
      --budget;
    }
  }
}

bool Search::SendNext(Lane& lane, DWORD now) {
  while (!lane.full) {
    if (lane.outbox.empty()) Refill(lane, now);
    if (lane.outbox.empty()) return false;
    const Probe probe = lane.outbox.front();
    Target& target = targets_[probe.target];
    if (target.answered) {
      lane.outbox.pop_front();
      continue;
    }
    const std::vector<uint8_t> request = RequestFor(probe);
    if (request.empty()) {
      lane.outbox.pop_front();
      continue;
    }
    if (lane.socket.SendTo(target.address, kSnmpPort, request) == UdpSocket::Sent::WouldBlock) {
      lane.full = true;  // next pass
      return false;
    }
    lane.outbox.pop_front();
    if (probe.endsRound) {
      lane.retries.push_back({now + kRoundGapMs, probe.target});
      sweepEndsAt_ = now + kRoundGapMs;
    }
    return true;
  }
  return false;
}

std::vector<uint8_t> Search::RequestFor(const Probe& probe) {
  Target& target = targets_[probe.target];
  if (!probe.v3)
    return snmp::EncodeGetRequest(kCommunities[probe.community], target.RequestId(probe.community, probe.fallback),
                                  {kSysName, kSysObjectId, probe.fallback ? kSysDescr : kDeviceDescr});
  if (target.usmEnded) return {};
  if (!target.usm)
    target.usm = std::make_unique<UsmConversation>(*user_, std::vector<snmp::Oid>{kSysName, kSysObjectId, kDeviceDescr, kSysDescr},
                                                   target.engine);
  std::vector<uint8_t> request = target.usm->Request(GetTickCount64());
  target.usmEnded = request.empty();
  return request;
}

// The lane's next round: a host not asked yet, else a host whose answer is overdue. New
// hosts go first, so that a printer deep in a wide subnet is found after one pass over
// the hosts before it rather than three.
void Search::Refill(Lane& lane, DWORD now) {
  while (lane.outbox.empty()) {
    if (lane.next <= lane.range.last) {
      const auto address = static_cast<uint32_t>(lane.next++);
      if (!known_.emplace(address, targets_.size()).second) continue;
      targets_.emplace_back(address, lane.index);
      QueueRound(lane, targets_.size() - 1);
    } else if (!lane.retries.empty() && !Later(lane.retries.front().at, now)) {
      size_t index = lane.retries.front().target;
      lane.retries.pop_front();
      if (!targets_[index].answered && targets_[index].rounds < kRounds) QueueRound(lane, index);
    } else {
      return;
    }
  }
}

// The round's next one is due after its last community probe, else after its SNMPv3 probe.
void Search::QueueRound(Lane& lane, size_t target) {
  ++targets_[target].rounds;
  if (communities_)
    for (int community = 0; community < kCommunityCount; ++community)
      lane.outbox.push_back({target, community, false, false, community == kCommunityCount - 1});
  if (user_) lane.outbox.push_back({target, 0, false, true, !communities_});
}

bool Search::Idle(DWORD now) const {
  for (const auto& lane : lanes_)
    if (!lane->outbox.empty() || !lane->retries.empty() || lane->next <= lane->range.last) return false;
  return !Later(sweepEndsAt_, now);
}

DWORD Search::NextWait(DWORD now) const {
  DWORD until = sweepEndsAt_;
  for (const auto& lane : lanes_) {
    if (!lane->outbox.empty() || lane->next <= lane->range.last) return 1;
    if (!lane->retries.empty() && Later(until, lane->retries.front().at)) until = lane->retries.front().at;
  }
  return Later(until, now) ? std::min(until - now, kIdleWaitMs) : 0;
}

// Waits until a subnet's socket has an answer (at most waitMs), then reads every
// answer that has come in on any of them.
void Search::ReceiveFor(DWORD waitMs) {
  fd_set readable;
  FD_ZERO(&readable);
  for (const auto& lane : lanes_) FD_SET(lane->socket.Handle(), &readable);
  timeval wait{static_cast<long>(waitMs / 1000), static_cast<long>((waitMs % 1000) * 1000)};
  if (select(0, &readable, nullptr, nullptr, &wait) < 0) return;
  std::vector<uint8_t> datagram;
  uint32_t from = 0;
  uint16_t port = 0;
  for (const auto& lane : lanes_) {
    while (lane->socket.Receive(datagram, from, port, 0)) {
      if (port != kSnmpPort) continue;
      if (std::optional<snmp::Response> response = snmp::DecodeGetResponse(datagram))
        Handle(*response, from);
      else if (user_)
        HandleV3(datagram, from);
    }
  }
}

// An answer counts when it comes from a host asked and carries an id sent to it.
void Search::Handle(const snmp::Response& response, uint32_t from) {
  const auto known = known_.find(from);
  if (known == known_.end()) return;
  const size_t index = known->second;
  Target& target = targets_[index];
  if (target.answered) return;
  int community = 0;
  bool fallback = false;
  if (!target.Sent(response.requestId, community, fallback)) return;
  if (response.errorStatus != 0 && !fallback) {
    lanes_[target.lane]->outbox.push_front({index, community, true});  // no hrDeviceDescr.1: ask for sysDescr.0
    return;
  }
  target.answered = true;
  Report(target, response);
}

// An SNMPv3 message counts when it comes from a host asked and belongs to its conversation.
void Search::HandleV3(std::span<const uint8_t> datagram, uint32_t from) {
  const auto known = known_.find(from);
  if (known == known_.end()) return;
  const size_t index = known->second;
  Target& target = targets_[index];
  if (target.answered || target.usmEnded || !target.usm) return;
  std::optional<snmp::DecodedV3> message = snmp::DecodeV3(datagram);
  if (!message || message->header.msgId != target.usm->MsgId()) return;
  switch (target.usm->Take(datagram, *message, GetTickCount64())) {
    case UsmConversation::Step::SendAgain:
      lanes_[target.lane]->outbox.push_front({index, 0, false, true});  // the engine is known: ask with the user
      return;
    case UsmConversation::Step::Answered:
      target.answered = true;
      ReportV3(target, target.usm->Answer());
      return;
    case UsmConversation::Step::Failed: target.usmEnded = true; return;
    case UsmConversation::Step::Drop: return;
  }
}

void Search::Report(const Target& target, const snmp::Response& response) {
  DiscoveredPrinter printer{};
  printer.address = target.address;
  if (response.errorStatus == 0 && response.varbinds.size() == 3) {
    CopyText(printer.name, sizeof printer.name, response.varbinds[0].text);
    CopyText(printer.model, sizeof printer.model, response.varbinds[2].text);
  }
  Deliver(printer, 1);
}

// The answer to sysName, sysObjectID, hrDeviceDescr.1 and sysDescr.0: the model is the
// device's description where the agent has one.
void Search::ReportV3(const Target& target, const snmp::Response& response) {
  DiscoveredPrinter printer{};
  printer.address = target.address;
  const auto& varbinds = response.varbinds;
  auto textOf = [&varbinds](size_t at) -> const snmp::Varbind* {
    return at < varbinds.size() && varbinds[at].type == snmp::ValueType::OctetString ? &varbinds[at] : nullptr;
  };
  if (const snmp::Varbind* name = textOf(0)) CopyText(printer.name, sizeof printer.name, name->text);
  if (const snmp::Varbind* model = textOf(2) ? textOf(2) : textOf(3)) CopyText(printer.model, sizeof printer.model, model->text);
  Deliver(printer, 3);
}

void Search::Deliver(DiscoveredPrinter& printer, uint32_t version) {
  if (Stopping()) return;
  if (callbackUsm_ != nullptr)
    callbackUsm_(&printer, version, callbackContext_);
  else
    callback_(&printer, callbackContext_);
}
