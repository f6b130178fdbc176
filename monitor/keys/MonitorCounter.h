#pragma once
// Numbers kept in values of the monitor's key, shared by every process and every load of
// the monitor (Wine's spooler loads it anew around its calls, in each process).
#include <windows.h>

#include <optional>

// Adds amount to the value under a lock that every process shares and returns what it
// held before (0 when it was missing); nothing when the lock cannot be had, the key
// cannot be opened or the value not written.
std::optional<DWORD> AddToMonitorCounter(const wchar_t* value, DWORD amount);
