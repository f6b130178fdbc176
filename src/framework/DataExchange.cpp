#include "DataExchange.h"

#include "Wnd.h"

void CDataExchange::Fail() { throw CDataExchangeFailure{}; }

void DDX_Text(CDataExchange* pDX, int nIDC, std::string& value) {
  if (pDX->m_bSaveAndValidate)
    value = pDX->m_pDlgWnd->GetDlgItemText(nIDC);
  else
    pDX->m_pDlgWnd->SetDlgItemText(nIDC, value.c_str());
}

void DDX_Text(CDataExchange* pDX, int nIDC, char* value, int nMaxLen) {
  if (pDX->m_bSaveAndValidate)
    pDX->m_pDlgWnd->GetDlgItemText(nIDC, value, nMaxLen);
  else
    pDX->m_pDlgWnd->SetDlgItemText(nIDC, value);
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
  rControl.Attach(GetDlgItem(pDX->m_pDlgWnd->m_hWnd, nIDC));
}
