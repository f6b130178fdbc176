#include "ResourceText.h"

HMODULE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<const char*>(&ThisModule), &module);
  return module;
}

std::string ResourceText(UINT id) {
  char text[4098] = {};
  int length = LoadStringA(ThisModule(), id, text, sizeof text);
  return std::string(text, static_cast<size_t>(length > 0 ? length : 0));
}
