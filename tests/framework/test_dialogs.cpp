#include "test_dialogs.h"

#include "AfxMessageBox.h"

const AFX_MSGMAP BaseDlg::messageMap{BaseMessageMap<BaseDlg>(), {ON_BN_CLICKED(IDC_BASE_BUTTON, &BaseDlg::OnBaseButton)}};

const AFX_MSGMAP RoutingDlg::messageMap{BaseMessageMap<RoutingDlg>(),
                                       {
                                           ON_WM_SYSCOMMAND(&RoutingDlg::OnSysCommand),
                                           ON_WM_QUERYDRAGICON(&RoutingDlg::OnQueryDragIcon),
                                           ON_BN_CLICKED(IDC_PING, &RoutingDlg::OnPing),
                                           ON_EN_CHANGE(IDC_NAME, &RoutingDlg::OnNameChange),
                                           ON_NOTIFY(NM_CLICK, IDC_LIST, &RoutingDlg::OnListClick),
                                           ON_NOTIFY(NM_DBLCLK, IDC_LIST, &RoutingDlg::OnListDoubleClick),
                                           ON_NOTIFY(LVN_KEYDOWN, IDC_LIST, &RoutingDlg::OnListKey),
                                           ON_NOTIFY(kCustomNotify, IDC_LIST, &RoutingDlg::OnCustomNotify),
                                           ON_BN_CLICKED(IDC_OPEN_OWNED, &RoutingDlg::OnOpenOwned),
                                           ON_BN_CLICKED(IDC_MENU_BUTTON, &RoutingDlg::OnMenuButton),
                                       }};

BOOL RoutingDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  m_list.InsertColumn(0, "Port", LVCFMT_LEFT, 80);
  m_list.InsertColumn(1, "Printer");
  m_list.SetColumnWidth(1, LVSCW_AUTOSIZE_USEHEADER);
  m_list.SetExtendedStyle(LVS_EX_FULLROWSELECT);
  for (const char* port : {"LPT1:", "P1", "P10"}) {
    int row = m_list.InsertItem(m_list.GetItemCount(), port, 0);
    m_list.SetItemText(row, 1, "Office printer");
  }
  m_combo.AddString("Raw");
  m_combo.AddString("LPR");
  m_combo.SetCurSel(0);
  CMenu* systemMenu = GetSystemMenu(FALSE);
  systemMenu->AppendMenu(MF_SEPARATOR);
  systemMenu->AppendMenu(MF_STRING, kSysAbout, "About the test...");
  return TRUE;
}

void RoutingDlg::DoDataExchange(CDataExchange* pDX) {
  DDX_Control(pDX, IDC_LIST, m_list);
  DDX_Control(pDX, IDC_COMBO, m_combo);
}

BOOL RoutingDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  ++commandsSeen;
  if (wParam == ID_MENU_FIRST || wParam == ID_MENU_SECOND) lastMenuCommand = static_cast<int>(wParam);
  return BaseDlg::OnCommand(wParam, lParam);
}

void RoutingDlg::OnSysCommand(UINT id, LPARAM lParam) {
  if ((id & 0xFFF0) != kSysAbout) {
    Default();
    return;
  }
  sysCommandId = id;
  sysCommandParam = lParam;
}

void RoutingDlg::OnOpenOwned() {
  CDialog owned(IDD_OWNED);
  ownedResult = static_cast<int>(owned.DoModal());
}

void RoutingDlg::OnMenuButton() {
  RECT button{};
  GetDlgItem(IDC_MENU_BUTTON)->GetWindowRect(&button);
  CMenu menu;
  menu.CreatePopupMenu();
  menu.AppendMenu(MF_STRING, ID_MENU_FIRST, "First");
  menu.AppendMenu(MF_STRING, ID_MENU_SECOND, "Second");
  menu.TrackPopupMenu(0, button.right, button.top, this);
}

const AFX_MSGMAP AskingDlg::messageMap{BaseMessageMap<AskingDlg>(), {ON_BN_CLICKED(IDC_PING, &AskingDlg::OnPing)}};

void AskingDlg::OnPing() { answer = AfxMessageBox("Disk full.", MB_OKCANCEL | MB_ICONEXCLAMATION); }
