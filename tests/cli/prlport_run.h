#pragma once
// prlport.exe of the build, run as a child process with its output and exit code.
#include <string>

#include "child_process.h"

inline ChildResult PrlPort(const std::string& arguments) {
  return RunChild("\"" + DistFile("prlport.exe") + "\" " + arguments);
}
