#pragma once
// What the test process holds, for leak checks: its threads and its handles.
#include <windows.h>

int ThreadCount();
DWORD HandleCount();
