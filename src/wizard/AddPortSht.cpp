#include "AddPortSht.h"

const AFX_MSGMAP CAddPortSht::messageMap{BaseMessageMap<CAddPortSht>(), {ON_WM_INITMENU(&CAddPortSht::OnInitMenu)}};

CAddPortSht::CAddPortSht(const char* caption, CWnd* pParentWnd, UINT iSelectPage, PortConfig* pPortConfig,
                         const ModelCatalogue* pModelCatalogue)
    : WithMessageMap(caption, pParentWnd, iSelectPage),
      m_pPortConfig(pPortConfig),
      m_pModelCatalogue(pModelCatalogue) {}

// The welcome page shows Next alone.
BOOL CAddPortSht::OnInitDialog() {
  BOOL result = CPropertySheet::OnInitDialog();
  SetWizardButtons(PSWIZB_NEXT);
  m_psh.dwFlags &= ~PSH_HASHELP;
  return result;
}

void CAddPortSht::OnInitMenu(HMENU) { Default(); }
