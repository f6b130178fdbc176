#pragma once
// The one way text enters a fixed-capacity field: cut to fit, always terminated.
#include <cstddef>
#include <cstring>
#include <string_view>

inline void CopyText(char* field, size_t capacity, std::string_view text) {
  if (capacity == 0) return;
  size_t length = text.size() < capacity - 1 ? text.size() : capacity - 1;
  std::memmove(field, text.data(), length);
  field[length] = '\0';
}

template <size_t N>
void CopyText(char (&field)[N], std::string_view text) {
  CopyText(field, N, text);
}

// Appends to the terminated text in a field, cutting what does not fit.
inline void AppendText(char* field, size_t capacity, std::string_view text) {
  size_t used = ::strnlen(field, capacity);
  if (used < capacity) CopyText(field + used, capacity - used, text);
}

template <size_t N>
void AppendText(char (&field)[N], std::string_view text) {
  AppendText(field, N, text);
}

// The text of a buffer up to its first NUL, never past its size.
inline std::string_view TextOf(const char* buffer, size_t size) {
  const void* end = std::memchr(buffer, '\0', size);
  return std::string_view(buffer, end != nullptr ? static_cast<size_t>(static_cast<const char*>(end) - buffer) : size);
}
