#include "Commands.h"

#include <winsock2.h>

#include <windows.h>

#include <winspool.h>

#include <cstdio>
#include <mutex>

#include "CertificateCommands.h"
#include "CommandLine.h"
#include "DelayLoadHook.h"
#include "DiscoveryScope.h"
#include "Ipp.h"
#include "MonitorPorts.h"
#include "MonitorRegistry.h"
#include "OsVersion.h"
#include "PortNameCompare.h"
#include "PortExchange.h"
#include "PortKey.h"
#include "PortOptions.h"
#include "PortSetup.h"
#include "PrinterIdentification.h"
#include "PrinterSearch.h"
#include "PrlFind.h"
#include "ResourceText.h"
#include "SearchProgress.h"
#include "SnmpCredentials.h"
#include "SnmpV3Commands.h"
#include "SpoolerControl.h"
#include "SpoolerLists.h"
#include "StartupChecks.h"
#include "StatusCommand.h"
#include "TextField.h"
#include "resource.h"

namespace {

constexpr char kHelp[] =
    "prlport: the ports of the \"Pralo TCP/IP Port\" monitor, from the command line.\n"
    "\n"
    "  prlport list [--csv]            the ports, their monitor and the printers that use them\n"
    "  prlport show NAME               one port's settings\n"
    "  prlport add NAME ADDRESS [--identify | --model N | --custom] [SETTINGS] [--restart-spooler]\n"
    "  prlport add NAME --ipp URI [SETTINGS]   an IPP port; its address is the URI's host\n"
    "  prlport set NAME [--address ADDRESS] [--identify | --model N | --custom] [SETTINGS]\n"
    "  prlport delete NAME\n"
    "  prlport identify ADDRESS [--community-file FILE | --community TEXT]\n"
    "  prlport find [--seconds S] [--subnet ADDRESS/MASK]...\n"
    "  prlport models                  the printer models of the catalogue, by number\n"
    "  prlport status NAME [--csv]     asks the port's printer for its state now\n"
    "  prlport trust NAME              trusts the certificate that the port's IPPS printer offered\n"
    "  prlport export [FILE]           every port of the monitor and the discovery scope, as JSON\n"
    "  prlport import FILE [--replace] [--dry-run] [--secrets-file FILE]   the ports and scope of an\n"
    "                                  export, all or nothing\n"
    "  prlport apply FILE [--prune] [--what-if] [--json] [--secrets-file FILE]   the machine brought to\n"
    "                                  an export: only what differs is changed; --prune removes the ports it lacks\n"
    "  prlport list --json, prlport show NAME --json   the same as JSON\n"
    "  prlport snmpv3 profile USER V3OPTIONS [--instead-of-community]   the SNMPv3 user that\n"
    "                                  identification and the search try after (or instead of) the community\n"
    "  prlport snmpv3 show | clear     the profile, without its pass phrases; none\n"
    "  prlport snmpv3 port NAME community | profile | user USER V3OPTIONS   how the port's status is asked\n"
    "\n"
    "SETTINGS: --raw PORT | --lpr QUEUE [--byte-counting] | --ipp ipp[s]://HOST[:PORT]/PATH,\n"
    "          --document-format TYPE (IPP; application/octet-stream unless given), --bidi on|off,\n"
    "          --community-file FILE (its first line; - reads standard input) | --community TEXT,\n"
    "          --config-interval S, --status-interval S (seconds, 0 to 999)\n"
    "A community on the command line shows in every process listing: prefer --community-file.\n"
    "V3OPTIONS: [--level noauth|auth|priv] [--auth sha|sha256] [--priv aes] --secrets-file FILE|-\n"
    "          (lines \"USER auth PASS PHRASE\" and \"USER priv PASS PHRASE\"; pass phrases are\n"
    "          never taken on the command line and stored only sealed; an export holds none:\n"
    "          import and apply take those of the ports' own users from --secrets-file)\n"
    "Without a model option, add identifies the printer and takes its model's defaults, or\n"
    "the defaults of a custom port (raw, port 9100) when it is not identified.\n"
    "Exit codes: 0 done, 1 refused, 2 usage error, 3 the system failed.\n";

constexpr unsigned kLongestSearch = 600;

std::string Text(UINT id) { return ResourceText(id); }

// The monitor's port of that name, in any letter case, as the spooler lists it.
std::string MonitorPortNamed(const std::string& name) {
  for (const SpoolerPort& port : SpoolerPorts())
    if (port.monitor == kMonitorName && SamePortName(port.name, name)) return port.name;
  Refuse("no port \"" + name + "\" of the monitor");
}

// The command goes on: the call fails as the library reports a failure.
void ReportLibraryFailure(DWORD error) {
  std::fprintf(stderr, "prlport: a network library of the monitor cannot be used: %s\n", SystemErrorLine(error).c_str());
}

// The wizard's summary, its label and value columns aligned for a terminal, and the SNMP
// version that answered the identification where the printer was asked (0: it was not,
// or did not answer).
void PrintSummary(const PortConfig& config, const ModelCatalogue& catalogue, uint32_t answered) {
  const std::string summary = BuildPortSummary(config, catalogue);
  for (size_t start = 0; start < summary.size();) {
    size_t end = summary.find("\r\n", start);
    if (end == std::string::npos) end = summary.size();
    std::string line = summary.substr(start, end - start);
    size_t tab = line.find('\t');
    std::string label = line.substr(0, tab);
    while (!label.empty() && label.back() == ' ') label.pop_back();
    std::printf("%-24s%s\n", label.c_str(), tab == std::string::npos ? "" : line.c_str() + tab + 1);
    start = end + 2;
  }
  if (answered != 0) std::printf("%-24sSNMPv%u\n", "SNMP", answered);
}

int List(CommandLine& line) {
  bool csv = false;
  while (std::optional<std::string> option = line.TakeOption()) {
    if (*option != "--csv") UsageFailure("unknown option " + *option);
    csv = true;
  }
  if (!line.Done()) UsageFailure("unexpected " + line.Take("word"));
  const PrinterUseIndex users = PrinterUse();
  if (csv) std::printf("Port,Monitor,Printers\n");
  else std::printf("%-20s %-24s %s\n", "Port", "Monitor", "Printers");
  for (const SpoolerPort& port : SpoolerPorts()) {
    const std::string& printers = users.PrintersOf(port.name);
    if (csv)
      std::printf("%s,%s,%s\n", CsvField(port.name).c_str(), CsvField(port.monitor).c_str(), CsvField(printers).c_str());
    else
      std::printf("%-20s %-24s %s\n", port.name.c_str(), port.monitor.c_str(), printers.c_str());
  }
  return kExitOk;
}

int Show(CommandLine& line) {
  const std::string name = MonitorPortNamed(line.Take("port name"));
  if (!line.Done()) UsageFailure("unexpected " + line.Take("word"));
  const StoredPort stored = ReadStoredPort(name).port;
  const PortConfig& config = stored.config;
  const bool raw = config.protocol == kProtocolRaw;
  std::printf("Port name               %s\n", config.portName);
  std::printf("Printer address         %s\n", config.deviceIP);
  std::printf("Protocol                %s\n", config.ippUri[0] != '\0' ? "IPP" : raw ? "RAW" : "LPR");
  std::printf("Raw port number         %u\n", config.rawPortNumber);
  std::printf("LPR queue               %s\n", config.lprQueue);
  std::printf("LPR byte counting       %s\n", config.lprByteCounting != 0 ? "on" : "off");
  std::printf("Bi-directional          %s\n", config.biDiEnabled != 0 ? "on" : "off");
  std::printf("SNMP community          %s\n", config.communityName);
  std::printf("SNMP status             %s\n", SnmpChoiceText(stored.snmp).c_str());
  std::printf("Configuration interval  %u s\n", config.configUpdateInt);
  std::printf("Status interval         %u s\n", config.statusUpdateInt);
  if (config.ippUri[0] != '\0') {
    std::printf("IPP URI                 %s\n", config.ippUri);
    std::printf("IPP document format     %s\n", config.ippDocumentFormat);
  }
  return kExitOk;
}

// What the restart met on the way, to tell it truthfully afterwards.
struct SpoolerNotes : SpoolerReport {
  bool stopNotReached = false;
  bool startNotReached = false;
  DWORD startRefusal = 0;
  void NotReached(SpoolerAction action) override { (action == Stop ? stopNotReached : startNotReached) = true; }
  void StartRefused(DWORD error) override { startRefusal = error; }
};

// The spooler runs the new port only when it stopped (or was not running) and then
// started; anything else fails the command, saying which step did not happen.
void RestartSpooler() {
  SpoolerNotes notes;
  const SpoolerRestart restart = RestartSpooler(notes);
  const bool stopped = restart.stopError == 0 ? !notes.stopNotReached : restart.stopError == ERROR_SERVICE_NOT_ACTIVE;
  if (restart.stopError != 0 && !stopped) SystemFailure("stopping the spooler", restart.stopError);
  if (!stopped) throw CommandFailure{kExitSystem, "the spooler did not stop in time; it was not restarted"};
  if (restart.startError != 0) SystemFailure("starting the spooler", restart.startError);
  if (notes.startRefusal != 0) SystemFailure("starting the spooler", notes.startRefusal);
  if (notes.startNotReached) throw CommandFailure{kExitSystem, "the spooler was stopped and did not start again"};
  std::printf(restart.stopError == 0 ? "the spooler was restarted\n" : "the spooler was not running; it was started\n");
}

void Write(const PortConfig& config, bool snmpUpdated, PortKeyOpening opening) {
  if (std::optional<std::string> refusal = RecordRefusal(config)) Refuse(*refusal);
  if (!WritePortConfig(config, snmpUpdated, opening)) SystemFailure("writing the port", GetLastError());
}

// The address a new port is added with: the one given, else the host of its IPP URI.
std::string NewPortAddress(const std::optional<std::string>& given, const PortOptions& options) {
  if (!given && !options.ippUri) UsageFailure("missing printer address");
  return FittingText(given ? *given : ipp::ParseUri(*options.ippUri)->host, sizeof PortConfig{}.deviceIP, "the address");
}

int Add(CommandLine& line, const ModelCatalogue& catalogue) {
  const std::string name = FittingText(line.Take("port name"), sizeof PortConfig{}.portName, "the port name");
  const std::optional<std::string> given = line.TakeArgument();
  PortOptions options = ReadPortOptions(line, catalogue, false);
  const std::string address = NewPortAddress(given, options);
  if (name.empty() || address.empty()) Refuse("the port name and the address must not be empty");
  // An IPP printer is not asked over SNMP for a model unless told to.
  if (options.ippUri && options.model == PortOptions::Model::Unchanged) options.model = PortOptions::Model::Custom;
  if (unsigned refusal = PortNameRefusal(name.c_str()); refusal != 0) Refuse(Text(refusal));

  PortConfig config;
  ResetPortConfig(config, name.c_str());
  CopyText(config.deviceIP, address);
  CopyText(config.communityName, kDefaultCommunity);
  ApplySettings(config, options);  // the community that identification asks with
  uint32_t answered = 0;
  if (options.model == PortOptions::Model::Unchanged || options.model == PortOptions::Model::Custom) {
    config.modelIndex = options.model == PortOptions::Model::Custom
                            ? -1
                            : IdentifyPrinter(config.deviceIP, config.communityName, catalogue, nullptr, &answered);
    if (config.modelIndex > 0) {
      ApplyPrinterModel(config, catalogue, config.modelIndex);
    } else {
      config.modelIndex = -1;
      SetNumberDefaults(config);  // those of a port that has no key yet
    }
  } else {
    answered = ApplyModelChoice(config, options, catalogue);
  }
  ApplySettings(config, options);
  Write(config, false, PortKeyOpening::CreateIfMissing);
  PrintSummary(config, catalogue, answered);
  if (GetOsVersionType() != OSVER_NT5_UP) {
    if (options.restartSpooler)
      RestartSpooler();
    else
      std::printf("Windows NT 4 and older take the port once the spooler restarts: add --restart-spooler, or "
                  "restart it when no job is printing.\n");
  }
  return kExitOk;
}

int Set(CommandLine& line, const ModelCatalogue& catalogue) {
  const std::string name = MonitorPortNamed(line.Take("port name"));
  PortOptions options = ReadPortOptions(line, catalogue, true);
  PortConfig config = ReadStoredPort(name).port.config;
  const std::string savedAddress = config.deviceIP, savedCommunity = config.communityName;
  ApplySettings(config, options);
  const uint32_t answered = ApplyModelChoice(config, options, catalogue);
  ApplySettings(config, options);
  Write(config, savedAddress != config.deviceIP || savedCommunity != config.communityName,
        PortKeyOpening::ExistingOnly);
  PrintSummary(config, catalogue, answered);
  return kExitOk;
}

int Delete(CommandLine& line) {
  const std::string name = MonitorPortNamed(line.Take("port name"));
  if (!line.Done()) UsageFailure("unexpected " + line.Take("word"));
  if (const std::string users = PrinterUse().PrintersOf(name); !users.empty())
    Refuse("the port " + name + " cannot be deleted: it is in use by " + users);
  if (!DeletePortA(nullptr, nullptr, const_cast<char*>(name.c_str()))) {
    DWORD error = GetLastError();
    if (error == ERROR_BUSY) Refuse("the port " + name + " cannot be deleted: a printer uses it");
    SystemFailure("deleting the port", error);
  }
  std::printf("the port %s is deleted\n", name.c_str());
  return kExitOk;
}

int Identify(CommandLine& line, const ModelCatalogue& catalogue) {
  const std::string address = line.Take("printer address");
  std::string community = kDefaultCommunity;
  while (std::optional<std::string> option = line.TakeOption()) {
    if (*option == "--community")
      community = line.TakeValue(*option);
    else if (*option == "--community-file")
      community = CommunityFromFile(line.TakeValue(*option));
    else
      UsageFailure("unknown option " + *option);
  }
  if (!line.Done()) UsageFailure("unexpected " + line.Take("word"));
  const std::optional<PrinterIdentity> identity = QueryPrinterIdentity(address.c_str(), community.c_str());
  if (!identity) Refuse("no answer from " + address + " for the community given");
  int index = FindModelByIdentifier(catalogue, identity->identifier.c_str());
  std::printf("%s\t%s\tSNMPv%u\n", ConsoleText(identity->identifier).c_str(),
              index > 0 ? catalogue.entries[static_cast<size_t>(index)].displayName : "(not in the catalogue)",
              identity->version);
  return kExitOk;
}

// Prints each printer once, as the search reports it, with the SNMP version that
// answered; the library's thread calls it.
struct FoundPrinters {
  std::mutex mutex;
  static int CALLBACK Report(DiscoveredPrinter* printer, uint32_t version, void* context) {
    std::lock_guard lock(static_cast<FoundPrinters*>(context)->mutex);
    std::printf("%u.%u.%u.%u\t%s\t%s\tSNMPv%u\n", printer->address >> 24, (printer->address >> 16) & 0xFF,
                (printer->address >> 8) & 0xFF, printer->address & 0xFF,
                ConsoleText(TextOf(printer->name, sizeof printer->name)).c_str(),
                ConsoleText(TextOf(printer->model, sizeof printer->model)).c_str(), version);
    std::fflush(stdout);
    return 1;
  }
};

std::pair<uint32_t, uint32_t> SubnetOf(const std::string& text) {
  size_t slash = text.find('/');
  if (slash == std::string::npos) Refuse("a subnet is ADDRESS/MASK: " + text);
  std::string address = text.substr(0, slash), mask = text.substr(slash + 1);
  if (inet_addr(address.c_str()) == INADDR_NONE || inet_addr(mask.c_str()) == INADDR_NONE)
    Refuse("a subnet is ADDRESS/MASK, both dotted: " + text);
  if (!IsStorableSubnetAddress(address.c_str()) || !IsStorableSubnetMask(mask.c_str()))
    Refuse("a subnet is a unicast address under a contiguous mask: " + text);
  return {DottedToHostOrder(address.c_str()), DottedToHostOrder(mask.c_str())};
}

int Find(CommandLine& line) {
  unsigned seconds = 3;
  const DiscoveryScope scope = ReadDiscoveryScope();
  for (const std::string& skipped : scope.skipped)
    std::fprintf(stderr, "prlport: the stored subnet %s is not searched: not a unicast subnet or mask\n", skipped.c_str());
  std::vector<std::pair<uint32_t, uint32_t>> subnets = scope.subnets;
  while (std::optional<std::string> option = line.TakeOption()) {
    if (*option == "--seconds")
      seconds = NumberOf(line.TakeValue(*option), kLongestSearch, "the search's seconds");
    else if (*option == "--subnet")
      subnets.push_back(SubnetOf(line.TakeValue(*option)));
    else
      UsageFailure("unknown option " + *option);
  }
  if (!line.Done()) UsageFailure("unexpected " + line.Take("word"));
  FoundPrinters found;
  DiscoveryContext context{};
  if (StartPrinterSearch(&context, &FoundPrinters::Report, &found) != 0)
    throw CommandFailure{kExitSystem, "the search could not start"};
  for (const auto& [address, mask] : subnets) AddDiscoverySubnet(&context, MakeDiscoverySubnet(address, mask), 0, 0);
  WaitShowingProgress(seconds);
  StopDiscovery(&context);
  return kExitOk;
}

int Models(CommandLine& line, const ModelCatalogue& catalogue) {
  if (!line.Done()) UsageFailure("unexpected " + line.Take("word"));
  for (size_t i = 1; i <= static_cast<size_t>(catalogue.count) && i < catalogue.entries.size(); ++i) {
    const PrinterModel& model = catalogue.entries[i];
    std::printf("%2zu  %-28s %-32s %-16s %d\n", i, model.displayName, model.identifier, model.lprQueue,
                model.rawPortNumber);
  }
  return kExitOk;
}

int Run(CommandLine& line) {
  const std::string command = line.Take("command");
  if (command == "--help" || command == "help") {
    std::printf("%s", kHelp);
    return kExitOk;
  }
  if (UINT refusal = StartupRefusal(SystemStartup()); refusal != 0) throw CommandFailure{kExitSystem, Text(refusal)};
  InstallDelayLoadFailureHook(&ReportLibraryFailure);
  ModelCatalogue catalogue;
  LoadModelCatalogue(catalogue);
  if ((command == "list" || command == "show") && line.TakeFlag("--json"))
    return command == "list" ? ListPortsJson(line) : ShowPortJson(line);
  if (command == "export") return ExportPorts(line);
  if (command == "import") return ImportPorts(line);
  if (command == "apply") return ApplyPorts(line);
  if (command == "list") return List(line);
  if (command == "show") return Show(line);
  if (command == "add") return Add(line, catalogue);
  if (command == "set") return Set(line, catalogue);
  if (command == "delete") return Delete(line);
  if (command == "identify") return Identify(line, catalogue);
  if (command == "find") return Find(line);
  if (command == "models") return Models(line, catalogue);
  if (command == "status") return Status(line);
  if (command == "trust") return Trust(line);
  if (command == "snmpv3") return SnmpV3(line);
  UsageFailure("unknown command " + command);
}

}  // namespace

int RunPrlPort(const std::vector<std::string>& words) {
  CommandLine line(words);
  try {
    return Run(line);
  } catch (const CommandFailure& failure) {
    std::fprintf(stderr, "prlport: %s\n", failure.message.c_str());
    if (failure.code == kExitUsage) std::fprintf(stderr, "\n%s", kHelp);
    return failure.code;
  }
}
