#pragma once
// Starts a program of the build, waits for it and collects its standard output.
#include <windows.h>

#include <functional>
#include <string>

struct ChildResult {
  DWORD exitCode = 0;
  std::string output;
};

// Path of an executable in the same folder as the running test.
std::string ExeBesideThisTest(const std::string& name);
// Path of a shipped file: the program in dist, the monitor's components in dist\monitor.
std::string DistFile(const std::string& relativePath);
// Path of a file in the system folder, where the monitor's components are installed.
std::string SystemFile(const std::string& name);
// Path of a file in the temporary folder.
std::string TempFile(const std::string& name);

// Runs a command line to its end with stdout and stderr captured. A child that hangs
// is left to the test's own time limit.
ChildResult RunChild(const std::string& commandLine);
// Runs the monitor's setup program with a command ("install", "uninstall"): the shipped
// one, or the one at `setup`.
ChildResult RunSetup(const char* command, const std::string& setup = DistFile("monitor\\PrlSetup.exe"));

// Sets the Windows version that Wine reports to programs of this file name (win95 ...
// win7); a program reads it when it starts.
void SetReportedVersion(const std::string& exeName, const char* version);

// Runs the current test again, in a child process of this test program, with `before`
// done first and `after` once it has ended (settings that a program reads when it
// starts). True in the parent, once it has checked the child's outcome; false in the
// child, which goes on with the test's body.
bool RerunThisTestWith(const std::string& what, const std::function<void()>& before,
                       const std::function<void()>& after);
// The same, in a child that Wine reports the given Windows version to.
bool RerunThisTestUnder(const char* version);
