#include "StartupSystem.h"

#include "MonitorRegistry.h"
#include "NetworkLibraries.h"
#include "Unique.h"

namespace {

class RealStartup : public StartupSystem {
 public:
  bool LoadMonitorLibrary() override { return LoadLibraryA("PraloLpr.DLL") != nullptr; }
  bool NetworkLibrariesLoad() override { return NetworkLibrariesPresent(); }
  DWORD VersionWord() override { return GetVersion(); }
  LONG OpenPortNamesKey() override {
    UniqueKey key;
    return RegCreateKeyExA(HKEY_LOCAL_MACHINE, kPortNamesKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                           nullptr, key.put(), nullptr);
  }
  ServiceControl& Services() override { return SystemServiceControl(); }
};

}  // namespace

StartupSystem& SystemStartup() {
  static RealStartup startup;
  return startup;
}
