#pragma once
#include <windows.h>

// A message box owned by the active window, with the application's name as caption.
int AfxMessageBox(const char* text, UINT nType = MB_OK);
