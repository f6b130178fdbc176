#include "PrintJob.h"

#include "IppJob.h"
#include "LprJob.h"
#include "RawJob.h"
#include "TextField.h"

std::string LineText(std::string_view text, size_t maxLength) {
  std::string line(text.substr(0, maxLength));
  for (char& c : line)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
  return line;
}

std::unique_ptr<PrintJob> MakePrintJob(const StoredPort& port, const JobDetails& details,
                                       std::function<bool()> deleted) {
  if (port.config.ippUri[0] != '\0') return std::make_unique<IppJob>(port, details, std::move(deleted));
  const PortConfig& config = port.config;
  std::string host(TextOf(config.deviceIP, sizeof config.deviceIP));
  if (config.protocol == kProtocolRaw)
    return std::make_unique<RawJob>(std::move(host), config.rawPortNumber != 0
                                                         ? static_cast<uint16_t>(config.rawPortNumber)
                                                         : kDefaultRawPort);
  std::string queue(TextOf(config.lprQueue, sizeof config.lprQueue));
  return std::make_unique<LprJob>(std::move(host), queue.empty() ? kDefaultLprQueue : std::move(queue), details,
                                  config.lprByteCounting != 0);
}
