#pragma once
// The texts of the string table of the module that holds this code: the program, or a
// library that carries the same resources. Loading a text shows nothing.
#include <windows.h>

#include <string>

// The module that holds the calling code.
HMODULE ThisModule();

// The string-table text with that id; empty when there is none.
std::string ResourceText(UINT id);
