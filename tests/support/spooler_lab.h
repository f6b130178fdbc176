#pragma once
// Shapes what the lab's spooler reports: the local monitor's ports, the Pralo monitor's
// ports (keys under "Port Names", listed by PraloLpr.dll) and local printers. Everything
// is put back as it was when the object goes.
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "PortConfig.h"

class SpoolerLab {
 public:
  SpoolerLab();
  ~SpoolerLab();
  SpoolerLab(const SpoolerLab&) = delete;
  SpoolerLab& operator=(const SpoolerLab&) = delete;

  // Leaves only these ports of the local monitor ("LPT1:", "FILE:", ...).
  void KeepLocalPorts(const std::vector<std::string>& names);
  void AddMonitorPort(const std::string& name, const std::string& address);
  // A port with a whole record, written as the wizard writes it.
  void AddMonitorPort(const PortConfig& config);
  void AddLocalPrinter(const std::string& name, const std::string& ports);

  // The printers' names in the order the spooler reports them.
  static std::vector<std::string> SpoolerPrinterOrder();

 private:
  struct SavedValue {
    std::string name;
    DWORD type;
    std::vector<BYTE> data;
  };
  std::vector<SavedValue> savedLocalPorts_;
  std::vector<std::string> monitorPorts_;
  std::vector<std::string> printers_;
};
