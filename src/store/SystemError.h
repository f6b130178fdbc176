#pragma once
#include <windows.h>

// Shows the system's text for a Win32 error code in a box without owner, with the
// warning icon; the caption is "Pralo Port Manager" with withTitle, else empty. A code
// without a system text shows "Unknown error <code>."
void ShowSystemError(DWORD code, bool withTitle);
