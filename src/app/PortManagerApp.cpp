#include "PortManagerApp.h"

#include "DelayLoadHook.h"
#include "PortManagerDlg.h"
#include "StringTable.h"
#include "SystemError.h"
#include "SystemLibraries.h"
#include "resource.h"

namespace {
void ShowLibraryFailure(DWORD error) { ShowSystemError(error, true); }
}  // namespace

BOOL CPortManagerApp::InitInstance() {
  // The program runs as an administrator, maybe from a folder that users can write.
  LoadLibrariesFromSystemDirectoryOnly();
  LoadDelayedLibrariesFromSystemDirectory();
  const std::string caption = AfxLoadString(IDS_APP_TITLE);
  if (UINT refusal = StartupRefusal(m_system); refusal != 0) {
    MessageBoxA(nullptr, AfxLoadString(refusal).c_str(), caption.c_str(), MB_OK | MB_ICONSTOP);
    return FALSE;
  }
  InstallDelayLoadFailureHook(&ShowLibraryFailure);
  CPortManagerDlg dialog(nullptr, m_system.Services());
  m_pMainWnd = &dialog;
  dialog.DoModal();
  m_pMainWnd = nullptr;
  return FALSE;
}
