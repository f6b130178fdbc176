#pragma once
// The one way text enters a fixed-capacity field: cut to fit, always terminated.
#include <cstddef>
#include <string_view>

void CopyText(char* field, size_t capacity, std::string_view text);

template <size_t N>
void CopyText(char (&field)[N], std::string_view text) {
  CopyText(field, N, text);
}

// The text of a buffer up to its first NUL, never past its size.
std::string_view TextOf(const char* buffer, size_t size);
