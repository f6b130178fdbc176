#include "SpoolFile.h"

#include <vector>

DWORD SpoolFile::Create() {
  char folder[MAX_PATH + 1];
  char path[MAX_PATH + 1];
  DWORD length = GetTempPathA(sizeof folder, folder);
  if (length == 0 || length > sizeof folder) return GetLastError();
  if (GetTempFileNameA(folder, "prl", 0, path) == 0) return GetLastError();
  HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    DeleteFileA(path);
    return error;
  }
  file_.reset(file);
  size_ = 0;
  return 0;
}

DWORD SpoolFile::Append(std::span<const uint8_t> bytes) {
  DWORD written = 0;
  if (!WriteFile(file_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) return GetLastError();
  size_ += written;
  return 0;
}

DWORD SpoolFile::ReadBack(const std::function<DWORD(std::span<const uint8_t>)>& receiver) {
  LARGE_INTEGER start{};
  if (!SetFilePointerEx(file_.get(), start, nullptr, FILE_BEGIN)) return GetLastError();
  std::vector<uint8_t> buffer(1u << 20);
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(file_.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) return GetLastError();
    if (read == 0) return 0;
    if (DWORD error = receiver(std::span<const uint8_t>(buffer.data(), read)); error != 0) return error;
  }
}
