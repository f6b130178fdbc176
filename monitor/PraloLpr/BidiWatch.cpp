#include "BidiWatch.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <set>
#include <unordered_map>
#include <vector>

#include "BidiWords.h"
#include "IppQuestions.h"
#include "LibraryThread.h"
#include "MonitorRegistry.h"
#include "NameLookups.h"
#include "PortNames.h"
#include "PortWatch.h"
#include "PrinterAddress.h"
#include "PrinterIndex.h"
#include "SnmpExchange.h"
#include "SpoolerPortStatus.h"

// What Shutdown tells the watch: an event that ends its waits, and a flag that its loops
// read between ports without a call to the system.
struct StopSignal {
  UniqueHandle event{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  std::atomic<bool> stopped{false};
};

namespace {

// A spooler that loads the monitor for a single call (Wine's loads and unloads it around
// each) unloads it within this time; a watch that would start then would only ask the
// printers and be stopped.
constexpr DWORD kSettleMs = 1000;
// Shutdown waits this long at most for the watch's thread; the thread holds the library
// and ends on its own.
constexpr DWORD kShutdownWaitMs = 500;
// How often a key that cannot be watched (not made yet) is looked at.
constexpr ULONGLONG kPollMs = 2000;
// The printers' index is read again this long after the first change that a burst of
// changes (a printer added, our own words written) reports.
constexpr ULONGLONG kPrintersSettleMs = 1000;
// Questions in flight at once; the ports that are due meanwhile wait their turn.
constexpr size_t kMostInFlight = 256;
// A port that joins the running watch has its record read this long after its key came,
// so that the values written one after another (the wizard's, prlport's) are all there;
// and again as long after each later change of the ports' tree, until its first
// "ConfigUpdateInt" has passed: a writer on a busy machine may take longer.
constexpr ULONGLONG kJoinSettleMs = 500;
// The words tell only whether the printer reports supplies: its first says so.
constexpr uint32_t kSuppliesAsked = 1;
// Ports on one printer share its questions (SnmpExchange.h): an answer younger than this
// part of a port's status interval serves the port as its own question would.
constexpr ULONGLONG kSharedPartOfInterval = 10;
// The longest single wait, so that no sum of times runs over.
constexpr ULONGLONG kLongestWaitMs = 60000;
constexpr ULONGLONG kNever = ~0ull;

// A registry tree whose changes signal an event: any value set, any key made or removed
// below it.
class TreeWatch {
 public:
  // Manual reset: the watch's wait leaves the event set for TakeChange to see.
  explicit TreeWatch(const wchar_t* path) : path_(path), changed_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    Arm();
  }
  HANDLE Changed() const { return changed_.get(); }
  bool Watching() const { return static_cast<bool>(key_); }
  // A notification is good for one change: armed again on the key kept open (closing a
  // watched key signals its watch). A key that is missing is looked for again. Arming
  // resets the event (as starting any asynchronous request does), so a watch whose
  // change has not been taken yet is left as it is: that change would be lost.
  void Arm() {
    if (armed_) return;
    if (!key_) RegOpenKeyExW(HKEY_LOCAL_MACHINE, path_, 0, KEY_NOTIFY | KEY_READ, key_.put());
    if (key_ && RegNotifyChangeKeyValue(key_.get(), TRUE, REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET,
                                        changed_.get(), TRUE) != ERROR_SUCCESS)
      key_.reset();
    armed_ = static_cast<bool>(key_);
  }
  bool TakeChange() {
    if (WaitForSingleObject(changed_.get(), 0) != WAIT_OBJECT_0 || !ResetEvent(changed_.get())) return false;
    armed_ = false;
    return true;
  }

 private:
  const wchar_t* path_;
  UniqueHandle changed_;
  UniqueKey key_;
  bool armed_ = false;  // a notification is registered and its change not yet taken
};

class Watcher {
 public:
  explicit Watcher(const StopSignal& stop) : stop_(stop) {}
  void Run();

