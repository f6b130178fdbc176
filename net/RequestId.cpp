#include "RequestId.h"

#include "RandomBytes.h"

int32_t RandomRequestId() {
  uint32_t drawn = 0;
  FillRandom(std::span<uint8_t>(reinterpret_cast<uint8_t*>(&drawn), sizeof drawn));
  const auto id = static_cast<int32_t>(drawn & 0x7FFFFFFF);
  return id != 0 ? id : 1;
}
