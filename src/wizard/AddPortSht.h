#pragma once
// The add-port wizard's sheet: four pages that fill one port record and create the port.
#include "ModelCatalogue.h"
#include "PortConfig.h"
#include "PropertySheet.h"

// Page indexes in the sheet.
enum AddPortPage { kWelcomePage = 0, kNameAddressPage = 1, kAdditionalInfoPage = 2, kCompletionPage = 3 };

class CAddPortSht : public WithMessageMap<CAddPortSht, CPropertySheet> {
 public:
  // The record that the wizard fills and the catalogue it reads belong to the creator.
  CAddPortSht(const char* caption, CWnd* pParentWnd, UINT iSelectPage, PortConfig* pPortConfig,
              const ModelCatalogue* pModelCatalogue);

  PortConfig* m_pPortConfig;
  const ModelCatalogue* m_pModelCatalogue;

  static const AFX_MSGMAP messageMap;

 protected:
  BOOL OnInitDialog() override;
  void OnInitMenu(HMENU);
};
