#pragma once
// Calls PrlStat.dll ordinal 1 as the wizard does: a 260-byte buffer and its size, here
// followed by guard bytes that must survive the call.
#include <windows.h>

#include <string>

#include "PrlUsmUser.h"

struct Identified {
  int result = -1;
  std::string identifier;
  DWORD milliseconds = 0;
  uint32_t version = 0;  // QueryPrinterIdentifierUsm's only
  int usmError = 0;
};

Identified Identify(const std::string& address, const char* community);
// Calls PrlStat.dll's QueryPrinterIdentifierUsm as a caller with an SNMPv3 user does.
Identified IdentifyWithUser(const std::string& address, const char* community, const PrlUsmUser* user,
                            uint32_t flags = 0);
