// Installs or removes the "Pralo TCP/IP Port" monitor: copies its components from the
// setup program's folder into the system and Windows directories and registers the
// monitor with the spooler.
//
//   PrlSetup install | uninstall
#include <windows.h>

#include <winspool.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

char kMonitorName[] = "Pralo TCP/IP Port";
char kMonitorDll[] = "PraloLpr.dll";
const char* const kLibraries[] = {"PraloLpr.dll", "PrlStat.dll", "PRLFIND.dll",
                                  "prlutil.dll",  "prlagent.dll", "prlconv.dll"};
const char* const kCatalogues[] = {"PrlModels.ini", "PrlStat.ini"};

std::string Folder(UINT (*get)(LPSTR, UINT)) {
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
  char* text = nullptr;
  FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                 error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&text), 0, nullptr);
  std::fprintf(stderr, "PrlSetup: %s failed: %s (error %lu)\n", what, text != nullptr ? text : "unknown error",
               static_cast<unsigned long>(error));
  LocalFree(text);
  return 1;
}

// Copies the named files that the setup folder holds; the monitor's DLL must be there.
int CopyComponents(const char* const* names, size_t count, const std::string& target) {
  for (size_t i = 0; i < count; ++i) {
    std::string source = SetupFolder() + "\\" + names[i];
    if (GetFileAttributesA(source.c_str()) == INVALID_FILE_ATTRIBUTES) {
      if (std::strcmp(names[i], kMonitorDll) == 0) return Failure(("finding " + source).c_str(), GetLastError());
      continue;
    }
    if (!CopyFileA(source.c_str(), (target + "\\" + names[i]).c_str(), FALSE))
      return Failure(("copying " + std::string(names[i])).c_str(), GetLastError());
    std::printf("copied %s to %s\n", names[i], target.c_str());
  }
  return 0;
}

int Install() {
  if (int rc = CopyComponents(kLibraries, std::size(kLibraries), Folder(GetSystemDirectoryA))) return rc;
  if (int rc = CopyComponents(kCatalogues, std::size(kCatalogues), Folder(GetWindowsDirectoryA))) return rc;
  MONITOR_INFO_2A info{kMonitorName, nullptr, kMonitorDll};
  if (!AddMonitorA(nullptr, 2, reinterpret_cast<BYTE*>(&info))) {
    DWORD error = GetLastError();
    if (error != ERROR_PRINT_MONITOR_ALREADY_INSTALLED) return Failure("registering the monitor", error);
  }
  std::printf("the monitor \"%s\" is installed\n", kMonitorName);
  return 0;
}

int Uninstall() {
  std::printf("Removing the monitor \"%s\" also removes all of its ports.\n", kMonitorName);
  if (!DeleteMonitorA(nullptr, nullptr, kMonitorName)) {
    DWORD error = GetLastError();
    if (error != ERROR_UNKNOWN_PRINT_MONITOR) return Failure("removing the monitor", error);
  }
  for (const char* name : kLibraries) DeleteFileA((Folder(GetSystemDirectoryA) + "\\" + name).c_str());
  for (const char* name : kCatalogues) DeleteFileA((Folder(GetWindowsDirectoryA) + "\\" + name).c_str());
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
