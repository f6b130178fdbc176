#pragma once
// Where the "Pralo TCP/IP Port" monitor keeps its data under HKEY_LOCAL_MACHINE.

// The monitor's name: reported by the spooler for its ports, and its registry key.
inline constexpr char kMonitorName[] = "Pralo TCP/IP Port";
inline constexpr char kMonitorKey[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Pralo TCP/IP Port";
inline constexpr char kPortNamesKey[] =
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Pralo TCP/IP Port\\Port Names";
