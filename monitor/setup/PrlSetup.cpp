// Installs or removes the "Pralo TCP/IP Port" monitor: copies its components from the
// setup program's folder into the system and Windows directories and registers the
// monitor with the spooler. Removing the monitor removes its key; its ports and
// discovery scope are kept apart first and come back when it is installed again.
//
//   PrlSetup install | uninstall
#include <windows.h>

#include <winspool.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "AdminOnly.h"
#include "Components.h"
#include "HeldFiles.h"
#include "MonitorEvents.h"
#include "MonitorRegistry.h"
#include "PortNames.h"
#include "PortUse.h"
#include "SystemErrorText.h"
#include "SystemFolders.h"
#include "Unique.h"

namespace {

std::string SetupFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string folder(path);
  return folder.substr(0, folder.find_last_of("\\/"));
}

int Failure(const char* what, DWORD error) {
  std::fprintf(stderr, "PrlSetup: %s failed: %s (error %lu)\n", what, SystemErrorText(error).c_str(),
               static_cast<unsigned long>(error));
  return 1;
}

// Copies a component if the setup folder holds it; the monitor's DLL must be there.
int CopyComponent(const char* name, const std::string& target) {
  std::string source = SetupFolder() + "\\" + name;
  if (GetFileAttributesA(source.c_str()) == INVALID_FILE_ATTRIBUTES) {
    if (std::strcmp(name, kMonitorLibrary) == 0) return Failure(("finding " + source).c_str(), GetLastError());
    return 0;
  }
  FileOutcome outcome;
  if (DWORD error = PutFile(source, target + "\\" + name, outcome); error != ERROR_SUCCESS)
    return Failure(("copying " + std::string(name)).c_str(), error);
  std::printf("copied %s to %s\n", name, target.c_str());
  if (outcome == FileOutcome::DoneHeld)
    std::printf("%s was in use: the one in use goes when Windows restarts, and the new one is loaded from the "
                "next start of the program that held it (the spooler: its next start)\n", name);
  return 0;
}

// Deletes an installed component; one that a process holds is moved aside to go when
// Windows restarts. A file that stays is said, and the removal goes on: the monitor is
// no longer registered by then.
void RemoveComponent(const std::string& folder, const char* name) {
  FileOutcome outcome;
  if (DWORD error = RemoveFile(folder + "\\" + name, outcome); error != ERROR_SUCCESS)
    Failure(("removing " + folder + "\\" + name).c_str(), error);
  else if (outcome == FileOutcome::DoneHeld)
    std::printf("%s was in use: it goes when Windows restarts\n", name);
}

// Where the ports, the scope and the SNMPv3 profile wait while the monitor is not installed.
constexpr char kKeptKey[] = "Software\\Pralo\\Port Manager\\Kept ports";
constexpr const char* kKeptParts[] = {"Port Names", "Discovery", "SNMPv3"};

bool KeyExists(const std::string& path) {
  UniqueKey key;
  return RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

// Copies a key of HKEY_LOCAL_MACHINE with everything below it: the registry's error code,
// ERROR_FILE_NOT_FOUND when there is none.
LONG CopyKey(const std::string& from, const std::string& to) {
  UniqueKey source, target;
  if (LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, from.c_str(), 0, KEY_READ, source.put()); rc != ERROR_SUCCESS)
    return rc;
  if (LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, to.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                nullptr, target.put(), nullptr);
      rc != ERROR_SUCCESS)
    return rc;
  return RegCopyTreeA(source.get(), nullptr, target.get());
}

// Removing the monitor removes its key: its ports and scope are copied aside first,
// where only SYSTEM and the Administrators may read them (the copy holds the ports'
// communities, as the monitor's key does), from the moment the copy is made. A part that
// cannot be copied, or a copy that cannot be kept so, stops the removal (the reason
// said), and the copy made so far goes, so that nothing has changed.
int KeepPorts() {
  UniqueKey monitor;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kMonitorKey, 0, KEY_READ, monitor.put()) != ERROR_SUCCESS) return 0;
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, kKeptKey);
  AdminOnlySecurity security(AdminOnlySecurity::Object::Key);
  UniqueKey kept;
  if (LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKeptKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                security.Attributes(), kept.put(), nullptr);
      rc != ERROR_SUCCESS)
    return Failure("making the key that keeps the ports aside (the monitor is not removed)", static_cast<DWORD>(rc));
  for (const char* part : kKeptParts) {
    const LONG rc = CopyKey(std::string(kMonitorKey) + "\\" + part, std::string(kKeptKey) + "\\" + part);
    if (rc == ERROR_FILE_NOT_FOUND) continue;
    if (rc != ERROR_SUCCESS) {
      RegDeleteTreeA(HKEY_LOCAL_MACHINE, kKeptKey);
      return Failure(("keeping the monitor's " + std::string(part) + " aside (the monitor is not removed)").c_str(),
                     static_cast<DWORD>(rc));
    }
    std::printf("kept the monitor's %s under HKLM\\%s\n", part, kKeptKey);
  }
  if (DWORD error = RestrictKeyTree(kKeptKey); error != ERROR_SUCCESS && error != ERROR_FILE_NOT_FOUND) {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kKeptKey);
    return Failure("keeping the ports where only administrators can read them", error);
  }
  return 0;
}

