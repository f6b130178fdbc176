#pragma once
// The wizard's last page: the summary of the new port, and Finish, which creates it.
#include "PortRecordStore.h"
#include "ServiceControl.h"
#include "WizardPage.h"

class CCompletPpg : public CWizardPage {
 public:
  // services: the service manager through which the spooler is restarted; store: where
  // Finish adds the port.
  CCompletPpg(CAddPortSht* pSheet, ServiceControl& services, PortRecordStore& store);

 protected:
  BOOL OnSetActive() override;
  LRESULT OnWizardBack() override;
  BOOL OnWizardFinish() override;

 private:
  ServiceControl& m_services;
  PortRecordStore& m_store;
};
