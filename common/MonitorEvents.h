#pragma once
// The monitor's event source: where its setup program registers it and where the
// Event Log finds the texts of its messages (the monitor's own message table).
#define PRALO_EVENT_SOURCE "Pralo TCP/IP Port"

inline constexpr char kEventSource[] = PRALO_EVENT_SOURCE;
inline constexpr char kEventSourceKey[] =
    "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\" PRALO_EVENT_SOURCE;
// The library whose message table holds the texts, in the system folder.
inline constexpr char kEventMessageFile[] = "%SystemRoot%\\System32\\PraloLpr.dll";
