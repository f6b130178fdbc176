// Runs the setup program beside it without a console window, waits for it and exits
// with its exit code. Windows Installer runs the setup program through it as SYSTEM: a
// console program started so would open a console window on the desktop of whoever is
// logged on. An administrator runs PrlSetup itself, and reads what it says.
//
//   PrlSetupQuiet install | uninstall      (the arguments go to PrlSetup as they are)
//
// Exits with PrlSetup's exit code, or, when PrlSetup cannot be started, with the
// system's error code, which the installer's log shows.
#include <windows.h>

#include <string>

#include "Unique.h"

namespace {

std::string SetupProgram() {
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  if (length == 0 || length == sizeof path) return {};
  std::string program(path, length);
  return program.substr(0, program.find_last_of("\\/") + 1) + "PrlSetup.exe";
}

DWORD RunWithoutConsoleWindow(const std::string& program, const char* arguments) {
  std::string commandLine = "\"" + program + "\" " + arguments;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      nullptr, &startup, &started))
    return GetLastError();
  UniqueHandle process(started.hProcess), thread(started.hThread);
  DWORD exitCode = ERROR_GEN_FAILURE;
  if (WaitForSingleObject(process.get(), INFINITE) != WAIT_OBJECT_0 || !GetExitCodeProcess(process.get(), &exitCode))
    return GetLastError();
  return exitCode;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR arguments, int) {
  const std::string program = SetupProgram();
  if (program.empty()) return static_cast<int>(ERROR_FILENAME_EXCED_RANGE);
  return static_cast<int>(RunWithoutConsoleWindow(program, arguments));
}
