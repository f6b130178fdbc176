#include "PortManagerApp.h"

#include "NetworkLibraries.h"
#include "PortManagerDlg.h"
#include "StringTable.h"
#include "resource.h"

BOOL CPortManagerApp::InitInstance() {
  const std::string caption = AfxLoadString(IDS_APP_TITLE);
  if (UINT refusal = StartupRefusal(m_system); refusal != 0) {
    MessageBoxA(nullptr, AfxLoadString(refusal).c_str(), caption.c_str(), MB_OK | MB_ICONSTOP);
    return FALSE;
  }
  InstallDelayLoadFailureHook();
  CPortManagerDlg dialog(nullptr, m_system.Services());
  m_pMainWnd = &dialog;
  dialog.DoModal();
  m_pMainWnd = nullptr;
  return FALSE;
}
