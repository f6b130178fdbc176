#include "AdminOnly.h"

#include <aclapi.h>
#include <sddl.h>

#include <cstring>

#include "PortNames.h"
#include "SystemFolders.h"

namespace {

// P: protected, nothing inherited from above. CI: subkeys and subfolders inherit; OI:
// files too. KA, FA: all access to a key, to a file. SY: SYSTEM. BA: Administrators.
const char* DescriptorText(AdminOnlySecurity::Object object) {
  switch (object) {
    case AdminOnlySecurity::Object::Key: return "D:P(A;CI;KA;;;SY)(A;CI;KA;;;BA)";
    case AdminOnlySecurity::Object::Folder: return "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
    default: return "D:P(A;;FA;;;SY)(A;;FA;;;BA)";
  }
}

DWORD RestrictKey(HKEY key, PACL dacl) {
  return SetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                         nullptr, nullptr, dacl, nullptr);
}

// Windows hands a key's inheritable ACEs to the keys made below it later; the keys that
// exist already get them here, each explicitly.
DWORD RestrictTree(HKEY parent, const std::wstring& path, PACL dacl) {
  UniqueKey key;
  if (LONG error = RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ | WRITE_DAC, key.put()); error != ERROR_SUCCESS)
    return static_cast<DWORD>(error);
  if (DWORD error = RestrictKey(key.get(), dacl); error != ERROR_SUCCESS) return error;
  for (const std::wstring& subkey : SubkeyNames(key.get()))
    if (DWORD error = RestrictTree(key.get(), subkey, dacl); error != ERROR_SUCCESS) return error;
  return ERROR_SUCCESS;
}

constexpr char kMonitorFolder[] = "\\PraloLpr";

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Users, Everyone, Authenticated Users, Interactive.
bool IsOrdinaryAccount(PSID sid) {
  for (WELL_KNOWN_SID_TYPE type : {WinBuiltinUsersSid, WinWorldSid, WinAuthenticatedUserSid, WinInteractiveSid}) {
    BYTE known[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof known;
    if (CreateWellKnownSid(type, nullptr, known, &size) && EqualSid(sid, known)) return true;
  }
  return false;
}

constexpr ACCESS_MASK kWriting = FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_WRITE_DATA | FILE_APPEND_DATA |
                                 FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

}  // namespace

AdminOnlySecurity::AdminOnlySecurity(Object object) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (ConvertStringSecurityDescriptorToSecurityDescriptorA(DescriptorText(object), SDDL_REVISION_1, &descriptor,
                                                           nullptr))
    descriptor_.reset(descriptor);
  attributes_ = {sizeof attributes_, descriptor_.get(), FALSE};
}

PACL AdminOnlySecurity::Dacl() const {
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  if (!descriptor_ || !GetSecurityDescriptorDacl(descriptor_.get(), &present, &dacl, &defaulted) || !present)
    return nullptr;
  return dacl;
}

DWORD RestrictKeyTree(const char* path) {
  AdminOnlySecurity security(AdminOnlySecurity::Object::Key);
  if (security.Dacl() == nullptr) return ERROR_INVALID_SECURITY_DESCR;
  // The keys that setup restricts have ASCII paths.
  return RestrictTree(HKEY_LOCAL_MACHINE, std::wstring(path, path + std::strlen(path)), security.Dacl());
}

DWORD MakeMonitorFolder(std::string& folder) {
  const std::string system = SystemFolder();
  if (system.empty()) return ERROR_PATH_NOT_FOUND;
  const std::string spool = system + "\\spool";
  folder = spool + kMonitorFolder;
  if (IsFolder(folder)) return ERROR_SUCCESS;
  CreateDirectoryA(spool.c_str(), nullptr);
  AdminOnlySecurity security(AdminOnlySecurity::Object::Folder);
  if (security.Attributes() == nullptr) return ERROR_INVALID_SECURITY_DESCR;
  if (CreateDirectoryA(folder.c_str(), security.Attributes())) return ERROR_SUCCESS;
  const DWORD error = GetLastError();
  return IsFolder(folder) ? ERROR_SUCCESS : error;
}

std::string MonitorFolder() {
  std::string folder;
  return MakeMonitorFolder(folder) == ERROR_SUCCESS ? folder : std::string();
}

void RemoveMonitorFolder() {
  const std::string system = SystemFolder();
  if (system.empty()) return;
  const std::string folder = system + "\\spool" + kMonitorFolder;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        DeleteFileA((folder + "\\" + found.cFileName).c_str());
    while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(folder.c_str());
}

bool OrdinaryAccountsMayWrite(const std::string& folder) {
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoA(folder.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                            nullptr, &descriptor) != ERROR_SUCCESS)
    return true;
  UniqueLocal owned(descriptor);
  if (dacl == nullptr) return true;
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    ACCESS_ALLOWED_ACE* ace = nullptr;
    if (!GetAce(dacl, i, reinterpret_cast<void**>(&ace))) return true;
    if (ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE && (ace->Header.AceFlags & INHERIT_ONLY_ACE) == 0 &&
        (ace->Mask & kWriting) != 0 && IsOrdinaryAccount(reinterpret_cast<PSID>(&ace->SidStart)))
      return true;
  }
  return false;
}
