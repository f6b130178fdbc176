#include "IppStatus.h"

#include <charconv>
#include <string_view>

namespace {

constexpr int32_t kIdle = 3, kProcessing = 4, kStopped = 5;

// The printer-state-reasons keywords that hrPrinterDetectedErrorState has a bit for.
const struct {
  const char* keyword;
  uint16_t error;
} kReasonErrors[] = {
    {"media-empty", kNoPaper},        {"media-needed", kNoPaper},       {"media-low", kLowPaper},
    {"toner-empty", kNoToner},        {"marker-supply-empty", kNoToner}, {"toner-low", kLowToner},
    {"marker-supply-low", kLowToner}, {"door-open", kDoorOpen},          {"cover-open", kDoorOpen},
    {"interlock-open", kDoorOpen},    {"media-jam", kJammed},            {"offline", kOffline},
    {"shutdown", kOffline},           {"paused", kOffline},              {"input-tray-missing", kInputTrayMissing},
    {"output-tray-missing", kOutputTrayMissing}, {"output-area-almost-full", kOutputNearFull},
    {"output-area-full", kOutputFull},
};

// A reason's keyword and whether it is an error: "-report" and "-warning" say less; a
// keyword without either suffix (or with "-error") is an error (RFC 8011, 5.4.12).
std::string_view KeywordOf(std::string_view reason, bool& error) {
  error = true;
  for (std::string_view suffix : {"-report", "-warning", "-error"})
    if (reason.size() > suffix.size() && reason.ends_with(suffix)) {
      error = suffix == "-error";
      return reason.substr(0, reason.size() - suffix.size());
    }
  return reason;
}

int64_t Number(std::string_view text) {
  int64_t value = -2;  // unknown
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

// One printer-supply value (PWG 5100.13): "index=1;class=...;type=toner;maxcapacity=100;level=75;".
Supply SupplyOf(std::string_view entry, const std::string& description) {
  Supply supply{description, -2, -2};
  std::string type;
  while (!entry.empty()) {
    const std::string_view field = entry.substr(0, entry.find(';'));
    entry.remove_prefix(std::min(entry.size(), field.size() + 1));
    const size_t equals = field.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view key = field.substr(0, equals), value = field.substr(equals + 1);
    if (key == "level") supply.level = Number(value);
    if (key == "maxcapacity") supply.maxCapacity = Number(value);
    if (key == "type") type = value;
  }
  if (supply.description.empty()) supply.description = type;
  return supply;
}

// marker-names with marker-levels (percent, or -1 other, -2 unknown, -3 some left, as the
// Printer MIB's levels); without them, printer-supply with its descriptions.
std::vector<Supply> SuppliesOf(const ipp::Response& response) {
  std::vector<Supply> supplies;
  const auto find = [&](const char* name) { return response.Find(ipp::Tag::PrinterAttributes, name); };
  const ipp::Attribute *names = find("marker-names"), *levels = find("marker-levels");
  if (names && levels) {
    const std::vector<std::string> texts = names->Texts();
    const std::vector<int32_t> numbers = levels->Integers();
    for (size_t i = 0; i < texts.size() && i < numbers.size(); ++i) supplies.push_back({texts[i], numbers[i], 100});
    return supplies;
  }
  const ipp::Attribute *entries = find("printer-supply"), *descriptions = find("printer-supply-description");
  if (!entries) return supplies;
  const std::vector<std::string> described = descriptions ? descriptions->Texts() : std::vector<std::string>();
  for (size_t i = 0; i < entries->values.size(); ++i)
    supplies.push_back(SupplyOf(entries->values[i].bytes, i < described.size() ? described[i] : std::string()));
  return supplies;
}

// hrDeviceStatus and hrPrinterStatus (RFC 2790) as the IPP state and reasons say them.
void TakeState(IppPrinterStatus& status, bool anyError) {
  PrinterState& state = status.state;
  state.hasStatus = status.printerState != 0;
  if (status.printerState == kStopped || anyError) {
    state.deviceStatus = 5;  // down
    state.printerStatus = status.printerState == kProcessing ? 4 : status.printerState == kIdle ? 3 : 1;
    return;
  }
  state.deviceStatus = status.reasons.empty() ? 2 : 3;  // running, warning
  state.printerStatus = status.printerState == kProcessing ? 4 : status.printerState == kIdle ? 3 : 2;
}

}  // namespace

IppPrinterStatus IppStatusOf(const IppOutcome& outcome) {
  IppPrinterStatus status;
  status.outcome = outcome;
  if (!outcome.Answered() || !ipp::Succeeded(outcome.response->status)) {
    const bool unresolved = outcome.failure == IppOutcome::Failure::Connection &&
                            outcome.error == ERROR_WINHTTP_NAME_NOT_RESOLVED;
    status.state.reach = unresolved ? PrinterState::Reach::Unresolved : PrinterState::Reach::NoAnswer;
    return status;
  }
  const ipp::Response& response = *outcome.response;
  status.state.reach = PrinterState::Reach::Answered;
  if (const ipp::Attribute* state = response.Find(ipp::Tag::PrinterAttributes, "printer-state");
      state && !state->Integers().empty())
    status.printerState = state->Integers()[0];
  bool anyError = false;
  if (const ipp::Attribute* reasons = response.Find(ipp::Tag::PrinterAttributes, "printer-state-reasons"))
    for (const std::string& reason : reasons->Texts()) {
      if (reason == "none") continue;
      status.reasons.push_back(reason);
      bool error = false;
      const std::string_view keyword = KeywordOf(reason, error);
      for (const auto& known : kReasonErrors)
        if (keyword == known.keyword) {
          status.state.errors |= known.error;
          anyError = anyError || error;
        }
    }
  TakeState(status, anyError);
  status.state.supplies = SuppliesOf(response);
  return status;
}

IppPrinterStatus QueryIppStatus(const std::string& uri, const std::string& pinned) {
  ipp::Request request;
  request.printerUri = uri;
  request.requestedAttributes = {"printer-state", "printer-state-reasons", "marker-names", "marker-levels",
                                 "printer-supply", "printer-supply-description"};
  return IppStatusOf(PostIpp(uri, ipp::EncodeRequest(request), pinned, kIppStatusTimeouts));
}

const char* IppPrinterStateName(int32_t state) {
  switch (state) {
    case kIdle: return "idle";
    case kProcessing: return "processing";
    case kStopped: return "stopped";
    default: return "not reported";
  }
}
