#include "CompletPpg.h"

#include "AfxMessageBox.h"
#include "OsVersion.h"
#include "PortSetup.h"
#include "SpoolerControl.h"
#include "StringTable.h"
#include "SystemError.h"
#include "resource.h"

namespace {

// The spooler's own messages: a state not reached is said in an application box; a
// refused start is not shown.
class SpoolerMessages : public SpoolerReport {
 public:
  void NotReached(SpoolerAction action) override {
    AfxMessageBox(action == Stop ? "Stop spooler failed!" : "Start spooler failed!", MB_OK | MB_ICONEXCLAMATION);
  }
  void StartRefused(DWORD) override {}
};

}  // namespace

CCompletPpg::CCompletPpg(CAddPortSht* pSheet, ServiceControl& services, PortRecordStore& store)
    : CWizardPage(IDD_COMPLETION_PAGE, pSheet), m_services(services), m_store(store) {}

BOOL CCompletPpg::OnSetActive() {
  SetDlgItemText(IDC_SUMMARY, BuildPortSummary(*m_pPortConfig, *m_pModelCatalogue).c_str());
  return CWizardPage::OnSetActive();
}

LRESULT CCompletPpg::OnWizardBack() {
  m_pSheet->SetWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
  return CWizardPage::OnWizardBack();
}

// Before Windows 2000 the monitor sees a new port only after the spooler restarts, so
// the user is warned first. A port that cannot be written is reported, and then the
// spooler is left alone.
BOOL CCompletPpg::OnWizardFinish() {
  const bool restart = GetOsVersionType() != OSVER_NT5_UP;
  const std::string caption = AfxLoadString(IDS_ADD_PORT_TITLE);
  if (restart && MessageBox(AfxLoadString(IDS_RESTART_SPOOLER).c_str(), caption.c_str(),
                            MB_OKCANCEL | MB_ICONEXCLAMATION) == IDCANCEL)
    return TRUE;
  if (!m_store.Add(*m_pPortConfig)) {
    ShowSystemError(GetLastError(), true, m_hWnd);
    return TRUE;
  }
  if (restart) {
    SpoolerMessages messages;
    if (DWORD error = RestartSpooler(messages, m_services).startError; error != 0) ShowSystemError(error, false);
  }
  return TRUE;
}
