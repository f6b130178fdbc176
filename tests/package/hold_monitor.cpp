// Holds the installed monitor loaded, as Windows' spooler service holds it, and its UI
// library, as Explorer may, until a file appears: for the package test's upgrade and
// removal of a monitor in use.
//   hold_monitor STOP_FILE      prints "holding" once both are loaded; 1 when they are not
#include <windows.h>

#include <winspool.h>

#include <cstdio>
#include <string>

#include "Components.h"
#include "Unique.h"
#include "XcvCommands.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, sizeof system);
  Unique<HMODULE, FreeLibrary> ui(LoadLibraryA((std::string(system) + "\\" + kMonitorUiLibrary).c_str()));
  Unique<HANDLE, ClosePrinter> xcv;
  PRINTER_DEFAULTSA defaults{nullptr, nullptr, SERVER_ACCESS_ADMINISTER};
  if (!ui || !OpenPrinterA(const_cast<char*>(kXcvMonitorPrinter), xcv.put(), &defaults) ||
      GetModuleHandleA(kMonitorLibrary) == nullptr)
    return 1;
  std::printf("holding\n");
  std::fflush(stdout);
  for (int waited = 0; waited < 3000 && GetFileAttributesA(argv[1]) == INVALID_FILE_ATTRIBUTES; ++waited) Sleep(100);
  return 0;
}
