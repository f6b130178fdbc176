#pragma once
// The monitor's network libraries, which the program imports by ordinal and loads at
// their first call; start-up has checked that they are there (StartupChecks.h).

// From now on a library or ordinal that cannot be had at its first call is reported
// with the system's text for the error, and the call fails instead of ending the
// program.
void InstallDelayLoadFailureHook();
