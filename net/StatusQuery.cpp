#include "StatusQuery.h"

#include <winsock2.h>

#include <optional>

#include "Snmp.h"
#include "PrinterAddress.h"
#include "SnmpAsk.h"

namespace {

// Marker supplies asked for, from index 1 until the first that the printer lacks.
constexpr uint32_t kMostSupplies = 4;

const snmp::Oid kSysObjectId = {1, 3, 6, 1, 2, 1, 1, 2, 0};
const snmp::Oid kDeviceStatus = {1, 3, 6, 1, 2, 1, 25, 3, 2, 1, 5, 1};
const snmp::Oid kPrinterStatus = {1, 3, 6, 1, 2, 1, 25, 3, 5, 1, 1, 1};
const snmp::Oid kDetectedErrorState = {1, 3, 6, 1, 2, 1, 25, 3, 5, 1, 2, 1};

snmp::Oid SupplyColumn(uint32_t column, uint32_t index) { return {1, 3, 6, 1, 2, 1, 43, 11, 1, 1, column, 1, index}; }

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

}  // namespace

std::vector<snmp::Oid> StatusQuestions::StatusOids() {
  return {kSysObjectId, kDeviceStatus, kPrinterStatus, kDetectedErrorState};
}

bool StatusQuestions::Ask(uint32_t supply) {
  supply_ = supply;
  current_ = {SupplyColumn(6, supply), SupplyColumn(8, supply), SupplyColumn(9, supply)};
  return true;
}

// A status answer makes the printer answered; a supply question without an answer, or a
// supply that the printer lacks, ends the list.
bool StatusQuestions::Take(const snmp::Response* answer) {
  if (answer == nullptr) return false;
  if (supply_ == 0) {
    state_.reach = PrinterState::Reach::Answered;
    TakeStatus(*answer, state_);
    return Ask(1);
  }
  const snmp::Varbind* text = Find(*answer, current_[0]);
  if (answer->errorStatus != 0 || text == nullptr) return false;
  state_.supplies.push_back({text->text, IntegerOf(*answer, current_[2]), IntegerOf(*answer, current_[1])});
  return supply_ < kMostSupplies && Ask(supply_ + 1);
}

namespace {

// Every address of the text in turn until one answers; `ask` puts one question to one
// connected socket and says how it went. An SNMPv3 agent's engine, learned by the first
// question to an address, serves the questions after it.
template <typename Ask>
PrinterState QueryEachAddress(const char* address, int version, Ask ask) {
  WinsockSession winsock;
  PrinterState state;
  state.version = version;
  state.reach = PrinterState::Reach::Unresolved;
  for (const SocketAddress& printer : PrinterAddresses(address)) {
    UdpSocket socket(printer.Family());
    if (!ConnectToPrinter(socket, printer)) {
      if (state.reach == PrinterState::Reach::Unresolved) state.reach = PrinterState::Reach::NoSocket;
      continue;
    }
    StatusQuestions questions;
    UsmError error = UsmError::None;
    UsmEngine engine;
    for (bool more = true; more;) {
      snmp::Response answer;
      const Asked asked = ask(socket, questions.Current(), answer, error, engine);
      if (asked == Asked::Stopped) {
        state.reach = PrinterState::Reach::Stopped;
        return state;
      }
      more = questions.Take(asked == Asked::Answered ? &answer : nullptr);
    }
    if (questions.State().Answered()) {
      PrinterState answered = questions.State();
      answered.version = version;
      return answered;
    }
    state.reach = error == UsmError::None ? PrinterState::Reach::NoAnswer : PrinterState::Reach::Refused;
    state.usmError = error;
  }
  return state;
}

}  // namespace

PrinterState QueryPrinterState(const char* address, const char* community, HANDLE stop) {
  return QueryEachAddress(address, 1, [&](UdpSocket& socket, const std::vector<snmp::Oid>& oids, snmp::Response& answer,
                                          UsmError&, UsmEngine&) {
    return AskPrinter(socket, community, oids, kStatusAttemptWaitsMs, stop, answer);
  });
}

PrinterState QueryPrinterState(const char* address, const UsmUser& user, HANDLE stop) {
  return QueryEachAddress(address, 3, [&](UdpSocket& socket, const std::vector<snmp::Oid>& oids, snmp::Response& answer,
                                          UsmError& error, UsmEngine& engine) {
    return AskPrinter(socket, user, engine, oids, kStatusAttemptWaitsMs, stop, answer, error);
  });
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
