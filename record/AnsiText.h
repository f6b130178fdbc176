#pragma once
// Texts between UTF-16 and the system's ANSI code page, in which the port records and
// the program keep their texts. A character that the code page lacks becomes its
// default character.
#include <string>
#include <string_view>

// A null text is empty.
std::string AnsiText(const wchar_t* text);
std::wstring WideText(std::string_view text);
