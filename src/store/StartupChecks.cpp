#include "StartupChecks.h"

#include "MonitorRegistry.h"
#include "OsVersion.h"
#include "resource.h"
#include "Unique.h"

namespace {

struct LibraryOrdinals {
  const char* file;
  unsigned first;
  unsigned last;
};
constexpr LibraryOrdinals kNetworkLibraries[] = {{"PrlStat.dll", 1, 1}, {"PRLFIND.dll", 2, 5}};

using UniqueLibrary = Unique<HMODULE, FreeLibrary>;

// PrlStat.dll (ordinal 1) and PRLFIND.dll (ordinals 2 to 5) load and export what the
// program calls, as the loader would demand of a program importing them.
bool NetworkLibrariesPresent() {
  for (const LibraryOrdinals& library : kNetworkLibraries) {
    UniqueLibrary module(LoadLibraryA(library.file));
    if (!module) return false;
    for (unsigned ordinal = library.first; ordinal <= library.last; ++ordinal)
      if (GetProcAddress(module.get(), MAKEINTRESOURCEA(ordinal)) == nullptr) return false;
  }
  return true;
}

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

BOOL CheckAdminRights(StartupSystem& system) {
  if (system.OpenPortNamesKey() != ERROR_SUCCESS) return FALSE;
  ServiceControl& services = system.Services();
  SC_HANDLE manager = services.OpenManager();
  if (manager == nullptr) return services.LastError() != ERROR_ACCESS_DENIED;
  SC_HANDLE spooler = services.OpenService(manager, "Spooler");
  if (spooler == nullptr) {
    services.Close(manager);
    return services.LastError() != ERROR_ACCESS_DENIED;
  }
  services.Close(spooler);
  services.Close(manager);
  return TRUE;
}

unsigned StartupRefusal(StartupSystem& system) {
  if (!system.LoadMonitorLibrary() || !system.NetworkLibrariesLoad()) return IDS_MONITOR_MISSING;
  if (OsVersionTypeOf(system.VersionWord()) == OSVER_WIN9X) return IDS_WRONG_WINDOWS;
  if (!CheckAdminRights(system)) return IDS_NOT_ADMIN;
  return 0;
}
