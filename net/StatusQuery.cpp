#include "StatusQuery.h"

#include <winsock2.h>

#include <atomic>
#include <optional>

#include "Snmp.h"
#include "UdpSocket.h"

namespace {

constexpr uint16_t kSnmpPort = 161;
// Two attempts, the second waiting longer: 1.5 s for a printer that does not answer.
constexpr DWORD kAttemptWaitsMs[] = {500, 1000};
// Marker supplies asked for, from index 1 until the first that the printer lacks.
constexpr uint32_t kMostSupplies = 4;

const snmp::Oid kSysObjectId = {1, 3, 6, 1, 2, 1, 1, 2, 0};
const snmp::Oid kDeviceStatus = {1, 3, 6, 1, 2, 1, 25, 3, 2, 1, 5, 1};
const snmp::Oid kPrinterStatus = {1, 3, 6, 1, 2, 1, 25, 3, 5, 1, 1, 1};
const snmp::Oid kDetectedErrorState = {1, 3, 6, 1, 2, 1, 25, 3, 5, 1, 2, 1};

snmp::Oid SupplyColumn(uint32_t column, uint32_t index) { return {1, 3, 6, 1, 2, 1, 43, 11, 1, 1, column, 1, index}; }

int32_t NextRequestId() {
  static std::atomic<int32_t> counter{static_cast<int32_t>(GetTickCount() & 0x3FFFFFFF)};
  return ++counter & 0x7FFFFFFF;
}

// One printer's questions through one socket.
class Asker {
 public:
  Asker(UdpSocket& socket, uint32_t address, std::string_view community, HANDLE stop)
      : socket_(socket), address_(address), community_(community), stop_(stop) {}

  enum class Outcome { Answered, NoAnswer, Stopped };

  // A GET of the objects; the answer (errorStatus may be nonzero) or why there is none.
  Outcome Get(const std::vector<snmp::Oid>& oids, snmp::Response& answer) {
    for (DWORD waitMs : kAttemptWaitsMs) {
      const int32_t requestId = NextRequestId();
      if (socket_.SendTo(address_, kSnmpPort, snmp::EncodeGetRequest(community_, requestId, oids)) !=
          UdpSocket::Sent::Yes)
        continue;
      Outcome outcome = Await(requestId, waitMs, answer);
      if (outcome != Outcome::NoAnswer) return outcome;
    }
    return Outcome::NoAnswer;
  }

 private:
  Outcome Await(int32_t requestId, DWORD waitMs, snmp::Response& answer) {
    const DWORD start = GetTickCount();
    std::vector<uint8_t> datagram;
    for (DWORD elapsed = 0; elapsed < waitMs; elapsed = GetTickCount() - start) {
      switch (socket_.WaitReadable(waitMs - elapsed, stop_)) {
        case UdpSocket::Wait::Stopped: return Outcome::Stopped;
        case UdpSocket::Wait::Readable: break;
        default: return Outcome::NoAnswer;
      }
      uint32_t from = 0;
      uint16_t port = 0;
      // An error here is the system's word that nothing listens (ICMP port unreachable).
      if (!socket_.Receive(datagram, from, port, 0)) return Outcome::NoAnswer;
      if (from != address_ || port != kSnmpPort) continue;
      std::optional<snmp::Response> response = snmp::DecodeGetResponse(datagram);
      if (!response || response->requestId != requestId) continue;
      answer = std::move(*response);
      return Outcome::Answered;
    }
    return Outcome::NoAnswer;
  }

