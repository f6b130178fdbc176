// prlport.exe: the Port Manager's port administration for scripts.
#include <string>
#include <vector>

#include "Commands.h"
#include "DelayLoadHook.h"
#include "SystemLibraries.h"

int main(int argc, char** argv) {
  // prlport runs as an administrator, maybe from a folder that users can write.
  LoadLibrariesFromSystemDirectoryOnly();
  LoadDelayedLibrariesFromSystemDirectory();
  return RunPrlPort(std::vector<std::string>(argv + 1, argv + argc));
}
