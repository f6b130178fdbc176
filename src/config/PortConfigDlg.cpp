#include "PortConfigDlg.h"

#include <cstring>

#include "DriverStatus.h"
#include "PortValues.h"
#include "PrinterDiscoveryDlg.h"
#include "SpoolerLists.h"
#include "StringTable.h"
#include "SystemError.h"
#include "TextField.h"
#include "WinApp.h"
#include "resource.h"

namespace {

// Posted by OnInitDialog so that a stopped bi-directional link is reported once the
// dialog is on screen.
constexpr UINT WM_REPORT_DRIVER_STATUS = WM_APP + 2;

constexpr int kRawGroup[] = {IDC_CFG_RAW_PORT, IDC_CFG_RAW_PORT_LABEL};
constexpr int kLprGroup[] = {IDC_CFG_LPR_QUEUE, IDC_CFG_LPR_QUEUE_LABEL, IDC_CFG_BYTE_COUNTING};
constexpr int kBiDiGroup[] = {IDC_CFG_CONFIG_LABEL,    IDC_CFG_CONFIG_INTERVAL, IDC_CFG_CONFIG_SECONDS,
                              IDC_CFG_STATUS_LABEL,    IDC_CFG_STATUS_INTERVAL, IDC_CFG_STATUS_SECONDS,
                              IDC_CFG_COMMUNITY,       IDC_CFG_COMMUNITY_LABEL};

// Character limits of the edit boxes.
constexpr int kAddressLimit = 50;
constexpr int kRawPortLimit = 5;
constexpr int kQueueLimit = 50;
constexpr int kIntervalLimit = 3;
constexpr int kCommunityLimit = 40;

}  // namespace

const AFX_MSGMAP CPortConfigDlg::messageMap{
    BaseMessageMap<CPortConfigDlg>(),
    {
        ON_BN_CLICKED(IDC_CFG_OK, &CPortConfigDlg::OnOK),
        ON_BN_CLICKED(IDC_CFG_CANCEL, &CPortConfigDlg::OnCancel),
        ON_BN_CLICKED(IDC_CFG_RAW, &CPortConfigDlg::OnRaw),
        ON_BN_CLICKED(IDC_CFG_LPR, &CPortConfigDlg::OnLpr),
        ON_BN_CLICKED(IDC_CFG_BIDI, &CPortConfigDlg::OnBiDi),
        ON_BN_CLICKED(IDC_AUTO_DISCOVERY, &CPortConfigDlg::OnDiscovery),
        ON_MESSAGE(WM_REPORT_DRIVER_STATUS, &CPortConfigDlg::OnReportDriverStatus),
    }};

CPortConfigDlg::CPortConfigDlg(CWnd* pOwner, PortConfig& config, PortRecordStore& store, std::string printerText)
    : WithMessageMap(IDD_PORT_CONFIG, pOwner),
      m_config(config),
      m_store(&store),
      m_wizardMode(false),
      m_printerText(std::move(printerText)) {}

CPortConfigDlg::CPortConfigDlg(PortConfig& config, WizardOpening opening)
    : WithMessageMap(IDD_PORT_CONFIG),
      m_config(config),
      m_wizardMode(true),
      m_showNewPortDefaults(opening == WizardOpening::First) {}

// The record itself changes only on OK, so that Cancel leaves it as it was.
BOOL CPortConfigDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  PortConfig shown = m_config;
  if (m_showNewPortDefaults) SetNumberDefaults(shown);
  if (!m_wizardMode) CopyText(m_savedAddress, shown.deviceIP);
  CopyText(m_savedCommunity, shown.communityName);
  ShowRecord(shown);
  ShowLinkStatus(shown);
  if (!m_wizardMode) PostMessage(WM_REPORT_DRIVER_STATUS);
  return TRUE;
}

void CPortConfigDlg::ShowRecord(const PortConfig& config) {
  SendDlgItemMessage(IDC_CFG_ADDRESS, EM_LIMITTEXT, kAddressLimit);
  SetDlgItemText(IDC_CFG_PORT_NAME, config.portName);
  SetDlgItemText(IDC_CFG_ADDRESS, config.deviceIP);
  if (m_wizardMode) {
    GetDlgItem(IDC_CFG_ADDRESS)->EnableWindow(FALSE);
    GetDlgItem(IDC_AUTO_DISCOVERY)->EnableWindow(FALSE);
  }
  const bool raw = config.protocol == kProtocolRaw;
  CheckDlgButton(raw ? IDC_CFG_RAW : IDC_CFG_LPR, BST_CHECKED);
  EnableRawGroup(raw);
  EnableLprGroup(!raw);
  SendDlgItemMessage(IDC_CFG_RAW_PORT, EM_LIMITTEXT, kRawPortLimit);
  SetDlgItemInt(IDC_CFG_RAW_PORT, config.rawPortNumber, FALSE);
  SendDlgItemMessage(IDC_CFG_LPR_QUEUE, EM_LIMITTEXT, kQueueLimit);
  SetDlgItemText(IDC_CFG_LPR_QUEUE, config.lprQueue[0] != '\0' ? config.lprQueue : kDefaultLprQueue);
  CheckDlgButton(IDC_CFG_BYTE_COUNTING, config.lprByteCounting != 0 ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(IDC_CFG_BIDI, config.biDiEnabled != 0 ? BST_CHECKED : BST_UNCHECKED);
  EnableBiDiGroup(config.biDiEnabled != 0);
  SendDlgItemMessage(IDC_CFG_CONFIG_INTERVAL, EM_LIMITTEXT, kIntervalLimit);
  SendDlgItemMessage(IDC_CFG_STATUS_INTERVAL, EM_LIMITTEXT, kIntervalLimit);
  SetDlgItemInt(IDC_CFG_CONFIG_INTERVAL, config.configUpdateInt, FALSE);
  SetDlgItemInt(IDC_CFG_STATUS_INTERVAL, config.statusUpdateInt, FALSE);
  SendDlgItemMessage(IDC_CFG_COMMUNITY, EM_LIMITTEXT, kCommunityLimit);
  SetDlgItemText(IDC_CFG_COMMUNITY, config.communityName);
}

// Icon 120 when the printer on this port reports two-way communication established,
// 118 otherwise; no printer is looked up while bi-directional communication is off.
void CPortConfigDlg::ShowLinkStatus(const PortConfig& config) {
  bool established = false;
  if (config.biDiEnabled != 0) {
    std::string printer = PrinterAttachedTo(config.portName);
    established = !printer.empty() && IsBiDiLinkEstablished(printer.c_str());
  }
  HICON icon = LoadIconA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(established ? IDI_BIDI_LINKED : IDI_BIDI_STATUS));
  SendDlgItemMessage(IDC_CFG_BIDI_ICON, STM_SETICON, reinterpret_cast<WPARAM>(icon));
}

