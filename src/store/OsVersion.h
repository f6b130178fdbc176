#pragma once
// The class of the running Windows version.
#include <cstdint>

enum OsVersionType { OSVER_NT3 = 0, OSVER_WIN9X = 1, OSVER_NT4 = 2, OSVER_NT5_UP = 3 };

// Classifies a GetVersion word: top bit set (above 0x80000000) is 95/98/Me; otherwise
// the low byte is the NT major version.
int OsVersionTypeOf(uint32_t versionWord);
int GetOsVersionType();
