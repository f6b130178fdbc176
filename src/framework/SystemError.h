#pragma once
#include <windows.h>

// Shows the system's text for a Win32 error code in a box with the warning icon, owned
// by `owner` (none by default); the caption is the program's title (string 343) with
// withTitle, else empty. A code without a system text shows "Unknown error <code>."
void ShowSystemError(DWORD code, bool withTitle, HWND owner = nullptr);
