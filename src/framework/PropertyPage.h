#pragma once
// CPropertyPage: one page of a property sheet, built from a dialog template. Its window
// and OnInitDialog come the first time the page is shown.
#include <windows.h>

#include <commctrl.h>

#include "Dialog.h"

class CPropertySheet;

class CPropertyPage : public CDialog {
 public:
  explicit CPropertyPage(UINT nIDTemplate);
  void Construct(UINT nIDTemplate);

  PROPSHEETPAGEA m_psp;

  // TRUE accepts the activation.
  virtual BOOL OnSetActive();
  // 0 lets the default move happen, -1 keeps the current page.
  virtual LRESULT OnWizardNext();
  virtual LRESULT OnWizardBack();
  // TRUE lets the sheet close.
  virtual BOOL OnWizardFinish();

 protected:
  BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

 private:
  friend class CPropertySheet;
  CPropertySheet* m_pOwnerSheet = nullptr;
  static INT_PTR CALLBACK PageProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
};
