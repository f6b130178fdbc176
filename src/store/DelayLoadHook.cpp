#include "DelayLoadHook.h"

#include <windows.h>

#include <delayimp.h>

#include "PrlFind.h"
#include "PrlStat.h"
#include "ResourceText.h"
#include "SystemLibraries.h"

namespace {

LibraryFailureReport failureReport = nullptr;

// What the calls answer when their library is gone: each fails as the library itself
// reports a failure.
int WINAPI IdentifyUnavailable(uint32_t, char*, uint32_t*, const char*) { return kPrlStatNoSocket; }
int WINAPI StartUnavailable(DiscoveryContext*, PFN_DISCOVERY_CALLBACK, void*, uint32_t) { return 1; }
int WINAPI StopUnavailable(DiscoveryContext*) { return 0; }
int WINAPI AddUnavailable(DiscoveryContext*, uint32_t, uint32_t, uint32_t) { return 1; }
uint32_t WINAPI MakeUnavailable(uint32_t, uint32_t) { return 0; }

// The generic function pointer type stands for any function, as the loader's does.
template <typename Function>
FARPROC AsFarProc(Function* function) {
  return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

FARPROC UnavailableCall(const char* file, unsigned ordinal) {
  if (lstrcmpiA(file, "PrlStat.dll") == 0) return AsFarProc(&IdentifyUnavailable);
  switch (ordinal) {
    case 2: return AsFarProc(&StartUnavailable);
    case 3: return AsFarProc(&StopUnavailable);
    case 4: return AsFarProc(&AddUnavailable);
    default: return AsFarProc(&MakeUnavailable);
  }
}

// A library that does not load is replaced by the module that holds this code, which
// exports none of its ordinals, so that each of its calls comes back here once as a
// missing ordinal and gets its failing stand-in; the report hears of the library once.
FARPROC WINAPI DelayLoadFailure(unsigned notify, PDelayLoadInfo info) {
  const HMODULE self = ThisModule();
  if (notify == dliFailLoadLib) {
    failureReport(info->dwLastError);
    return reinterpret_cast<FARPROC>(self);
  }
  if (notify != dliFailGetProc || info->dlp.fImportByName) return nullptr;
  if (info->hmodCur != self) failureReport(info->dwLastError);
  return UnavailableCall(info->szDll, info->dlp.dwOrdinal);
}

// Each library from the system directory by its path. One that is not there is not
// searched for (the search would look beside the program first): it fails as a library
// that does not load.
FARPROC WINAPI LoadFromSystemDirectory(unsigned notify, PDelayLoadInfo info) {
  if (notify != dliNotePreLoadLibrary) return nullptr;
  HMODULE library = LoadLibraryExA(SystemLibraryPath(info->szDll).c_str(), nullptr, 0);
  if (library == nullptr) {
    if (failureReport != nullptr) failureReport(GetLastError());
    library = ThisModule();
  }
  return reinterpret_cast<FARPROC>(library);
}

}  // namespace

void LoadDelayedLibrariesFromSystemDirectory() { __pfnDliNotifyHook2 = &LoadFromSystemDirectory; }

void InstallDelayLoadFailureHook(LibraryFailureReport report) {
  failureReport = report;
  __pfnDliFailureHook2 = &DelayLoadFailure;
}
