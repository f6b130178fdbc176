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
#include "Unique.h"

namespace {

std::string Folder(UINT(WINAPI* get)(LPSTR, UINT)) {
  char path[MAX_PATH] = {};
  get(path, sizeof path);
  return path;
}

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

// Where the ports and the scope wait while the monitor is not installed.
constexpr char kKeptKey[] = "Software\\Pralo\\Port Manager\\Kept ports";
constexpr const char* kKeptParts[] = {"Port Names", "Discovery"};

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
  RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKeptKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                  security.Attributes(), kept.put(), nullptr);
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

void RestorePorts() {
  for (const char* part : kKeptParts)
    if (CopyKey(std::string(kKeptKey) + "\\" + part, std::string(kMonitorKey) + "\\" + part) == ERROR_SUCCESS)
      std::printf("restored the monitor's %s\n", part);
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, kKeptKey);
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

// What a user could change in the folder that the components come from would run as
// SYSTEM in the spooler once copied: such a folder is refused.
int Install() {
  if (OrdinaryAccountsMayWrite(SetupFolder())) {
    std::fprintf(stderr, "PrlSetup: the monitor is not installed: users can change the files of %s. Install "
                 "from a folder that only administrators can write, such as one under Program Files.\n",
                 SetupFolder().c_str());
    return 1;
  }
  for (const MonitorLibrary& library : kMonitorLibraries)
    if (int rc = CopyComponent(library.file, Folder(GetSystemDirectoryA))) return rc;
  // Beside the monitor, which names it to the spooler's port commands.
  if (int rc = CopyComponent(kMonitorUiLibrary, Folder(GetSystemDirectoryA))) return rc;
  for (const MonitorCatalogue& catalogue : kMonitorCatalogues)
    if (int rc = CopyComponent(catalogue.file, Folder(GetWindowsDirectoryA))) return rc;
  MONITOR_INFO_2A info{const_cast<char*>(kMonitorName), nullptr, const_cast<char*>(kMonitorLibrary)};
  if (!AddMonitorA(nullptr, 2, reinterpret_cast<BYTE*>(&info))) {
    DWORD error = GetLastError();
    if (error != ERROR_PRINT_MONITOR_ALREADY_INSTALLED) return Failure("registering the monitor", error);
  } else {
    // The restored ports' keys take the monitor key's ACL as they are made.
    if (int rc = RestrictMonitorKey()) return rc;
    RestorePorts();
  }
  // Also on an installation that an older version made with the inherited ACL.
  if (int rc = RestrictMonitorKey()) return rc;
  if (MonitorFolder().empty()) return Failure("making the monitor's folder", GetLastError());
  if (int rc = RegisterMonitorEventSource()) return rc;
  std::printf("the monitor \"%s\" is installed\n", kMonitorName);
  return 0;
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
  if (int rc = KeepPorts()) return rc;
  if (!DeleteMonitorA(nullptr, nullptr, const_cast<char*>(kMonitorName))) {
    DWORD error = GetLastError();
    if (error != ERROR_UNKNOWN_PRINT_MONITOR) return Failure("removing the monitor", error);
  }
  for (const MonitorLibrary& library : kMonitorLibraries) RemoveComponent(Folder(GetSystemDirectoryA), library.file);
  RemoveComponent(Folder(GetSystemDirectoryA), kMonitorUiLibrary);
  RemoveMonitorEventSource();
  for (const MonitorCatalogue& catalogue : kMonitorCatalogues)
    RemoveComponent(Folder(GetWindowsDirectoryA), catalogue.file);
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
