#include "StringTable.h"

#include "WinApp.h"

std::string AfxLoadString(UINT id) {
  HINSTANCE instance = AfxGetInstanceHandle();
  // The program's texts are short; a longer one would be cut to the buffer.
  char text[4098] = {};
  int length = LoadStringA(instance, id, text, sizeof text);
  return std::string(text, static_cast<size_t>(length > 0 ? length : 0));
}
