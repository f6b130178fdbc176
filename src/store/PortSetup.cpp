#include "PortSetup.h"

#include <windows.h>

#include "PortNameCompare.h"
#include "SpoolerLists.h"
#include "ResourceText.h"
#include "TextField.h"
#include "resource.h"

bool IsPortNameInUse(const char* name) {
  for (const std::string& port : SpoolerPortNames())
    if (SamePortName(port, name)) return true;
  return false;
}

unsigned PortNameRefusal(const char* name) {
  if (IsPortNameInUse(name)) return IDS_PORT_EXISTS;
  if (!IsWellFormedPortName(name)) return IDS_BAD_PORT_NAME;
  return 0;
}

void ApplyPrinterModel(PortConfig& config, const ModelCatalogue& catalogue, int index) {
  const PrinterModel& model = catalogue.entries[static_cast<size_t>(index)];
  config.biDiEnabled = 1;
  config.lprByteCounting = 0;
  config.configUpdateInt = 30;
  CopyText(config.lprQueue, TextOf(model.lprQueue, sizeof model.lprQueue));
  config.rawPortNumber = static_cast<uint32_t>(model.rawPortNumber);
}

namespace {

std::string Line(UINT label, const std::string& value) { return ResourceText(label) + "\t" + value; }

std::string Flag(uint32_t value) { return ResourceText(value != 0 ? IDS_ENABLED : IDS_DISABLED); }

// "Custom" for a Custom type, else the catalogue's name for the entry; an index that
// the catalogue does not hold reads as "Unknown".
std::string PrinterType(const PortConfig& config, const ModelCatalogue& catalogue) {
  if (config.modelIndex == -1) return ResourceText(IDS_CUSTOM);
  if (config.modelIndex < 0 || static_cast<size_t>(config.modelIndex) >= catalogue.entries.size())
    return ResourceText(IDS_UNKNOWN);
  const PrinterModel& model = catalogue.entries[static_cast<size_t>(config.modelIndex)];
  return std::string(TextOf(model.displayName, sizeof model.displayName));
}

}  // namespace

std::string BuildPortSummary(const PortConfig& config, const ModelCatalogue& catalogue) {
  const bool raw = config.protocol == kProtocolRaw;
  std::string summary = Line(IDS_PORT_NAME, config.portName) + "\r\n" + Line(IDS_PRINTER_ADDRESS, config.deviceIP) +
                        "\r\n" + Line(IDS_PRINTER_TYPE, PrinterType(config, catalogue)) + "\r\n" +
                        Line(IDS_PROTOCOL, ResourceText(raw ? IDS_RAW : IDS_LPR)) + "\r\n";
  if (raw)
    summary += Line(IDS_PORT_NUMBER, std::to_string(config.rawPortNumber)) + "\r\n";
  else
    summary += Line(IDS_LPR_QUEUE, config.lprQueue) + "\r\n" + Line(IDS_BYTE_COUNTING, Flag(config.lprByteCounting)) +
               "\r\n";
  return summary + Line(IDS_BIDIRECTIONAL, Flag(config.biDiEnabled));
}
