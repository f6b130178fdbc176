#pragma once
// The monitor's libraries are loaded from the system directory, where its setup puts
// them and only administrators can write, never found by a search that looks beside
// the program first: a user could put a library of that name there.
#include <string>

// The library's path in the system directory; empty when the directory cannot be had.
std::string SystemLibraryPath(const char* file);

// From now on this process loads the libraries it names without a path from the system
// directory only. For a program, first thing: it also binds what later loads need,
// so it is no call for a library inside another program's process.
void LoadLibrariesFromSystemDirectoryOnly();