 private:
  // Waits until `until` or an event; false when the watch is to stop.
  bool Wait(ULONGLONG until);
  // Once Shutdown has returned nothing more is read or written.
  bool Stopping() const { return stop_.stopped.load(std::memory_order_acquire); }
  void TakeEvents(ULONGLONG now);
  void FollowPortList(ULONGLONG now, ULONGLONG settle);
  void RereadJoinedRecords(ULONGLONG now);
  void TakeUpdatedRecords(ULONGLONG now);
  void RefreshIndex();
  void TakeLookups();
  void TakeAnswers(ULONGLONG now);
  void TakeIppAnswers(ULONGLONG now);
  void RunDuePorts(ULONGLONG now);
  void Schedule(uint64_t id, const PortWatch& port);
  void ReadRecord(uint64_t id, PortWatch& port, ULONGLONG now);
  void Resolve(uint64_t id, PortWatch& port);
  void Ask(uint64_t id, PortWatch& port, ULONGLONG now);
  void Send(uint64_t id, const PortWatch& port, ULONGLONG now);
  void Finish(PortWatch& port, const PrinterState& state, ULONGLONG now);
  void Disable(uint64_t id, PortWatch& port);
  void WriteWords(const PortWatch& port, const BidiWords& words);
  PortWatch* Find(uint64_t id);

