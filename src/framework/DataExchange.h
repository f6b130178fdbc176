#pragma once
// Data exchange between a dialog's controls and its members.
#include <windows.h>

#include <string>

class CWnd;

// Thrown by CDataExchange::Fail, caught by UpdateData.
struct CDataExchangeFailure {};

class CDataExchange {
 public:
  CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate) : m_pDlgWnd(pDlgWnd), m_bSaveAndValidate(bSaveAndValidate) {}
  CWnd* m_pDlgWnd;
  // TRUE: controls to members; FALSE: members to controls.
  BOOL m_bSaveAndValidate;
  // Ends the exchange as failed: UpdateData answers FALSE.
  [[noreturn]] void Fail();
};

void DDX_Text(CDataExchange* pDX, int nIDC, std::string& value);
// A fixed buffer of nMaxLen bytes: at most nMaxLen - 1 characters, always terminated.
void DDX_Text(CDataExchange* pDX, int nIDC, char* value, int nMaxLen);
// Attaches a control wrapper to the dialog's control.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
