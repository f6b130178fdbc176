#define _CRT_RAND_S
#include "RequestId.h"

#include <windows.h>

#include <bcrypt.h>
#include <cstdlib>

namespace {

// The system's generator; the C runtime's rand_s draws from the same source where the
// first call is refused.
uint32_t RandomWord() {
  uint32_t drawn = 0;
  if (BCRYPT_SUCCESS(BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(&drawn), sizeof drawn,
                                     BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
    return drawn;
  unsigned int fallback = 0;
  rand_s(&fallback);
  return fallback;
}

}  // namespace

int32_t RandomRequestId() {
  const auto id = static_cast<int32_t>(RandomWord() & 0x7FFFFFFF);
  return id != 0 ? id : 1;
}
