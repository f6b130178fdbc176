#include "PortManagerApp.h"

#include "NetworkLibraries.h"
#include "OsVersion.h"
#include "PortManagerDlg.h"
#include "StringTable.h"
#include "resource.h"

BOOL CheckAdminRights(StartupSystem& system) {
  if (system.OpenPortNamesKey() != ERROR_SUCCESS) return FALSE;
  ServiceControl& services = system.Services();
  SC_HANDLE manager = services.OpenManager();
  if (manager == nullptr) return services.LastError() != ERROR_ACCESS_DENIED;
  SC_HANDLE spooler = services.OpenService(manager, "Spooler");
  if (spooler == nullptr) {
    services.Close(manager);
    return services.LastError() != ERROR_ACCESS_DENIED;
  }
  services.Close(spooler);
  services.Close(manager);
  return TRUE;
}

BOOL CPortManagerApp::InitInstance() {
  const std::string caption = AfxLoadString(IDS_APP_TITLE);
  UINT refusal = 0;
  if (!m_system.LoadMonitorLibrary() || !m_system.NetworkLibrariesLoad())
    refusal = IDS_MONITOR_MISSING;
  else if (OsVersionTypeOf(m_system.VersionWord()) == OSVER_WIN9X)
    refusal = IDS_WRONG_WINDOWS;
  else if (!CheckAdminRights(m_system))
    refusal = IDS_NOT_ADMIN;

  if (refusal != 0) {
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
