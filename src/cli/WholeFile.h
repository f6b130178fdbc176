#pragma once
// A file read or written in one piece; failures end the command with the system's text.
#include <cstddef>
#include <string>

// The file's bytes; refused when it is larger than `limit`.
std::string ReadWholeFile(const std::string& path, size_t limit);
// Replaces the file's contents with `text`; only the account that runs the program and
// the Administrators can read the file (an export holds every port's community).
void WriteWholeFile(const std::string& path, const std::string& text);
