#define _CRT_RAND_S
#include "RandomBytes.h"

#include <windows.h>

#include <bcrypt.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <cstring>

// The C runtime's rand_s draws from the same source where the first call is refused.
bool FillRandom(std::span<uint8_t> bytes) {
  if (BCRYPT_SUCCESS(BCryptGenRandom(nullptr, bytes.data(), static_cast<ULONG>(bytes.size()),
                                     BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
    return true;
  for (size_t at = 0; at < bytes.size(); at += sizeof(unsigned int)) {
    unsigned int drawn = 0;
    if (rand_s(&drawn) != 0) return false;
    std::memcpy(bytes.data() + at, &drawn, std::min(sizeof drawn, bytes.size() - at));
  }
  return true;
}

std::string UnpredictableName(const char* prefix) {
  uint8_t bits[16];
  if (!FillRandom(bits)) return {};
  std::string name = prefix;
  for (uint8_t byte : bits) {
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02x", byte);
    name += hex;
  }
  return name + ".tmp";
}
