#include "Search.h"

#include <algorithm>
#include <cstring>

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

// A request id names the probe: target, community and kind.
int32_t RequestIdOf(const size_t target, int community, bool fallback) {
  return static_cast<int32_t>((target << 3) | (static_cast<size_t>(community) << 1) | (fallback ? 1 : 0));
}

bool Later(DWORD a, DWORD b) { return static_cast<LONG>(a - b) > 0; }

}  // namespace

Search::Search(PFN_DISCOVERY_CALLBACK callback, void* callbackContext)
    : callback_(callback),
      callbackContext_(callbackContext),
      stop_(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      wake_(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}

Search::~Search() { Stop(); }

bool Search::Start(const std::vector<HostRange>& ranges) {
  if (!socket_.IsOpen() || !socket_.MakeNonBlocking() || !stop_ || !wake_) return false;
  incoming_ = ranges;
  thread_.reset(CreateThread(nullptr, 0, &Search::WorkerMain, this, 0, nullptr));
  return static_cast<bool>(thread_);
}

void Search::Add(const HostRange& range) {
  {
    std::lock_guard lock(incomingMutex_);
    incoming_.push_back(range);
  }
  SetEvent(wake_.get());
}

void Search::Stop() {
  if (!thread_) return;
  SetEvent(stop_.get());
  // A callback may be waiting in SendMessage for this very thread: let sent messages
  // through until the worker has ended.
  HANDLE thread = thread_.get();
  while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE) != WAIT_OBJECT_0) {
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
  thread_.reset();
}

DWORD WINAPI Search::WorkerMain(LPVOID self) {
  static_cast<Search*>(self)->Run();
  return 0;
}

bool Search::Stopping() const { return WaitForSingleObject(stop_.get(), 0) == WAIT_OBJECT_0; }

void Search::Run() {
  while (!Stopping()) {
    DWORD now = GetTickCount();
    TakeNewRanges(now);
    QueueDueRounds(now);
    SendAllowed(now);
    if (outbox_.empty() && rounds_.empty() && !Later(sweepEndsAt_, now)) {
      HANDLE events[] = {stop_.get(), wake_.get()};
      WaitForMultipleObjects(2, events, FALSE, INFINITE);  // the sweep is over: wait for more subnets
      continue;
    }
    ReceiveFor(NextWait(now));
  }
}

void Search::TakeNewRanges(DWORD now) {
  std::vector<HostRange> ranges;
  {
    std::lock_guard lock(incomingMutex_);
    ranges.swap(incoming_);
  }
  for (const HostRange& range : ranges) {
    for (uint64_t address = range.first; address <= range.last; ++address) {
      if (!known_.insert(static_cast<uint32_t>(address)).second) continue;
      targets_.push_back({static_cast<uint32_t>(address)});
      rounds_.push_back({now, targets_.size() - 1});
    }
  }
}

void Search::QueueDueRounds(DWORD now) {
  while (!rounds_.empty() && !Later(rounds_.front().at, now)) {
    Target& target = targets_[rounds_.front().target];
    size_t index = rounds_.front().target;
    rounds_.pop_front();
    if (target.answered || target.rounds == kRounds) continue;
    ++target.rounds;
    for (int community = 0; community < kCommunityCount; ++community) outbox_.push_back({index, community, false});
    rounds_.push_back({now + kRoundGapMs, index});
    sweepEndsAt_ = now + kRoundGapMs;
  }
}

void Search::SendAllowed(DWORD now) {
  DWORD budget = std::min<DWORD>((now - sendBudgetAt_) * kPacketsPerMs, kBurst);
  if (budget == 0) return;
  sendBudgetAt_ = now;
  for (; budget > 0 && !outbox_.empty(); --budget) {
    const Probe probe = outbox_.front();
    const Target& target = targets_[probe.target];
    if (!target.answered) {
      std::vector<uint8_t> request = snmp::EncodeGetRequest(kCommunities[probe.community],
                                                            RequestIdOf(probe.target, probe.community, probe.fallback),
                                                            {kSysName, kSysObjectId, probe.fallback ? kSysDescr : kDeviceDescr});
      if (socket_.SendTo(target.address, kSnmpPort, request) == UdpSocket::Sent::WouldBlock) return;  // next pass
    }
    outbox_.pop_front();
  }
}

DWORD Search::NextWait(DWORD now) const {
  if (!outbox_.empty()) return 1;
  DWORD until = rounds_.empty() ? sweepEndsAt_ : rounds_.front().at;
  return Later(until, now) ? std::min(until - now, kIdleWaitMs) : 0;
}

void Search::ReceiveFor(DWORD waitMs) {
  std::vector<uint8_t> datagram;
  uint32_t from = 0;
  uint16_t port = 0;
  if (!socket_.Receive(datagram, from, port, waitMs) || port != kSnmpPort) return;
  if (std::optional<snmp::Response> response = snmp::DecodeGetResponse(datagram)) Handle(*response, from);
}

void Search::Handle(const snmp::Response& response, uint32_t from) {
  if (response.requestId < 0) return;
  const size_t index = static_cast<size_t>(response.requestId) >> 3;
  const int community = (response.requestId >> 1) & 3;
  const bool fallback = (response.requestId & 1) != 0;
  if (index >= targets_.size() || community >= kCommunityCount) return;
  Target& target = targets_[index];
  if (target.address != from || target.answered) return;
  if (response.errorStatus != 0 && !fallback) {
    outbox_.push_front({index, community, true});  // no hrDeviceDescr.1: ask for sysDescr.0
    return;
  }
  target.answered = true;
  Report(target, response);
}

void Search::Report(const Target& target, const snmp::Response& response) {
  DiscoveredPrinter printer{};
  printer.address = target.address;
  if (response.errorStatus == 0 && response.varbinds.size() == 3) {
    CopyText(printer.name, sizeof printer.name, response.varbinds[0].text);
    CopyText(printer.model, sizeof printer.model, response.varbinds[2].text);
  }
  if (!Stopping()) callback_(&printer, callbackContext_);
}
