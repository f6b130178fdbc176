#pragma once
// Writes 32-bit BGRA pixels (top row first) as an RGB PNG file.
#include <cstdint>
#include <string>
#include <vector>

bool WritePng(const std::string& path, int width, int height, const std::vector<uint32_t>& bgra);
