#include "WholeFile.h"

#include <windows.h>

#include "CommandLine.h"
#include "Unique.h"

namespace {
// A file handle owned; empty when CreateFileA failed (it answers INVALID_HANDLE_VALUE).
UniqueHandle Owned(HANDLE file) { return UniqueHandle(file == INVALID_HANDLE_VALUE ? nullptr : file); }
}  // namespace

std::string ReadWholeFile(const std::string& path, size_t limit) {
  UniqueHandle file = Owned(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) SystemFailure("opening " + path, GetLastError());
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size)) SystemFailure("reading " + path, GetLastError());
  if (static_cast<unsigned long long>(size.QuadPart) > limit)
    Refuse(path + ": the file is larger than " + std::to_string(limit >> 20) + " MB");
  std::string text(static_cast<size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  if (!text.empty() && !ReadFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &read, nullptr))
    SystemFailure("reading " + path, GetLastError());
  text.resize(read);
  return text;
}

void WriteWholeFile(const std::string& path, const std::string& text) {
  UniqueHandle file =
      Owned(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) SystemFailure("creating " + path, GetLastError());
  DWORD written = 0;
  if (!WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
      written != text.size())
    SystemFailure("writing " + path, GetLastError());
}
