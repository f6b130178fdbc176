#pragma once
// Bytes from the system's random number generator, for what a peer must not guess.
#include <cstdint>
#include <span>

// False when the system gave none.
bool FillRandom(std::span<uint8_t> bytes);
