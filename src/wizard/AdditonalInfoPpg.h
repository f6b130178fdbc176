#pragma once
// The wizard's page for a printer that was not identified: a model of the catalogue
// (Standard) or a type set up by hand in the configuration dialog (Custom).
#include "Controls.h"
#include "WizardPage.h"

class CAdditonalInfoPpg : public WithMessageMap<CAdditonalInfoPpg, CWizardPage> {
 public:
  explicit CAdditonalInfoPpg(CAddPortSht* pSheet);

  CComboBox m_cbPrinterType;
  bool m_bCustomType = false;
  bool m_bSetupStored = false;  // Setup ended with OK in this wizard

  static const AFX_MSGMAP messageMap;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  LRESULT OnWizardNext() override;
  void OnStandard();
  void OnCustom();
  void OnSetup();
};
