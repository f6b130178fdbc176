#include "ProtectedText.h"

#include <dpapi.h>

#include "Unique.h"

namespace {

constexpr DWORD kSealFlags = CRYPTPROTECT_LOCAL_MACHINE | CRYPTPROTECT_UI_FORBIDDEN;

// The output of CryptProtectData and CryptUnprotectData, freed with LocalFree.
struct SystemBlob {
  DATA_BLOB blob{};
  ~SystemBlob() { UniqueLocal owned(blob.pbData); }
};

DATA_BLOB BlobOf(const void* data, size_t size) {
  return {static_cast<DWORD>(size), static_cast<BYTE*>(const_cast<void*>(data))};
}

}  // namespace

std::vector<BYTE> ProtectText(std::string_view text) {
  DATA_BLOB plain = BlobOf(text.data(), text.size());
  SystemBlob sealed;
  if (!CryptProtectData(&plain, L"", nullptr, nullptr, nullptr, kSealFlags, &sealed.blob)) return {};
  return std::vector<BYTE>(sealed.blob.pbData, sealed.blob.pbData + sealed.blob.cbData);
}

std::optional<std::string> UnprotectText(const std::vector<BYTE>& sealed) {
  DATA_BLOB data = BlobOf(sealed.data(), sealed.size());
  SystemBlob plain;
  if (sealed.empty() || !CryptUnprotectData(&data, nullptr, nullptr, nullptr, nullptr, kSealFlags, &plain.blob))
    return std::nullopt;
  std::string text(reinterpret_cast<const char*>(plain.blob.pbData), plain.blob.cbData);
  SecureZeroMemory(plain.blob.pbData, plain.blob.cbData);
  return text;
}
