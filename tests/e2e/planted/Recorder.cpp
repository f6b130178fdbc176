// A library that a user plants beside a program under the name of one the program
// loads: when it is loaded, it leaves a file named as itself with ".loaded" added. It
// exports the network libraries' ordinals, each failing, as the real ones do.
#include <windows.h>

#include "PrlFind.h"
#include "PrlStat.h"

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  char path[MAX_PATH + 8] = {};
  const DWORD length = GetModuleFileNameA(self, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return TRUE;
  lstrcatA(path, ".loaded");
  HANDLE mark = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (mark != INVALID_HANDLE_VALUE) CloseHandle(mark);
  return TRUE;
}

int WINAPI QueryPrinterIdentifier(uint32_t, char*, uint32_t*, const char*) { return kPrlStatNoSocket; }
int WINAPI StartDiscovery(DiscoveryContext*, PFN_DISCOVERY_CALLBACK, void*, uint32_t) { return 1; }
int WINAPI StopDiscovery(DiscoveryContext*) { return 0; }
int WINAPI AddDiscoverySubnet(DiscoveryContext*, uint32_t, uint32_t, uint32_t) { return 1; }
uint32_t WINAPI MakeDiscoverySubnet(uint32_t, uint32_t) { return 0; }
