#pragma once
// A thread that holds a reference on the monitor's library while it runs. The spooler
// unloads a monitor after Shutdown (FreeLibrary); a thread that is still finishing its
// work then, or waiting in the system's name lookup, keeps the library loaded and
// drops its reference only as it leaves our code (FreeLibraryAndExitThread), so that no
// code of ours runs after the library is gone and Shutdown need not wait for it.
#include <windows.h>

#include "Unique.h"

// Starts body(parameter) on such a thread; an empty handle when it cannot be started.
UniqueHandle StartLibraryThread(DWORD (*body)(void*), void* parameter);
