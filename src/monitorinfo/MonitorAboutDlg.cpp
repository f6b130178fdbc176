#include "MonitorAboutDlg.h"

#include <cstdio>
#include <cstring>

#include "resource.h"

namespace {

// The component list's capacity: at most 1023 characters.
constexpr size_t kListCapacity = 1024;
constexpr size_t kPathCapacity = 260;

struct LibraryRow {
  const char* label;
  const char* file;
};
constexpr LibraryRow kLibraries[] = {
    {"PraloLpr.dll - ", "\\PraloLpr.dll"}, {"PrlStat.dll - ", "\\prlstat.dll"},   {"PrlFind.dll - ", "\\prlfind.dll"},
    {"Prlutil.dll - ", "\\prlutil.dll"},   {"Prlagent.dll - ", "\\prlagent.dll"}, {"Prlconv.dll - ", "\\prlconv.dll"},
};

struct ProfileRow {
  const char* label;
  const char* file;
  const char* section;
  const char* key;
};
constexpr ProfileRow kProfiles[] = {
    {"PrlModels.ini - ", "\\PrlModels.ini", "PraloPortMonData", "FileVersion"},
    {"PrlStat.ini - ", "\\PrlStat.ini", "Version", "VersionNumber"},
};

// Appends to the list, cutting what does not fit; the list stays terminated.
void Append(char (&list)[kListCapacity], const char* text) {
  size_t used = std::strlen(list);
  size_t room = kListCapacity - 1 - used;
  size_t length = std::min(std::strlen(text), room);
  std::memcpy(list + used, text, length);
  list[used + length] = '\0';
}

// A folder with a file name appended, cut to the 260-byte path buffer.
void BuildPath(char (&path)[kPathCapacity], UINT (*folder)(LPSTR, UINT), const char* file) {
  path[0] = '\0';
  folder(path, kPathCapacity);
  std::strncat(path, file, kPathCapacity - 1 - std::strlen(path));
}

}  // namespace

const AFX_MSGMAP CMonitorAboutDlg::messageMap{&CDialog::messageMap,
                                              {ON_BN_CLICKED(IDC_MONITOR_ABOUT_OK, &CMonitorAboutDlg::OnOK)}};

CMonitorAboutDlg::CMonitorAboutDlg() : CDialog(IDD_MONITOR_ABOUT) {}

BOOL CMonitorAboutDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  char list[kListCapacity] = {};
  for (const LibraryRow& row : kLibraries) {
    Append(list, row.label);
    char path[kPathCapacity];
    BuildPath(path, GetSystemDirectoryA, row.file);
    if (GetFileVersionText(path)) Append(list, path);
    Append(list, "\r\n");
  }
  for (const ProfileRow& row : kProfiles) {
    Append(list, row.label);
    char path[kPathCapacity];
    BuildPath(path, GetWindowsDirectoryA, row.file);
    char value[260] = {};
    GetPrivateProfileStringA(row.section, row.key, "???", value, 259, path);
    if (lstrcmpA(value, "???") != 0) Append(list, value);
    if (&row != &kProfiles[std::size(kProfiles) - 1]) Append(list, "\r\n");
  }
  SetDlgItemText(IDC_COMPONENT_LIST, list);
  return TRUE;
}

int GetFileVersionText(char* path) {
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeA(path, &handle);
  if (size == 0) return 0;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
  if (block == nullptr) return 0;
  void* data = GlobalLock(block);
  int result = 0;
  VS_FIXEDFILEINFO* info = nullptr;
  UINT infoSize = 0;
  if (data != nullptr && GetFileVersionInfoA(path, handle, size, data) &&
      VerQueryValueA(data, "\\", reinterpret_cast<void**>(&info), &infoSize) && info != nullptr) {
    std::snprintf(path, kPathCapacity, "%u.%u.%u.%u", HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
                  HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS));
    result = 1;
  }
  GlobalUnlock(block);
  GlobalFree(block);
  return result;
}
