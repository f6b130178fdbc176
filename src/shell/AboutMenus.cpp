// The main dialog's About menus and its icon: the system menu's About item, the popup
// under "About...", and painting the icon when the window is minimised.
#include "AboutDlg.h"
#include "MonitorAboutDlg.h"
#include "PortManagerDlg.h"
#include "StringTable.h"
#include "resource.h"

void CPortManagerDlg::AddAboutToSystemMenu() {
  CMenu* systemMenu = GetSystemMenu(FALSE);
  if (systemMenu == nullptr) return;
  std::string about = AfxLoadString(IDS_ABOUTBOX);
  if (about.empty()) return;
  systemMenu->AppendMenu(MF_SEPARATOR);
  systemMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, about.c_str());
}

void CPortManagerDlg::OnSysCommand(UINT nID, LPARAM) {
  if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
    CAboutDlg about;
    about.DoModal();
  } else {
    Default();
  }
}

void CPortManagerDlg::OnAboutButton() {
  RECT button{};
  m_btnAbout.GetWindowRect(&button);
  CMenu menu;
  menu.CreatePopupMenu();
  menu.AppendMenu(MF_STRING, ID_ABOUT_MONITOR, AfxLoadString(IDS_ABOUT_MONITOR).c_str());
  menu.AppendMenu(MF_STRING, ID_ABOUT_APP, AfxLoadString(IDS_ABOUTBOX).c_str());
  menu.TrackPopupMenu(0, button.right, button.top, this);
  menu.DestroyMenu();
}

BOOL CPortManagerDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (wParam == ID_ABOUT_APP) {
    CAboutDlg about;
    about.DoModal();
  } else if (wParam == ID_ABOUT_MONITOR) {
    CMonitorAboutDlg about;
    about.DoModal();
  }
  return CDialog::OnCommand(wParam, lParam);
}

void CPortManagerDlg::OnPaint() {
  if (!IsIconic()) {
    Default();
    return;
  }
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(m_hWnd, &paint);
  SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client{};
  GetClientRect(&client);
  int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
  int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
  DrawIcon(dc, x, y, m_hIcon);
  EndPaint(m_hWnd, &paint);
}

HCURSOR CPortManagerDlg::OnQueryDragIcon() { return static_cast<HCURSOR>(m_hIcon); }
