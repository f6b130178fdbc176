#include "SpoolFile.h"

#include <string>
#include <vector>

#include "AdminOnly.h"
#include "RandomBytes.h"

// In the monitor's folder, which only SYSTEM and the Administrators can write, never in
// the shared temporary folder, where any user can make the names first.
DWORD SpoolFile::Create() {
  const std::string folder = MonitorFolder(), name = UnpredictableName("job-");
  if (folder.empty()) return ERROR_PATH_NOT_FOUND;
  if (name.empty()) return ERROR_GEN_FAILURE;
  AdminOnlySecurity security(AdminOnlySecurity::Object::File);
  HANDLE file = CreateFileA((folder + "\\" + name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, security.Attributes(),
                            CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return GetLastError();
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
