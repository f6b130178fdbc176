#pragma once
// The wizard's last page: the summary of the new port, and Finish, which creates it.
#include "ServiceControl.h"
#include "WizardPage.h"

class CCompletPpg : public CWizardPage {
 public:
  // services: the service manager through which the spooler is restarted.
  CCompletPpg(CAddPortSht* pSheet, ServiceControl& services = SystemServiceControl());

 protected:
  BOOL OnSetActive() override;
  LRESULT OnWizardBack() override;
  BOOL OnWizardFinish() override;

 private:
  ServiceControl& m_services;
};
