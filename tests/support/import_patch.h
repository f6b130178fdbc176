#pragma once
// Points one function that a loaded module imports by name at a stand-in, until the
// object goes: for an answer of the system that Wine never gives (its spooler grants
// every caller administer access), given at the one call where the module asks.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

class ImportPatch {
 public:
  ImportPatch(HMODULE module, const char* library, const char* function, const void* standIn)
      : slot_(Slot(module, library, function)) {
    EXPECT_NE(slot_, nullptr) << library << "!" << function << " is not imported by name";
    if (slot_ != nullptr) original_ = Exchange(reinterpret_cast<ULONG_PTR>(standIn));
  }
  ~ImportPatch() {
    if (slot_ != nullptr) Exchange(original_);
  }
  ImportPatch(const ImportPatch&) = delete;
  ImportPatch& operator=(const ImportPatch&) = delete;

 private:
  // The module's import address table entry of the function; nullptr when it has none.
  static ULONG_PTR* Slot(HMODULE module, const char* library, const char* function) {
    auto* base = reinterpret_cast<BYTE*>(module);
    if (base == nullptr) return nullptr;
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); entry->Name != 0;
         ++entry) {
      if (_stricmp(reinterpret_cast<const char*>(base + entry->Name), library) != 0) continue;
      auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
      auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
      for (; names->u1.AddressOfData != 0; ++names, ++slots) {
        if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
        const auto* named = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
        if (std::strcmp(reinterpret_cast<const char*>(named->Name), function) == 0)
          return reinterpret_cast<ULONG_PTR*>(&slots->u1.Function);
      }
    }
    return nullptr;
  }

  ULONG_PTR Exchange(ULONG_PTR value) {
    DWORD protection = 0;
    VirtualProtect(slot_, sizeof *slot_, PAGE_READWRITE, &protection);
    const ULONG_PTR previous = *slot_;
    *slot_ = value;
    VirtualProtect(slot_, sizeof *slot_, protection, &protection);
    return previous;
  }

  ULONG_PTR* slot_;
  ULONG_PTR original_ = 0;
};
