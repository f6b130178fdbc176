#pragma once
// Calls PrlStat.dll ordinal 1 as the wizard does: a 260-byte buffer and its size, here
// followed by guard bytes that must survive the call.
#include <windows.h>

#include <string>

struct Identified {
  int result = -1;
  std::string identifier;
  DWORD milliseconds = 0;
};

Identified Identify(const std::string& address, const char* community);
