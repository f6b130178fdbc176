#pragma once
// The monitor's components: the libraries that go into the system directory and the
// catalogues that go into the Windows directory. The setup program installs them, the
// monitor's About box lists their versions, and the monitor's build makes the libraries
// (each `file` is a build target's name with ".dll").

struct MonitorLibrary {
  const char* file;
  const char* label;  // as the About box names it
};

inline constexpr MonitorLibrary kMonitorLibraries[] = {
    {"PraloLpr.dll", "PraloLpr.dll"}, {"PrlStat.dll", "PrlStat.dll"},   {"PRLFIND.dll", "PrlFind.dll"},
    {"prlutil.dll", "Prlutil.dll"},   {"prlagent.dll", "Prlagent.dll"}, {"prlconv.dll", "Prlconv.dll"},
};

// The library that the spooler loads as the monitor.
inline constexpr char kMonitorLibrary[] = "PraloLpr.dll";

struct MonitorCatalogue {
  const char* file;
  const char* section;  // where the file keeps its version
  const char* key;
};

inline constexpr MonitorCatalogue kMonitorCatalogues[] = {
    {"PrlModels.ini", "PraloPortMonData", "FileVersion"},
    {"PrlStat.ini", "Version", "VersionNumber"},
};

// The monitor's UI library, beside it in the system directory: the spooler's own Add,
// Configure and Delete port commands load it, by the name that the monitor answers to
// "MonitorUI".
#define PRALO_MONITOR_UI_LIBRARY "PraloLprUI.dll"
inline constexpr char kMonitorUiLibrary[] = PRALO_MONITOR_UI_LIBRARY;
inline constexpr wchar_t kMonitorUiLibraryW[] = L"" PRALO_MONITOR_UI_LIBRARY;