  UdpSocket& socket_;
  uint32_t address_;
  std::string_view community_;
  HANDLE stop_;
};

const snmp::Varbind* Find(const snmp::Response& response, const snmp::Oid& name) {
  for (const snmp::Varbind& varbind : response.varbinds)
    if (varbind.name == name) return &varbind;
  return nullptr;
}

int64_t IntegerOf(const snmp::Response& response, const snmp::Oid& name) {
  const snmp::Varbind* varbind = Find(response, name);
  return varbind != nullptr && varbind->type == snmp::ValueType::Integer ? varbind->integer : 0;
}

void TakeStatus(const snmp::Response& answer, PrinterState& state) {
  if (const snmp::Varbind* id = Find(answer, kSysObjectId); id && id->type == snmp::ValueType::ObjectIdentifier)
    state.identity = snmp::OidText(id->oid);
  if (answer.errorStatus != 0) return;
  state.hasStatus = true;
  state.deviceStatus = IntegerOf(answer, kDeviceStatus);
  state.printerStatus = IntegerOf(answer, kPrinterStatus);
  if (const snmp::Varbind* bits = Find(answer, kDetectedErrorState); bits && bits->type == snmp::ValueType::OctetString)
    state.errors = static_cast<uint16_t>((bits->text.size() > 0 ? static_cast<uint8_t>(bits->text[0]) << 8 : 0) |
                                         (bits->text.size() > 1 ? static_cast<uint8_t>(bits->text[1]) : 0));
}

// The supplies from index 1 on; a refusal or a missing answer ends the list.
Asker::Outcome TakeSupplies(Asker& asker, PrinterState& state) {
  for (uint32_t index = 1; index <= kMostSupplies; ++index) {
    const snmp::Oid description = SupplyColumn(6, index), maxCapacity = SupplyColumn(8, index),
                    level = SupplyColumn(9, index);
    snmp::Response answer;
    Asker::Outcome outcome = asker.Get({description, maxCapacity, level}, answer);
    if (outcome != Asker::Outcome::Answered) return outcome;
    const snmp::Varbind* text = Find(answer, description);
    if (answer.errorStatus != 0 || text == nullptr) break;
    state.supplies.push_back({text->text, IntegerOf(answer, level), IntegerOf(answer, maxCapacity)});
  }
  return Asker::Outcome::Answered;
}

PrinterState::Reach ReachOf(Asker::Outcome outcome) {
  return outcome == Asker::Outcome::Stopped ? PrinterState::Reach::Stopped : PrinterState::Reach::NoAnswer;
}

// The IPv4 address in host order, from dotted text or the system's name lookup.
std::optional<uint32_t> Resolve(const char* address) {
  if (*address == '\0') return std::nullopt;  // the system would take it for this computer
  uint32_t dotted = inet_addr(address);
  if (dotted != INADDR_NONE) return ntohl(dotted);
  const hostent* host = gethostbyname(address);
  if (host == nullptr || host->h_addrtype != AF_INET || host->h_addr_list[0] == nullptr) return std::nullopt;
  in_addr first;
  memcpy(&first, host->h_addr_list[0], sizeof first);
  return ntohl(first.s_addr);
}

}  // namespace

PrinterState QueryPrinterState(const char* address, const char* community, HANDLE stop) {
  PrinterState state;
  WinsockSession winsock;
  std::optional<uint32_t> host = Resolve(address);
  if (!host) {
    state.reach = PrinterState::Reach::Unresolved;
    return state;
  }
  UdpSocket socket;
  if (!socket.IsOpen()) {
    state.reach = PrinterState::Reach::NoSocket;
    return state;
  }
  Asker asker(socket, *host, community, stop);
  snmp::Response answer;
  Asker::Outcome outcome = asker.Get({kSysObjectId, kDeviceStatus, kPrinterStatus, kDetectedErrorState}, answer);
  if (outcome != Asker::Outcome::Answered) {
    state.reach = ReachOf(outcome);
    return state;
  }
  TakeStatus(answer, state);
  outcome = TakeSupplies(asker, state);
  state.reach = outcome == Asker::Outcome::Stopped ? PrinterState::Reach::Stopped : PrinterState::Reach::Answered;
  return state;
}

std::vector<std::string> PrinterErrorNames(uint16_t errors) {
  static const std::pair<uint16_t, const char*> kNames[] = {
      {kLowPaper, "paper low"},         {kNoPaper, "paper out"},
      {kLowToner, "toner low"},         {kNoToner, "toner out"},
      {kDoorOpen, "door open"},         {kJammed, "paper jam"},
      {kOffline, "offline"},            {kServiceRequested, "service requested"},
      {kInputTrayMissing, "input tray missing"}, {kOutputTrayMissing, "output tray missing"},
      {kMarkerSupplyMissing, "marker supply missing"}, {kOutputNearFull, "output bin almost full"},
      {kOutputFull, "output bin full"}, {kInputTrayEmpty, "input tray empty"},
      {kOverduePreventMaint, "maintenance overdue"}};
  std::vector<std::string> names;
  for (const auto& [bit, name] : kNames)
    if (errors & bit) names.emplace_back(name);
  return names;
}

const char* DeviceStatusName(int64_t status) {
  static const char* const kNames[] = {"unknown", "running", "warning", "testing", "down"};
  return status >= 1 && status <= 5 ? kNames[status - 1] : "not reported";
}

const char* PrinterStatusName(int64_t status) {
  static const char* const kNames[] = {"other", "unknown", "idle", "printing", "warming up"};
  return status >= 1 && status <= 5 ? kNames[status - 1] : "not reported";
}
