#include "Dialog.h"

#include <exception>

#include "WinApp.h"

const AFX_MSGMAP CDialog::messageMap{BaseMessageMap<CDialog>(),
                                     {ON_COMMAND(IDOK, &CDialog::OnOK), ON_COMMAND(IDCANCEL, &CDialog::OnCancel)}};

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

INT_PTR CDialog::DoModal() {
  HWND owner = m_pParentWnd != nullptr ? m_pParentWnd->m_hWnd : GetActiveWindow();
  HINSTANCE instance = AfxGetInstanceHandle();
  return DialogBoxParamA(instance, MAKEINTRESOURCEA(m_nIDTemplate), owner, &CDialog::DialogProc,
                         reinterpret_cast<LPARAM>(this));
}

void CDialog::EndDialog(int nResult) { ::EndDialog(m_hWnd, nResult); }

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL CDialog::UpdateData(BOOL bSaveAndValidate) {
  CDataExchange dx(this, bSaveAndValidate);
  try {
    DoDataExchange(&dx);
  } catch (const CDataExchangeFailure&) {
    return FALSE;
  }
  return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::OnCmdMsg(UINT id, UINT code) {
  if (CWnd::OnCmdMsg(id, code)) return TRUE;
  return AfxGetApp() != nullptr && AfxGetApp()->OnCmdMsg(id, code);
}

INT_PTR CDialog::BindAndInitialize(HWND hWnd, CDialog* dialog) {
  dialog->SubclassWindow(hWnd);
  try {
    return dialog->OnInitDialog();
  } catch (const std::exception& failure) {
    AfxReportHandlerFailure(failure.what());
  } catch (...) {
    AfxReportHandlerFailure("unknown exception");
  }
  return TRUE;
}

// Only binds: once subclassed, every later message reaches WindowProc first and arrives
// here through default processing, which must then do the dialog manager's own work.
INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM, LPARAM lParam) {
  if (message != WM_INITDIALOG) return FALSE;
  return BindAndInitialize(hWnd, reinterpret_cast<CDialog*>(lParam));
}
