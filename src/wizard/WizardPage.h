#pragma once
// What the wizard's pages after the welcome page share: the sheet, and the record and
// catalogue that it held when the page was constructed.
#include "AddPortSht.h"
#include "PropertyPage.h"

class CWizardPage : public CPropertyPage {
 public:
  CWizardPage(UINT nIDTemplate, CAddPortSht* pSheet)
      : CPropertyPage(nIDTemplate),
        m_pSheet(pSheet),
        m_pPortConfig(pSheet->m_pPortConfig),
        m_pModelCatalogue(pSheet->m_pModelCatalogue) {}

 protected:
  CAddPortSht* m_pSheet;
  PortConfig* m_pPortConfig;
  const ModelCatalogue* m_pModelCatalogue;
};
