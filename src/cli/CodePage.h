#pragma once
// Texts between the system's ANSI code page, in which the registry and the spooler
// give them to the program, and UTF-8, in which JSON carries them.
#include <optional>
#include <string>
#include <string_view>

std::string AnsiToUtf8(std::string_view text);
// Nothing when the text is not UTF-8 or holds a character that the code page lacks.
std::optional<std::string> Utf8ToAnsi(std::string_view text);
