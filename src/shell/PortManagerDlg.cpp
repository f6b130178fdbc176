#include "PortManagerDlg.h"

#include <cstring>

#include "Dpi.h"
#include "MonitorRegistry.h"
#include "WinApp.h"
#include "resource.h"

namespace {
// Posted after a key press in the port list, so that the buttons follow the row that
// the list selects once it has handled the key (it reports the key before moving).
constexpr UINT WM_PORT_SELECTION_MOVED = WM_APP + 1;
}  // namespace

const AFX_MSGMAP CPortManagerDlg::messageMap{
    BaseMessageMap<CPortManagerDlg>(),
    {
        ON_WM_SYSCOMMAND(&CPortManagerDlg::OnSysCommand),
        ON_WM_PAINT(&CPortManagerDlg::OnPaint),
        ON_WM_QUERYDRAGICON(&CPortManagerDlg::OnQueryDragIcon),
        ON_NOTIFY(NM_CLICK, IDC_PORT_LIST, &CPortManagerDlg::OnClickPortList),
        ON_NOTIFY(LVN_KEYDOWN, IDC_PORT_LIST, &CPortManagerDlg::OnClickPortList),
        ON_BN_CLICKED(IDC_ABOUT_BUTTON, &CPortManagerDlg::OnAboutButton),
        ON_BN_CLICKED(IDC_ADD_PORT, &CPortManagerDlg::OnAddPort),
        ON_BN_CLICKED(IDC_CONFIGURE_PORT, &CPortManagerDlg::OnConfigurePort),
        ON_BN_CLICKED(IDC_DELETE_PORT, &CPortManagerDlg::OnDeletePort),
        ON_MESSAGE(WM_PORT_SELECTION_MOVED, &CPortManagerDlg::OnSelectionMoved),
    }};

CPortManagerDlg::CPortManagerDlg(CWnd* pParent, ServiceControl& services, PortRecordStore& store)
    : WithMessageMap(IDD_PRALOPM_DIALOG, pParent),
      m_services(services),
      m_store(store),
      m_hIcon(LoadIconA(AfxGetInstanceHandle(),
                        MAKEINTRESOURCEA(IDR_MAINFRAME))) {
  ResetPortConfig(m_PortConfig);
}

void CPortManagerDlg::DoDataExchange(CDataExchange* pDX) {
  DDX_Control(pDX, IDC_ABOUT_BUTTON, m_btnAbout);
  DDX_Control(pDX, IDC_PORT_LIST, m_PortList);
}

BOOL CPortManagerDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  HINSTANCE instance = AfxGetInstanceHandle();
  // The port icon is drawn at the image list's size from the icon file's nearest image.
  const int iconSize = AfxScaleByDpi(24);
  m_ImageList.Create(iconSize, iconSize, ILC_COLOR4, 0, 10);
  m_ImageList.Add(static_cast<HICON>(
      LoadImageA(instance, MAKEINTRESOURCEA(IDI_MONITOR_PORT), IMAGE_ICON, iconSize, iconSize, LR_SHARED)));

  m_PortList.InsertColumn(0, "", LVCFMT_LEFT);
  m_PortList.InsertColumn(1, "Port", LVCFMT_LEFT);
  m_PortList.InsertColumn(2, "Description", LVCFMT_LEFT);
  m_PortList.InsertColumn(3, "Printer", LVCFMT_LEFT);
  m_PortList.SetColumnWidth(0, AfxScaleByDpi(32));
  m_PortList.SetColumnWidth(1, AfxScaleByDpi(80));
  m_PortList.SetColumnWidth(2, AfxScaleByDpi(120));
  m_PortList.SetColumnWidth(3, LVSCW_AUTOSIZE_USEHEADER);
  m_PortList.SetExtendedStyle(LVS_EX_FULLROWSELECT);

  m_PortList.SetImageList(&m_ImageList, LVSIL_SMALL);
  m_nSel = -1;
  FillPortList();
  AddAboutToSystemMenu();
  ResetPortConfig(m_PortConfig);
  LoadModelCatalogue(m_ModelCatalogue);
  SetIcon(m_hIcon, TRUE);
  SetIcon(m_hIcon, FALSE);
  return TRUE;
}

int CPortManagerDlg::GetSelectedPort() {
  int row = FirstSelectedItem(m_PortList);
  if (row != -1) m_PortList.GetItemText(row, 1, m_szPortName, sizeof m_szPortName);
  return row;
}

void CPortManagerDlg::UpdatePortButtons() {
  m_nSel = GetSelectedPort();
  bool monitorPort = false;
  if (m_nSel != -1) {
    char monitor[40];
    m_PortList.GetItemText(m_nSel, 2, monitor, sizeof monitor);
    monitorPort = std::strcmp(monitor, kMonitorName) == 0;
  }
  GetDlgItem(IDC_DELETE_PORT)->EnableWindow(monitorPort);
  GetDlgItem(IDC_CONFIGURE_PORT)->EnableWindow(monitorPort);
}

void CPortManagerDlg::OnClickPortList(NMHDR* pNotifyStruct, LRESULT* pResult) {
  if (pNotifyStruct->code == static_cast<UINT>(LVN_KEYDOWN))
    PostMessage(WM_PORT_SELECTION_MOVED);
  else
    UpdatePortButtons();
  *pResult = 0;
}

LRESULT CPortManagerDlg::OnSelectionMoved(WPARAM, LPARAM) {
  UpdatePortButtons();
  return 0;
}