  const StopSignal& stop_;
  WinsockSession winsock_;
  SnmpExchange exchange_{kStatusAttemptWaitsMs};
  NameLookups lookups_;
  IppQuestions ipp_;
  PrinterIndex printers_;
  StoredWords stored_;
  TreeWatch portKeys_{kPortNamesKeyW};
  TreeWatch printerKeys_{kPrintersKeyW};
  std::unordered_map<uint64_t, PortWatch> ports_;  // by id, which is also its questions' ticket
  std::map<std::wstring, uint64_t> ids_;           // by name
  std::set<std::pair<ULONGLONG, uint64_t>> timetable_;
  std::unordered_map<uint64_t, ULONGLONG> scheduled_;  // each port's place in the timetable
  std::set<uint64_t> joining_;  // ports that joined the running watch, in their first config interval
  uint64_t nextId_ = 1;
  uint64_t portKeyChanges_ = 0;  // changes of the ports' tree taken so far
  ULONGLONG indexDue_ = kNever;
  ULONGLONG pollDue_ = kNever;
};

void Watcher::Run() {
  if (WaitForSingleObject(stop_.event.get(), kSettleMs) != WAIT_TIMEOUT) return;
  const ULONGLONG start = GetTickCount64();
  printers_.Refresh();
  FollowPortList(start, 0);
  TakeUpdatedRecords(start);
  for (;;) {
    const ULONGLONG now = GetTickCount64();
    RunDuePorts(now);
    ULONGLONG until = std::min({exchange_.NextDue(), indexDue_, pollDue_});
    if (!timetable_.empty() && exchange_.InFlight() < kMostInFlight) until = std::min(until, timetable_.begin()->first);
    if (!Wait(until)) return;
    TakeEvents(GetTickCount64());
  }
}

bool Watcher::Wait(ULONGLONG until) {
  std::vector<HANDLE> events = {stop_.event.get(), portKeys_.Changed(), printerKeys_.Changed(), lookups_.Ready(),
                                ipp_.Ready()};
  for (HANDLE socket : exchange_.Events()) events.push_back(socket);
  const ULONGLONG now = GetTickCount64();
  const DWORD timeout = until == kNever ? INFINITE : static_cast<DWORD>(until <= now ? 0 : std::min(until - now, kLongestWaitMs));
  const DWORD woken = WaitForMultipleObjects(static_cast<DWORD>(events.size()), events.data(), FALSE, timeout);
  return woken != WAIT_OBJECT_0 && woken != WAIT_FAILED;
}

void Watcher::TakeEvents(ULONGLONG now) {
  if (portKeys_.TakeChange() || pollDue_ <= now) {
    ++portKeyChanges_;
    portKeys_.Arm();
    printerKeys_.Arm();
    FollowPortList(now, kJoinSettleMs);
    RereadJoinedRecords(now);
    TakeUpdatedRecords(now);
  }
  pollDue_ = portKeys_.Watching() && printerKeys_.Watching() ? kNever : now + kPollMs;
  if (printerKeys_.TakeChange()) {
    printerKeys_.Arm();
    indexDue_ = std::min(indexDue_, now + kPrintersSettleMs);
  }
  if (indexDue_ <= now) {
    indexDue_ = kNever;
    RefreshIndex();
  }
  TakeLookups();
  TakeAnswers(now);
  TakeIppAnswers(now);
}

PortWatch* Watcher::Find(uint64_t id) {
  const auto found = ports_.find(id);
  return found == ports_.end() ? nullptr : &found->second;
}

// Ports that came join the watch, with their record read at once; ports that went leave
// it, with their question.
void Watcher::FollowPortList(ULONGLONG now, ULONGLONG settle) {
  const std::vector<std::wstring> names = CurrentPortNames();
  const std::set<std::wstring> current(names.begin(), names.end());
  for (auto named = ids_.begin(); named != ids_.end();) {
    if (current.count(named->first) != 0) {
      ++named;
      continue;
    }
    exchange_.Cancel(named->second);
    timetable_.erase({scheduled_[named->second], named->second});
    scheduled_.erase(named->second);
    joining_.erase(named->second);
    ports_.erase(named->second);
    named = ids_.erase(named);
  }
  for (const std::wstring& name : names) {
    if (ids_.count(name) != 0) continue;
    const uint64_t id = nextId_++;
    ids_.emplace(name, id);
    PortWatch& port = ports_.try_emplace(id, name).first->second;
    port.recordDue = port.questionDue = now + settle;
    Schedule(id, port);
    if (settle == 0) continue;
    port.joinedAt = now;
    joining_.insert(id);
  }
}

// A port that joined lately may have been read before its writer was done: it is read
// again once this change has settled.
void Watcher::RereadJoinedRecords(ULONGLONG now) {
  for (auto id = joining_.begin(); id != joining_.end();) {
    PortWatch& port = ports_.at(*id);
    if (now - port.joinedAt >= port.RecordIntervalMs()) {
      id = joining_.erase(id);
      continue;
    }
    port.recordDue = std::min(port.recordDue, now + kJoinSettleMs);
    Schedule(*id++, port);
  }
}

// A new address or community ("SnmpUpdated") counts at once, not at the next interval.
void Watcher::TakeUpdatedRecords(ULONGLONG now) {
  for (auto& [id, port] : ports_) {
    if (Stopping()) return;
    if (!port.TakeSnmpUpdated()) continue;
    exchange_.Cancel(id);
    port.questions.reset();
    ReadRecord(id, port, now);
    port.questionDue = now;
    Schedule(id, port);
  }
}

// Printers that joined a port get its words at once.
void Watcher::RefreshIndex() {
  printers_.Refresh();
  for (const auto& [id, port] : ports_) {
    if (Stopping()) return;
    if (port.words) WriteWords(port, *port.words);
  }
}

// A result for a name that the record no longer holds is dropped: the record's name is
// asked for instead.
void Watcher::TakeLookups() {
  for (auto& [id, addresses] : lookups_.Take()) {
    PortWatch* port = Find(id);
    if (port == nullptr) continue;
    const std::string asked = std::move(*port->lookupName);
    port->lookupName.reset();
    if (asked == port->Record().deviceIP)
      port->SetAddresses(std::move(addresses));
    else if (port->Enabled())
      Resolve(id, *port);
    Schedule(id, *port);
  }
}

// An answer leads to the next question, or to the printer's state; a printer silent at
// one of its addresses is asked at the next.
void Watcher::TakeAnswers(ULONGLONG now) {
  for (SnmpExchange::Ended& ended : exchange_.Advance(now)) {
    if (Stopping()) return;
    PortWatch* port = Find(ended.ticket);
    if (port == nullptr || !port->questions) continue;
    if (port->questions->Take(ended.answer ? &*ended.answer : nullptr)) {
      Send(ended.ticket, *port, now);
      continue;
    }
    const PrinterState state = port->questions->State();
    port->questions.reset();
    if (!state.Answered() && port->NextAddress()) {
      Ask(ended.ticket, *port, now);
      continue;
    }
    if (state.Answered()) port->KeepCurrentAddress();
    Finish(*port, state, now);
    Schedule(ended.ticket, *port);
  }
}

// An answer for a port that has been disabled meanwhile is dropped.
void Watcher::TakeIppAnswers(ULONGLONG now) {
  for (auto& [id, state] : ipp_.Take()) {
    if (Stopping()) return;
    PortWatch* port = Find(id);
    if (port == nullptr || !port->ippAsked) continue;
    port->ippAsked = false;
    if (port->Enabled()) Finish(*port, state, now);
    Schedule(id, *port);
  }
}

void Watcher::RunDuePorts(ULONGLONG now) {
  while (!timetable_.empty() && timetable_.begin()->first <= now && exchange_.InFlight() < kMostInFlight &&
         !Stopping()) {
    const uint64_t id = timetable_.begin()->second;
    timetable_.erase(timetable_.begin());
    scheduled_.erase(id);
    PortWatch& port = ports_.at(id);
    if (port.recordDue <= now) ReadRecord(id, port, now);
    if (port.Enabled() && !port.questions && !port.lookupName && !port.ippAsked && port.questionDue <= now)
      Ask(id, port, now);
    Schedule(id, port);
  }
}

// A port is due for its record, and, while it is watched and nothing is under way for
// it, for its next question.
void Watcher::Schedule(uint64_t id, const PortWatch& port) {
  if (const auto placed = scheduled_.find(id); placed != scheduled_.end()) {
    timetable_.erase({placed->second, id});
    scheduled_.erase(placed);
  }
  ULONGLONG due = port.recordDue;
  if (port.Enabled() && !port.questions && !port.lookupName && !port.ippAsked) due = std::min(due, port.questionDue);
  timetable_.insert({due, id});
  scheduled_[id] = due;
}

// The record is read again every "ConfigUpdateInt" when the ports' tree has changed
// since it was last read (or cannot be watched), and the address resolved again: a
// number at once, a name off this thread.
void Watcher::ReadRecord(uint64_t id, PortWatch& port, ULONGLONG now) {
  if (port.recordRead != portKeyChanges_ || !portKeys_.Watching()) {
    port.ReadRecord();
    port.recordRead = portKeyChanges_;
  }
  port.recordDue = now + port.RecordIntervalMs();
  if (!port.Enabled()) {
    Disable(id, port);
    return;
  }
  port.wordsRemoved = false;
  if (!port.lookupName && !port.AsksOverIpp()) Resolve(id, port);
}

// While a lookup is under way, its result is awaited (TakeLookups).
void Watcher::Resolve(uint64_t id, PortWatch& port) {
  const char* address = port.Record().deviceIP;
  if (*address == '\0' || IsNumericAddress(address)) {
    port.SetAddresses(PrinterAddresses(address, true));
    return;
  }
  port.lookupName = address;
  lookups_.Ask(id, address);
}

void Watcher::Ask(uint64_t id, PortWatch& port, ULONGLONG now) {
  PrinterState state;
  if (port.AsksOverIpp()) {
    port.ippAsked = true;
    ipp_.Ask(id, {port.Record().ippUri, port.PinnedCertificate()});
    return;
  }
  if (port.Addresses().empty()) {
    state.reach = PrinterState::Reach::Unresolved;
  } else if (!exchange_.CanAsk(port.CurrentAddress().Family())) {
    state.reach = PrinterState::Reach::NoSocket;
  } else {
    port.questions.emplace(kSuppliesAsked);
    Send(id, port, now);
    return;
  }
  Finish(port, state, now);
}

// The port's next question, with its SNMPv3 user or its community; the same question of
// another port on the same printer, in flight or just answered, serves this one too.
void Watcher::Send(uint64_t id, const PortWatch& port, ULONGLONG now) {
  const ULONGLONG keptMs = port.StatusIntervalMs() / kSharedPartOfInterval;
  if (const std::optional<UsmUser>& user = port.UsmUserToAsk())
    exchange_.Ask(id, port.CurrentAddress(), *user, port.questions->Current(), now, keptMs);
  else
    exchange_.Ask(id, port.CurrentAddress(), port.Record().communityName, port.questions->Current(), now, keptMs);
}

// The words are written, and the spooler told the port's status, where they changed.
void Watcher::Finish(PortWatch& port, const PrinterState& state, ULONGLONG now) {
  WriteWords(port, port.WordsAfter(state));
  if (PortStatus status; port.TakePortStatus(state, status)) ReportPortStatus(port.Name(), status);
  port.questionDue = now + port.StatusIntervalMs();
}

// The words of a port that is not watched would only mislead: they go, once.
void Watcher::Disable(uint64_t id, PortWatch& port) {
  exchange_.Cancel(id);
  port.questions.reset();
  port.words.reset();
  port.Disabled();
  if (port.wordsRemoved) return;
  for (const std::wstring& printer : printers_.PrintersOf(port.Name())) stored_.Remove(printer);
  port.wordsRemoved = true;
}

void Watcher::WriteWords(const PortWatch& port, const BidiWords& words) {
  for (const std::wstring& printer : printers_.PrintersOf(port.Name())) stored_.Write(printer, words);
}

DWORD Watch(void* stop) {
  const std::unique_ptr<std::shared_ptr<StopSignal>> held(static_cast<std::shared_ptr<StopSignal>*>(stop));
  Watcher(**held).Run();
  return 0;
}

}  // namespace

// The signal is shared: the thread may outlive this object (it holds the library).
BidiWatch::BidiWatch() : stop_(std::make_shared<StopSignal>()) {
  if (!stop_->event) return;
  auto* threadStop = new std::shared_ptr<StopSignal>(stop_);
  thread_ = StartLibraryThread(Watch, threadStop);
  if (!thread_) delete threadStop;
}

BidiWatch::~BidiWatch() {
  stop_->stopped.store(true, std::memory_order_release);
  SetEvent(stop_->event.get());
  if (thread_) WaitForSingleObject(thread_.get(), kShutdownWaitMs);
}
