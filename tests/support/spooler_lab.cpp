#include "spooler_lab.h"

#include "MonitorRegistry.h"
#include "SpoolerLists.h"
#include "Unique.h"
#include "registry.h"

namespace {
const char kLocalPortsKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
}  // namespace

SpoolerLab::SpoolerLab() {
  UniqueKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kLocalPortsKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return;
  for (DWORD index = 0;; ++index) {
    char name[256];
    DWORD nameLength = sizeof name, type = 0, size = 4096;
    std::vector<BYTE> data(size);
    if (RegEnumValueA(key.get(), index, name, &nameLength, nullptr, &type, data.data(), &size) != ERROR_SUCCESS) break;
    data.resize(size);
    savedLocalPorts_.push_back({std::string(name, nameLength), type, data});
  }
}

SpoolerLab::~SpoolerLab() {
  for (const std::string& port : monitorPorts_) DeleteTree(HKEY_LOCAL_MACHINE, std::string(kPortNamesKey) + "\\" + port);
  for (const std::string& printer : printers_) DeleteTree(HKEY_LOCAL_MACHINE, std::string(kPrintersKey) + "\\" + printer);
  for (const SavedValue& value : savedLocalPorts_)
    SetRawValue(HKEY_LOCAL_MACHINE, kLocalPortsKey, value.name.c_str(), value.type,
                std::string(value.data.begin(), value.data.end()));
}

void SpoolerLab::KeepLocalPorts(const std::vector<std::string>& names) {
  UniqueKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kLocalPortsKey, 0, KEY_ALL_ACCESS, key.put()) != ERROR_SUCCESS) return;
  for (const SavedValue& value : savedLocalPorts_) {
    bool keep = false;
    for (const std::string& name : names) keep = keep || lstrcmpiA(name.c_str(), value.name.c_str()) == 0;
    if (!keep) RegDeleteValueA(key.get(), value.name.c_str());
  }
}

void SpoolerLab::AddMonitorPort(const std::string& name, const std::string& address) {
  SetTextValue(HKEY_LOCAL_MACHINE, std::string(kPortNamesKey) + "\\" + name, "DeviceIP", address);
  monitorPorts_.push_back(name);
}

void SpoolerLab::AddMonitorPort(const PortConfig& config) {
  WritePortConfig(config, false);
  monitorPorts_.emplace_back(config.portName);
}

void SpoolerLab::AddLocalPrinter(const std::string& name, const std::string& ports) {
  std::string path = std::string(kPrintersKey) + "\\" + name;
  SetTextValue(HKEY_LOCAL_MACHINE, path, "Name", name);
  SetTextValue(HKEY_LOCAL_MACHINE, path, "Port", ports);
  printers_.push_back(name);
}

std::vector<std::string> SpoolerLab::SpoolerPrinterOrder() {
  std::vector<std::string> names;
  for (const SpoolerPrinter& printer : LocalPrinters(5)) names.push_back(printer.name);
  return names;
}
