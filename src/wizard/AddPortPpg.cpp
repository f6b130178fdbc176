#include "AddPortPpg.h"

#include "PortSetup.h"
#include "PrinterDiscoveryDlg.h"
#include "PrinterIdentification.h"
#include "StringTable.h"
#include "TextField.h"
#include "WaitCursor.h"
#include "resource.h"

#include <optional>

namespace {

// The wait cursor while the printer is asked.
class CursorWhileAsking : public IdentificationWait {
 public:
  void Begin() override { m_cursor.emplace(); }
  void End() override { m_cursor.reset(); }

 private:
  std::optional<CWaitCursor> m_cursor;
};

// What the record's fields hold.
constexpr int kPortNameLimit = 99;
constexpr int kAddressLimit = 255;
}  // namespace

const AFX_MSGMAP CAddPortPpg::messageMap{BaseMessageMap<CAddPortPpg>(),
                                         {
                                             ON_EN_CHANGE(IDC_PORT_NAME, &CAddPortPpg::OnChangeField),
                                             ON_EN_CHANGE(IDC_PRINTER_ADDRESS, &CAddPortPpg::OnChangeField),
                                             ON_BN_CLICKED(IDC_AUTO_DISCOVERY, &CAddPortPpg::OnDiscovery),
                                         }};

CAddPortPpg::CAddPortPpg(CAddPortSht* pSheet) : WithMessageMap(IDD_ADD_PORT_PAGE, pSheet) {}

void CAddPortPpg::DoDataExchange(CDataExchange* pDX) {
  DDX_Text(pDX, IDC_PORT_NAME, m_strPortName);
  DDX_Text(pDX, IDC_PRINTER_ADDRESS, m_strPrinterAddress);
}

BOOL CAddPortPpg::OnInitDialog() {
  CWizardPage::OnInitDialog();
  SendDlgItemMessage(IDC_PORT_NAME, EM_LIMITTEXT, kPortNameLimit);
  SendDlgItemMessage(IDC_PRINTER_ADDRESS, EM_LIMITTEXT, kAddressLimit);
  UpdateWizardButtons();
  return TRUE;
}

BOOL CAddPortPpg::OnSetActive() {
  BOOL result = CWizardPage::OnSetActive();
  UpdateWizardButtons();
  return result;
}

void CAddPortPpg::UpdateWizardButtons() {
  const bool complete = !m_strPortName.empty() && !m_strPrinterAddress.empty();
  m_pSheet->SetWizardButtons(complete ? PSWIZB_BACK | PSWIZB_NEXT : PSWIZB_BACK);
}

void CAddPortPpg::OnChangeField() {
  UpdateData(TRUE);
  UpdateWizardButtons();
}

LRESULT CAddPortPpg::OnWizardBack() {
  m_pSheet->SetWizardButtons(PSWIZB_NEXT);
  return CWizardPage::OnWizardBack();
}

void CAddPortPpg::RefuseName(unsigned messageId) {
  MessageBox(AfxLoadString(messageId).c_str(), AfxLoadString(IDS_ADD_PORT_TITLE).c_str(), MB_ICONEXCLAMATION);
  SendDlgItemMessage(IDC_PORT_NAME, EM_SETSEL, 0, -1);
  SendDlgItemMessage(IDC_PORT_NAME, EM_SCROLLCARET);
}

LRESULT CAddPortPpg::OnWizardNext() {
  char name[kPortNameLimit + 1] = {};
  GetDlgItemText(IDC_PORT_NAME, name, sizeof name);
  if (unsigned refusal = PortNameRefusal(name); refusal != 0) {
    RefuseName(refusal);
    return -1;
  }
  PortConfig& config = *m_pPortConfig;
  CopyText(config.portName, name);
  CopyText(config.deviceIP, GetDlgItemText(IDC_PRINTER_ADDRESS));
  CopyText(config.communityName, kDefaultCommunity);
  CursorWhileAsking cursor;
  config.modelIndex = IdentifyPrinter(config.deviceIP, config.communityName, *m_pModelCatalogue, &cursor);
  if (config.modelIndex != 0) {
    ApplyPrinterModel(config, *m_pModelCatalogue, config.modelIndex);
    m_pSheet->SetActivePage(kCompletionPage);
    m_pSheet->SetWizardButtons(PSWIZB_BACK | PSWIZB_FINISH);
  } else {
    m_pSheet->SetWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
  }
  return CWizardPage::OnWizardNext();
}

void CAddPortPpg::OnDiscovery() {
  CPrinterDiscoveryDlg discovery;
  if (discovery.DoModal() != IDCANCEL) SetDlgItemText(IDC_PRINTER_ADDRESS, discovery.m_szSelectedAddress);
}
