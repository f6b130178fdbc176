#include "AfxMessageBox.h"

#include "WinApp.h"

int AfxMessageBox(const char* text, UINT nType) {
  return ::MessageBoxA(GetActiveWindow(), text, AfxGetAppName(), nType);
}
