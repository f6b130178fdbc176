#pragma once
// Bytes from the system's random number generator, for what a peer must not guess.
#include <cstdint>
#include <span>
#include <string>

// False when the system gave none.
bool FillRandom(std::span<uint8_t> bytes);

// A file name that no one can guess, so that no one can make it first: the prefix, 128
// random bits in hexadecimal, ".tmp". Empty when the system gave no random bits.
std::string UnpredictableName(const char* prefix);
