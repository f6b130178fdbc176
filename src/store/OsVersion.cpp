#include "OsVersion.h"

#include <windows.h>

int OsVersionTypeOf(uint32_t versionWord) {
  if (versionWord > 0x80000000u) return OSVER_WIN9X;
  uint32_t major = versionWord & 0xFF;
  if (major >= 5) return OSVER_NT5_UP;
  return major == 4 ? OSVER_NT4 : OSVER_NT3;
}

int GetOsVersionType() { return OsVersionTypeOf(GetVersion()); }
