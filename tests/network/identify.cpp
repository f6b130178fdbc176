#include "identify.h"

#include <gtest/gtest.h>

#include <cstring>

#include "PrlStat.h"
#include "lab_printers.h"

Identified Identify(const std::string& address, const char* community) {
  struct {
    char buffer[260];
    char guard[32];
  } area;
  std::memset(&area, 0x5A, sizeof area);
  uint32_t size = sizeof area.buffer;
  DWORD start = GetTickCount();
  Identified identified;
  identified.result = QueryPrinterIdentifier(HostOrder(address), area.buffer, &size, community);
  identified.milliseconds = GetTickCount() - start;
  for (char guard : area.guard) EXPECT_EQ(guard, 0x5A) << "the library wrote past the caller's buffer";
  if (identified.result == 0) identified.identifier.assign(area.buffer, strnlen(area.buffer, sizeof area.buffer));
  return identified;
}

Identified IdentifyWithUser(const std::string& address, const char* community, const PrlUsmUser* user, uint32_t flags) {
  PrlStatIdentification result{};
  result.size = sizeof result;
  const DWORD start = GetTickCount();
  Identified identified;
  identified.result = QueryPrinterIdentifierUsm(HostOrder(address), community, user, flags, &result);
  identified.milliseconds = GetTickCount() - start;
  identified.version = result.version;
  identified.usmError = result.usmError;
  identified.identifier.assign(result.identifier, strnlen(result.identifier, sizeof result.identifier));
  return identified;
}
