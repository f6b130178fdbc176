// prlport.exe: the Port Manager's port administration for scripts.
#include <string>
#include <vector>

#include "Commands.h"

int main(int argc, char** argv) { return RunPrlPort(std::vector<std::string>(argv + 1, argv + argc)); }
