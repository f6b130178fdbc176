#include "PortOptions.h"

#include "Ipp.h"
#include "IppUri.h"
#include "PortSetup.h"
#include "PrinterIdentification.h"
#include "TextField.h"

namespace {
constexpr unsigned kLargestPort = 65535;
constexpr unsigned kLargestInterval = 999;  // the configuration dialog's three digits
}  // namespace

PortOptions ReadPortOptions(CommandLine& line, const ModelCatalogue& catalogue, bool changing) {
  PortOptions options;
  while (std::optional<std::string> option = line.TakeOption()) {
    const std::string& name = *option;
    if (name == "--identify") {
      options.model = PortOptions::Model::Identify;
    } else if (name == "--model") {
      options.model = PortOptions::Model::Catalogue;
      options.modelIndex = static_cast<int>(NumberOf(line.TakeValue(name), static_cast<unsigned>(catalogue.count),
                                                     "the model (see prlport models)"));
    } else if (name == "--custom") {
      options.model = PortOptions::Model::Custom;
    } else if (name == "--raw") {
      options.rawPort = NumberOf(line.TakeValue(name), kLargestPort, "the raw port number");
    } else if (name == "--lpr") {
      options.lprQueue = FittingText(line.TakeValue(name), sizeof PortConfig{}.lprQueue, "the LPR queue");
    } else if (name == "--byte-counting") {
      options.byteCounting = true;
    } else if (name == "--bidi") {
      std::string value = line.TakeValue(name);
      if (value != "on" && value != "off") Refuse("--bidi takes on or off: " + value);
      options.biDi = value == "on";
    } else if (name == "--community") {
      options.community = FittingText(line.TakeValue(name), sizeof PortConfig{}.communityName, "the community");
    } else if (name == "--community-file") {
      options.community =
          FittingText(CommunityFromFile(line.TakeValue(name)), sizeof PortConfig{}.communityName, "the community");
    } else if (name == "--config-interval") {
      options.configInterval = NumberOf(line.TakeValue(name), kLargestInterval, "the configuration interval");
    } else if (name == "--status-interval") {
      options.statusInterval = NumberOf(line.TakeValue(name), kLargestInterval, "the status interval");
    } else if (name == "--ipp") {
      options.ippUri = FittingText(line.TakeValue(name), sizeof PortConfig{}.ippUri, "the IPP URI");
      if (!ipp::ParseUri(*options.ippUri)) Refuse("--ipp takes ipp://HOST[:PORT]/PATH or ipps://...: " + *options.ippUri);
    } else if (name == "--document-format") {
      options.documentFormat =
          FittingText(line.TakeValue(name), sizeof PortConfig{}.ippDocumentFormat, "the document format");
      if (auto refusal = DocumentFormatRefusal(*options.documentFormat)) Refuse("the document format " + *refusal);
    } else if (name == "--restart-spooler" && !changing) {
      options.restartSpooler = true;
    } else if (name == "--address" && changing) {
      options.address = FittingText(line.TakeValue(name), sizeof PortConfig{}.deviceIP, "the address");
    } else {
      UsageFailure("unknown option " + name);
    }
  }
  if (!line.Done()) UsageFailure("unexpected " + line.Take("word"));
  if (int(options.rawPort.has_value()) + int(options.lprQueue.has_value()) + int(options.ippUri.has_value()) > 1)
    UsageFailure("--raw, --lpr and --ipp exclude each other");
  if (options.byteCounting && !options.lprQueue) UsageFailure("--byte-counting goes with --lpr");
  return options;
}

uint32_t ApplyModelChoice(PortConfig& config, const PortOptions& options, const ModelCatalogue& catalogue) {
  uint32_t version = 0;
  switch (options.model) {
    case PortOptions::Model::Unchanged:
      return 0;
    case PortOptions::Model::Identify:
      config.modelIndex = IdentifyPrinter(config.deviceIP, config.communityName, catalogue, nullptr, &version);
      if (config.modelIndex == 0) Refuse(std::string("the printer at ") + config.deviceIP + " was not identified");
      break;
    case PortOptions::Model::Catalogue:
      config.modelIndex = options.modelIndex;
      break;
    case PortOptions::Model::Custom:
      config.modelIndex = -1;
      return 0;
  }
  if (config.modelIndex > 0) ApplyPrinterModel(config, catalogue, config.modelIndex);
  return version;
}

void ApplySettings(PortConfig& config, const PortOptions& options) {
  if (options.address) CopyText(config.deviceIP, *options.address);
  if (options.rawPort) {
    config.protocol = kProtocolRaw;
    config.rawPortNumber = *options.rawPort;
    CopyText(config.ippUri, "");
  }
  if (options.lprQueue) {
    config.protocol = kProtocolLpr;
    CopyText(config.ippUri, "");
    CopyText(config.lprQueue, *options.lprQueue);
    config.lprByteCounting = options.byteCounting ? 1 : 0;
  }
  if (options.biDi) config.biDiEnabled = *options.biDi ? 1 : 0;
  if (options.community) CopyText(config.communityName, *options.community);
  if (options.configInterval) config.configUpdateInt = *options.configInterval;
  if (options.statusInterval) config.statusUpdateInt = *options.statusInterval;
  if (options.ippUri) CopyText(config.ippUri, *options.ippUri);
  if (options.documentFormat) CopyText(config.ippDocumentFormat, *options.documentFormat);
}
