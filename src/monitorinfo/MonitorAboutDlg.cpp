#include "MonitorAboutDlg.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "Components.h"
#include "SystemFolders.h"
#include "TextField.h"
#include "resource.h"

namespace {

// The component list's capacity: at most 1023 characters.
constexpr size_t kListCapacity = 1024;
constexpr size_t kPathCapacity = 260;

// A folder with a file name appended, cut to the 260-byte path buffer.
void BuildPath(char (&path)[kPathCapacity], const std::string& folder, const char* file) {
  CopyText(path, folder + "\\" + file);
}

}  // namespace

const AFX_MSGMAP CMonitorAboutDlg::messageMap{BaseMessageMap<CMonitorAboutDlg>(),
                                              {ON_BN_CLICKED(IDC_MONITOR_ABOUT_OK, &CMonitorAboutDlg::OnOK)}};

CMonitorAboutDlg::CMonitorAboutDlg() : WithMessageMap(IDD_MONITOR_ABOUT) {}

BOOL CMonitorAboutDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  char list[kListCapacity] = {};
  for (const MonitorLibrary& library : kMonitorLibraries) {
    AppendText(list, std::string(library.label) + " - ");
    char path[kPathCapacity];
    BuildPath(path, SystemFolder(), library.file);
    if (GetFileVersionText(path)) AppendText(list, path);
    AppendText(list, "\r\n");
  }
  for (const MonitorCatalogue& catalogue : kMonitorCatalogues) {
    AppendText(list, std::string(catalogue.file) + " - ");
    char path[kPathCapacity];
    BuildPath(path, WindowsFolder(), catalogue.file);
    char value[260] = {};
    GetPrivateProfileStringA(catalogue.section, catalogue.key, "???", value, 259, path);
    if (lstrcmpA(value, "???") != 0) AppendText(list, value);
    if (&catalogue != &kMonitorCatalogues[std::size(kMonitorCatalogues) - 1]) AppendText(list, "\r\n");
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
