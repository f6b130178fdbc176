#include "StatusCommand.h"

#include "PortKey.h"

#include <cstdio>
#include <string>
#include <vector>

#include "CertificateCommands.h"
#include "IppStatus.h"
#include "PortConfig.h"
#include "SnmpCredentials.h"
#include "StatusQuery.h"
#include "Unique.h"

namespace {

std::string Joined(const std::vector<std::string>& parts, const char* separator, const char* none) {
  if (parts.empty()) return none;
  std::string joined;
  for (const std::string& part : parts) joined += (joined.empty() ? "" : separator) + part;
  return joined;
}

std::string LevelText(const Supply& supply) {
  switch (supply.level) {
    case -3: return "some left";
    case -2: return "unknown";
    case -1: return "other";
    default:
      if (supply.maxCapacity > 0) return std::to_string(supply.level * 100 / supply.maxCapacity) + "%";
      return std::to_string(supply.level);
  }
}

// What the printer says is shown without its control characters.
std::vector<std::string> SupplyTexts(const PrinterState& state) {
  std::vector<std::string> texts;
  for (const Supply& supply : state.supplies)
    texts.push_back(ConsoleText(supply.description) + " " + LevelText(supply));
  return texts;
}

std::string ReachText(const PrinterState& state) {
  switch (state.reach) {
    case PrinterState::Reach::Answered: return "yes";
    case PrinterState::Reach::Unresolved: return "no (the address does not resolve)";
    case PrinterState::Reach::NoSocket: return "no (no socket)";
    case PrinterState::Reach::Refused: return std::string("no (") + UsmErrorText(state.usmError) + ")";
    default: return "no (no answer)";
  }
}

// What the port's printer is reached at: its IPP URI, or its address for SNMP.
const char* PrinterOf(const PortConfig& config) { return config.ippUri[0] != '\0' ? config.ippUri : config.deviceIP; }

const char* TrustText(CertificateTrust trust) {
  switch (trust) {
    case CertificateTrust::System: return "trusted by the system";
    case CertificateTrust::FirstUse: return "not pinned yet";
    case CertificateTrust::Pinned: return "the port's";
    default: return "changed";
  }
}

// An IPP printer's own words: its state, reasons and certificate.
void PrintIppText(const IppPrinterStatus& ipp) {
  std::printf("Printer state           %s\n", IppPrinterStateName(ipp.printerState));
  std::vector<std::string> reasons;
  for (const std::string& reason : ipp.reasons) reasons.push_back(ConsoleText(reason));
  std::printf("State reasons           %s\n", Joined(reasons, ", ", "none").c_str());
  if (ipp.outcome.secure)
    std::printf("Certificate             %s (%s)\n", ipp.outcome.certificate.fingerprint.c_str(),
                TrustText(ipp.outcome.trust));
}

// What the printer was asked over: IPP, or the SNMP version asked, and answered where the
// printer did.
const char* ProtocolText(const PrinterState& state, const IppPrinterStatus* ipp) {
  if (ipp) return "IPP";
  return state.version == 3 ? "SNMPv3" : "SNMPv1";
}

// With the port's SNMPv3 user, or its community.
PrinterState AskPrinter(const StoredPort& port, HANDLE stop) {
  if (const std::optional<UsmUser> user = PortUsmUser(port)) return QueryPrinterState(port.config.deviceIP, *user, stop);
  return QueryPrinterState(port.config.deviceIP, port.config.communityName, stop);
}

void PrintText(const PortConfig& config, const PrinterState& state, const IppPrinterStatus* ipp) {
  std::printf("Port                    %s\n", config.portName);
  std::printf("%s%s\n", ipp ? "Printer URI             " : "Printer address         ", PrinterOf(config));
  if (ipp && !state.Answered() && state.reach == PrinterState::Reach::NoAnswer)
    std::printf("Reachable               no (%s)\n", ipp->outcome.Answered() ? "the printer refused the question"
                                                                         : ipp->outcome.Text().c_str());
  else
    std::printf("Reachable               %s\n", ReachText(state).c_str());
  if (!ipp) std::printf("SNMP                    %s\n", ProtocolText(state, ipp));
  if (!state.Answered()) return;
  if (ipp)
    PrintIppText(*ipp);
  else
    std::printf("Identifier              %s\n",
                state.identity.empty() ? "not reported" : ConsoleText(state.identity).c_str());
  std::printf("Device status           %s\n", DeviceStatusName(state.deviceStatus));
  std::printf("Printer status          %s\n", PrinterStatusName(state.printerStatus));
  std::printf("Errors                  %s\n", Joined(PrinterErrorNames(state.errors), ", ", "none").c_str());
  for (const std::string& supply : SupplyTexts(state)) std::printf("Supply                  %s\n", supply.c_str());
}

void PrintCsv(const PortConfig& config, const PrinterState& state, const IppPrinterStatus* ipp) {
  std::printf("Port,Address,Reachable,Identifier,Device status,Printer status,Errors,Supplies,SNMP\n");
  const bool answered = state.Answered();
  std::printf("%s,%s,%s,%s,%s,%s,%s,%s,%s\n", CsvField(config.portName).c_str(), CsvField(PrinterOf(config)).c_str(),
              answered ? "yes" : "no", CsvField(ConsoleText(state.identity)).c_str(),
              answered ? DeviceStatusName(state.deviceStatus) : "",
              answered ? PrinterStatusName(state.printerStatus) : "",
              CsvField(Joined(PrinterErrorNames(state.errors), "; ", "")).c_str(),
              CsvField(Joined(SupplyTexts(state), "; ", "")).c_str(), ProtocolText(state, ipp));
}

}  // namespace

int Status(CommandLine& line) {
  const std::string name = line.Take("port name");
  bool csv = false;
  while (std::optional<std::string> option = line.TakeOption()) {
    if (*option != "--csv") UsageFailure("unknown option " + *option);
    csv = true;
  }
  if (!line.Done()) UsageFailure("unexpected " + line.Take("word"));
  const PortReading reading = ReadStoredPort(FittingText(name, sizeof PortConfig::portName, "the port name"));
  if (reading.error != ERROR_SUCCESS) Refuse("no port \"" + name + "\" of the monitor");
  const PortConfig& config = reading.port.config;
  // A port that prints over IPP is asked over IPP, with the certificate it trusts.
  std::optional<IppPrinterStatus> ipp;
  if (config.ippUri[0] != '\0') ipp = QueryIppStatus(config.ippUri, reading.port.ippCertificate);
  // Nothing stops the SNMP question but its own time limit.
  UniqueHandle never(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  const PrinterState state = ipp ? ipp->state : AskPrinter(reading.port, never.get());
  csv ? PrintCsv(config, state, ipp ? &*ipp : nullptr) : PrintText(config, state, ipp ? &*ipp : nullptr);
  if (!csv) PrintCertificates(reading.port);
  return state.Answered() ? kExitOk : kExitRefused;
}
