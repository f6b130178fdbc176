// export, list --json and show --json: the machine's ports as JSON, texts in UTF-8.
#include <cstdio>
#include <nlohmann/json.hpp>

#include "CodePage.h"
#include "MonitorPorts.h"
#include "MonitorRegistry.h"
#include "PortExchange.h"
#include "WholeFile.h"

namespace {

void Print(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }

void NoMoreWords(CommandLine& line) {
  if (std::optional<std::string> option = line.TakeOption()) UsageFailure("unknown option " + *option);
  if (!line.Done()) UsageFailure("unexpected " + line.Take("word"));
}

// The printers of a list that PrinterUseIndex joined with ", ".
nlohmann::json PrinterNames(const std::string& joined) {
  nlohmann::json names = nlohmann::json::array();
  for (size_t start = 0; start < joined.size();) {
    size_t end = joined.find(", ", start);
    if (end == std::string::npos) end = joined.size();
    names.push_back(AnsiToUtf8(joined.substr(start, end - start)));
    start = end + 2;
  }
  return names;
}

// 1 (the community) or 3 (SNMPv3) for a port of the monitor; null for another's.
nlohmann::json SnmpVersionOf(const SpoolerPort& port) {
  if (port.monitor != kMonitorName) return nullptr;
  return ReadTransferredPort(port.name).snmp.version;
}

}  // namespace

int ExportPorts(CommandLine& line) {
  std::optional<std::string> path;
  if (std::optional<std::string> option = line.TakeOption()) UsageFailure("unknown option " + *option);
  if (!line.Done()) path = line.Take("file");
  NoMoreWords(line);
  PortTransfer transfer;
  for (const SpoolerPort& port : SpoolerPorts())
    if (port.monitor == kMonitorName) transfer.ports.push_back(ReadTransferredPort(port.name));
  transfer.scope = ReadStoredScope();
  const std::string json = WriteTransferJson(transfer, AnsiToUtf8);
  if (!path) {
    Print(json);
    return kExitOk;
  }
  WriteWholeFile(*path, json);
  std::fprintf(stderr, "%zu ports%s written to %s\n", transfer.ports.size(),
               transfer.scope ? " and the discovery scope" : "", path->c_str());
  return kExitOk;
}

int ListPortsJson(CommandLine& line) {
  NoMoreWords(line);
  const PrinterUseIndex users = PrinterUse();
  nlohmann::ordered_json ports = nlohmann::ordered_json::array();
  for (const SpoolerPort& port : SpoolerPorts()) {
    ports.push_back({{"name", AnsiToUtf8(port.name)},
                     {"monitor", AnsiToUtf8(port.monitor)},
                     {"printers", PrinterNames(users.PrintersOf(port.name))},
                     {"snmpVersion", SnmpVersionOf(port)}});
    if (port.monitor != kMonitorName) continue;
    const TransferredPort stored = ReadTransferredPort(port.name);
    if (stored.config.ippUri[0] != '\0') ports.back()["IppUri"] = AnsiToUtf8(stored.config.ippUri);
  }
  Print(ports.dump(2) + "\n");
  return kExitOk;
}

int ShowPortJson(CommandLine& line) {
  const std::string name = line.Take("port name");
  NoMoreWords(line);
  const auto ports = PortsByName();
  auto found = ports.find(name);
  if (found == ports.end() || found->second.monitor != kMonitorName) Refuse("no port \"" + name + "\" of the monitor");
  Print(WritePortJson(ReadTransferredPort(found->second.name), AnsiToUtf8));
  return kExitOk;
}
