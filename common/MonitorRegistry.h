#pragma once
// The "Pralo TCP/IP Port" monitor's name and where it keeps its data under
// HKEY_LOCAL_MACHINE, in ANSI for the program and in UTF-16 for the monitor itself.

#define PRALO_MONITOR_NAME "Pralo TCP/IP Port"
#define PRALO_MONITOR_KEY "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\" PRALO_MONITOR_NAME
#define PRALO_PRINTERS_KEY "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers"

// The monitor's name: reported by the spooler for its ports, and its registry key.
inline constexpr char kMonitorName[] = PRALO_MONITOR_NAME;
inline constexpr char kMonitorKey[] = PRALO_MONITOR_KEY;
// One subkey per port, named as the port.
inline constexpr char kPortNamesKey[] = PRALO_MONITOR_KEY "\\Port Names";
// The search scope of the printer discovery.
inline constexpr char kDiscoveryKey[] = PRALO_MONITOR_KEY "\\Discovery";
// The spooler's printers, each with its "Port" list and its driver data.
inline constexpr char kPrintersKey[] = PRALO_PRINTERS_KEY;

inline constexpr wchar_t kMonitorNameW[] = L"" PRALO_MONITOR_NAME;
inline constexpr wchar_t kMonitorKeyW[] = L"" PRALO_MONITOR_KEY;
inline constexpr wchar_t kPortNamesKeyW[] = L"" PRALO_MONITOR_KEY "\\Port Names";
// Where Wine's spooler looks for the monitor of a port it deletes.
inline constexpr wchar_t kSpoolerPortsKeyW[] = L"" PRALO_MONITOR_KEY "\\Ports";
inline constexpr wchar_t kPrintersKeyW[] = L"" PRALO_PRINTERS_KEY;
