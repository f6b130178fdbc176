#pragma once
// Starts a program of the build, waits for it and collects its standard output.
#include <windows.h>

#include <string>

struct ChildResult {
  DWORD exitCode = 0;
  std::string output;
};

// Path of an executable in the same folder as the running test.
std::string ExeBesideThisTest(const std::string& name);
// Path of a shipped file: the program in dist, the monitor's components in dist\monitor.
std::string DistFile(const std::string& relativePath);

// Runs a command line to its end with stdout and stderr captured. A child that hangs
// is left to the test's own time limit.
ChildResult RunChild(const std::string& commandLine);

// Sets the Windows version that Wine reports to programs of this file name (win95 ...
// win7); a program reads it when it starts.
void SetReportedVersion(const std::string& exeName, const char* version);

// Runs the current test again, in a child process of this test program that sees the
// given Windows version. True in the parent, once it has checked the child's outcome;
// false in the child, which goes on with the test's body.
bool RerunThisTestUnder(const char* version);
