#pragma once
// prlport's commands: the port administration of the Port Manager's dialogs, from the
// command line, with the same rules and the same store.
#include <string>
#include <vector>

// Runs the command that the words name and answers its exit code; output goes to
// standard output, failures to standard error.
int RunPrlPort(const std::vector<std::string>& words);
