#pragma once
// The monitor's network libraries, which the Port Manager, prlport and the monitor's UI
// library import by ordinal and load at their first call; the programs' start-up has
// checked that they are there (StartupChecks.h), the UI library runs without that check.
#include <windows.h>

// Told the system's error code when a library or an ordinal cannot be had.
using LibraryFailureReport = void (*)(DWORD error);

// From now on a library or ordinal that cannot be had at its first call is told to the
// report, once per library, and the call fails as the library reports a failure
// instead of ending the program.
void InstallDelayLoadFailureHook(LibraryFailureReport report);

// From now on this module loads each of them at its first call from the system
// directory by its path, never by the loader's search. It touches only the delayed
// imports of the module that holds this code, so a library may call it inside another
// program's process.
void LoadDelayedLibrariesFromSystemDirectory();
