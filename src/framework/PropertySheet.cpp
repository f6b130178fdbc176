#include "PropertySheet.h"

#include <exception>
#include <utility>

#include "WinApp.h"

namespace {
// The sheet whose window PropertySheetA is creating on this thread; its callback has no
// parameter of its own to carry the object. A sheet created while another is being
// created puts the outer one back when it is done.
thread_local CPropertySheet* sheetBeingCreated = nullptr;
}  // namespace

CPropertySheet::CPropertySheet(const char* caption, CWnd* pParentWnd, UINT iSelectPage) {
  Construct(caption, pParentWnd, iSelectPage);
}

void CPropertySheet::Construct(const char* caption, CWnd* pParentWnd, UINT iSelectPage) {
  m_strCaption = caption != nullptr ? caption : "";
  m_pParentWnd = pParentWnd;
  m_psh = PROPSHEETHEADERA{};
  m_psh.dwSize = sizeof m_psh;
  m_psh.dwFlags = PSH_HASHELP;
  m_psh.nStartPage = iSelectPage;
}

void CPropertySheet::AddPage(CPropertyPage* pPage) {
  pPage->m_pOwnerSheet = this;
  m_pages.push_back(pPage);
}

INT_PTR CPropertySheet::DoModal() {
  std::vector<PROPSHEETPAGEA> pages;
  for (CPropertyPage* page : m_pages) pages.push_back(page->m_psp);
  m_psh.dwFlags |= PSH_PROPSHEETPAGE | PSH_USECALLBACK;
  m_psh.hwndParent = m_pParentWnd != nullptr ? m_pParentWnd->m_hWnd : GetActiveWindow();
  m_psh.hInstance = AfxGetInstanceHandle();
  m_psh.pszCaption = m_strCaption.c_str();
  m_psh.nPages = static_cast<UINT>(pages.size());
  m_psh.ppsp = pages.data();
  m_psh.pfnCallback = &CPropertySheet::SheetCallback;

  CPropertySheet* outer = std::exchange(sheetBeingCreated, this);
  m_bCreated = false;
  INT_PTR result = PropertySheetA(&m_psh);
  sheetBeingCreated = outer;
  // A sheet whose window never came was not created, whatever comctl32 answers.
  if (result < 0 || !m_bCreated) return -1;
  if (result == 0) return IDCANCEL;
  return (m_psh.dwFlags & PSH_WIZARD) != 0 ? ID_WIZFINISH : IDOK;
}

BOOL CPropertySheet::SetActivePage(int nPage) {
  if (m_bInWizardHook) {
    m_nPendingPage = nPage;
    return TRUE;
  }
  return static_cast<BOOL>(SendMessage(PSM_SETCURSEL, nPage, 0));
}

void CPropertySheet::SetWizardButtons(DWORD dwFlags) { PostMessage(PSM_SETWIZBUTTONS, 0, dwFlags); }

BOOL CPropertySheet::OnInitDialog() { return TRUE; }

LRESULT CPropertySheet::RunWizardHook(const std::function<LRESULT()>& hook) {
  // Restored however the hook ends, so that a hook that throws leaves the sheet usable.
  struct HookScope {
    CPropertySheet& sheet;
    explicit HookScope(CPropertySheet& s) : sheet(s) {
      sheet.m_bInWizardHook = true;
      sheet.m_nPendingPage = -1;
    }
    ~HookScope() { sheet.m_bInWizardHook = false; }
  };
  LRESULT answer = 0;
  {
    HookScope scope(*this);
    answer = hook();
  }
  if (answer == 0 && m_nPendingPage >= 0 && m_nPendingPage < GetPageCount())
    answer = static_cast<LRESULT>(m_pages[m_nPendingPage]->m_nIDTemplate);
  m_nPendingPage = -1;
  return answer;
}

// Once comctl32 has built the sheet and its first page, the sheet's messages are routed
// through the object and its own initialisation runs.
int CALLBACK CPropertySheet::SheetCallback(HWND hWnd, UINT message, LPARAM) {
  if (message != PSCB_INITIALIZED || sheetBeingCreated == nullptr) return 0;
  CPropertySheet* sheet = sheetBeingCreated;
  sheet->m_bCreated = true;
  sheet->SubclassWindow(hWnd);
  try {
    sheet->OnInitDialog();
  } catch (const std::exception& failure) {
    AfxReportHandlerFailure(failure.what());
  } catch (...) {
    AfxReportHandlerFailure("unknown exception");
  }
  return 0;
}
