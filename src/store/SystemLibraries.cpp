#include "SystemLibraries.h"

#include <windows.h>

#include "SystemFolders.h"

std::string SystemLibraryPath(const char* file) {
  const std::string folder = SystemFolder();
  return folder.empty() ? std::string() : folder + "\\" + file;
}

// Windows Vista and 7 have SetDefaultDllDirectories only with the update that brought
// it (KB2533623); without it the loader's search stays as it was, and the monitor's
// libraries are still loaded by their full path.
void LoadLibrariesFromSystemDirectoryOnly() {
  using SetDefaultDirectories = BOOL(WINAPI*)(DWORD);
  const auto set = reinterpret_cast<SetDefaultDirectories>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories")));
  if (set != nullptr) set(LOAD_LIBRARY_SEARCH_SYSTEM32);
}