// A part copied back into the monitor's key, which the caller restricted first: on
// Windows its keys take that ACL as they are made; they are also given it here, for a
// registry that passes nothing on to keys made later (Wine's). A part that cannot be
// kept so goes again. A part that the monitor has of its own is left as it is
// (ERROR_ALREADY_EXISTS): it is newer than the copy.
LONG RestorePart(const std::string& part) {
  const std::string source = std::string(kKeptKey) + "\\" + part, target = std::string(kMonitorKey) + "\\" + part;
  if (!KeyExists(source)) return ERROR_FILE_NOT_FOUND;
  if (KeyExists(target)) return ERROR_ALREADY_EXISTS;
  if (LONG rc = CopyKey(source, target); rc != ERROR_SUCCESS) return rc;
  const DWORD rc = RestrictKeyTree(target.c_str());
  if (rc != ERROR_SUCCESS) RegDeleteTreeA(HKEY_LOCAL_MACHINE, target.c_str());
  return static_cast<LONG>(rc);
}

// The kept copy goes only when every part of it came back (or was not there): otherwise
// it stays, and is said, for the next install or an administrator to take. It is looked
// for also where the monitor was registered already, as a removal that stopped part way
// leaves it: its parts come back where the monitor lacks them.
int RestorePorts() {
  bool whole = true;
  for (const char* part : kKeptParts) {
    const LONG rc = RestorePart(part);
    if (rc == ERROR_FILE_NOT_FOUND) continue;
    if (rc == ERROR_ALREADY_EXISTS) {
      std::printf("the monitor has %s of its own: the kept ones stay under HKLM\\%s\n", part, kKeptKey);
      whole = false;
      continue;
    }
    if (rc != ERROR_SUCCESS)
      return Failure(("restoring the monitor's " + std::string(part) + " (they are kept under HKLM\\" + kKeptKey + ")")
                         .c_str(),
                     static_cast<DWORD>(rc));
    std::printf("restored the monitor's %s\n", part);
  }
  if (whole) RegDeleteTreeA(HKEY_LOCAL_MACHINE, kKeptKey);
  return 0;
}

// The monitor's event source, whose texts the Event Log reads from the monitor's message
// table.
int RegisterMonitorEventSource() {
  UniqueKey key;
  LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, kEventSourceKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                            nullptr, key.put(), nullptr);
  const DWORD types = EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE;
  if (rc == ERROR_SUCCESS)
    rc = RegSetValueExA(key.get(), "EventMessageFile", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(kEventMessageFile),
                        sizeof kEventMessageFile);
  if (rc == ERROR_SUCCESS)
    rc = RegSetValueExA(key.get(), "TypesSupported", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&types), sizeof types);
  if (rc != ERROR_SUCCESS) return Failure("registering the event source", static_cast<DWORD>(rc));
  std::printf("registered the event source \"%s\"\n", kEventSource);
  return 0;
}

void RemoveMonitorEventSource() { RegDeleteTreeA(HKEY_LOCAL_MACHINE, kEventSourceKey); }

int RestrictMonitorKey() {
  if (DWORD error = RestrictKeyTree(kMonitorKey); error != ERROR_SUCCESS)
    return Failure("giving the monitor's key to SYSTEM and the Administrators only", error);
  return 0;
}

// The system and Windows folders, both or a failure said.
int FindSystemFolders(std::string& system, std::string& windows) {
  system = SystemFolder();
  windows = WindowsFolder();
  if (system.empty() || windows.empty()) return Failure("finding the system and Windows folders", ERROR_PATH_NOT_FOUND);
  return 0;
}

// Registers the monitor with the spooler, which loads it; one registered already stays.
int RegisterMonitor() {
  MONITOR_INFO_2A info{const_cast<char*>(kMonitorName), nullptr, const_cast<char*>(kMonitorLibrary)};
  if (AddMonitorA(nullptr, 2, reinterpret_cast<BYTE*>(&info))) return 0;
  const DWORD error = GetLastError();
  return error == ERROR_PRINT_MONITOR_ALREADY_INSTALLED ? 0 : Failure("registering the monitor", error);
}

