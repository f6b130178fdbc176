#include "XcvPortRecord.h"

#include <cwchar>
#include <string>

#include "AnsiText.h"
#include "TextField.h"

namespace {

template <size_t N>
bool Terminated(const char (&field)[N]) {
  return TextOf(field, N).size() < N;
}

}  // namespace

XcvPortRecord XcvRecordOf(const PortConfig& config) {
  XcvPortRecord record{};
  const std::wstring name = WideText(TextOf(config.portName, sizeof config.portName));
  name.copy(record.portName, std::size(record.portName) - 1);
  record.protocol = config.protocol;
  record.rawPortNumber = config.rawPortNumber;
  record.lprByteCounting = config.lprByteCounting;
  record.biDiEnabled = config.biDiEnabled;
  record.configUpdateInt = config.configUpdateInt;
  record.statusUpdateInt = config.statusUpdateInt;
  CopyText(record.deviceIP, TextOf(config.deviceIP, sizeof config.deviceIP));
  CopyText(record.lprQueue, TextOf(config.lprQueue, sizeof config.lprQueue));
  CopyText(record.communityName, TextOf(config.communityName, sizeof config.communityName));
  return record;
}

DWORD PortConfigOf(const XcvPortRecord& record, PortConfig& config) {
  if (std::wmemchr(record.portName, L'\0', std::size(record.portName)) == nullptr || !Terminated(record.deviceIP) ||
      !Terminated(record.lprQueue) || !Terminated(record.communityName))
    return ERROR_INVALID_DATA;
  // The spooler lists the port under the UTF-16 name: the key must have that very name.
  const std::string name = AnsiText(record.portName);
  if (WideText(name) != record.portName || name.size() >= sizeof config.portName) return ERROR_INVALID_NAME;
  config = {};
  CopyText(config.portName, name);
  config.protocol = record.protocol;
  config.rawPortNumber = record.rawPortNumber;
  config.lprByteCounting = record.lprByteCounting;
  config.biDiEnabled = record.biDiEnabled;
  config.configUpdateInt = record.configUpdateInt;
  config.statusUpdateInt = record.statusUpdateInt;
  CopyText(config.deviceIP, record.deviceIP);
  CopyText(config.lprQueue, record.lprQueue);
  CopyText(config.communityName, record.communityName);
  CopyText(config.ippDocumentFormat, kDefaultIppDocumentFormat);
  return ERROR_SUCCESS;
}
