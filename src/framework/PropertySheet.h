#pragma once
// CPropertySheet: a modal property sheet, used in wizard mode.
#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "PropertyPage.h"
#include "Wnd.h"

// DoModal's answer when a wizard ended with Finish.
constexpr INT_PTR ID_WIZFINISH = 0x3025;

class CPropertySheet : public CWnd {
 public:
  CPropertySheet(const char* caption, CWnd* pParentWnd = nullptr, UINT iSelectPage = 0);
  // Re-initialises the sheet with a new caption, parent and first page.
  void Construct(const char* caption, CWnd* pParentWnd = nullptr, UINT iSelectPage = 0);

  PROPSHEETHEADERA m_psh;

  void AddPage(CPropertyPage* pPage);
  int GetPageCount() const { return static_cast<int>(m_pages.size()); }
  // ID_WIZFINISH (or IDOK outside wizard mode) when ended by Finish, IDCANCEL when
  // cancelled, -1 when the sheet could not be created.
  virtual INT_PTR DoModal();
  // Posts the wizard buttons (PSWIZB_ flags): they change once the current hook and the
  // page change that follows it are done.
  void SetWizardButtons(DWORD dwFlags);
  // Shows the page now; from inside a Next or Back hook that answers the default, the
  // move that follows the hook goes to this page instead.
  BOOL SetActivePage(int nPage);

  virtual BOOL OnInitDialog();

 private:
  friend class CPropertyPage;
  // Runs a page's Next or Back hook, turning a SetActivePage made inside it into the
  // hook's answer: the target page's template id, which the sheet treats as a jump.
  LRESULT RunWizardHook(const std::function<LRESULT()>& hook);
  static int CALLBACK SheetCallback(HWND hWnd, UINT message, LPARAM lParam);

  std::string m_strCaption;
  CWnd* m_pParentWnd = nullptr;
  std::vector<CPropertyPage*> m_pages;
  bool m_bCreated = false;
  bool m_bInWizardHook = false;
  int m_nPendingPage = -1;
};
