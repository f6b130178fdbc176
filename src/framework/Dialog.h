#pragma once
// CDialog: a modal dialog from a dialog template, with data exchange.
#include "DataExchange.h"
#include "Wnd.h"

class CDialog : public WithMessageMap<CDialog, CWnd> {
 public:
  explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);

  // Runs the dialog modally. With no parent it is owned by the active window. -1 when
  // the dialog could not be created.
  virtual INT_PTR DoModal();
  void EndDialog(int nResult);

  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();
  // FALSE when the data exchange failed.
  BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

  static const AFX_MSGMAP messageMap;

 protected:
  virtual void DoDataExchange(CDataExchange* pDX);
  // Commands that no entry of the dialog handles go on to the application object.
  BOOL OnCmdMsg(UINT id, UINT code) override;

  // Binds the object to its window, then runs OnInitDialog; the answer is the dialog
  // procedure's for WM_INITDIALOG.
  static INT_PTR BindAndInitialize(HWND hWnd, CDialog* dialog);

  UINT m_nIDTemplate;
  CWnd* m_pParentWnd;

 private:
  static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
};