// What a user could change in the folder that the components come from would run as
// SYSTEM in the spooler once copied: such a folder is refused. The monitor's folder and
// event source are there before the spooler first loads it. Its
// key is restricted before the kept ports come back, so that their keys take the ACL as
// they are made; also on an installation that an older version made with the inherited ACL.
int Install() {
  if (OrdinaryAccountsMayWrite(SetupFolder())) {
    std::fprintf(stderr, "PrlSetup: the monitor is not installed: users can change the files of %s. Install "
                 "from a folder that only administrators can write, such as one under Program Files.\n",
                 SetupFolder().c_str());
    return 1;
  }
  std::string system, windows;
  if (int rc = FindSystemFolders(system, windows)) return rc;
  for (const MonitorLibrary& library : kMonitorLibraries)
    if (int rc = CopyComponent(library.file, system)) return rc;
  // Beside the monitor, which names it to the spooler's port commands.
  if (int rc = CopyComponent(kMonitorUiLibrary, system)) return rc;
  for (const MonitorCatalogue& catalogue : kMonitorCatalogues)
    if (int rc = CopyComponent(catalogue.file, windows)) return rc;
  std::string folder;
  if (DWORD error = MakeMonitorFolder(folder); error != ERROR_SUCCESS)
    return Failure("making the monitor's folder", error);
  if (int rc = RegisterMonitorEventSource()) return rc;
  if (int rc = RegisterMonitor()) return rc;
  if (int rc = RestrictMonitorKey()) return rc;
  if (int rc = RestorePorts()) return rc;
  std::printf("the monitor \"%s\" is installed\n", kMonitorName);
  return 0;
}

// DeleteMonitor deletes the monitor's key as a tree. A monitor still loaded (in the
// spooler until its Shutdown has returned; under Wine in any process that opened it) may
// write into that key as it goes: the deletion then stops part way, and the spooler
// answers that it knows no such monitor while the key, "Driver" and all, is still there,
// so that the next install would take the monitor for registered and not bring the kept
// ports back. What is left goes here, again while a holder still writes into it (the
// monitor writes only into a key that exists, so none comes back once it is gone).
constexpr int kKeyRemovalAttempts = 20;
constexpr DWORD kKeyRemovalPauseMs = 50;

// Deletes a key with everything below it, as RegDeleteTree does, except that a subkey
// that a holder deleted meanwhile counts as deleted instead of ending the deletion.
LONG DeleteKeyTree(HKEY parent, const std::wstring& path) {
  UniqueKey key;
  if (LONG rc = RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ, key.put()); rc != ERROR_SUCCESS) return rc;
  for (const std::wstring& subkey : SubkeyNames(key.get()))
    if (LONG rc = DeleteKeyTree(key.get(), subkey); rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) return rc;
  return RegDeleteKeyW(parent, path.c_str());
}

LONG RemoveMonitorKey() {
  LONG rc = ERROR_SUCCESS;
  for (int attempt = 0; attempt < kKeyRemovalAttempts; ++attempt) {
    rc = DeleteKeyTree(HKEY_LOCAL_MACHINE, kMonitorKeyW);
    if (rc == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (rc != ERROR_SUCCESS) Sleep(kKeyRemovalPauseMs);
  }
  return rc;
}

// A port that a printer prints to, whose printer would be left without its monitor.
std::wstring PortInUse() {
  for (const std::wstring& port : SubkeyNames(kPortNamesKeyW))
    if (PrinterUsesPort(port.c_str())) return port;
  return {};
}

int Uninstall() {
  if (const std::wstring port = PortInUse(); !port.empty()) {
    std::fprintf(stderr, "PrlSetup: the monitor is not removed: a printer prints to its port \"%ls\". "
                 "Delete that printer or move it to another port first.\n", port.c_str());
    return 1;
  }
  std::string system, windows;
  if (int rc = FindSystemFolders(system, windows)) return rc;
  if (int rc = KeepPorts()) return rc;
  if (!DeleteMonitorA(nullptr, nullptr, const_cast<char*>(kMonitorName))) {
    const DWORD error = GetLastError();
    if (error != ERROR_UNKNOWN_PRINT_MONITOR) {
      // The monitor keeps its ports: the copy, communities and all, goes.
      RegDeleteTreeA(HKEY_LOCAL_MACHINE, kKeptKey);
      return Failure("removing the monitor", error);
    }
  }
  if (LONG rc = RemoveMonitorKey(); rc != ERROR_SUCCESS)
    return Failure(("removing the monitor's key (its ports are kept under HKLM\\" + std::string(kKeptKey) + ")").c_str(),
                   static_cast<DWORD>(rc));
  for (const MonitorLibrary& library : kMonitorLibraries) RemoveComponent(system, library.file);
  RemoveComponent(system, kMonitorUiLibrary);
  RemoveMonitorEventSource();
  for (const MonitorCatalogue& catalogue : kMonitorCatalogues) RemoveComponent(windows, catalogue.file);
  RemoveMonitorFolder();
  std::printf("the monitor \"%s\" is removed\n", kMonitorName);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "install") == 0) return Install();
  if (argc == 2 && std::strcmp(argv[1], "uninstall") == 0) return Uninstall();
  std::fprintf(stderr, "usage: PrlSetup install | uninstall\n");
  return 2;
}
