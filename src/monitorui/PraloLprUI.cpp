// The monitor's UI library: the spooler's own Add Port, Configure Port and Delete Port
// commands for "Pralo TCP/IP Port" ports call it. It shows the Port Manager's wizard and
// configuration dialog, owned by the window that the spooler passes, and stores what
// they hold through the monitor's XcvData, so that the monitor's checks apply.
#include <windows.h>

#include <winspool.h>
#include <winsplp.h>

#include <string>

#include "AddPortWizard.h"
#include "DelayLoadHook.h"
#include "ModelCatalogue.h"
#include "MonitorConnection.h"
#include "PortConfigDlg.h"
#include "SpoolerLists.h"
#include "StringTable.h"
#include "SystemErrorText.h"
#include "TextField.h"
#include "resource.h"

namespace {

// The spooler's window, as the owner of the dialogs.
class OwnerWindow : public CWnd {
 public:
  explicit OwnerWindow(HWND hwnd) { Attach(hwnd); }
};

// While it lives, the dialogs store their records through the monitor.
class MonitorStoreInUse {
 public:
  explicit MonitorStoreInUse(PortRecordStore& store) { UsePortRecordStore(&store); }
  ~MonitorStoreInUse() { UsePortRecordStore(nullptr); }
  MonitorStoreInUse(const MonitorStoreInUse&) = delete;
  MonitorStoreInUse& operator=(const MonitorStoreInUse&) = delete;
};

BOOL Failed(DWORD error) {
  SetLastError(error);
  return FALSE;
}

// The local machine only, as the monitor serves it.
bool IsLocal(PCWSTR server) { return server == nullptr || server[0] == L'\0'; }

std::string PrintersOf(const char* portName) {
  PrinterUseIndex users;
  for (const SpoolerPrinter& printer : LocalPrinters(5)) users.Add(printer.name, printer.ports);
  return users.PrintersOf(portName);
}

BOOL WINAPI AddPortUI(PCWSTR server, HWND hwnd, PCWSTR, PWSTR* portNameOut) {
  if (portNameOut != nullptr) *portNameOut = nullptr;
  if (!IsLocal(server)) return Failed(ERROR_INVALID_PARAMETER);
  MonitorConnection monitor;
  if (monitor.OpenError() != ERROR_SUCCESS) return Failed(monitor.OpenError());
  MonitorPortRecordStore store(monitor);
  MonitorStoreInUse inUse(store);
  ModelCatalogue catalogue;
  LoadModelCatalogue(catalogue);
  PortConfig config;
  OwnerWindow owner(hwnd);
  RunAddPortWizard(&owner, config, catalogue, SystemServiceControl());
  return store.Added() ? TRUE : Failed(ERROR_CANCELLED);
}

BOOL WINAPI ConfigurePortUI(PCWSTR server, HWND hwnd, PCWSTR portName) {
  if (!IsLocal(server) || portName == nullptr) return Failed(ERROR_INVALID_PARAMETER);
  MonitorConnection monitor;
  PortConfig config;
  if (DWORD error = monitor.GetConfig(portName, config); error != ERROR_SUCCESS) return Failed(error);
  MonitorPortRecordStore store(monitor);
  MonitorStoreInUse inUse(store);
  const std::string name(TextOf(config.portName, sizeof config.portName));
  ResetPortConfig(config, name.c_str());
  OwnerWindow owner(hwnd);
  CPortConfigDlg dialog(&owner, config, PrintersOf(name.c_str()));
  return dialog.DoModal() == IDOK ? TRUE : Failed(ERROR_CANCELLED);
}

// Its callers have asked already; a refusal is shown with the system's text.
BOOL WINAPI DeletePortUI(PCWSTR server, HWND hwnd, PCWSTR portName) {
  if (!IsLocal(server) || portName == nullptr) return Failed(ERROR_INVALID_PARAMETER);
  DWORD error = MonitorConnection().DeletePort(portName);
  if (error == ERROR_BUSY)
    MessageBoxA(hwnd, SystemErrorText(error).c_str(), AfxLoadString(IDS_APP_TITLE).c_str(), MB_OK | MB_ICONSTOP);
  return error == ERROR_SUCCESS ? TRUE : Failed(error);
}

MONITORUI monitorUi{sizeof(MONITORUI), AddPortUI, ConfigurePortUI, DeletePortUI};

}  // namespace

// The spooler's host process keeps its own library search (the search of the whole
// process is no library's to change); this library's own network libraries come from
// the system directory.
extern "C" PMONITORUI WINAPI InitializePrintMonitorUI() {
  LoadDelayedLibrariesFromSystemDirectory();
  return &monitorUi;
}
