// The monitor's UI library: the spooler's own Add Port, Configure Port and Delete Port
// commands for "Pralo TCP/IP Port" ports call it. It shows the Port Manager's wizard and
// configuration dialog, owned by the window that the spooler passes, and reads and
// stores what they hold through the monitor's XcvData, so that the monitor's checks
// apply.
#include <windows.h>

#include <winspool.h>
#include <winsplp.h>

#include <cwchar>
#include <string>

#include "AddPortWizard.h"
#include "AnsiText.h"
#include "DelayLoadHook.h"
#include "ModelCatalogue.h"
#include "MonitorConnection.h"
#include "PortConfigDlg.h"
#include "SpoolerLists.h"
#include "StringTable.h"
#include "SystemError.h"
#include "SystemErrorText.h"
#include "resource.h"

namespace {

// The spooler's window, as the owner of the dialogs.
class OwnerWindow : public CWnd {
 public:
  explicit OwnerWindow(HWND hwnd) { Attach(hwnd); }
};

BOOL Failed(DWORD error) {
  SetLastError(error);
  return FALSE;
}

// A refusal, with the system's text.
BOOL Shown(HWND hwnd, DWORD error) {
  MessageBoxA(hwnd, SystemErrorText(error).c_str(), AfxLoadString(IDS_APP_TITLE).c_str(), MB_OK | MB_ICONSTOP);
  return Failed(error);
}

// The local machine only, as the monitor serves it.
bool IsLocal(PCWSTR server) { return server == nullptr || server[0] == L'\0'; }

std::string PrintersOf(const char* portName) {
  PrinterUseIndex users;
  for (const SpoolerPrinter& printer : LocalPrinters(5)) users.Add(printer.name, printer.ports);
  return users.PrintersOf(portName);
}

// A copy that the caller frees with GlobalFree, as it frees the names that the system's
// own port monitor UI hands back.
PWSTR GlobalCopy(const std::wstring& text) {
  auto* copy = static_cast<PWSTR>(GlobalAlloc(GPTR, (text.size() + 1) * sizeof(wchar_t)));
  if (copy != nullptr) std::wmemcpy(copy, text.c_str(), text.size() + 1);
  return copy;
}

// The new port's name goes back to a caller that asks for it. A caller who may not
// administer the server could add nothing: no wizard, the spooler's refusal.
BOOL WINAPI AddPortUI(PCWSTR server, HWND hwnd, PCWSTR, PWSTR* portNameOut) {
  if (portNameOut != nullptr) *portNameOut = nullptr;
  if (!IsLocal(server)) return Failed(ERROR_INVALID_PARAMETER);
  MonitorConnection monitor;
  if (monitor.OpenError() != ERROR_SUCCESS) return Failed(monitor.OpenError());
  if (!monitor.Administers()) return Failed(ERROR_ACCESS_DENIED);
  MonitorPortRecordStore store(monitor);
  ModelCatalogue catalogue;
  LoadModelCatalogue(catalogue);
  PortConfig config;
  OwnerWindow owner(hwnd);
  RunAddPortWizard(&owner, config, catalogue, SystemServiceControl(), store);
  if (store.AddedName().empty()) return Failed(ERROR_CANCELLED);
  if (portNameOut != nullptr) *portNameOut = GlobalCopy(WideText(store.AddedName()));
  return TRUE;
}

// A port that the monitor cannot give (unknown, or the spooler refused the monitor) is
// refused with the reason before any dialog shows: never a dialog of made-up values.
BOOL WINAPI ConfigurePortUI(PCWSTR server, HWND hwnd, PCWSTR portName) {
  if (!IsLocal(server) || portName == nullptr) return Failed(ERROR_INVALID_PARAMETER);
  MonitorConnection monitor;
  MonitorPortRecordStore store(monitor);
  const std::string name = AnsiText(portName);
  PortConfig config;
  if (!store.Read(name.c_str(), config)) return Shown(hwnd, GetLastError());
  OwnerWindow owner(hwnd);
  CPortConfigDlg dialog(&owner, config, store, PrintersOf(config.portName));
  return dialog.DoModal() == IDOK ? TRUE : Failed(ERROR_CANCELLED);
}

// Its callers have asked already; a refusal is shown with the system's text.
BOOL WINAPI DeletePortUI(PCWSTR server, HWND hwnd, PCWSTR portName) {
  if (!IsLocal(server) || portName == nullptr) return Failed(ERROR_INVALID_PARAMETER);
  DWORD error = MonitorConnection().DeletePort(portName);
  if (error == ERROR_BUSY) return Shown(hwnd, error);
  return error == ERROR_SUCCESS ? TRUE : Failed(error);
}

MONITORUI monitorUi{sizeof(MONITORUI), AddPortUI, ConfigurePortUI, DeletePortUI};

// Inside the spooler's or Explorer's process a network library that cannot be loaded
// must not raise the loader's exception: it is said in a box over the dialog in use,
// and its call fails as the library reports a failure.
void ShowLibraryFailure(DWORD error) { ShowSystemError(error, true, GetActiveWindow()); }

}  // namespace

// The spooler's host process keeps its own library search (the search of the whole
// process is no library's to change); this library's own network libraries come from
// the system directory.
extern "C" PMONITORUI WINAPI InitializePrintMonitorUI() {
  LoadDelayedLibrariesFromSystemDirectory();
  InstallDelayLoadFailureHook(&ShowLibraryFailure);
  return &monitorUi;
}
