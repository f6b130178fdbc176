#pragma once
// The monitor's network libraries, which the program imports by ordinal and loads at
// their first call.

// True when PrlStat.dll (ordinal 1) and PRLFIND.dll (ordinals 2 to 5) load and export
// what the program calls, as the loader would demand of a program importing them.
bool NetworkLibrariesPresent();

// From now on a library or ordinal that cannot be had at its first call is reported
// with the system's text for the error, and the call fails instead of ending the
// program.
void InstallDelayLoadFailureHook();
