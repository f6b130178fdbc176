#pragma once
// Our own entries of PrlStat.dll and PRLFIND.dll, exported by name beside the maker's
// ordinals, are found with GetProcAddress under the names their .def files give them:
// with the stdcall decoration ("Name@bytes") in the 32-bit build. The library comes from
// the system directory and stays loaded, as the delay-loaded ordinals keep it.
#include <windows.h>

#include "SystemLibraries.h"

#ifdef _WIN64
#define PRALO_EXPORT_NAME(name, bytes) name
#else
#define PRALO_EXPORT_NAME(name, bytes) name "@" #bytes
#endif

// Null when the library or the entry cannot be had.
template <typename Function>
Function LibraryEntry(const char* library, const char* name) {
  HMODULE module = GetModuleHandleA(library);
  if (module == nullptr) module = LoadLibraryA(SystemLibraryPath(library).c_str());
  if (module == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}
