#pragma once
// The system's text for a Win32 error code.
#include <windows.h>

#include <string>

// "Unknown error <code>." for a code that the system has no text for.
inline std::string SystemErrorText(DWORD code) {
  char* text = nullptr;
  DWORD length =
      FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&text), 0,
                     nullptr);
  std::string result =
      length != 0 && text != nullptr ? std::string(text, length) : "Unknown error " + std::to_string(code) + ".";
  LocalFree(text);
  return result;
}
