#include "TextField.h"

#include <cstring>

void CopyText(char* field, size_t capacity, std::string_view text) {
  if (capacity == 0) return;
  size_t length = text.size() < capacity - 1 ? text.size() : capacity - 1;
  std::memmove(field, text.data(), length);
  field[length] = '\0';
}

std::string_view TextOf(const char* buffer, size_t size) {
  const void* end = std::memchr(buffer, '\0', size);
  return std::string_view(buffer, end != nullptr ? static_cast<size_t>(static_cast<const char*>(end) - buffer) : size);
}
