#include "StartupChecks.h"

#include "Components.h"
#include "MonitorRegistry.h"
#include "OsVersion.h"
#include "SystemLibraries.h"
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

// True when the mapped image's export table holds the ordinal. A data-file mapping
// (an image-resource mapping) runs nothing and loads none of the library's imports.
bool ExportsOrdinal(HMODULE image, unsigned ordinal) {
  // The loader marks a data-file mapping in the handle's low bits.
  const auto* base = reinterpret_cast<const BYTE*>(reinterpret_cast<ULONG_PTR>(image) & ~ULONG_PTR{3});
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  if (dos->e_magic != IMAGE_DOS_SIGNATURE) return false;
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  if (nt->Signature != IMAGE_NT_SIGNATURE) return false;
  const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  if (directory.VirtualAddress == 0 || directory.Size < sizeof(IMAGE_EXPORT_DIRECTORY)) return false;
  const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + directory.VirtualAddress);
  if (ordinal < exports->Base || ordinal - exports->Base >= exports->NumberOfFunctions) return false;
  const auto* functions = reinterpret_cast<const DWORD*>(base + exports->AddressOfFunctions);
  return functions[ordinal - exports->Base] != 0;
}

// PrlStat.dll (ordinal 1) and PRLFIND.dll (ordinals 2 to 5) are in the system directory,
// where the program loads them from, and export what the program calls. They are only
// mapped as images, not run: the program loads them at their first call.
bool NetworkLibrariesPresent() {
  for (const LibraryOrdinals& library : kNetworkLibraries) {
    UniqueLibrary image(
        LoadLibraryExA(SystemLibraryPath(library.file).c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    if (!image) return false;
    for (unsigned ordinal = library.first; ordinal <= library.last; ++ordinal)
      if (!ExportsOrdinal(image.get(), ordinal)) return false;
  }
  return true;
}

class RealStartup : public StartupSystem {
 public:
  bool LoadMonitorLibrary() override {
    return LoadLibraryExA(SystemLibraryPath(kMonitorLibrary).c_str(), nullptr, 0) != nullptr;
  }
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
    const DWORD error = services.LastError();  // before the close, which may change it
    services.Close(manager);
    return error != ERROR_ACCESS_DENIED;
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
