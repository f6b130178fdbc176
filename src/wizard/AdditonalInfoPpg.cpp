#include "AdditonalInfoPpg.h"

#include "PortConfigDlg.h"
#include "PortSetup.h"
#include "resource.h"

const AFX_MSGMAP CAdditonalInfoPpg::messageMap{BaseMessageMap<CAdditonalInfoPpg>(),
                                               {
                                                   ON_BN_CLICKED(IDC_STANDARD, &CAdditonalInfoPpg::OnStandard),
                                                   ON_BN_CLICKED(IDC_CUSTOM, &CAdditonalInfoPpg::OnCustom),
                                                   ON_BN_CLICKED(IDC_SETUP, &CAdditonalInfoPpg::OnSetup),
                                               }};

CAdditonalInfoPpg::CAdditonalInfoPpg(CAddPortSht* pSheet) : WithMessageMap(IDD_ADDITIONAL_INFO_PAGE, pSheet) {}

void CAdditonalInfoPpg::DoDataExchange(CDataExchange* pDX) { DDX_Control(pDX, IDC_MODEL_LIST, m_cbPrinterType); }

// Item i of the unsorted list is catalogue entry i, "Unknown" first.
BOOL CAdditonalInfoPpg::OnInitDialog() {
  CWizardPage::OnInitDialog();
  const ModelCatalogue& catalogue = *m_pModelCatalogue;
  for (size_t i = 0; i <= static_cast<size_t>(catalogue.count) && i < catalogue.entries.size(); ++i)
    m_cbPrinterType.AddString(catalogue.entries[i].displayName);
  m_cbPrinterType.SetCurSel(0);
  CheckDlgButton(IDC_STANDARD, BST_CHECKED);
  GetDlgItem(IDC_SETUP)->EnableWindow(FALSE);
  m_bCustomType = false;
  return TRUE;
}

void CAdditonalInfoPpg::OnStandard() {
  GetDlgItem(IDC_SETUP)->EnableWindow(FALSE);
  m_bCustomType = false;
}

void CAdditonalInfoPpg::OnCustom() {
  GetDlgItem(IDC_SETUP)->EnableWindow(TRUE);
  m_bCustomType = true;
}

// The first Setup shows a new port's numbers; once an OK has stored settings, Setup
// shows the record with them.
void CAdditonalInfoPpg::OnSetup() {
  CPortConfigDlg setup(*m_pPortConfig, m_bSetupStored ? CPortConfigDlg::WizardOpening::Again
                                                      : CPortConfigDlg::WizardOpening::First);
  if (setup.DoModal() == IDOK) m_bSetupStored = true;
}

LRESULT CAdditonalInfoPpg::OnWizardNext() {
  if (m_bCustomType) {
    m_pPortConfig->modelIndex = -1;
  } else if (int selected = m_cbPrinterType.GetCurSel(); selected != CB_ERR) {
    m_pPortConfig->modelIndex = selected;
    if (selected != 0) ApplyPrinterModel(*m_pPortConfig, *m_pModelCatalogue, selected);
  }
  m_pSheet->SetWizardButtons(PSWIZB_BACK | PSWIZB_FINISH);
  return CWizardPage::OnWizardNext();
}
