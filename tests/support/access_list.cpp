#include "access_list.h"

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include "Unique.h"

namespace {

std::string OrdinaryAccountsOf(HANDLE object, SE_OBJECT_TYPE type) {
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(object, type, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr, &descriptor) !=
      ERROR_SUCCESS)
    return "(no security descriptor)";
  std::string accounts;
  for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
    ACCESS_ALLOWED_ACE* ace = nullptr;
    char* sid = nullptr;
    if (!GetAce(dacl, i, reinterpret_cast<void**>(&ace)) ||
        !ConvertSidToStringSidA(reinterpret_cast<PSID>(&ace->SidStart), &sid))
      continue;
    for (const char* ordinary : {"S-1-5-32-545", "S-1-1-0", "S-1-5-11", "S-1-5-4"})
      if (std::string(sid) == ordinary) accounts += std::string(sid) + " ";
    LocalFree(sid);
  }
  UniqueLocal owned(descriptor);
  return dacl == nullptr ? "(no DACL: everyone)" : accounts.empty() ? "none" : accounts;
}

}  // namespace

std::string OrdinaryAccountsOfKey(const std::string& path) {
  UniqueKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, READ_CONTROL, key.put()) != ERROR_SUCCESS) return "(no key)";
  return OrdinaryAccountsOf(key.get(), SE_REGISTRY_KEY);
}

std::string OrdinaryAccountsOfFile(const std::string& path) {
  HANDLE opened = CreateFileA(path.c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (opened == INVALID_HANDLE_VALUE) return "(no file)";
  UniqueHandle file(opened);
  return OrdinaryAccountsOf(file.get(), SE_FILE_OBJECT);
}
