#include "WholeFile.h"

#include <windows.h>

#include <sddl.h>

#include "CommandLine.h"
#include "Unique.h"

namespace {
// A file handle owned; empty when CreateFileA failed (it answers INVALID_HANDLE_VALUE).
UniqueHandle Owned(HANDLE file) { return UniqueHandle(file == INVALID_HANDLE_VALUE ? nullptr : file); }

// The account that runs the program, as SDDL's text of its SID.
std::string ProcessAccount() {
  HANDLE opened = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened)) return {};
  UniqueHandle token(opened);
  alignas(TOKEN_USER) BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  DWORD size = 0;
  char* text = nullptr;
  if (!GetTokenInformation(token.get(), TokenUser, buffer, sizeof buffer, &size) ||
      !ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text))
    return {};
  UniqueLocal owned(text);
  return text;
}

// Full access for that account and the Administrators, nothing for anyone else.
UniqueLocal OwnerAndAdministratorsOnly() {
  const std::string account = ProcessAccount();
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const std::string text = "D:P(A;;FA;;;" + account + ")(A;;FA;;;BA)";
  if (account.empty() ||
      !ConvertStringSecurityDescriptorToSecurityDescriptorA(text.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
    SystemFailure("making the file's access list", GetLastError());
  return UniqueLocal(descriptor);
}
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

// A file that is opened keeps its access list, whoever made it: an old one goes first,
// and a new one is made with the list, or not at all.
void WriteWholeFile(const std::string& path, const std::string& text) {
  const UniqueLocal descriptor = OwnerAndAdministratorsOnly();
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.get(), FALSE};
  if (!DeleteFileA(path.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND)
    SystemFailure("replacing " + path, GetLastError());
  UniqueHandle file = Owned(
      CreateFileA(path.c_str(), GENERIC_WRITE, 0, &attributes, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) SystemFailure("creating " + path, GetLastError());
  DWORD written = 0;
  if (!WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
      written != text.size())
    SystemFailure("writing " + path, GetLastError());
}
