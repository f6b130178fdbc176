#pragma once
// Shows the wait cursor while it lives and puts back the cursor it found.
#include <windows.h>

class CWaitCursor {
 public:
  CWaitCursor() : m_previous(GetCursor()) { SetCursor(LoadCursor(nullptr, IDC_WAIT)); }
  CWaitCursor(const CWaitCursor&) = delete;
  CWaitCursor& operator=(const CWaitCursor&) = delete;
  ~CWaitCursor() { SetCursor(m_previous); }

 private:
  HCURSOR m_previous;
};
