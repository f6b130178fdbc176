#include "PropertyPage.h"

#include "PropertySheet.h"
#include "WinApp.h"

CPropertyPage::CPropertyPage(UINT nIDTemplate) : CDialog(nIDTemplate) { Construct(nIDTemplate); }

void CPropertyPage::Construct(UINT nIDTemplate) {
  m_nIDTemplate = nIDTemplate;
  m_psp = PROPSHEETPAGEA{};
  m_psp.dwSize = sizeof m_psp;
  // Pages are created from their template id, which also names them in a wizard jump.
  m_psp.dwFlags = PSP_HASHELP;
  m_psp.hInstance = AfxGetInstanceHandle();
  m_psp.pszTemplate = MAKEINTRESOURCEA(nIDTemplate);
  m_psp.pfnDlgProc = &CPropertyPage::PageProc;
  m_psp.lParam = reinterpret_cast<LPARAM>(this);
}

BOOL CPropertyPage::OnSetActive() { return TRUE; }
LRESULT CPropertyPage::OnWizardNext() { return 0; }
LRESULT CPropertyPage::OnWizardBack() { return 0; }
BOOL CPropertyPage::OnWizardFinish() { return TRUE; }

BOOL CPropertyPage::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  const auto* header = reinterpret_cast<const NMHDR*>(lParam);
  if (header->hwndFrom != ::GetParent(m_hWnd)) return CDialog::OnNotify(wParam, lParam, pResult);
  switch (header->code) {
    case PSN_SETACTIVE:
      *pResult = OnSetActive() ? 0 : -1;
      return TRUE;
    case PSN_WIZNEXT:
      *pResult = m_pOwnerSheet->RunWizardHook([this] { return OnWizardNext(); });
      return TRUE;
    case PSN_WIZBACK:
      *pResult = m_pOwnerSheet->RunWizardHook([this] { return OnWizardBack(); });
      return TRUE;
    case PSN_WIZFINISH:
      *pResult = OnWizardFinish() ? FALSE : TRUE;
      return TRUE;
  }
  return CDialog::OnNotify(wParam, lParam, pResult);
}

INT_PTR CALLBACK CPropertyPage::PageProc(HWND hWnd, UINT message, WPARAM, LPARAM lParam) {
  if (message != WM_INITDIALOG) return FALSE;
  const auto* page = reinterpret_cast<const PROPSHEETPAGEA*>(lParam);
  return BindAndInitialize(hWnd, reinterpret_cast<CPropertyPage*>(page->lParam));
}