LRESULT CPortConfigDlg::OnReportDriverStatus(WPARAM, LPARAM) {
  std::string printer = m_printerText.substr(0, m_printerText.find(','));
  if (!printer.empty() && ReadPbdStatus(printer.c_str()) != 0)
    MessageBox(AfxLoadString(IDS_BIDI_STOPPED).c_str(), AfxLoadString(IDS_APP_TITLE).c_str(),
               MB_OK | MB_ICONEXCLAMATION);
  return 0;
}

void CPortConfigDlg::EnableGroup(const int* ids, size_t count, bool enable) {
  for (size_t i = 0; i < count; ++i) GetDlgItem(ids[i])->EnableWindow(enable);
}
void CPortConfigDlg::EnableRawGroup(bool enable) { EnableGroup(kRawGroup, std::size(kRawGroup), enable); }
void CPortConfigDlg::EnableLprGroup(bool enable) { EnableGroup(kLprGroup, std::size(kLprGroup), enable); }
void CPortConfigDlg::EnableBiDiGroup(bool enable) { EnableGroup(kBiDiGroup, std::size(kBiDiGroup), enable); }

void CPortConfigDlg::OnRaw() {
  EnableLprGroup(false);
  EnableRawGroup(true);
}

void CPortConfigDlg::OnLpr() {
  EnableLprGroup(true);
  EnableRawGroup(false);
}

void CPortConfigDlg::OnBiDi() { EnableBiDiGroup(IsDlgButtonChecked(IDC_CFG_BIDI) == BST_CHECKED); }

void CPortConfigDlg::OnDiscovery() {
  CPrinterDiscoveryDlg discovery;
  if (discovery.DoModal() != IDCANCEL) SetDlgItemText(IDC_CFG_ADDRESS, discovery.m_szSelectedAddress);
}

UINT CPortConfigDlg::NumberOf(int id) const {
  UINT value = 0;
  for (char c : GetDlgItemText(id)) {
    if (c < '0' || c > '9') break;
    value = value * 10 + static_cast<UINT>(c - '0');
  }
  return value;
}

bool CPortConfigDlg::SaveRecord() {
  m_config.biDiEnabled = IsDlgButtonChecked(IDC_CFG_BIDI) == BST_CHECKED ? 1 : 0;
  m_config.lprByteCounting = IsDlgButtonChecked(IDC_CFG_BYTE_COUNTING) == BST_CHECKED ? 1 : 0;
  m_config.configUpdateInt = NumberOf(IDC_CFG_CONFIG_INTERVAL);
  m_config.statusUpdateInt = NumberOf(IDC_CFG_STATUS_INTERVAL);
  m_config.modelIndex = 0;
  CopyText(m_config.communityName, GetDlgItemText(IDC_CFG_COMMUNITY));
  bool snmpChanged = std::strcmp(m_config.communityName, m_savedCommunity) != 0;
  CopyText(m_config.deviceIP, GetDlgItemText(IDC_CFG_ADDRESS));
  snmpChanged = snmpChanged || std::strcmp(m_config.deviceIP, m_savedAddress) != 0;
  CopyText(m_config.lprQueue, GetDlgItemText(IDC_CFG_LPR_QUEUE));
  m_config.protocol = IsDlgButtonChecked(IDC_CFG_RAW) == BST_CHECKED ? kProtocolRaw : kProtocolLpr;
  m_config.rawPortNumber = NumberOf(IDC_CFG_RAW_PORT);
  return snmpChanged;
}

// In port mode a write that fails is reported with the system's text and the dialog
// stays open, so that nothing typed is lost. A port deleted since the list was read is
// not made again: the dialog says so and ends with IDABORT, for the list to be re-read.
void CPortConfigDlg::OnOK() {
  const bool snmpChanged = SaveRecord();
  if (!m_wizardMode && !m_store->Configure(m_config, snmpChanged)) {
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND) {
      ShowSystemError(error, true, m_hWnd);
      return;
    }
    MessageBox(AfxLoadString(IDS_PORT_GONE).c_str(), AfxLoadString(IDS_APP_TITLE).c_str(), MB_OK | MB_ICONSTOP);
    EndDialog(IDABORT);
    return;
  }
  EndDialog(IDOK);
}

void CPortConfigDlg::OnCancel() { CDialog::OnCancel(); }
