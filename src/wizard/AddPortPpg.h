#pragma once
// The wizard's page for the port's name and the printer's address. Next checks the
// name, stores both, and identifies the printer: an identified model leads straight to
// the completion page, anything else to the additional information page.
#include <string>

#include "WizardPage.h"

class CAddPortPpg : public WithMessageMap<CAddPortPpg, CWizardPage> {
 public:
  explicit CAddPortPpg(CAddPortSht* pSheet);

  std::string m_strPortName;
  std::string m_strPrinterAddress;

  static const AFX_MSGMAP messageMap;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  BOOL OnSetActive() override;
  LRESULT OnWizardBack() override;
  LRESULT OnWizardNext() override;
  void OnChangeField();
  void OnDiscovery();

 private:
  // Back, and Next while both fields hold text.
  void UpdateWizardButtons();
  // Shows why the name is refused and selects it for retyping.
  void RefuseName(unsigned messageId);
};
