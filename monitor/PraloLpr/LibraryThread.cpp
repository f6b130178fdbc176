#include "LibraryThread.h"

namespace {

struct ThreadStart {
  DWORD (*body)(void*);
  void* parameter;
  HMODULE library;
};

DWORD WINAPI Trampoline(void* start) {
  const ThreadStart begun = *static_cast<ThreadStart*>(start);
  delete static_cast<ThreadStart*>(start);
  FreeLibraryAndExitThread(begun.library, begun.body(begun.parameter));
}

}  // namespace

UniqueHandle StartLibraryThread(DWORD (*body)(void*), void* parameter) {
  HMODULE library = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&Trampoline), &library))
    return {};
  auto* start = new ThreadStart{body, parameter, library};
  UniqueHandle thread(CreateThread(nullptr, 0, Trampoline, start, 0, nullptr));
  if (!thread) {
    delete start;
    FreeLibrary(library);
  }
  return thread;
}
